// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/VersionInfo.h"

#include "base/Trim.h"
#include "base/qt/QtLog.h"
#include "ui/Log.h"
#include "ui/VersionBlock.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QWidget>

namespace kelvara {

namespace {

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [&](char x, char y) { return lower(x) == lower(y); });
}

constexpr std::string_view KeyText(TVersionInfoKey key) {
    return VersionInfoKeys[static_cast<std::size_t>(key)];
}

// The enumeration follows the table entry by entry.
static_assert(KeyText(TVersionInfoKey::Comments) == "Comments" &&
              KeyText(TVersionInfoKey::CompanyName) == "CompanyName" &&
              KeyText(TVersionInfoKey::FileDescription) == "FileDescription" &&
              KeyText(TVersionInfoKey::FileVersion) == "FileVersion" &&
              KeyText(TVersionInfoKey::InternalName) == "InternalName" &&
              KeyText(TVersionInfoKey::LegalCopyright) == "LegalCopyright" &&
              KeyText(TVersionInfoKey::LegalTrademarks) == "LegalTrademarks" &&
              KeyText(TVersionInfoKey::OriginalFilename) == "OriginalFilename" &&
              KeyText(TVersionInfoKey::PrivateBuild) == "PrivateBuild" &&
              KeyText(TVersionInfoKey::ProductName) == "ProductName" &&
              KeyText(TVersionInfoKey::ProductVersion) == "ProductVersion" &&
              KeyText(TVersionInfoKey::SpecialBuild) == "SpecialBuild" &&
              KeyText(TVersionInfoKey::DeveropEnvironment) == "DeveropEnvironment" &&
              KeyText(TVersionInfoKey::Thanks) == "Thanks" &&
              static_cast<std::size_t>(TVersionInfoKey::Thanks) + 1 == VersionInfoKeys.size());

// The version of the code that runs: read from the executable once and kept
// for the run (a constant once read), so that opening a window does not scan
// the whole file again. Should the file be replaced while we run (an
// upgrade), it is still the running version that is shown.
const std::optional<TVersionBlock>& RunningExecutableBlock() {
    static const std::optional<TVersionBlock> block =
        ReadVersionBlock(QCoreApplication::applicationFilePath());
    return block;
}

} // namespace

QString VersionInfoKey(TVersionInfoKey key) {
    const std::string_view text = KeyText(key);
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString GetVersionInfoValue(const QString& key, const QString& fileName) {
    const bool running = QCoreApplication::instance() != nullptr &&
                         fileName == QCoreApplication::applicationFilePath();
    const std::optional<TVersionBlock> read = running ? std::nullopt : ReadVersionBlock(fileName);
    const std::optional<TVersionBlock>& block = running ? RunningExecutableBlock() : read;
    if (!block) {
        LogDebug(lcUi) << "no version block in" << fileName;
        return {};
    }
    const QByteArray wanted = key.toUtf8();
    const std::string_view wantedKey(wanted.constData(), static_cast<std::size_t>(wanted.size()));
    for (const auto& [entryKey, value] : block->strings) {
        if (SameIgnoringCase(entryKey, wantedKey)) {
            const std::string_view trimmed = Trimmed(value, ControlsAndSpace);
            return QString::fromUtf8(trimmed.data(), static_cast<qsizetype>(trimmed.size()));
        }
    }
    return {};
}

QString ApplicationTitle(const QString& executablePath) {
    QString name = QFileInfo(executablePath).fileName();
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return name;
    return name.left(1) + name.mid(1).toLower();
}

QString VersionCaption(const QString& executablePath, const QString& formName) {
    return ApplicationTitle(executablePath) + u' ' + QStringLiteral("Ver.") +
           GetVersionInfoValue(VersionInfoKey(TVersionInfoKey::FileVersion), executablePath) +
           QStringLiteral(" - ") + formName;
}

void SetVersionCaption(QWidget* form) {
    form->setWindowTitle(
        VersionCaption(QCoreApplication::applicationFilePath(), form->objectName()));
}

} // namespace kelvara
