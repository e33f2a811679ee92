// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// STAND-IN: the Windows edition's own copy of the new-name rules, until the
// shared rename module (rename/NewName) builds without Qt; then this goes and
// the Windows build uses that one. The rules are the same (README, "How a new
// name is made"); tests/win32/newname_win_test.cpp holds them to it.

#include "rename/NamingOptions.h"

#include <cstddef>
#include <optional>
#include <string>

namespace kelvara::standin {

// What a photo tells about itself, as text (UTF-8 or whatever bytes the
// metadata holds): the date as "YYYY:MM:DD HH:MM:SS" (empty when it has no
// real one), the size as "W x H", the camera model.
struct TPhotoProperties {
    std::string DateTaken;
    std::string Dimensions;
    std::string CameraModel;
};

// The date value without ":" and " ", cut to `patternLength` characters.
std::string DateText(const std::string& dateValue, std::size_t patternLength);

// A size or model text as part of a name: blanks, control characters and
// what Windows forbids in a name (< > : " / \ | ? *) removed.
std::string NamePartText(const std::string& text);

bool IsValidUtf8(const std::string& text);

// Within 255 bytes and 255 UTF-16 code units (ext4, exFAT, NTFS).
bool FitsNameLimits(const std::string& name);

// The layout applied; empty parts keep their separators.
std::string ComposeNewName(TNameLayout layout, const std::string& date, const std::string& size,
                           const std::string& model, const std::string& oldName);

// The new name of the file `oldName` (UTF-8) with `properties`, or nothing
// when it keeps its name: no layout, no real date, the date text already in
// the old name, a size or model that is not valid UTF-8, a name too long.
std::optional<std::string> NewNameFor(const TPhotoProperties& properties,
                                      const INamingOptions& options, const std::string& oldName);

} // namespace kelvara::standin
