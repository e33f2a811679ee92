// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Composing a photo's new name from its properties. Pure text work, no I/O.

#include "base/Utf8.h"
#include "rename/NamingOptions.h"

#include <cstddef>
#include <string>

namespace kelvara {

// The date value ("2008:03:18 12:26:27") without ":" and " ", cut to
// `patternLength` characters ("200803181226" for 12).
std::string DateText(const std::string& dateValue, std::size_t patternLength);

// A size or model text as a part of a name: every blank removed ("1600 x
// 1200" -> "1600x1200"), and with it every character that Windows forbids in
// a file name (< > : " / \ | ? * and the control characters below 0x20 and
// 0x7F). Photos move to camera cards, USB drives and Windows shares, whose
// file systems (FAT, exFAT, NTFS, SMB) refuse such names; a camera model such
// as "<Digimax i50 MP3, Samsung #1 MP3>" must not make a name that cannot be
// copied there ("Digimaxi50MP3,Samsung#1MP3").
std::string NamePartText(const std::string& text);

// IsValidUtf8 (base/Utf8.h) decides the size and model texts: names on FAT,
// exFAT, NTFS and SMB shares are UTF-16, so a text that is not valid UTF-8 (a
// damaged Exif field, bytes of some other code page) cannot stand in a name
// there; such a photo keeps its name.

// The longest name every file system we meet holds: 255 bytes (ext4 and most
// Linux file systems) and 255 UTF-16 code units (exFAT, NTFS, FAT's long
// names). A byte that is not part of valid UTF-8 counts as one code unit.
inline constexpr std::size_t MaxNameBytes = 255;
inline constexpr std::size_t MaxNameUtf16Units = 255;

// True when `name` is within both limits.
bool FitsNameLimits(const std::string& name);

// date_old, date_model_old, date_size_old or date_size_model_old; empty parts
// keep their separators. With no layout the old name comes back unchanged.
std::string ComposeNewName(TNameLayout layout, const std::string& date, const std::string& size,
                           const std::string& model, const std::string& oldName);

// True when `name` can stand as one entry of a folder: not empty, not "." or
// "..", no "/" and no control character. Camera metadata is untrusted input,
// and a model such as "../x" or "a/b" must not move a file out of its folder.
bool IsSafeFileName(const std::string& name);

// The folder and the file name of a path: "/a/b.jpg" gives "/a" and "b.jpg";
// the root keeps its delimiter ("/b.jpg" gives "/").
struct TSplitPath {
    std::string folder;
    std::string name;
};
TSplitPath SplitPath(const std::string& path);

} // namespace kelvara
