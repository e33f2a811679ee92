// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/StateFileLocation.h"

#include "base/OwnerOnlyFolder.h"
#include "base/PathName.h"
#include "base/qt/QtLog.h"
#include "desktop/Installation.h"
#include "desktop/SpecialFolder.h"
#include "platform/FileOwner.h"
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
    return PathText(PathInFolder(config, ConfigFolderName));
}

// Ours to replace through a new file and a rename: owned by us, and both it
// and its folder writable.
bool IsOursToReplace(const QString& file) {
    const QFileInfo info(file);
    return IsOwnedByUs(QFile::encodeName(file).toStdString()) && info.isWritable() &&
           QFileInfo(info.absolutePath()).isWritable();
}

} // namespace

QString StateFileBeside(const std::string& executablePath) {
    const QFileInfo exe(PathText(executablePath));
    const QString name = exe.fileName();
    const int dot = name.lastIndexOf('.');
    return exe.absolutePath() + '/' + (dot > 0 ? name.left(dot) : name) + ".ini";
}

TStateFiles StateFilesFor(const std::string& executablePath) {
    const QString beside = StateFileBeside(executablePath);
    const QString folder = ConfigStateFolder();
    const QString inConfig =
        folder.isEmpty() ? QString() : folder + '/' + QFileInfo(beside).fileName();
    TStateFiles files{beside, beside};
    if (QFileInfo::exists(beside)) {
        if (!IsOursToReplace(beside) && !inConfig.isEmpty())
            files = {QFileInfo::exists(inConfig) ? inConfig : beside, inConfig};
    } else if (!inConfig.isEmpty() && (IsInstalledExecutable(executablePath) ||
                                       !QFileInfo(QFileInfo(beside).absolutePath()).isWritable())) {
        files = {inConfig, inConfig};
    }
    // Tests read these lines: "state file <path>", where the state is saved,
    // and "starting state from <path>" when it is first read elsewhere.
    LogDebug(lcState).NoQuote() << "state file" << files.save;
    if (files.load != files.save)
        LogDebug(lcState).NoQuote() << "starting state from" << files.load;
    return files;
}

QString StateFileFor(const std::string& executablePath) {
    return StateFilesFor(executablePath).save;
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
        LogDebug(lcState) << "cannot create" << folder << ":" << error.what();
        throw TIniFileError(QFile::encodeName(iniFile).toStdString());
    }
}

} // namespace kelvara
