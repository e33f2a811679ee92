// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/PathName.h"

#include "base/Utf8.h"

namespace kelvara {

std::string WithoutTrailingDelimiter(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string PathInFolder(const std::string& folder, std::string_view name) {
    std::string path = WithoutTrailingDelimiter(folder);
    if (path != "/")
        path.push_back('/');
    return path.append(name);
}

std::string DecodedPath(const std::string& path) {
    return ValidUtf8(path);
}

} // namespace kelvara
