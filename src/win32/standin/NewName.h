// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// STAND-IN: the Windows edition's new name of a photo, on the shared naming
// rules (rename/NewName.h), until the shared rename step replaces the whole
// stand-in engine. tests/win32/newname_win_test.cpp holds it to the README's
// "How a new name is made".

#include "rename/NamingOptions.h"
#include "rename/NewName.h"

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

// The new name of the file `oldName` (UTF-8) with `properties`, or nothing
// when it keeps its name: no layout, no real date, the date text already in
// the old name, a size or model that is not valid UTF-8, a name too long.
std::optional<std::string> NewNameFor(const TPhotoProperties& properties,
                                      const INamingOptions& options, const std::string& oldName);

} // namespace kelvara::standin
