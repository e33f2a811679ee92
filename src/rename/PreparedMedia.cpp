// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/PreparedMedia.h"

#include "base/Contained.h"

#include <new>
#include <system_error>

namespace kelvara {

TPreparedPhoto PrepareMedia(const std::string& path, const TMediaChoice& choice,
                            std::function<bool()> abort) {
    if (!choice.videos)
        return PreparePhoto(path, std::move(abort));
    TPreparedPhoto photo;
    if (path.empty()) {
        photo.failure = "no path";
        return photo;
    }
    try {
        photo.properties = ReadMediaFile(path, choice, std::move(abort));
        if (!photo.properties)
            photo.failure = "no image or video";
    } catch (const std::system_error& error) {
        photo.failure = error.what();
    } catch (const TPhotoPropertiesError& error) {
        photo.failure = error.what();
    } catch (const std::bad_alloc&) {
        photo.failure = "out of memory reading it";
    } catch (...) {
        // Whatever else was thrown on the way: the file keeps its name.
        photo.failure = ThrownText(std::current_exception()).toStdString();
    }
    return photo;
}

} // namespace kelvara
