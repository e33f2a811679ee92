// SPDX-License-Identifier: GPL-3.0-or-later
// The shooting date's forms: what each metadata family writes, what counts as
// a real date, and what is passed over so that the next source is tried.

#include "photo/PhotoDate.h"

#include <gtest/gtest.h>
#include <string>

using namespace kelvara;

TEST(PhotoDate, ExifDatesArePaddedFixedFields) {
    EXPECT_EQ(ExifDateTime("2008:03:18 12:26:27"), "2008:03:18 12:26:27");
    EXPECT_EQ(ExifDateTime(std::string("2008:03:18 12:26:27\0\0", 21)), "2008:03:18 12:26:27");
    EXPECT_EQ(ExifDateTime(std::string("  2008:03:18 12:26:27 \0junk", 27)), "2008:03:18 12:26:27");
    EXPECT_EQ(ExifDateTime("1998:01:01 00:00:00"), "1998:01:01 00:00:00");
    EXPECT_EQ(ExifDateTime("2021:12:31 23:59:59"), "2021:12:31 23:59:59");
}

TEST(PhotoDate, ZeroBlankAndImpossibleDatesAreNoDates) {
    for (const char* none :
         {"", "    ", "0000:00:00 00:00:00", "    :  :     :  :  ", "0000:03:18 12:26:27",
          "2008:00:18 12:26:27", "2008:13:18 12:26:27", "2008:03:00 12:26:27",
          "2008:03:32 12:26:27", "2008:03:18 24:00:00", "2008:03:18 12:60:00",
          "2008:03:18 12:26:60", "2008:03:18", "2008-03-18 12:26:27", "2008:03:18T12:26:27",
          "2008:03:18 12:26:27x", "2008:3:18 12:26:27", "+008:03:18 12:26:27"}) {
        EXPECT_EQ(ExifDateTime(none), "") << '"' << none << '"';
    }
    // The same unset clocks as other families write them.
    for (const char* none : {"", "0000:00:00 00:00:00", "    :  :     :  :  ", "0000-00-00"}) {
        EXPECT_EQ(XmpDateTime(none), "") << '"' << none << '"';
        EXPECT_EQ(IptcDateTime(none, ""), "") << '"' << none << '"';
    }
    EXPECT_EQ(ExifDateTime(std::string("\0"
                                       "2008:03:18 12:26:27",
                                       20)),
              "");
}

TEST(PhotoDate, XmpDatesLoseTheirZoneAndGainAMissingTime) {
    EXPECT_EQ(XmpDateTime("2010-04-13T09:37:22+02:00"), "2010:04:13 09:37:22");
    EXPECT_EQ(XmpDateTime("2010-04-13T09:37:22-07:00"), "2010:04:13 09:37:22");
    EXPECT_EQ(XmpDateTime("2011-09-23T12:43:03Z"), "2011:09:23 12:43:03");
    EXPECT_EQ(XmpDateTime("2014-09-21T16:00:56.000000+02:00"), "2014:09:21 16:00:56");
    EXPECT_EQ(XmpDateTime("2010-04-13T09:37"), "2010:04:13 09:37:00");
    EXPECT_EQ(XmpDateTime("2010-04-13T09:37+02:00"), "2010:04:13 09:37:00");
    EXPECT_EQ(XmpDateTime("2010-04-13"), "2010:04:13 00:00:00");
    EXPECT_EQ(XmpDateTime(" 2010-04-13 "), "2010:04:13 00:00:00");
    // Exif notation inside XMP, as some writers produce it.
    EXPECT_EQ(XmpDateTime("2008:05:25 19:31:26.0+1:00"), "2008:05:25 19:31:26");

    for (const char* none :
         {"2010", "2010-04", "2010-04-13T", "2010-04-13T09", "2010-04-13T09:37:22+",
          "2010-04-13T09:37:22 UTC", "2010-04-13T09:37:22.", "2010-04:13", "0000-00-00T00:00:00Z",
          "2010-04-13T25:00:00", "13/04/2010"})
        EXPECT_EQ(XmpDateTime(none), "") << none;
}

TEST(PhotoDate, IptcJoinsItsDateAndTime) {
    EXPECT_EQ(IptcDateTime("2005-12-14", "14:39:47+02:00"), "2005:12:14 14:39:47");
    EXPECT_EQ(IptcDateTime("2005-12-14", "14:39:47-05:00"), "2005:12:14 14:39:47");
    EXPECT_EQ(IptcDateTime("2005-12-14", ""), "2005:12:14 00:00:00");
    EXPECT_EQ(IptcDateTime("20051214", "143947+0200"), "2005:12:14 14:39:47");
    EXPECT_EQ(IptcDateTime("0000-00-00", "14:39:47+02:00"), "");
    EXPECT_EQ(IptcDateTime("2005-12-14", "00:00:00+00:00"), "2005:12:14 00:00:00");
    // A time that is there but broken spoils the pair: no half-made dates.
    EXPECT_EQ(IptcDateTime("2005-12-14", "99:00:00"), "");
    EXPECT_EQ(IptcDateTime("2005-12-14", "noon"), "");
    EXPECT_EQ(IptcDateTime("2005-12-14T10:00:00", ""), "");
}
