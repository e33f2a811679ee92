#include "photo/ImageTest.h"

#include "photo/GPImage.h"
#include "photo/Log.h"
#include "platform/FileContent.h"
#include "platform/PathName.h"

#include <system_error>

namespace kelvara {

bool IsImageFile(const std::string& path) {
    try {
        return IsImageContent(ReadFileContent(path));
    } catch (const std::system_error& error) {
        // Unreadable, gone, or no regular file: no image.
        qCDebug(lcPhoto) << "no image:" << DecodedPath(path) << ":" << error.what();
        return false;
    }
}

} // namespace kelvara
