// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/PreparedMedia.h"

#include "base/Contained.h"
#include "base/PathName.h"
#include "rename/LivePhotoPair.h"

#include <cerrno>
#include <exception>
#include <new>
#include <system_error>

namespace kelvara {

TPreparedPhoto PrepareMedia(const std::string& path, const TMediaChoice& choice,
                            std::function<bool()> abort) {
    TPreparedPhoto photo;
    photo.videosChoice = choice.videos;
    if (path.empty()) {
        photo.failure = "no path";
        return photo;
    }
    try {
        TMediaReadNotes notes;
        photo.properties = ReadMediaFile(path, choice, std::move(abort), &notes);
        photo.identity = notes.identity;
        photo.video = notes.video;
        if (!photo.properties) {
            photo.failure = choice.videos ? "no image or video" : "no image";
        } else if (photo.video) {
            photo.failure = std::move(notes.videoFailure);
            if (std::optional<std::string> still =
                    LivePhotoStillOf(path, photo.properties->ContentIdentifier)) {
                // Its photo moves it; on its own it would lose the photo's
                // prefix and the pair.
                photo.livePhotoOf = std::move(*still);
                photo.properties.reset();
                photo.failure = "the Live Photo video of " + DecodedPath(photo.livePhotoOf);
            }
        }
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
        photo.failure = ThrownText(std::current_exception());
        photo.failureReason = TKeptReason::Unreadable;
    }
    return photo;
}

} // namespace kelvara
