// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/StateFileLocation.h"

#include "base/OwnerOnlyFolder.h"
#include "base/PathName.h"
#include "desktop/Installation.h"
#include "desktop/SpecialFolder.h"
#include "state/IniFile.h"
#include "state/Log.h"

#include <QFile>
#include <QFileInfo>
#include <system_error>

namespace kelvara {

namespace {

// Every Kelvara keeps its state in this folder of the configuration folder,
// whatever its executable is called.
constexpr char ConfigFolderName[] = "kelvara";

QString ConfigStateFolder() {
    const std::string config = SpecialFolderPath(TSpecialFolder::ConfigHome);
    if (config.empty())
        return {};
    return DecodedPath(PathInFolder(config, ConfigFolderName));
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
    try {
        MakeOwnerOnlyFolder(QFile::encodeName(folder).toStdString());
    } catch (const std::system_error& error) {
        qCDebug(lcState) << "cannot create" << folder << ":" << error.what();
        throw TIniFileError(iniFile);
    }
}

} // namespace kelvara
