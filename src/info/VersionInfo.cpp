#include "info/VersionInfo.h"

#include "info/VersionBlock.h"

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

std::string_view TrimControls(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

} // namespace

QString GetVersionInfoValue(const QString& key, const QString& fileName) {
    const auto block = ReadVersionBlock(fileName);
    if (!block)
        return {};
    const QByteArray wanted = key.toUtf8();
    const std::string_view wantedKey(wanted.constData(), static_cast<std::size_t>(wanted.size()));
    for (const auto& [entryKey, value] : block->strings) {
        if (SameIgnoringCase(entryKey, wantedKey)) {
            const std::string_view trimmed = TrimControls(value);
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
           GetVersionInfoValue(QStringLiteral("FileVersion"), executablePath) +
           QStringLiteral(" - ") + formName;
}

void SetVersionCaption(QWidget* form) {
    form->setWindowTitle(
        VersionCaption(QCoreApplication::applicationFilePath(), form->objectName()));
}

} // namespace kelvara
