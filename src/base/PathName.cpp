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

QString DecodedPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace kelvara
