#pragma once
// The text of a freedesktop desktop entry (Desktop Entry Specification 1.5)
// that starts one program: what a shortcut is on the Linux desktops.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara {

// The photo types the applications-folder entry claims, so that file
// managers offer the program in "Open With" for them; folders are claimed
// too, since a folder is searched for photos.
inline constexpr std::array<std::string_view, 29> PhotoMimeTypes = {"image/jpeg",
                                                                    "image/tiff",
                                                                    "image/png",
                                                                    "image/heic",
                                                                    "image/heif",
                                                                    "image/avif",
                                                                    "image/webp",
                                                                    "image/x-adobe-dng",
                                                                    "image/x-canon-cr2",
                                                                    "image/x-canon-cr3",
                                                                    "image/x-canon-crw",
                                                                    "image/x-nikon-nef",
                                                                    "image/x-nikon-nrw",
                                                                    "image/x-sony-arw",
                                                                    "image/x-sony-sr2",
                                                                    "image/x-sony-srf",
                                                                    "image/x-olympus-orf",
                                                                    "image/x-panasonic-rw2",
                                                                    "image/x-panasonic-raw",
                                                                    "image/x-pentax-pef",
                                                                    "image/x-fuji-raf",
                                                                    "image/x-samsung-srw",
                                                                    "image/x-minolta-mrw",
                                                                    "image/x-sigma-x3f",
                                                                    "image/x-kodak-dcr",
                                                                    "image/x-kodak-kdc",
                                                                    "image/x-leica-rwl",
                                                                    "image/x-epson-erf",
                                                                    "inode/directory"};

struct TDesktopEntry {
    std::string name;
    std::string icon;
    // The program's path and its arguments as the program is to receive
    // them; quoting is the writer's business.
    std::vector<std::string> exec;
    // Appends %F: the files the entry is opened with, each as its own
    // argument after the others.
    bool execTakesFiles = false;
    std::string path; // working folder; empty leaves the key out
    std::vector<std::string> mimeTypes;
};

// One Exec argument: in double quotes, with ", `, $ and backslash escaped by
// a backslash, when it holds a reserved character (blank, tab, newline, " '
// backslash > < ~ | & ; $ * ? # ( ) `); as it stands otherwise. "%" is written "%%"
// either way, so that it is never taken for a field code.
std::string QuoteExecArgument(std::string_view argument);

// A value of type string or localestring as the file holds it: backslash,
// newline, tab and carriage return escaped, and blanks at either end written
// \s so that readers do not trim them.
std::string EscapeEntryValue(std::string_view value);

// The whole file, group [Desktop Entry] with Type=Application and
// Terminal=false. Throws std::system_error (EILSEQ) when a text is not UTF-8
// or holds a control character that the format cannot carry, rather than
// write an entry that desktops would reject.
std::string DesktopEntryText(const TDesktopEntry& entry);

} // namespace kelvara
