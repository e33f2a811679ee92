// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/PathName.h"

#include <QByteArray>
#include <QFile>

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

QString DecodedPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace kelvara
