#include "photo/ImageTest.h"

#include "photo/GPImage.h"
#include "platform/FileContent.h"

#include <system_error>

namespace kelvara {

bool IsImageFile(const std::string& path) {
    try {
        return IsImageContent(ReadFileContent(path));
    } catch (const std::system_error&) {
        return false; // unreadable, gone, or no regular file: no image
    }
}

} // namespace kelvara
