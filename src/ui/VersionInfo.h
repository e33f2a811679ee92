// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's version as the user sees it: the strings of an executable's
// version block, and the window captions that carry the version.

#include <QString>
#include <array>
#include <cstddef>
#include <string_view>

class QWidget;

namespace kelvara {

// The version-information key names callers pick from. "DeveropEnvironment"
// and "Thanks" are keys of our own beside the standard ones (the spelling is
// the key's, and stays).
inline constexpr std::array<std::string_view, 14> VersionInfoKeys = {
    "Comments",       "CompanyName",     "FileDescription",    "FileVersion",  "InternalName",
    "LegalCopyright", "LegalTrademarks", "OriginalFilename",   "PrivateBuild", "ProductName",
    "ProductVersion", "SpecialBuild",    "DeveropEnvironment", "Thanks"};

// The entries of VersionInfoKeys by their place in it: callers name the key
// they want from the table instead of spelling its text.
enum class TVersionInfoKey : std::size_t {
    Comments,
    CompanyName,
    FileDescription,
    FileVersion,
    InternalName,
    LegalCopyright,
    LegalTrademarks,
    OriginalFilename,
    PrivateBuild,
    ProductName,
    ProductVersion,
    SpecialBuild,
    DeveropEnvironment,
    Thanks,
};

// The key's text in VersionInfoKeys, as GetVersionInfoValue takes it.
QString VersionInfoKey(TVersionInfoKey key);

// The value of `key` (found without regard to ASCII case) in the version
// block of `fileName`, with characters up to the blank trimmed from both
// ends. A file without a block, a key the block lacks and a file that cannot
// be read all give the empty text. The running executable's block is read
// once per run, the first time it is asked for (the windows ask for it at
// every opening); any other file is read at every call.
QString GetVersionInfoValue(const QString& key, const QString& fileName);

// The title of the program run from `executablePath`: the file name without
// its folder, cut before its first full stop, every character after the
// first in lower case ("Kelvara" for .../Kelvara).
QString ApplicationTitle(const QString& executablePath);

// "<title> Ver.<file version> - <form name>"; "Ver." stands alone when the
// version cannot be read.
QString VersionCaption(const QString& executablePath, const QString& formName);

// Sets the form's caption to VersionCaption for the running executable and
// the form's object name.
void SetVersionCaption(QWidget* form);

} // namespace kelvara
