#!/usr/bin/perl
# SPDX-License-Identifier: GPL-3.0-or-later
# The names the JPEGs below ROOT should get in one run at minute precision in
# the date_size_model_old layout, as an independent reader (exiftool) sees
# their metadata: the same rules as tests/support/ExpectedNames.cpp holds the
# Linux edition to. One line per JPEG: its relative path, a tab, the relative
# path it should have afterwards (itself where it keeps its name).
#   expected-names.pl ROOT OUTPUT
use strict;
use warnings;
use File::Find;
use Image::ExifTool;

my ($root, $output) = @ARGV;
die "usage: $0 ROOT OUTPUT\n" unless defined $output;

# exiftool's date in the form "YYYY:MM:DD HH:MM:SS", or '' when no real one.
sub real_date {
    my ($value, $time) = @_;
    return '' unless defined $value;
    $value =~ s/^\s+|\s+$//g;
    return '' unless $value =~ /^(\d{4}):(\d{2}):(\d{2})(?: (\d{2}):(\d{2}):(\d{2}))?/;
    my ($year, $month, $day) = ($1, $2, $3);
    my $clock;
    if (defined $4) {
        $clock = "$4:$5:$6";
    } else {
        $clock = (defined $time && $time =~ /^\s*(\d{2}:\d{2}:\d{2})/) ? $1 : '00:00:00';
    }
    my ($h, $m, $s) = split /:/, $clock;
    return '' if $year == 0 || $month < 1 || $month > 12 || $day < 1 || $day > 31
        || $h > 23 || $m > 59 || $s > 59;
    return "$year:$month:$day $clock";
}

# Blanks, control characters and what Windows forbids in a name are dropped.
sub name_part {
    my ($text) = @_;
    $text = '' unless defined $text;
    $text =~ s/[\x00-\x20\x7F<>:"\/\\|?*]//g;
    return $text;
}

my @jpegs;
find({ wanted => sub { push @jpegs, $File::Find::name if -f && /\.jpe?g$/i }, no_chdir => 1 },
     $root);

open(my $out, '>', $output) or die "$output: $!\n";
for my $path (sort @jpegs) {
    (my $relative = $path) =~ s/^\Q$root\E\/?//;
    my $tool = Image::ExifTool->new;
    $tool->Options(Duplicates => 0, PrintConv => 1, CoordFormat => '');
    my $info = $tool->ImageInfo($path, 'ExifIFD:DateTimeOriginal', 'IPTC:DateCreated',
        'IPTC:TimeCreated', 'XMP-xmp:CreateDate', 'ExifIFD:CreateDate',
        'XMP-exif:DateTimeOriginal', 'IFD0:Model', 'Composite:ImageSize', 'File:FileType');
    my $tag = sub {
        my ($group, $name) = @_;
        for my $key (keys %$info) {
            (my $bare = $key) =~ s/ \(\d+\)$//;
            next unless $bare eq $name;
            my @groups = $tool->GetGroup($key);
            return $info->{$key} if grep { $_ eq $group } @groups;
        }
        return undef;
    };
    my $date = real_date($tag->('ExifIFD', 'DateTimeOriginal'));
    $date = real_date($tag->('IPTC', 'DateCreated'), $tag->('IPTC', 'TimeCreated')) if $date eq '';
    $date = real_date($tag->('XMP-xmp', 'CreateDate')) if $date eq '';
    $date = real_date($tag->('ExifIFD', 'CreateDate')) if $date eq '';
    $date = real_date($tag->('XMP-exif', 'DateTimeOriginal')) if $date eq '';
    my $type = $tag->('File', 'FileType') // '';
    my $expected = $relative;
    if ($date ne '' && $type eq 'JPEG') {
        (my $digits = $date) =~ s/[: ]//g;
        my ($folder, $name) = $relative =~ m{^(?:(.*)/)?([^/]+)$};
        my $size = $tag->('Composite', 'ImageSize') // '';
        $size =~ s/ /x/ if $size =~ /^\d+ \d+$/;
        my $new = substr($digits, 0, 12) . '_' . name_part($size) . '_'
            . name_part($tag->('IFD0', 'Model')) . '_' . $name;
        $expected = defined $folder ? "$folder/$new" : $new;
    }
    print $out "$relative\t$expected\n";
}
close($out) or die "$output: $!\n";
