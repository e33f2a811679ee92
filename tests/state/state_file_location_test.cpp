// SPDX-License-Identifier: GPL-3.0-or-later
// Where the state file of a program at a given path lives, in a home of the
// test's own: beside a program kept in a folder of its own, in the user's
// configuration folder for the installed one, and a file already beside the
// program wins where the user may replace it, and is only read otherwise.
// The real program, installed or unpacked and run by a user who cannot write
// its folder, is install_e2e_test's; run by another user than the one who
// left a file beside it, it is here.

#include "desktop/Installation.h"
#include "state/IniFile.h"
#include "state/StateFileLocation.h"
#include "support/KelvaraProcess.h"
#include "support/QStringPrint.h"
#include "support/TempDir.h"
#include "support/XdgHome.h"

#include <QStandardPaths>
#include <QString>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

QString Q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

} // namespace

TEST(StateFileLocation, AProgramInAFolderOfItsOwnKeepsItsFileBesideIt) {
    XdgHome xdg;
    TempDir program;
    EXPECT_EQ(StateFileFor((program.path() / "Kelvara").string()),
              Q(program.path() / "Kelvara.ini"));
    // The extension is replaced, as it always was.
    EXPECT_EQ(StateFileFor((program.path() / "kelvara.bin").string()),
              Q(program.path() / "kelvara.ini"));
    EXPECT_FALSE(fs::exists(xdg.configHome()));
}

TEST(StateFileLocation, TheInstalledProgramKeepsItsFileInTheConfigFolder) {
    XdgHome xdg;
    // The executable need not be there: only where it lies counts.
    const std::string installed = (fs::path(InstalledBinFolder()) / "kelvara").string();
    const QString expected = Q(xdg.configHome() / "kelvara" / "kelvara.ini");
    EXPECT_EQ(StateFileFor(installed), expected);
    // The same folder however it is written.
    EXPECT_EQ(StateFileFor(InstalledBinFolder() + "/./kelvara"), expected);
    EXPECT_EQ(StateFileFor(InstalledBinFolder() + "//kelvara"), expected);
    EXPECT_TRUE(IsInstalledExecutable(installed));
    EXPECT_FALSE(IsInstalledExecutable(InstalledBinFolder() + "/sub/kelvara"));
    EXPECT_FALSE(IsInstalledExecutable("kelvara"));

    // Without XDG_CONFIG_HOME (or with a relative one) the default below the
    // home folder.
    xdg.set("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(StateFileFor(installed), Q(xdg.home() / ".config" / "kelvara" / "kelvara.ini"));
    xdg.set("XDG_CONFIG_HOME", "relative");
    EXPECT_EQ(StateFileFor(installed), Q(xdg.home() / ".config" / "kelvara" / "kelvara.ini"));
}

TEST(StateFileLocation, AFileBesideTheProgramIsUsedWhereTheUserMayReplaceItElseReadOnce) {
    XdgHome xdg;
    TempDir program;
    const fs::path folder = program.path() / "app";
    const std::string exe = (folder / "Kelvara").string();
    const QString beside = Q(folder / "Kelvara.ini");
    const QString inConfig = Q(xdg.configHome() / "kelvara" / "Kelvara.ini");
    fs::create_directories(folder);
    writeFile(folder / "Kelvara.ini", "[MainForm.MainForm]\n");
    // The user's own, in a folder the user may write: it wins.
    EXPECT_EQ(StateFilesFor(exe).load, beside);
    EXPECT_EQ(StateFilesFor(exe).save, beside);

    // Not the user's to replace: another user's file (as root, whom no
    // rights stop, only the owner tells), or one in a folder the user cannot
    // write. It is the starting state until the user's own file exists.
    if (::geteuid() == 0)
        ASSERT_EQ(::chown(beside.toLocal8Bit().constData(), 65534, 65534), 0);
    else
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(StateFilesFor(exe).load, beside);
    EXPECT_EQ(StateFilesFor(exe).save, inConfig);
    EXPECT_EQ(StateFileFor(exe), inConfig);
    PrepareStateFolder(inConfig);
    writeFile(xdg.configHome() / "kelvara" / "Kelvara.ini", "[MainForm.MainForm]\n");
    EXPECT_EQ(StateFilesFor(exe).load, inConfig);
    EXPECT_EQ(StateFilesFor(exe).save, inConfig);
    fs::permissions(folder, fs::perms::owner_all);
}

TEST(StateFileLocation, ARootsFileBesideTheProgramIsAnotherUsersStartingStateNeverTheirs) {
    // Root ran the program once after unpacking it into a shared folder;
    // another user runs it now.
    if (::geteuid() != 0 || QStandardPaths::findExecutable("setpriv").isEmpty())
        GTEST_SKIP() << "needs root and setpriv to run the program as another user";
    TempDir temp;
    fs::permissions(temp.path(), fs::perms::owner_all | fs::perms::group_read |
                                     fs::perms::group_exec | fs::perms::others_read |
                                     fs::perms::others_exec);
    const fs::path home = temp.path() / "home";
    fs::create_directories(home);
    KelvaraProcess kelvara(temp.path() / "app");
    for (const fs::path& path : {home, temp.path() / "app" / "run"})
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    const fs::path rootsFile = kelvara.stateFile();
    const std::string rootsState = "[MainForm.RdoYMD]\nChecked=1\n[MainForm.RdoYMDHN]\nChecked=0\n";
    writeFile(rootsFile, rootsState);
    kelvara.environment().insert("HOME", QString::fromStdString(home.string()));
    kelvara.environment().insert("XDG_CONFIG_HOME",
                                 QString::fromStdString((home / "config").string()));
    kelvara.setLauncher({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    const fs::path own = home / "config" / "kelvara" / "Kelvara.ini";
    const auto dayChecked = [&] {
        return TIniFile(own.string()).ReadBool("MainForm.RdoYMD", "Checked", false);
    };

    kelvara.start({}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.app: main window shown")) << kelvara.log().tail();
    EXPECT_EQ(kelvara.terminate(), 0);
    EXPECT_EQ(kelvara.logCount("kelvara.app: state saved"), 1u) << kelvara.log().tail();
    ASSERT_TRUE(fs::exists(own));
    EXPECT_TRUE(dayChecked()) << "root's state was the starting state";
    EXPECT_EQ(readFile(rootsFile), rootsState);
    struct stat info {};
    ASSERT_EQ(::stat(rootsFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 0u);

    // From now on the user's own file counts, whatever root's says.
    writeFile(rootsFile, "[MainForm.RdoYMD]\nChecked=0\n[MainForm.RdoYMDHNS]\nChecked=1\n");
    kelvara.start({}, temp.path());
    ASSERT_TRUE(kelvara.waitForLog("kelvara.app: main window shown")) << kelvara.log().tail();
    EXPECT_EQ(kelvara.terminate(), 0);
    EXPECT_TRUE(dayChecked());
}

TEST(StateFileLocation, TheConfigFolderIsMadeForTheFirstSaveOnly) {
    XdgHome xdg;
    const QString inConfig = Q(xdg.configHome() / "kelvara" / "kelvara.ini");

    // A fresh account: neither the configuration folder nor ours exists.
    ASSERT_FALSE(fs::exists(xdg.configHome()));
    PrepareStateFolder(inConfig);
    for (const fs::path& folder : {xdg.configHome(), xdg.configHome() / "kelvara"}) {
        EXPECT_TRUE(fs::is_directory(folder)) << folder;
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    }
    // The file itself is the INI layer's: it saves there now.
    TIniFile ini(inConfig.toStdString());
    ini.WriteInteger("MainForm.MainForm", "Top", 5);
    ini.UpdateFile();
    EXPECT_TRUE(fs::is_regular_file(xdg.configHome() / "kelvara" / "kelvara.ini"));
    PrepareStateFolder(inConfig); // already there: nothing to do

    // A state file anywhere else is left to the INI layer, folder and all.
    TempDir elsewhere;
    PrepareStateFolder(Q(elsewhere.path() / "missing" / "Kelvara.ini"));
    EXPECT_FALSE(fs::exists(elsewhere.path() / "missing"));
}

TEST(StateFileLocation, AConfigFolderThatCannotBeMadeFailsAsASaveDoes) {
    XdgHome xdg;
    writeFile(xdg.configHome(), "not a folder");
    const QString inConfig = Q(xdg.configHome() / "kelvara" / "kelvara.ini");
    try {
        PrepareStateFolder(inConfig);
        ADD_FAILURE() << "no error";
    } catch (const TIniFileError& error) {
        EXPECT_EQ(QString::fromStdString(error.FileName()), inConfig);
    }
}
