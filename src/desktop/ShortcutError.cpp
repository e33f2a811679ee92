// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/ShortcutError.h"

#include "base/PathName.h"
#include "base/qt/QtLog.h"

#include <QCoreApplication>
#include <utility>

namespace kelvara {

namespace {

std::string Joined(const std::vector<std::string>& files) {
    std::string text;
    for (const std::string& file : files)
        text += (text.empty() ? "" : ", ") + file;
    return text;
}

} // namespace

TShortcutError::TShortcutError(std::error_code code, std::vector<std::string> files)
    : std::system_error(code, "create shortcut " + Joined(files)), m_files(std::move(files)) {}

std::string TShortcutError::LinkFiles() const {
    return Joined(m_files);
}

QString TShortcutError::Message() const {
    //: %1 is the shortcut file's full path (or several, comma-separated), %2
    //: the system's reason.
    return QCoreApplication::translate("kelvara::TShortcutError",
                                       "ショートカット %1 を作成できません: %2")
        .arg(PathText(LinkFiles()), QString::fromLocal8Bit(code().message()));
}

} // namespace kelvara
