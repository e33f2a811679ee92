// SPDX-License-Identifier: GPL-3.0-or-later
// Shortcuts written into a home of the test's own: where the three links put
// their entries, what the entries say as an independent reader and
// desktop-file-validate read them, how a failed write leaves nothing behind,
// and that the desktop really starts the program from the Send To entry.

#include "desktop/Installation.h"
#include "desktop/ShellFolders.h"
#include "desktop/ShellLink.h"
#include "desktop/Shortcut.h"
#include "info/InfoLinks.h"
#include "support/DesktopEntryReader.h"
#include "support/PipeLines.h"
#include "support/TempDir.h"
#include "support/XdgHome.h"

#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <chrono>
#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

bool isExecutable(const fs::path& file) {
    struct stat info {};
    return stat(file.c_str(), &info) == 0 && (info.st_mode & 0777) == 0755;
}

// Everything in `folder`, hidden files included.
std::vector<std::string> allNames(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

struct ThreeLinks {
    QObject startup, desktop, sendTo, other;
    TCreateShortcutLinks links{&startup, &desktop, &sendTo};
};

} // namespace

TEST(SpecialFolders, XdgVariablesPlaceAndCreateTheFolders) {
    XdgHome xdg;
    EXPECT_EQ(GetStartupFolder(), (xdg.configHome() / "autostart").string());
    EXPECT_EQ(GetSendToFolder(), (xdg.dataHome() / "applications").string());
    EXPECT_EQ(GetDesktopFolder(), (xdg.home() / "Desktop").string());
    for (const auto& folder : {xdg.configHome() / "autostart", xdg.dataHome() / "applications",
                               xdg.home() / "Desktop"}) {
        EXPECT_TRUE(fs::is_directory(folder)) << folder;
        EXPECT_EQ(fs::status(folder).permissions() & fs::perms::all, fs::perms::owner_all);
    }
    EXPECT_EQ(GetSpecialFolder(CSIDL_STARTUP), GetStartupFolder());
    EXPECT_EQ(GetSpecialFolder(CSIDL_SENDTO), GetSendToFolder());
    EXPECT_EQ(GetSpecialFolder(CSIDL_DESKTOP), GetDesktopFolder());
    for (const int unknown : {-1, 1, 2, 5, 8, 10, 0x1a})
        EXPECT_EQ(GetSpecialFolder(unknown), "") << unknown;
}

TEST(SpecialFolders, UnsetEmptyOrRelativeVariablesFallBackToTheHomeDefaults) {
    XdgHome xdg(/*xdgVars=*/false);
    EXPECT_EQ(GetStartupFolder(), (xdg.home() / ".config/autostart").string());
    EXPECT_EQ(GetSendToFolder(), (xdg.home() / ".local/share/applications").string());
    xdg.set("XDG_CONFIG_HOME", "");
    xdg.set("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(GetStartupFolder(), (xdg.home() / ".config/autostart").string());
    EXPECT_EQ(GetSendToFolder(), (xdg.home() / ".local/share/applications").string());
    // A home given with a trailing delimiter still gives clean paths.
    xdg.set("HOME", xdg.home().string() + "/");
    EXPECT_EQ(GetDesktopFolder(), (xdg.home() / "Desktop").string());
}

TEST(SpecialFolders, DesktopComesFromTheUserDirsFile) {
    XdgHome xdg;
    fs::create_directories(xdg.configHome());
    const fs::path dirs = xdg.configHome() / "user-dirs.dirs";

    writeFile(dirs, "# written by xdg-user-dirs-update\n"
                    "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                    "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n");
    EXPECT_EQ(GetDesktopFolder(), (xdg.home() / "Schreibtisch").string());

    // An absolute path, blanks around "=", escapes inside the quotes, a
    // trailing delimiter; the last valid line wins.
    const fs::path elsewhere = xdg.root() / "my \"desk\" $top";
    writeFile(dirs, "XDG_DESKTOP_DIR=\"$HOME/first\"\n"
                    "  XDG_DESKTOP_DIR = \"" +
                        (xdg.root() / "my \\\"desk\\\" \\$top").string() + "/\"\n");
    EXPECT_EQ(GetDesktopFolder(), elsewhere.string());

    // Lines a shell would not read as an absolute or $HOME path are ignored.
    writeFile(dirs, "XDG_DESKTOP_DIR=\"relative/desk\"\n"
                    "#XDG_DESKTOP_DIR=\"/commented\"\n"
                    "XDG_DESKTOP_DIR=\"$HOMEWORK/desk\"\n"
                    "XDG_DESKTOP_DIR_X=\"/other\"\n"
                    "XDG_DESKTOP_DIR=\"/unterminated\n");
    EXPECT_EQ(GetDesktopFolder(), (xdg.home() / "Desktop").string());

    // A desktop switched off by xdg-user-dirs points at the home itself.
    writeFile(dirs, "XDG_DESKTOP_DIR=\"$HOME/\"\n");
    EXPECT_EQ(GetDesktopFolder(), xdg.home().string());
}

TEST(SpecialFolders, AFolderThatCannotBeMadeGivesTheEmptyText) {
    XdgHome xdg;
    // The config home is a regular file: nothing can be created below it.
    writeFile(xdg.configHome(), "not a folder");
    EXPECT_EQ(GetStartupFolder(), "");
    EXPECT_EQ(GetSendToFolder(), (xdg.dataHome() / "applications").string());
}

TEST(CreateShortcutLinks, EachLinkWritesItsEntryIntoItsFolder) {
    XdgHome xdg;
    TempDir program;
    const fs::path exe = program.path() / "Photo Tools" / "Kelvara.bin";
    fs::create_directories(exe.parent_path());
    writeFile(exe, "");
    ThreeLinks senders;

    const QString exePath = QString::fromStdString(exe.string());
    LaunchOnStartupLinkClicked(&senders.startup, senders.links, exePath);
    LaunchOnStartupLinkClicked(&senders.desktop, senders.links, exePath);
    LaunchOnStartupLinkClicked(&senders.sendTo, senders.links, exePath);

    const fs::path startup = xdg.configHome() / "autostart" / "Kelvara.desktop";
    const fs::path desktop = xdg.home() / "Desktop" / "Kelvara.desktop";
    const fs::path sendTo = xdg.dataHome() / "applications" / "Kelvara.desktop";
    for (const fs::path& file : {startup, desktop, sendTo}) {
        ASSERT_TRUE(fs::is_regular_file(file)) << file;
        EXPECT_EQ(allNames(file.parent_path()), std::vector<std::string>{"Kelvara.desktop"});
        auto entry = readDesktopEntry(file);
        EXPECT_EQ(entry["Type"], "Application");
        EXPECT_EQ(entry["Name"], "Kelvara");
        EXPECT_EQ(entry["Icon"], ApplicationId());
        EXPECT_EQ(entry["Path"], (program.path() / "Photo Tools").string());
        EXPECT_EQ(entry["Terminal"], "false");
        // No entry ever claims a type: it could become the type's opener.
        EXPECT_EQ(entry.count("MimeType"), 0u) << file;
        EXPECT_EQ(validateDesktopEntry(file), "") << file;
    }
    const std::vector<std::string> plain{exe.string(), "/starup"};
    EXPECT_EQ(splitExec(readDesktopEntry(startup)["Exec"]), plain);
    EXPECT_EQ(splitExec(readDesktopEntry(desktop)["Exec"]), plain);

    // Send To's applications entry hands over the chosen files after
    // "/starup"; the file managers' actions beside it are send_to_test's.
    EXPECT_EQ(splitExec(readDesktopEntry(sendTo)["Exec"]),
              (std::vector<std::string>{exe.string(), "/starup", "%F"}));

    // Only the desktop's entry is made executable.
    EXPECT_TRUE(isExecutable(desktop));
    EXPECT_FALSE(isExecutable(startup));
    EXPECT_FALSE(isExecutable(sendTo));

    // Clicking again replaces the entry, still one file.
    LaunchOnStartupLinkClicked(&senders.sendTo, senders.links, exePath);
    EXPECT_EQ(allNames(sendTo.parent_path()), std::vector<std::string>{"Kelvara.desktop"});
}

TEST(CreateShortcutLinks, AnUnknownSenderWritesNothing) {
    XdgHome xdg;
    ThreeLinks senders;
    LaunchOnStartupLinkClicked(&senders.other, senders.links, "/opt/kelvara/Kelvara");
    LaunchOnStartupLinkClicked(nullptr, senders.links, "/opt/kelvara/Kelvara");
    // Not even the folders were looked up (which would have created them).
    EXPECT_TRUE(fs::is_empty(xdg.root() / "home"));
    EXPECT_FALSE(fs::exists(xdg.configHome()));
    EXPECT_FALSE(fs::exists(xdg.dataHome()));
}

TEST(CreateShortcutLinks, TheLinkNameIsTheProgramFileWithoutExtension) {
    XdgHome xdg;
    ThreeLinks senders;
    LaunchOnStartupLinkClicked(&senders.startup, senders.links, "/opt/kelvara/Kelvara.tar.exe");
    EXPECT_TRUE(fs::exists(xdg.configHome() / "autostart" / "Kelvara.tar.desktop"));
}

TEST(CreateShortcut, ATrailingDelimiterGivesASingleOne) {
    TempDir folder;
    EXPECT_EQ(ShellLinkFileName(folder.path().string() + "/", "Kelvara"),
              folder.path().string() + "/Kelvara.desktop");
    EXPECT_EQ(ShellLinkFileName(folder.path().string() + "//", "Kelvara"),
              folder.path().string() + "/Kelvara.desktop");
    EXPECT_EQ(ShellLinkFileName("/", "Kelvara"), "/Kelvara.desktop");

    CreateShortcut("/opt/kelvara/Kelvara", folder.path().string() + "/", "Kelvara");
    EXPECT_EQ(fileNames(folder.path()), std::vector<std::string>{"Kelvara.desktop"});
    EXPECT_EQ(validateDesktopEntry(folder.path() / "Kelvara.desktop"), "");
}

TEST(CreateShortcut, TheWorkingFolderIsTheTargetsFolder) {
    EXPECT_EQ(ShortcutWorkingFolder("/opt/kelvara/Kelvara"), "/opt/kelvara");
    EXPECT_EQ(ShortcutWorkingFolder("/opt/kelvara//Kelvara"), "/opt/kelvara");
    EXPECT_EQ(ShortcutWorkingFolder("/Kelvara"), "/");
    EXPECT_EQ(ShortcutWorkingFolder("Kelvara"), "");

    // A program in the root keeps "/" as its working folder in the entry.
    TempDir folder;
    CreateShortcut("/Kelvara", folder.path().string(), "Kelvara");
    auto entry = readDesktopEntry(folder.path() / "Kelvara.desktop");
    EXPECT_EQ(entry["Path"], "/");
    EXPECT_EQ(splitExec(entry["Exec"]), (std::vector<std::string>{"/Kelvara", "/starup"}));
}

TEST(CreateShortcut, AMissingOrUnusableFolderRaisesAndLeavesNothing) {
    TempDir temp;
    const auto expectFailure = [](const std::string& folder, int code) {
        try {
            CreateShortcut("/opt/kelvara/Kelvara", folder, "Kelvara");
            ADD_FAILURE() << "no error for " << folder;
        } catch (const std::system_error& error) {
            EXPECT_EQ(error.code().value(), code) << folder;
            // The message box shows the system's own words.
            EXPECT_NE(std::string(error.what()).find(std::strerror(code)), std::string::npos)
                << error.what();
        }
    };
    expectFailure((temp.path() / "missing").string(), ENOENT);
    expectFailure("", ENOENT);
    writeFile(temp.path() / "file", "in the way");
    expectFailure((temp.path() / "file").string(), ENOTDIR);
    EXPECT_EQ(allNames(temp.path()), std::vector<std::string>{"file"});
}

TEST(CreateShortcut, AFullDiskLeavesThePreviousEntryWhole) {
    TempDir folder;
    CreateShortcut("/opt/kelvara/Kelvara", folder.path().string(), "Kelvara");
    const std::string before = readFile(folder.path() / "Kelvara.desktop");

    // Files may grow to 64 bytes only: the new, longer entry cannot be
    // written whole. SIGXFSZ would end the test; the write must see EFBIG.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    std::error_code code;
    try {
        CreateShortcut("/opt/a/much/longer/path/to/the/program/than/before/Kelvara",
                       folder.path().string(), "Kelvara");
    } catch (const std::system_error& error) {
        code = error.code();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(code.value(), EFBIG);
    EXPECT_EQ(allNames(folder.path()), std::vector<std::string>{"Kelvara.desktop"});
    EXPECT_EQ(readFile(folder.path() / "Kelvara.desktop"), before);
}

TEST(CreateShortcut, AwkwardProgramPathsSurviveTheExecQuoting) {
    TempDir folder;
    const std::vector<std::string> targets = {
        "/opt/plain/Kelvara",
        "/opt/with blanks/Kel vara",
        "/opt/it's \"quoted\"/Kelvara",
        "/opt/$HOME and `date`/Kelvara",
        "/opt/back\\slash\\\\double/Kelvara",
        "/opt/100% sure %F %%/Kelvara",
        "/opt/~tilde #hash;semi|pipe&amp<lt>gt*star?q(paren)/Kelvara",
        "/opt/Fotos für Jürgen/写真/Kelvara",
        "/opt/tab\there/new\nline/Kelvara",
        "/opt/trailing blank /Kelvara",
    };
    int n = 0;
    for (const std::string& target : targets) {
        const std::string name = "K" + std::to_string(n++);
        CreateShortcut(target, folder.path().string(), name);
        const fs::path file = folder.path() / (name + ".desktop");
        auto entry = readDesktopEntry(file);
        EXPECT_EQ(splitExec(entry["Exec"]), (std::vector<std::string>{target, "/starup"}))
            << entry["Exec"];
        EXPECT_EQ(entry["Path"], ShortcutWorkingFolder(target)) << "read back";
        EXPECT_EQ(validateDesktopEntry(file), "") << target;
    }

    // A name with a leading blank keeps it.
    CreateShortcut("/opt/kelvara/Kelvara", folder.path().string(), " Kelvara");
    EXPECT_EQ(readDesktopEntry(folder.path() / " Kelvara.desktop")["Name"], " Kelvara");
}

TEST(CreateShortcut, APathThatIsNotUtf8IsRefusedNotWritten) {
    TempDir folder;
    try {
        CreateShortcut("/opt/\xff\xfe/Kelvara", folder.path().string(), "Kelvara");
        ADD_FAILURE() << "written";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), EILSEQ);
    }
    EXPECT_TRUE(fs::is_empty(folder.path()));
}

// The processes whose executable is `program`.
std::vector<pid_t> processesRunning(const fs::path& program) {
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::error_code error;
        if (fs::read_symlink(entry.path() / "exe", error) == program)
            found.push_back(static_cast<pid_t>(std::stoi(name)));
    }
    return found;
}

// The desktop itself (GLib's launcher, through gio) starts the program from
// its Send To entry with a photo, and the photo gets its dated name.
TEST(SendToEntry, TheDesktopStartsTheProgramWithTheChosenPhoto) {
    if (QStandardPaths::findExecutable("gio").isEmpty())
        GTEST_SKIP() << "gio (libglib2.0-bin) is not installed";
    XdgHome xdg;
    // The launched copy's instance lock and handoff socket stay in the test's
    // own runtime folder, away from any other copy.
    fs::create_directories(xdg.root() / "run");
    fs::permissions(xdg.root() / "run", fs::perms::owner_all, fs::perm_options::replace);
    xdg.set("XDG_RUNTIME_DIR", (xdg.root() / "run").string());
    xdg.set("QT_QPA_PLATFORM", "offscreen");
    // The launched program tells on its standard error (gio's, which it
    // inherits: a pipe of ours) when it has renamed the photo.
    xdg.set("QT_LOGGING_RULES", "kelvara.*.debug=true");
    // The program in a folder whose name needs quoting in Exec. (GLib checks
    // that the program exists before it undoes "%%", so no "%" here.)
    const fs::path programFolder = xdg.root() / "Kelvara's \"Tools\" $1 für";
    fs::create_directories(programFolder);
    const fs::path program = programFolder / "Kelvara";
    fs::copy_file(KELVARA_EXE, program);
    const fs::path photos = xdg.root() / "photos with blanks";
    fs::create_directories(photos);
    const std::string photo = copyPhoto("jpg/Canon_40D.jpg", photos);

    ThreeLinks senders;
    LaunchOnStartupLinkClicked(&senders.sendTo, senders.links,
                               QString::fromStdString(program.string()));
    const fs::path entry = xdg.dataHome() / "applications" / "Kelvara.desktop";
    ASSERT_TRUE(fs::exists(entry));

    PipeLines launchedLog;
    QProcess gio;
    gio.setStandardOutputFile(QProcess::nullDevice());
    gio.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const int logFd = launchedLog.writeEnd();
    gio.setChildProcessModifier([logFd] { ::dup2(logFd, STDERR_FILENO); });
    gio.start("gio",
              {"launch", QString::fromStdString(entry.string()), QString::fromStdString(photo)});
    const bool started = gio.waitForStarted(60000);
    launchedLog.closeWriteEnd();
    ASSERT_TRUE(started);
    ASSERT_TRUE(gio.waitForFinished(60000));
    ASSERT_EQ(gio.exitCode(), 0);

    // The launched program runs on its own; wait for the rename.
    EXPECT_TRUE(launchedLog.waitFor("kelvara.rename: renamed")) << launchedLog.tail();
    const std::vector<std::string> names = fileNames(photos);
    // The program keeps running with its window; end it as a user would. The
    // pipe's end is the end of the last process that held it.
    const std::vector<pid_t> launched = processesRunning(program);
    EXPECT_EQ(launched.size(), 1u);
    for (const pid_t pid : launched)
        ::kill(pid, SIGTERM);
    EXPECT_TRUE(launchedLog.waitForEnd(std::chrono::seconds(30)));
    EXPECT_TRUE(processesRunning(program).empty());

    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(names[0].ends_with("_Canon_40D.jpg")) << names[0];
    EXPECT_TRUE(names[0].starts_with("20")) << names[0];
}
