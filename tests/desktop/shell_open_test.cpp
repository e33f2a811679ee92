// SPDX-License-Identifier: GPL-3.0-or-later
// What each of the information window's links asks the desktop to open, seen
// through a recording opener put in place of the desktop's; and the
// desktop's own opener asking a file manager for a Properties view over a
// private D-Bus, with the folder opened instead when no file manager answers.

#include "desktop/LauncherProgress.h"
#include "desktop/ShellFolders.h"
#include "desktop/ShellLaunch.h"
#include "desktop/ShellOpener.h"
#include "info/InfoLinks.h"
#include "support/LogCapture.h"
#include "support/QtApp.h"
#include "support/TempDir.h"
#include "support/XdgHome.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace kelvara;
using namespace kelvara::test;
namespace fs = std::filesystem;

namespace {

class RecordingOpener : public IShellOpener {
public:
    bool OpenUrl(const QUrl& url) override {
        urls.push_back(url);
        return true;
    }
    bool ShowItemProperties(const QString& path) override {
        properties.push_back(path);
        return true;
    }
    std::vector<QUrl> urls;
    std::vector<QString> properties;
};

QUrl folderUrl(const std::string& folder) {
    return QUrl::fromLocalFile(QString::fromStdString(folder));
}

} // namespace

TEST(OpenLinks, TheFolderLinksOpenTheirFolders) {
    XdgHome xdg;
    RecordingOpener opener;
    TShellOpenerOverride use(opener);
    QLabel openStartup("(Open)"), openFolderIn("Open Folder This Program Installed"),
        openSendTo("(Open)"), other("(Open)");
    const TOpenFolderLinks links{&openStartup, &openFolderIn, &openSendTo};
    const QString exe = "/opt/Photo Tools/Kelvara";

    OpenStartupLinkClicked(&openStartup, links, exe);
    OpenStartupLinkClicked(&openFolderIn, links, exe);
    OpenStartupLinkClicked(&openSendTo, links, exe);
    OpenStartupLinkClicked(&other, links, exe);
    OpenStartupLinkClicked(nullptr, links, exe);

    ASSERT_EQ(opener.urls.size(), 3u);
    EXPECT_EQ(opener.urls[0], folderUrl((xdg.configHome() / "autostart").string()));
    EXPECT_EQ(opener.urls[1], QUrl("file:///opt/Photo%20Tools/"));
    EXPECT_EQ(opener.urls[2], folderUrl((xdg.dataHome() / "applications").string()));
    // The folders exist, so the file manager has something to show.
    EXPECT_TRUE(fs::is_directory(xdg.configHome() / "autostart"));
    EXPECT_TRUE(opener.properties.empty());

    // The program's own folder, as the system reports the program.
    opener.urls.clear();
    OpenStartupLinkClicked(&openFolderIn, links, RunningExecutablePath());
    ASSERT_EQ(opener.urls.size(), 1u);
    EXPECT_EQ(opener.urls[0].toLocalFile(),
              QString::fromStdString(fs::read_symlink("/proc/self/exe").parent_path().string()) +
                  "/");
}

TEST(OpenLinks, TheAddressLinksOpenTheirAddresses) {
    RecordingOpener opener;
    TShellOpenerOverride use(opener);

    UrlLinkClicked("https://example.org/kelvara/");
    // Label1 opens its hint; its caption can change without effect.
    QLabel label1("(kelvara-dev)");
    label1.setProperty(HintProperty, "https://duckduckgo.com/?q=kelvara-dev");
    HintLinkClicked(&label1);
    label1.setText("https://caption.example/");
    HintLinkClicked(&label1);
    MailLinkClicked("photos@example.org", "/opt/Photo Tools/Kelvara.bin");

    ASSERT_EQ(opener.urls.size(), 4u);
    EXPECT_EQ(opener.urls[0], QUrl("https://example.org/kelvara/"));
    EXPECT_EQ(opener.urls[1], QUrl("https://duckduckgo.com/?q=kelvara-dev"));
    EXPECT_EQ(opener.urls[2], opener.urls[1]);
    const QUrl& mail = opener.urls[3];
    EXPECT_EQ(mail.scheme(), "mailto");
    EXPECT_EQ(mail.path(), "photos@example.org");
    EXPECT_EQ(QUrlQuery(mail).queryItemValue("subject", QUrl::FullyDecoded),
              "from [Kelvara.bin] user");
}

TEST(OpenLinks, EmptyAddressesOpenNothingButTheMailStillHasItsSubject) {
    RecordingOpener opener;
    TShellOpenerOverride use(opener);
    UrlLinkClicked("");
    QLabel label1("()");
    HintLinkClicked(&label1); // no hint set
    HintLinkClicked(nullptr);
    EXPECT_TRUE(opener.urls.empty());

    MailLinkClicked("", "/opt/kelvara/Kelvara");
    ASSERT_EQ(opener.urls.size(), 1u);
    EXPECT_EQ(opener.urls[0].scheme(), "mailto");
    EXPECT_EQ(QUrlQuery(opener.urls[0]).queryItemValue("subject", QUrl::FullyDecoded),
              "from [Kelvara] user");
}

TEST(OpenLinks, TheProgramNameShowsTheProgramsProperties) {
    RecordingOpener opener;
    TShellOpenerOverride use(opener);
    ExeNameLinkClicked("/opt/Photo Tools/Kelvara");
    EXPECT_EQ(opener.properties, std::vector<QString>{"/opt/Photo Tools/Kelvara"});
    EXPECT_TRUE(opener.urls.empty());
}

TEST(OpenLinks, AFailingOpenerIsSwallowed) {
    struct Throwing : IShellOpener {
        bool OpenUrl(const QUrl&) override { throw std::runtime_error("no browser"); }
        bool ShowItemProperties(const QString&) override { throw std::runtime_error("no fm"); }
    } throwing;
    TShellOpenerOverride use(throwing);
    EXPECT_NO_THROW(OpenWithShell("https://example.org/"));
    EXPECT_NO_THROW(ShowFileProperties("/opt/kelvara/Kelvara"));
}

TEST(OpenLinks, OverridesNestAndRestore) {
    RecordingOpener outer, inner;
    IShellOpener& desktop = CurrentShellOpener();
    {
        TShellOpenerOverride useOuter(outer);
        {
            TShellOpenerOverride useInner(inner);
            EXPECT_EQ(&CurrentShellOpener(), &inner);
        }
        EXPECT_EQ(&CurrentShellOpener(), &outer);
    }
    EXPECT_EQ(&CurrentShellOpener(), &desktop);
}

TEST(ShellTargetUrl, PathsAddressesAndBareNames) {
    EXPECT_EQ(ShellTargetUrl("/home/me/My Photos/"), QUrl("file:///home/me/My%20Photos/"));
    EXPECT_EQ(ShellTargetUrl("/home/me/写真#1"), QUrl::fromLocalFile("/home/me/写真#1"));
    EXPECT_EQ(ShellTargetUrl("https://example.org/a?b=c"), QUrl("https://example.org/a?b=c"));
    EXPECT_EQ(ShellTargetUrl("www.example.org"), QUrl("http://www.example.org"));
    EXPECT_TRUE(ShellTargetUrl("").isEmpty());
}

// ---- The desktop's opener against a file manager on a private bus ----

namespace {

class FakeFileManager : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    bool refuse = false;
    QList<QStringList> calls;

public slots:
    void ShowItemProperties(const QStringList& uris, const QString& /*startupId*/) {
        calls.append(uris);
        if (refuse)
            sendErrorReply(QDBusError::Failed, "no properties today");
    }
};

// The desktop's opener, except that what it would open is only recorded.
class FolderRecordingOpener : public TDesktopShellOpener {
public:
    using TDesktopShellOpener::TDesktopShellOpener;
    bool OpenUrl(const QUrl& url) override {
        opened.push_back(url);
        return true;
    }
    std::vector<QUrl> opened;
};

// A dbus-daemon of the test's own, without service activation, so that no
// real file manager can be started by a call.
class PrivateBus {
public:
    PrivateBus() {
        const fs::path config = m_temp.path() / "bus.conf";
        writeFile(config, "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus "
                          "Configuration 1.0//EN\" "
                          "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                          "<busconfig><type>session</type><listen>unix:dir=" +
                              m_temp.path().string() +
                              "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
                              "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                              "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                              "</busconfig>\n");
        m_daemon.start("dbus-daemon", {"--nofork", "--print-address=1",
                                       "--config-file=" + QString::fromStdString(config.string())});
        if (!m_daemon.waitForStarted())
            return;
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) {
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        for (const QString& name : m_names)
            QDBusConnection::disconnectFromBus(name);
        m_daemon.kill();
        m_daemon.waitForFinished();
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool running() const { return !m_address.isEmpty(); }
    QDBusConnection connect(const QString& name) {
        m_names.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    TempDir m_temp;
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};

} // namespace

TEST(DesktopOpener, AsksTheFileManagerForPropertiesOrOpensTheFolder) {
    PrivateBus bus;
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon could not be started";
    QDBusConnection service = bus.connect("kelvara-test-service");
    ASSERT_TRUE(bus.connect("kelvara-test-client").isConnected());
    FolderRecordingOpener opener("kelvara-test-client");
    // The opener says when a reply has come and been acted on.
    LogCapture log;
    const auto answered = [&](std::size_t count) {
        return QTest::qWaitFor(
            [&] { return log.count("kelvara.desktop: file manager answered") >= count; }, 10000);
    };
    const QString file = "/opt/Photo Tools/写真 #1.jpg";
    const QUrl folder = QUrl::fromLocalFile("/opt/Photo Tools/");

    // No file manager on the bus: the folder opens once the bus has said so.
    EXPECT_TRUE(opener.ShowItemProperties(file));
    EXPECT_TRUE(answered(1));
    EXPECT_EQ(opener.opened, std::vector<QUrl>{folder});

    // A file manager: it gets the file's URI, and nothing else opens.
    FakeFileManager fileManager;
    ASSERT_TRUE(service.registerObject("/org/freedesktop/FileManager1", &fileManager,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerService("org.freedesktop.FileManager1"));
    opener.opened.clear();
    EXPECT_TRUE(opener.ShowItemProperties(file));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !fileManager.calls.empty(); }, 10000));
    EXPECT_EQ(fileManager.calls.front(),
              QStringList{QString::fromLatin1(QUrl::fromLocalFile(file).toEncoded())});
    EXPECT_EQ(QUrl(fileManager.calls.front().front()).toLocalFile(), file);
    // A wrong fallback would come with the reply.
    ASSERT_TRUE(answered(2));
    EXPECT_TRUE(opener.opened.empty());

    // A file manager that answers with an error: the folder again.
    fileManager.refuse = true;
    EXPECT_TRUE(opener.ShowItemProperties(file));
    EXPECT_TRUE(answered(3));
    EXPECT_EQ(opener.opened, std::vector<QUrl>{folder});
    service.unregisterService("org.freedesktop.FileManager1");
}

namespace {

// Hears the launcher entry's signals on a bus.
class LauncherListener : public QObject {
    Q_OBJECT
public:
    std::vector<std::pair<QString, QVariantMap>> updates;
public slots:
    void Update(const QString& appUri, const QVariantMap& properties) {
        updates.emplace_back(appUri, properties);
    }
};

} // namespace

TEST(LauncherProgress, TheDockHearsTheShareDoneForTheProgramsEntryAndItsEnd) {
    PrivateBus bus;
    if (!bus.running())
        GTEST_SKIP() << "dbus-daemon could not be started";
    QDBusConnection dock = bus.connect("kelvara-test-dock");
    ASSERT_TRUE(bus.connect("kelvara-test-program").isConnected());
    LauncherListener listener;
    ASSERT_TRUE(dock.connect(QString(), QString(), "com.canonical.Unity.LauncherEntry", "Update",
                             &listener, SLOT(Update(QString, QVariantMap))));
    const QString uri = "application://org.example.Kelvara.desktop";
    {
        auto progress =
            CreateLauncherProgress("org.example.Kelvara.desktop", "kelvara-test-program");
        // The bus takes the dock's match rule in its own time: shown until
        // the dock hears it, then taken away and heard so.
        double probe = 0.0;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                progress->Show(probe += 0.001);
                return !listener.updates.empty();
            },
            10000));
        progress->Hide();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return !listener.updates.back().second.value("progress-visible").toBool(); },
            10000));
        listener.updates.clear();
        progress->Show(0.25);
        progress->Show(0.25); // no change: nothing sent
        progress->Show(7.0);  // more than all of it shows as all
        progress->Hide();
        progress->Show(0.5);
    } // a bar still shown goes with the program
    ASSERT_TRUE(QTest::qWaitFor([&] { return listener.updates.size() >= 5; }, 10000));
    const std::vector<std::pair<double, bool>> expected = {
        {0.25, true}, {1.0, true}, {0.0, false}, {0.5, true}, {0.0, false}};
    ASSERT_EQ(listener.updates.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(listener.updates[i].first, uri);
        EXPECT_DOUBLE_EQ(listener.updates[i].second.value("progress").toDouble(),
                         expected[i].first);
        EXPECT_EQ(listener.updates[i].second.value("progress-visible").toBool(),
                  expected[i].second);
    }
    // Without a bus nothing fails.
    CreateLauncherProgress("x.desktop", "kelvara-test-no-such-connection")->Show(0.5);
}

TEST(DesktopOpener, WithoutABusTheFolderOpensAtOnce) {
    FolderRecordingOpener opener("kelvara-test-no-such-connection");
    EXPECT_TRUE(opener.ShowItemProperties("/opt/kelvara/Kelvara"));
    EXPECT_EQ(opener.opened, std::vector<QUrl>{QUrl::fromLocalFile("/opt/kelvara/")});
}

#include "shell_open_test.moc"
