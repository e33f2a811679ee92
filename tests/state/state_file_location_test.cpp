// SPDX-License-Identifier: GPL-3.0-or-later
// Where the state file of a program at a given path lives, in a home of the
// test's own: beside a program kept in a folder of its own, in the user's
// configuration folder for the installed one, and a file already beside the
// program wins. The real program, installed or unpacked and run by a user
// who cannot write its folder, is install_e2e_test's.

#include "desktop/Installation.h"
#include "state/IniFile.h"
#include "state/StateFileLocation.h"
#include "support/QStringPrint.h"
#include "support/TempDir.h"
#include "support/XdgHome.h"

#include <QString>
#include <filesystem>
#include <gtest/gtest.h>
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

TEST(StateFileLocation, AFileBesideTheProgramAlwaysWins) {
    XdgHome xdg;
    TempDir program;
    // A folder the user cannot write, by its rights (root ignores them, so
    // this part holds for ordinary users) ...
    fs::create_directories(program.path() / "locked");
    writeFile(program.path() / "locked" / "Kelvara.ini", "[MainForm.MainForm]\n");
    fs::permissions(program.path() / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(StateFileFor((program.path() / "locked" / "Kelvara").string()),
              Q(program.path() / "locked" / "Kelvara.ini"));
    fs::permissions(program.path() / "locked", fs::perms::owner_all);
    if (::geteuid() != 0) {
        fs::remove(program.path() / "locked" / "Kelvara.ini");
        fs::permissions(program.path() / "locked", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(StateFileFor((program.path() / "locked" / "Kelvara").string()),
                  Q(xdg.configHome() / "kelvara" / "Kelvara.ini"));
        fs::permissions(program.path() / "locked", fs::perms::owner_all);
    }
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
    TIniFile ini(inConfig);
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
        EXPECT_EQ(error.FileName(), inConfig);
        EXPECT_TRUE(error.Message().startsWith(inConfig)) << error.Message().toStdString();
    }
}
