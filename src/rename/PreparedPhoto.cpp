// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/PreparedPhoto.h"

#include "base/Contained.h"
#include "base/PathName.h"
#include "rename/Log.h"
#include "rename/PreparedMedia.h"

#include <exception>

namespace kelvara {

TPreparedPhoto PreparePhoto(const std::string& path, std::function<bool()> abort) {
    return PrepareMedia(path, TMediaChoice{}, std::move(abort));
}

void LookUpCompanions(const std::string& path, TPreparedPhoto& photo) {
    if (!photo.properties)
        return;
    try {
        photo.companions = FindCompanions(path, {}, photo.properties->ContentIdentifier);
    } catch (...) {
        // The move looks for them again, and says what fails then.
        LogDebug(lcRename) << "companions not looked for ahead:" << DecodedPath(path) << ":"
                           << ThrownText(std::current_exception()).c_str();
    }
}

} // namespace kelvara
