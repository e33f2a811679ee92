// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/PreparedPhoto.h"

#include "base/Contained.h"
#include "base/PathName.h"
#include "photo/PhotoFile.h"
#include "rename/Log.h"

#include <cerrno>
#include <new>
#include <system_error>

namespace kelvara {

TPreparedPhoto PreparePhoto(const std::string& path, std::function<bool()> abort) {
    TPreparedPhoto photo;
    if (path.empty()) {
        photo.failure = "no path";
        return photo;
    }
    try {
        TFileIdentity identity;
        photo.properties = ReadPhotoFile(path, std::move(abort), &identity);
        photo.identity = identity;
        if (!photo.properties)
            photo.failure = "no image";
    } catch (const std::system_error& error) {
        // Unreadable, gone, or no regular file.
        photo.failure = error.what();
        const int code = error.code().value();
        photo.failureReason = code == ENOENT || code == ENOTDIR ? TKeptReason::GoneOrChanged
                              : code == ECANCELED               ? TKeptReason::Cancelled
                                                                : TKeptReason::Unreadable;
    } catch (const TPhotoPropertiesError& error) {
        // An image whose metadata cannot be read.
        photo.failure = error.what();
        photo.failureReason = TKeptReason::Unreadable;
    } catch (const std::bad_alloc&) {
        // Damaged metadata that claims more memory than there is.
        photo.failure = "out of memory reading it";
        photo.failureReason = TKeptReason::Unreadable;
    } catch (...) {
        // Anything else thrown on the way (an image plugin's own exception,
        // say): the file keeps its name all the same.
        photo.failure = ThrownText(std::current_exception()).toStdString();
        photo.failureReason = TKeptReason::Unreadable;
    }
    return photo;
}

void LookUpCompanions(const std::string& path, TPreparedPhoto& photo) {
    if (!photo.properties)
        return;
    try {
        photo.companions = FindCompanions(path, {}, photo.properties->ContentIdentifier);
    } catch (...) {
        // The move looks for them again, and says what fails then.
        qCDebug(lcRename) << "companions not looked for ahead:" << DecodedPath(path) << ":"
                          << qUtf8Printable(ThrownText(std::current_exception()));
    }
}

} // namespace kelvara
