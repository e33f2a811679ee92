// SPDX-License-Identifier: GPL-3.0-or-later
// The build installed into a staging folder (DESTDIR), as a package is made:
// what lies where, checked by the validators the desktops and software
// centres trust; then the installed program itself, run by a user, keeps
// its state where it should and ends cleanly on SIGTERM: beside an unpacked
// copy, in the user's configuration folder where the user cannot write the
// program's folder or the program lies where it was built to be installed.

#include "desktop/Installation.h"
#include "support/DesktopEntryReader.h"
#include "support/QStringPrint.h"
#include "support/TempDir.h"

#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

constexpr uid_t Nobody = 65534;

// `path` below the staging folder `root`.
fs::path staged(const fs::path& root, const std::string& path) {
    return root / fs::path(path).relative_path();
}

// Runs a command to its end; its exit code, or -1 when it could not run.
int run(const QString& program, const QStringList& arguments, QString* output = nullptr,
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(300000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output != nullptr)
        *output = QString::fromLocal8Bit(process.readAll());
    return process.exitCode();
}

// The staged program run as a separate process, its state file's choice
// read from its own diagnostics.
class StagedProgram {
public:
    StagedProgram(const fs::path& home, const QStringList& launcher = {}) {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", QString::fromStdString(home.string()));
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString((home / "config").string()));
        environment.insert("XDG_DATA_HOME", QString::fromStdString((home / "data").string()));
        environment.insert("XDG_RUNTIME_DIR", QString::fromStdString((home / "run").string()));
        environment.insert("QT_LOGGING_RULES", "kelvara.state.debug=true");
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.setWorkingDirectory(QString::fromStdString(home.string()));
        m_launcher = launcher;
    }
    ~StagedProgram() {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }

    void start(const fs::path& executable) {
        const QString exe = QString::fromStdString(executable.string());
        if (m_launcher.isEmpty())
            m_process.start(exe, {});
        else
            m_process.start(m_launcher.front(), m_launcher.mid(1) + QStringList{exe});
        ASSERT_TRUE(m_process.waitForStarted(30000));
        m_process.setReadChannel(QProcess::StandardError);
    }

    // The state file the program chose, from its line "kelvara.state: state
    // file <path>"; empty when it never said.
    QString stateFile() {
        const QString marker = QStringLiteral("kelvara.state: state file ");
        while (true) {
            while (m_process.canReadLine()) {
                const QString line = QString::fromLocal8Bit(m_process.readLine().trimmed());
                if (line.startsWith(marker))
                    return line.mid(marker.size());
            }
            if (!m_process.waitForReadyRead(60000))
                return {};
        }
    }

    // SIGTERM, as a desktop session ending; the exit code, -1 when the
    // program did not end by itself (a box waiting for a click, say).
    int terminate() {
        ::kill(static_cast<pid_t>(m_process.processId()), SIGTERM);
        if (!m_process.waitForFinished(60000) || m_process.exitStatus() != QProcess::NormalExit)
            return -1;
        return m_process.exitCode();
    }

    void kill() {
        m_process.kill();
        m_process.waitForFinished(30000);
    }

private:
    QProcess m_process;
    QStringList m_launcher;
};

class InstallTest : public ::testing::Test {
protected:
    // The build is installed once, into a staging folder for the suite.
    static void SetUpTestSuite() {
        s_staging = std::make_unique<TempDir>();
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DESTDIR", QString::fromStdString(stage().string()));
        QString output;
        if (run(KELVARA_CMAKE, {"--install", KELVARA_BUILD_DIR}, &output, environment) != 0)
            s_installError = "cmake --install failed:\n" + output.toStdString();
    }
    static void TearDownTestSuite() { s_staging.reset(); }
    static fs::path stage() { return s_staging->path() / "stage"; }

    void SetUp() override {
        ASSERT_EQ(s_installError, "");
        fs::create_directories(home / "run");
        fs::permissions(home / "run", fs::perms::owner_all, fs::perm_options::replace);
    }
    // A home for the user who runs the program; as root that user is nobody,
    // to whom the rights of the folders then apply.
    void giveHomeToNobody() {
        for (const auto& entry : fs::recursive_directory_iterator(home))
            ASSERT_EQ(::chown(entry.path().c_str(), Nobody, Nobody), 0);
        ASSERT_EQ(::chown(home.c_str(), Nobody, Nobody), 0);
        fs::permissions(temp.path(),
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    }

    static inline std::unique_ptr<TempDir> s_staging;
    static inline std::string s_installError;

    TempDir temp;
    fs::path home = temp.path() / "home";
    fs::path bin = staged(stage(), InstalledBinFolder());
    fs::path exe = bin / "kelvara";
};

} // namespace

TEST_F(InstallTest, TheStagingFolderHoldsTheProgramItsMenuEntryIconAndAppStreamData) {
    ASSERT_TRUE(fs::is_regular_file(exe));
    EXPECT_NE(fs::status(exe).permissions() & fs::perms::others_exec, fs::perms::none);

    // The menu entry starts the installed program and names an installed icon.
    const fs::path share = staged(stage(), KELVARA_INSTALL_DATADIR);
    const fs::path entry = share / "applications" / (ApplicationId() + ".desktop");
    ASSERT_TRUE(fs::is_regular_file(entry));
    EXPECT_EQ(validateDesktopEntry(entry), "");
    auto keys = readDesktopEntry(entry);
    EXPECT_EQ(keys["Type"], "Application");
    EXPECT_EQ(keys["Name"], ApplicationName());
    EXPECT_EQ(keys.count("MimeType"), 0u) << "an installed entry must open nothing";
    EXPECT_EQ(splitExec(keys["Exec"]),
              (std::vector<std::string>{InstalledBinFolder() + "/kelvara", "%F"}));
    EXPECT_EQ(keys["Icon"], ApplicationId());
    // The windows' X11 class, which Qt takes from the executable's name.
    EXPECT_EQ(keys["StartupWMClass"], "kelvara");

    const fs::path icons = share / "icons" / "hicolor";
    EXPECT_TRUE(fs::is_regular_file(icons / "scalable" / "apps" / (keys["Icon"] + ".svg")));
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        const std::string folder = std::to_string(size) + "x" + std::to_string(size);
        const fs::path png = icons / folder / "apps" / (keys["Icon"] + ".png");
        QImageReader reader(QString::fromStdString(png.string()));
        EXPECT_EQ(reader.format(), "png") << png;
        const QImage image = reader.read();
        EXPECT_EQ(image.size(), QSize(size, size)) << png;
        // Drawn, not empty: its corners clear, its middle opaque.
        EXPECT_EQ(qAlpha(image.pixel(size - 1, 0)), 0) << png;
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size * 3 / 4)), 255) << png;
    }

    const fs::path metainfo = share / "metainfo" / (ApplicationId() + ".metainfo.xml");
    ASSERT_TRUE(fs::is_regular_file(metainfo));
    if (QStandardPaths::findExecutable("appstreamcli").isEmpty()) {
        ADD_FAILURE() << "appstreamcli (appstream) is not installed";
    } else {
        QString output;
        EXPECT_EQ(
            run("appstreamcli",
                {"validate", "--no-net", "--pedantic", QString::fromStdString(metainfo.string())},
                &output),
            0)
            << output.toStdString();
    }
    const std::string appstream = readFile(metainfo);
    EXPECT_NE(appstream.find("<launchable type=\"desktop-id\">" + ApplicationId() + ".desktop<"),
              std::string::npos);
    EXPECT_NE(appstream.find("<project_license>GPL-3.0-or-later<"), std::string::npos);

    // The licence and the README with the documents.
    const fs::path doc = share / "doc" / "kelvara";
    EXPECT_EQ(readFile(doc / "LICENSE"), readFile(fs::path(KELVARA_SOURCE_DIR) / "LICENSE"));
    EXPECT_NE(readFile(doc / "LICENSE").find("GNU GENERAL PUBLIC LICENSE"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file(doc / "README.md"));
    EXPECT_NE(readFile(doc / "copyright").find("License: GPL-3+"), std::string::npos);
}

TEST_F(InstallTest, AnUnpackedCopyKeepsItsStateBesideItself) {
    // The staged program does not lie where it was built to be installed:
    // it counts as a copy of its own, and its folder is writable.
    StagedProgram program(home);
    program.start(exe);
    EXPECT_EQ(program.stateFile(), QString::fromStdString((bin / "kelvara.ini").string()));
    EXPECT_EQ(program.terminate(), 0);
    EXPECT_TRUE(fs::is_regular_file(bin / "kelvara.ini"));
    EXPECT_FALSE(fs::exists(home / "config" / "kelvara"));
    fs::remove(bin / "kelvara.ini");
}

TEST_F(InstallTest, AUserWhoCannotWriteTheProgramsFolderKeepsTheStateInTheConfigFolder) {
    // As root, the rights of the folders count only for another user.
    QStringList launcher;
    if (::geteuid() == 0) {
        if (QStandardPaths::findExecutable("setpriv").isEmpty())
            GTEST_SKIP() << "running as root without setpriv to drop the rights";
        giveHomeToNobody();
        launcher = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    }
    // The staging folder's bin folder is root's (or read-only to the user).
    const fs::path locked = temp.path() / "locked";
    fs::create_directories(locked);
    fs::copy_file(exe, locked / "kelvara");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    const fs::path inConfig = home / "config" / "kelvara" / "kelvara.ini";

    for (int run = 0; run < 2; ++run) {
        StagedProgram program(home, launcher);
        program.start(locked / "kelvara");
        EXPECT_EQ(program.stateFile(), QString::fromStdString(inConfig.string())) << run;
        // The save goes through; no box waits for a click.
        EXPECT_EQ(program.terminate(), 0) << run;
        EXPECT_TRUE(fs::is_regular_file(inConfig)) << run;
    }
    EXPECT_EQ(fs::status(inConfig.parent_path()).permissions() & fs::perms::all,
              fs::perms::owner_all);
    EXPECT_NE(readFile(inConfig).find("[MainForm.MainForm]"), std::string::npos);
    EXPECT_FALSE(fs::exists(locked / "kelvara.ini"));

    // A file beside the program wins even there: a portable copy stays
    // portable. (Its save would fail and say so; the choice is what counts.)
    fs::permissions(locked, fs::perms::owner_write, fs::perm_options::add);
    writeFile(locked / "kelvara.ini", "[MainForm.MainForm]\n");
    fs::permissions(locked, fs::perms::owner_write, fs::perm_options::remove);
    StagedProgram portable(home, launcher);
    portable.start(locked / "kelvara");
    EXPECT_EQ(portable.stateFile(), QString::fromStdString((locked / "kelvara.ini").string()));
    portable.kill();
}

TEST_F(InstallTest, TheProgramWhereItWasBuiltToBeInstalledKeepsTheStateInTheConfigFolder) {
    // The staged bin folder is mounted over the real one in a mount
    // namespace of the program's own: nothing is installed on this machine,
    // yet the program runs from the folder it was built for.
    QString output;
    if (run("unshare", {"--mount", "true"}, &output) != 0)
        GTEST_SKIP() << "no mount namespace here: " << output.toStdString();
    const QStringList launcher = {"unshare",
                                  "--mount",
                                  "sh",
                                  "-c",
                                  "mount --bind \"$1\" \"$2\" && exec \"$2/kelvara\"",
                                  "sh",
                                  QString::fromStdString(bin.string()),
                                  QString::fromStdString(InstalledBinFolder())};
    const fs::path inConfig = home / "config" / "kelvara" / "kelvara.ini";

    // Its folder is writable here (we are root, or own the staging folder),
    // yet the installed program keeps to the configuration folder.
    {
        StagedProgram program(home, launcher);
        program.start(exe); // the launcher runs the mounted one
        EXPECT_EQ(program.stateFile(), QString::fromStdString(inConfig.string()));
        EXPECT_EQ(program.terminate(), 0);
    }
    EXPECT_TRUE(fs::is_regular_file(inConfig));
    EXPECT_FALSE(fs::exists(bin / "kelvara.ini"));

    // A file beside it wins, even installed.
    writeFile(bin / "kelvara.ini", "[MainForm.MainForm]\n");
    const std::string before = readFile(inConfig);
    {
        StagedProgram program(home, launcher);
        program.start(exe);
        EXPECT_EQ(program.stateFile(),
                  QString::fromStdString(InstalledBinFolder() + "/kelvara.ini"));
        EXPECT_EQ(program.terminate(), 0);
    }
    EXPECT_NE(readFile(bin / "kelvara.ini").find("[MainForm.RdoYMD]"), std::string::npos);
    EXPECT_EQ(readFile(inConfig), before);
    fs::remove(bin / "kelvara.ini");
}
