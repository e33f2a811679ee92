// SPDX-License-Identifier: GPL-3.0-or-later
// "Create Shortcut into SendTo" in a home of the test's own: the file
// managers' actions it writes (read back as each file manager reads them),
// the applications entry that must never make the program an opener (asked
// of GLib itself, through gio, with and without other programs installed),
// a GNOME Files script run for real against a running Kelvara and on its
// own, and what a failure leaves behind.

#include "desktop/Installation.h"
#include "desktop/ShellFolders.h"
#include "info/InfoForm.h"
#include "info/InfoLinks.h"
#include "support/DesktopEntryReader.h"
#include "support/KelvaraProcess.h"
#include "support/QtApp.h"
#include "support/TempDir.h"
#include "support/XdgHome.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <system_error>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

// The folder name of the handoff socket a running copy listens on.
constexpr char HandoffSocket[] = "{352854AC-DD94-4694-8C57-0331489F7656}";

unsigned modeOf(const fs::path& file) {
    struct stat info {};
    return stat(file.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

std::vector<std::string> splitList(const std::string& list) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (std::size_t semicolon; (semicolon = list.find(';', start)) != std::string::npos;
         start = semicolon + 1)
        items.push_back(list.substr(start, semicolon - start));
    return items;
}

bool contains(const std::vector<std::string>& items, const std::string& item) {
    return std::find(items.begin(), items.end(), item) != items.end();
}

// The arguments a POSIX shell makes of `commandLine` (quotes, escapes; no
// expansion reaches them when quoted as they should be). GLib's command-line
// parser, which Nemo uses, follows the same quoting.
std::vector<std::string> shellSplit(const std::string& commandLine) {
    QProcess shell;
    shell.start("sh", {"-c", "eval \"set -- $1\"; printf '%s\\0' \"$@\"", "sh",
                       QString::fromStdString(commandLine)});
    if (!shell.waitForFinished(10000) || shell.exitCode() != 0)
        return {"<sh failed>"};
    const QByteArray out = shell.readAllStandardOutput();
    std::vector<std::string> arguments;
    for (const QByteArray& part : out.split('\0'))
        arguments.push_back(part.toStdString());
    arguments.pop_back(); // after the last NUL
    return arguments;
}

// What Nemo runs for an action with Quote=double when `paths` are selected:
// each path in double quotes with its quotes escaped, "%%" a percent sign.
std::string nemoCommandLine(const std::string& exec, const std::vector<std::string>& paths) {
    std::string files;
    for (const std::string& path : paths) {
        std::string escaped;
        for (const char c : path) {
            if (c == '"')
                escaped += '\\';
            escaped += c;
        }
        files += (files.empty() ? "\"" : " \"") + escaped + "\"";
    }
    std::string result;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] == '%' && i + 1 < exec.size() && exec[i + 1] == '%') {
            result += '%';
            ++i;
        } else if (exec.compare(i, 2, "%F") == 0) {
            result += files;
            ++i;
        } else {
            result += exec[i];
        }
    }
    return result;
}

struct SendToSenders {
    QObject startup, desktop, sendTo;
    TCreateShortcutLinks links{&startup, &desktop, &sendTo};

    void click(const fs::path& exe) {
        LaunchOnStartupLinkClicked(&sendTo, links, QString::fromStdString(exe.string()));
    }
};

// The paths of the Send To set for a program named `name`, as the file
// managers look for them.
struct SendToFiles {
    fs::path nautilus, dolphin, nemo, caja, applications;
    SendToFiles(const XdgHome& xdg, const std::string& name, const std::string& entryName)
        : nautilus(xdg.dataHome() / "nautilus/scripts" / name),
          dolphin(xdg.dataHome() / "kio/servicemenus" / (name + ".desktop")),
          nemo(xdg.dataHome() / "nemo/actions" / (name + ".nemo_action")),
          caja(xdg.configHome() / "caja/scripts" / name),
          applications(xdg.dataHome() / "applications" / (entryName + ".desktop")) {}
};

class SendToTest : public ::testing::Test {
protected:
    XdgHome xdg;
    TempDir program;
    SendToSenders senders;
};

} // namespace

TEST_F(SendToTest, EveryFileManagerGetsAnActionThatPassesTheChosenFiles) {
    // A program folder whose name needs quoting everywhere, "%" included.
    const fs::path exe = program.path() / "Kelvara's \"Tools\" $HOME 100% für" / "Kelvara.bin";
    fs::create_directories(exe.parent_path());
    writeFile(exe, "");
    senders.click(exe);
    const SendToFiles files(xdg, "Kelvara", "Kelvara");
    const std::vector<std::string> chosen = {"/photos/IMG 1.JPG", "/photos/2008 März.jpg"};

    // GNOME Files and Caja: the same executable script.
    for (const fs::path& script : {files.nautilus, files.caja}) {
        ASSERT_TRUE(fs::is_regular_file(script)) << script;
        EXPECT_EQ(modeOf(script), 0755u) << script;
        EXPECT_TRUE(readFile(script).starts_with("#!/bin/sh\n"));
    }
    EXPECT_EQ(readFile(files.nautilus), readFile(files.caja));

    // Dolphin: a service menu for photos and folders, executable as KDE
    // asks, whose one action runs the program with "/starup" and the files.
    ASSERT_TRUE(fs::is_regular_file(files.dolphin));
    EXPECT_EQ(modeOf(files.dolphin), 0755u);
    auto menu = readDesktopEntry(files.dolphin);
    EXPECT_EQ(menu["Type"], "Service");
    EXPECT_EQ(menu["X-KDE-ServiceTypes"], "KonqPopupMenu/Plugin");
    const auto menuTypes = splitList(menu["MimeType"]);
    for (const char* type : {"image/jpeg", "image/tiff", "image/png", "image/heic", "image/avif",
                             "image/webp", "image/x-canon-cr2", "image/x-nikon-nef",
                             "image/x-adobe-dng", "image/x-sony-arw", "inode/directory"})
        EXPECT_TRUE(contains(menuTypes, type)) << type;
    ASSERT_EQ(splitList(menu["Actions"]).size(), 1u);
    auto action = readEntryGroup(files.dolphin, "Desktop Action " + splitList(menu["Actions"])[0]);
    EXPECT_EQ(action["Name"], "Kelvara");
    EXPECT_EQ(action["Icon"], ApplicationId());
    EXPECT_EQ(splitExec(action["Exec"]), (std::vector<std::string>{exe.string(), "/starup", "%F"}));

    // Nemo: one or more photos or folders; its command line, once Nemo has
    // put in the chosen files, gives the program every path whole.
    ASSERT_TRUE(fs::is_regular_file(files.nemo));
    auto nemo = readEntryGroup(files.nemo, "Nemo Action");
    EXPECT_EQ(nemo["Name"], "Kelvara");
    EXPECT_EQ(nemo["Selection"], "notnone");
    EXPECT_EQ(splitList(nemo["Mimetypes"]), menuTypes);
    std::vector<std::string> expected = {exe.string(), "/starup"};
    expected.insert(expected.end(), chosen.begin(), chosen.end());
    EXPECT_EQ(shellSplit(nemoCommandLine(nemo["Exec"], chosen)), expected) << nemo["Exec"];

    // Nothing else, and no temporary file, in any of the folders.
    for (const fs::path& file :
         {files.nautilus, files.dolphin, files.nemo, files.caja, files.applications})
        EXPECT_EQ(fileNames(file.parent_path()),
                  std::vector<std::string>{file.filename().string()});
}

TEST_F(SendToTest, TheApplicationsEntryListsTheProgramButClaimsNoType) {
    const fs::path exe = program.path() / "Kelvara";
    writeFile(exe, "");
    senders.click(exe);
    const SendToFiles files(xdg, "Kelvara", "Kelvara");
    ASSERT_TRUE(fs::is_regular_file(files.applications));
    auto entry = readDesktopEntry(files.applications);
    EXPECT_EQ(entry["Type"], "Application");
    EXPECT_EQ(entry["Name"], "Kelvara");
    EXPECT_EQ(entry.count("MimeType"), 0u);
    EXPECT_EQ(entry["Icon"], ApplicationId());
    EXPECT_EQ(splitExec(entry["Exec"]), (std::vector<std::string>{exe.string(), "/starup", "%F"}));
    EXPECT_EQ(entry["Path"], program.path().string());
    EXPECT_EQ(entry["StartupWMClass"], "Kelvara");
    EXPECT_EQ(validateDesktopEntry(files.applications), "");
    EXPECT_EQ(modeOf(files.applications), 0644u);
}

TEST_F(SendToTest, RunInstalledTheEntryTakesTheInstalledMenuEntrysId) {
    // The program at its installed place (it need not be there to write the
    // entries): the menu then shows one Kelvara, not two.
    const fs::path exe = fs::path(InstalledBinFolder()) / "kelvara";
    senders.click(exe);
    const SendToFiles files(xdg, "kelvara", ApplicationId());
    ASSERT_TRUE(fs::is_regular_file(files.applications));
    EXPECT_EQ(fileNames(files.applications.parent_path()),
              std::vector<std::string>{ApplicationId() + ".desktop"});
    auto entry = readDesktopEntry(files.applications);
    EXPECT_EQ(entry["Name"], ApplicationName());
    EXPECT_EQ(entry["StartupWMClass"], "kelvara");
    EXPECT_EQ(entry.count("MimeType"), 0u);
    EXPECT_EQ(splitExec(entry["Exec"]), (std::vector<std::string>{exe.string(), "/starup", "%F"}));
    EXPECT_EQ(validateDesktopEntry(files.applications), "");
    for (const fs::path& file : {files.nautilus, files.dolphin, files.nemo, files.caja})
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
}

TEST_F(SendToTest, GlibNeverNamesKelvaraAnOpenerOfPhotosOrFolders) {
    if (QStandardPaths::findExecutable("gio").isEmpty() ||
        QStandardPaths::findExecutable("update-desktop-database").isEmpty())
        GTEST_SKIP() << "gio (libglib2.0-bin) or desktop-file-utils is not installed";
    // The system's applications and defaults stay out of this home.
    const fs::path system = xdg.root() / "system";
    fs::create_directories(system / "applications");
    fs::create_directories(system / "config");
    xdg.set("XDG_DATA_DIRS", system.string());
    xdg.set("XDG_CONFIG_DIRS", (system / "config").string());
    xdg.set("XDG_CURRENT_DESKTOP", std::nullopt);
    xdg.set("LC_ALL", "C.UTF-8");

    // GLib reads the types from the MIME database and the caches of the
    // applications folders, which the desktops keep up to date.
    fs::create_directory_symlink("/usr/share/mime", system / "mime");
    const auto updateCaches = [&] {
        for (const fs::path& folder : {xdg.dataHome() / "applications", system / "applications"})
            ASSERT_EQ(QProcess::execute("update-desktop-database",
                                        {QString::fromStdString(folder.string())}),
                      0);
    };

    // GLib passes over an entry whose program is missing, so the program
    // is a real copy, and the installed menu entry is pointed at it.
    const fs::path exe = program.path() / "Kelvara";
    fs::copy_file(KELVARA_EXE, exe);
    std::string menuEntry =
        readFile(fs::path(KELVARA_BUILD_DIR) / "packaging" / (ApplicationId() + ".desktop"));
    const std::string installed = InstalledBinFolder() + "/kelvara";
    for (std::size_t at; (at = menuEntry.find(installed)) != std::string::npos;)
        menuEntry.replace(at, installed.size(), exe.string());
    writeFile(system / "applications" / (ApplicationId() + ".desktop"), menuEntry);
    senders.click(exe);
    ASSERT_TRUE(fs::is_regular_file(xdg.dataHome() / "applications" / "Kelvara.desktop"));

    const auto gioMime = [](const char* type) {
        QProcess gio;
        gio.start("gio", {"mime", type});
        EXPECT_TRUE(gio.waitForFinished(30000));
        return QString::fromUtf8(gio.readAllStandardOutput() + gio.readAllStandardError());
    };
    const QStringList types = {"image/jpeg", "image/png",         "image/tiff",
                               "image/heic", "image/x-canon-cr2", "inode/directory"};

    // An entry of the user's own for the same program that does claim the
    // types becomes their default: what Kelvara's entries must never do.
    const fs::path claiming = xdg.dataHome() / "applications" / "claiming.desktop";
    writeFile(claiming, "[Desktop Entry]\nType=Application\nName=Claiming\nExec=\"" + exe.string() +
                            "\" %F\nMimeType=image/jpeg;inode/directory;\n");
    updateCaches();
    EXPECT_TRUE(gioMime("image/jpeg").contains(": claiming.desktop"));
    EXPECT_TRUE(gioMime("inode/directory").contains(": claiming.desktop"));
    fs::remove(claiming);
    updateCaches();

    // With nothing else installed nothing opens photos or folders: Kelvara's
    // entries, the installed one and the user's, are neither the default
    // nor registered for any of them.
    for (const QString& type : types) {
        const QString answer = gioMime(type.toUtf8().constData());
        EXPECT_FALSE(answer.contains("kelvara", Qt::CaseInsensitive)) << type.toStdString() << ":\n"
                                                                      << answer.toStdString();
        EXPECT_TRUE(answer.contains("No default applications")) << answer.toStdString();
    }

    // With a viewer and a file manager installed, they are the defaults.
    writeFile(system / "applications" / "test-viewer.desktop",
              "[Desktop Entry]\nType=Application\nName=Viewer\nExec=true %U\n"
              "MimeType=image/jpeg;image/png;image/tiff;image/heic;image/x-canon-cr2;\n");
    writeFile(system / "applications" / "test-files.desktop",
              "[Desktop Entry]\nType=Application\nName=Files\nExec=true %U\n"
              "MimeType=inode/directory;\n");
    updateCaches();
    for (const QString& type : types) {
        const QString answer = gioMime(type.toUtf8().constData());
        EXPECT_FALSE(answer.contains("kelvara", Qt::CaseInsensitive)) << type.toStdString() << ":\n"
                                                                      << answer.toStdString();
        const QString opener =
            type == "inode/directory" ? "test-files.desktop" : "test-viewer.desktop";
        EXPECT_TRUE(answer.contains(": " + opener)) << answer.toStdString();
    }
}

TEST_F(SendToTest, TheGnomeFilesScriptRenamesThePhotoItIsGiven) {
    const fs::path app = program.path() / "app";
    const fs::path photos = program.path() / "my photos";
    fs::create_directories(photos);
    copyPhoto("jpg/Canon_40D.jpg", photos, "first.jpg");
    copyPhoto("jpg/Canon_40D.jpg", photos, "second.jpg");
    // The running copy's own folder holds photos of the same names: a name
    // handed over as it stands would be taken there.
    fs::create_directories(app / "cwd");
    copyPhoto("jpg/Canon_40D.jpg", app / "cwd", "first.jpg");
    copyPhoto("jpg/Canon_40D.jpg", app / "cwd", "second.jpg");

    KelvaraProcess first(app);
    senders.click(first.executable());
    const fs::path script = SendToFiles(xdg, "Kelvara", "Kelvara").nautilus;
    ASSERT_TRUE(fs::exists(script));

    // GNOME Files runs the script in the folder shown, with the chosen names
    // relative to it.
    const auto runScript = [&](QProcess& files, const QString& name) {
        files.setProcessEnvironment(first.environment());
        files.setWorkingDirectory(QString::fromStdString(photos.string()));
        files.setProcessChannelMode(QProcess::SeparateChannels);
        files.start(QString::fromStdString(script.string()), {name});
        ASSERT_TRUE(files.waitForStarted(30000));
    };

    // Against a running copy: the script's copy hands the photo over and ends.
    first.start({}, app / "cwd");
    ASSERT_TRUE(first.waitForLog("kelvara.instance: handoff endpoint listens"))
        << first.log().tail();
    {
        QProcess files;
        runScript(files, "first.jpg");
        ASSERT_TRUE(files.waitForFinished(30000));
        EXPECT_EQ(files.exitCode(), 0);
    }
    EXPECT_TRUE(first.waitForLog("kelvara.rename: renamed")) << first.log().tail();
    EXPECT_FALSE(fs::exists(photos / "first.jpg"));
    EXPECT_TRUE(fs::exists(photos / "200805301556_100x68_CanonEOS40D_first.jpg"));
    EXPECT_TRUE(first.running());
    EXPECT_EQ(first.terminate(), 0);

    // As the first copy: the script's own copy renames it and keeps running.
    QProcess files;
    runScript(files, "second.jpg");
    // Its debug lines (on, as for every copy the tests start) say when.
    QByteArray said;
    files.setReadChannel(QProcess::StandardError);
    while (!said.contains("kelvara.rename: renamed") && files.waitForReadyRead(60000))
        said += files.readAllStandardError();
    EXPECT_TRUE(said.contains("kelvara.rename: renamed")) << said.toStdString();
    EXPECT_FALSE(fs::exists(photos / "second.jpg"));
    EXPECT_TRUE(fs::exists(photos / "200805301556_100x68_CanonEOS40D_second.jpg"));
    EXPECT_EQ(::kill(static_cast<pid_t>(files.processId()), 0), 0) << "it keeps running";
    ::kill(static_cast<pid_t>(files.processId()), SIGTERM);
    ASSERT_TRUE(files.waitForFinished(30000));
    EXPECT_EQ(files.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(files.exitCode(), 0);

    EXPECT_EQ(fileNames(app / "cwd"), (std::vector<std::string>{"first.jpg", "second.jpg"}));
}

TEST_F(SendToTest, AFileThatCannotBeWrittenIsNamedAndTheOthersStay) {
    // Nemo's actions folder is a file: its action cannot be written.
    fs::create_directories(xdg.dataHome() / "nemo");
    writeFile(xdg.dataHome() / "nemo" / "actions", "in the way");
    const fs::path exe = program.path() / "Kelvara";
    writeFile(exe, "");
    const SendToFiles files(xdg, "Kelvara", "Kelvara");
    try {
        senders.click(exe);
        ADD_FAILURE() << "no error";
    } catch (const std::system_error& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(files.nemo.string()), std::string::npos) << message;
        EXPECT_NE(message.find(std::strerror(ENOTDIR)), std::string::npos) << message;
        EXPECT_EQ(message.find(files.dolphin.string()), std::string::npos) << message;
        EXPECT_EQ(error.code().value(), ENOTDIR);
    }
    for (const fs::path& file : {files.nautilus, files.dolphin, files.caja, files.applications})
        EXPECT_TRUE(fs::is_regular_file(file)) << file;
    EXPECT_EQ(readFile(xdg.dataHome() / "nemo" / "actions"), "in the way");
}

TEST_F(SendToTest, TheInformationWindowSaysWhichFileFailedInOneBox) {
    fs::create_directories(xdg.dataHome() / "kio");
    writeFile(xdg.dataHome() / "kio" / "servicemenus", "in the way");
    const fs::path exe = program.path() / "Kelvara";
    writeFile(exe, "");
    TInfoForm form(nullptr, QString::fromStdString(exe.string()));
    form.show();
    auto* link = form.findChild<QLabel*>("LblLaunchOnSendTo");
    ASSERT_NE(link, nullptr);

    // The box is modal: it is read and answered from within its own loop.
    int boxes = 0;
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    std::function<void()> answer = [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++boxes;
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->accept();
        } else {
            QTimer::singleShot(10, answer);
        }
    };
    QTimer::singleShot(0, answer);
    QTest::mouseClick(link, Qt::LeftButton);

    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(title, "Kelvara");
    EXPECT_EQ(icon, QMessageBox::Critical);
    const fs::path dolphin = xdg.dataHome() / "kio/servicemenus/Kelvara.desktop";
    EXPECT_TRUE(text.contains(QString::fromStdString(dolphin.string()))) << text.toStdString();
    EXPECT_TRUE(text.endsWith('.')) << text.toStdString();
    EXPECT_TRUE(form.isVisible()) << "the window stays open";
    EXPECT_TRUE(fs::is_regular_file(xdg.dataHome() / "nautilus/scripts/Kelvara"));
}

TEST_F(SendToTest, OpenShowsTheScriptsFolderOnceThereIsOne) {
    // Before: the applications folder (made if missing, as every special
    // folder is); after a Send To shortcut: GNOME Files' scripts folder.
    EXPECT_EQ(GetSendToFolder(), (xdg.dataHome() / "applications").string());
    const fs::path exe = program.path() / "Kelvara";
    writeFile(exe, "");
    senders.click(exe);
    EXPECT_EQ(GetSendToFolder(), (xdg.dataHome() / "nautilus/scripts").string());
    // Given either folder, CreateShortcut still writes the whole set.
    fs::remove_all(xdg.dataHome() / "kio");
    senders.click(exe);
    EXPECT_TRUE(fs::is_regular_file(SendToFiles(xdg, "Kelvara", "Kelvara").dolphin));
}
