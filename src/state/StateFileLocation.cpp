// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/StateFileLocation.h"

#include "base/PathName.h"
#include "desktop/Installation.h"
#include "desktop/SpecialFolder.h"
#include "state/IniFile.h"
#include "state/Log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace kelvara {

namespace {

// Every Kelvara keeps its state in this folder of the configuration folder,
// whatever its executable is called.
constexpr char ConfigFolderName[] = "kelvara";

QString ConfigStateFolder() {
    const std::string config = SpecialFolderPath(TSpecialFolder::ConfigHome);
    if (config.empty())
        return {};
    return DecodedPath(config) + '/' + ConfigFolderName;
}

} // namespace

QString StateFileBeside(const std::string& executablePath) {
    const QFileInfo exe(DecodedPath(executablePath));
    const QString name = exe.fileName();
    const int dot = name.lastIndexOf('.');
    return exe.absolutePath() + '/' + (dot > 0 ? name.left(dot) : name) + ".ini";
}

QString StateFileFor(const std::string& executablePath) {
    const QString beside = StateFileBeside(executablePath);
    const QFileInfo besideFile(beside);
    QString chosen = beside;
    if (!besideFile.exists() && (IsInstalledExecutable(executablePath) ||
                                 !QFileInfo(besideFile.absolutePath()).isWritable())) {
        const QString folder = ConfigStateFolder();
        if (!folder.isEmpty())
            chosen = folder + '/' + besideFile.fileName();
    }
    qCDebug(lcState).noquote() << "state file" << chosen;
    return chosen;
}

void PrepareStateFolder(const QString& iniFile) {
    const QString folder = ConfigStateFolder();
    if (folder.isEmpty() || QFileInfo(iniFile).absolutePath() != folder)
        return;
    // The configuration folder may be missing too (a fresh account): each
    // folder made here is the user's alone.
    QStringList missing;
    for (QString path = folder; !QFileInfo(path).isDir(); path = QFileInfo(path).absolutePath())
        missing.prepend(path);
    const auto ownerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                           QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
    for (const QString& path : missing)
        if (!QDir().mkdir(path, ownerOnly) && !QFileInfo(path).isDir())
            throw TIniFileError(iniFile);
}

} // namespace kelvara
