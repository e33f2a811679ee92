// SPDX-License-Identifier: GPL-3.0-or-later
// The single-instance lock and the handoff between real processes over the
// real socket: the running copy (this test process, serving from its event
// loop) and second copies forked from it. XDG_RUNTIME_DIR points at a fresh
// folder for every test, so nothing here meets a Kelvara that really runs.

#include "instance/CommaText.h"
#include "instance/HandoffEndpoint.h"
#include "instance/HandoffFrame.h"
#include "instance/HandoffReceiver.h"
#include "instance/HandoffSender.h"
#include "instance/HandoffSocket.h"
#include "instance/InstanceIdentity.h"
#include "instance/InstanceLock.h"
#include "instance/RuntimeFolder.h"
#include "support/LogCapture.h"
#include "support/QtApp.h"
#include "support/TempDir.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace kelvara;
using kelvara::test::TempDir;
using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

// What the main window would see.
class TRecordingTarget : public IHandoffTarget {
public:
    void Activate(const std::string& activationToken) override {
        events.push_back("activate:" + activationToken);
    }
    void QueuePath(const std::string& path) override {
        events.push_back("path:" + path);
        paths.push_back(path);
    }
    std::vector<std::string> events;
    std::vector<std::string> paths;
};

// A pipe for telling a child when to go on; both ends close on destruction.
struct TPipe {
    TPipe() {
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe");
    }
    ~TPipe() {
        CloseRead();
        CloseWrite();
    }
    void CloseRead() {
        if (fds[0] >= 0)
            ::close(std::exchange(fds[0], -1));
    }
    void CloseWrite() {
        if (fds[1] >= 0)
            ::close(std::exchange(fds[1], -1));
    }
    void Signal() { ASSERT_EQ(::write(fds[1], "x", 1), 1); }
    // Blocks until a byte arrives (true) or the writing end closes (false).
    bool Wait() {
        char c;
        return ::read(fds[0], &c, 1) == 1;
    }
    int fds[2] = {-1, -1};
};

// Runs `body` in a forked child, whose exit code is what body returns (99
// for an exception). The child never returns into the test.
pid_t runChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        int code = 99;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    return pid;
}

int exitCode(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Serves the event loop (and so the handoff socket) until the child ends:
// a descriptor of the process becomes readable when it does.
int serveUntilExit(pid_t pid, std::chrono::seconds limit = 30s) {
    const int process = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (process < 0) {
        ADD_FAILURE() << "no process descriptor for " << pid;
        return -1;
    }
    QEventLoop loop;
    QSocketNotifier ended(process, QSocketNotifier::Read);
    QObject::connect(&ended, &QSocketNotifier::activated, &loop, &QEventLoop::quit);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    deadline.start(limit);
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) != pid) {
        loop.exec();
        if (::waitpid(pid, &status, WNOHANG) != pid) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "child " << pid << " did not end in time";
            status = -1;
        }
    }
    ended.setEnabled(false);
    ::close(process);
    return status == -1 ? -1 : exitCode(status);
}

int waitExit(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return exitCode(status);
}

// A child that holds the instance lock until `release` closes or signals.
pid_t holdLockInChild(TPipe& ready, TPipe& release) {
    const pid_t pid = runChild([&] {
        TInstanceLock lock(InstanceIdentity);
        if (!lock.HoldsLock())
            return 1;
        ready.Signal();
        release.CloseWrite();
        release.Wait();
        return 0;
    });
    release.CloseRead();
    EXPECT_TRUE(ready.Wait()) << "the child could not take the lock";
    return pid;
}

// A second copy: runs the decision loop and exits with its outcome.
pid_t secondCopy(const std::vector<std::string>& arguments, const std::string& token = {},
                 std::chrono::milliseconds patience = HandoffPatience) {
    return runChild([=] {
        TInstanceLock lock(InstanceIdentity);
        if (!lock.IsAlreadyRunning())
            return 10;
        return static_cast<int>(HandOffOrBecomeFirst(lock, arguments, token, patience));
    });
}

constexpr int Delivered = static_cast<int>(THandoffOutcome::Delivered);

// Connects a raw socket to the endpoint, as any local program could.
int connectRaw(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Sends raw bytes, then half-closes (or not) and reads whatever the endpoint
// answers until it hangs up. Exits 0 when it hung up without a reply (also
// before the bytes could go), 1 when it replied, 2 when it never hung up
// within `limit`, 3 when it could not connect, 4 when sending failed
// otherwise. `sent`, when given, is
// signalled once the bytes are on their way.
pid_t rawPeer(const std::string& path, std::string bytes, bool halfClose,
              std::chrono::milliseconds limit = 6000ms, TPipe* sent = nullptr) {
    const pid_t pid = runChild([=] {
        const int fd = connectRaw(path);
        if (fd < 0)
            return 3;
        // An endpoint that drops the peer at once (its session could not be
        // made) may have hung up before the bytes go: dropped, no reply.
        if (!bytes.empty() && ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) < 0) {
            const int code = errno;
            ::close(fd);
            return code == EPIPE || code == ECONNRESET ? 0 : 4;
        }
        if (halfClose)
            ::shutdown(fd, SHUT_WR);
        if (sent != nullptr)
            sent->Signal();
        timeval timeout{static_cast<time_t>(limit.count() / 1000),
                        static_cast<suseconds_t>((limit.count() % 1000) * 1000)};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
        char reply[16];
        const ssize_t got = ::recv(fd, reply, sizeof(reply), 0);
        ::close(fd);
        if (got > 0)
            return 1;
        return got == 0 || errno == ECONNRESET ? 0 : 2;
    });
    // Only the child writes: should it end without a word, Wait says so.
    if (sent != nullptr)
        sent->CloseWrite();
    return pid;
}

class Handoff : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        m_oldRuntime = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("XDG_RUNTIME_DIR", m_runtime.path().c_str(), 1);
    }
    void TearDown() override {
        if (m_oldRuntime)
            ::setenv("XDG_RUNTIME_DIR", m_oldRuntime->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }
    std::string socketPath() const {
        return HandoffSocketPath(m_runtime.path().string(), InstanceIdentity);
    }
    // The line a copy in `pid` writes after each try that reached nobody.
    static std::string notReached(pid_t pid) {
        return std::to_string(pid) + " kelvara.instance: running copy not reached";
    }

    // Forked second copies log into it too.
    kelvara::test::LogCapture m_log;
    TempDir m_runtime;
    std::optional<std::string> m_oldRuntime;
};

} // namespace

TEST_F(Handoff, RuntimeFolderIsPrivate) {
    EXPECT_EQ(InstanceRuntimeFolder(), m_runtime.path().string());

    // A runtime folder that others may write to is not used; the fallback
    // lies in the temporary folder the environment names.
    TempDir tmp;
    const char* oldTmp = std::getenv("TMPDIR");
    const std::optional<std::string> savedTmp =
        oldTmp != nullptr ? std::optional<std::string>(oldTmp) : std::nullopt;
    ::setenv("TMPDIR", (tmp.path().string() + "/").c_str(), 1);
    fs::permissions(m_runtime.path(), fs::perms::others_write, fs::perm_options::add);
    const std::string fallback = InstanceRuntimeFolder();
    if (savedTmp)
        ::setenv("TMPDIR", savedTmp->c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_EQ(fallback, (tmp.path() / ("kelvara-" + std::to_string(::geteuid()))).string());
    struct stat info {};
    ASSERT_EQ(::lstat(fallback.c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_uid, ::geteuid());
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    ::setenv("XDG_RUNTIME_DIR", "relative/run", 1);
    ::setenv("TMPDIR", tmp.path().c_str(), 1);
    EXPECT_EQ(InstanceRuntimeFolder(), fallback);
    if (savedTmp)
        ::setenv("TMPDIR", savedTmp->c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

TEST_F(Handoff, LockHeldByAnotherProcessUntilItEnds) {
    TPipe ready, release;
    const pid_t holder = holdLockInChild(ready, release);

    TInstanceLock lock(InstanceIdentity);
    EXPECT_TRUE(lock.IsAlreadyRunning());
    EXPECT_FALSE(lock.HoldsLock());
    EXPECT_FALSE(lock.TryToBecomeFirst());

    // The kernel drops the lock with the process, however it ends.
    ::kill(holder, SIGKILL);
    EXPECT_EQ(waitExit(holder), 128 + SIGKILL);
    EXPECT_TRUE(lock.TryToBecomeFirst());
    EXPECT_TRUE(lock.HoldsLock());
    EXPECT_FALSE(lock.IsAlreadyRunning());

    // Now we are the one another copy finds.
    const pid_t other = runChild([] { return TInstanceLock(InstanceIdentity).IsAlreadyRunning(); });
    EXPECT_EQ(waitExit(other), 1);
}

TEST_F(Handoff, LockIsNotInheritedByProgramsWeStart) {
    auto lock = std::make_unique<TInstanceLock>(InstanceIdentity);
    ASSERT_TRUE(lock->HoldsLock());
    // Runs until it is killed. Its copy of the pipe, close-on-exec, is gone
    // the moment it has become the other program.
    TPipe started;
    const pid_t sleeper = runChild([] {
        ::execl("/bin/sleep", "sleep", "infinity", static_cast<char*>(nullptr));
        return 1;
    });
    started.CloseWrite();
    EXPECT_FALSE(started.Wait());
    lock.reset();
    // The program we started still runs, yet the lock is free.
    TInstanceLock next(InstanceIdentity);
    EXPECT_FALSE(next.IsAlreadyRunning());
    EXPECT_TRUE(next.HoldsLock());
    ::kill(sleeper, SIGKILL);
    waitExit(sleeper);
}

TEST_F(Handoff, UnusableLockCountsAsFirstCopy) {
    TInstanceLock lock(InstanceIdentity, m_runtime.file("missing/folder"));
    EXPECT_FALSE(lock.IsAlreadyRunning());
    EXPECT_FALSE(lock.HoldsLock());
    EXPECT_TRUE(lock.TryToBecomeFirst());
}

TEST_F(Handoff, SecondCopyDeliversItsArgumentsInOrder) {
    TInstanceLock lock(InstanceIdentity);
    ASSERT_TRUE(lock.HoldsLock());
    TRecordingTarget target;
    THandoffReceiver receiver(lock, target);

    const std::vector<std::string> arguments = {
        R"(C:\My Pics\A.JPG)", R"(D:\DCIM)", "relative/IMG 1.JPG",          "Photos,2008",
        "say \"cheese\".jpg",  "",           "\xE5\x86\x99\xE7\x9C\x9F.JPG"};
    const pid_t copy = secondCopy(arguments, "startup-id_TIME42");
    EXPECT_EQ(serveUntilExit(copy), Delivered);

    std::vector<std::string> expected = {"activate:startup-id_TIME42"};
    for (const auto& argument : arguments)
        expected.push_back("path:" + argument);
    EXPECT_EQ(target.events, expected);
}

TEST_F(Handoff, LaunchWithoutArgumentsOnlyActivates) {
    TInstanceLock lock(InstanceIdentity);
    TRecordingTarget target;
    THandoffReceiver receiver(lock, target);

    const pid_t copy = secondCopy({});
    EXPECT_EQ(serveUntilExit(copy), Delivered);
    EXPECT_EQ(target.events, std::vector<std::string>{"activate:"});
}

TEST_F(Handoff, ListLongerThanOneMessageArrivesWhole) {
    TInstanceLock lock(InstanceIdentity);
    TRecordingTarget target;
    THandoffReceiver receiver(lock, target);

    std::vector<std::string> arguments;
    for (int i = 0; i < 700; ++i)
        arguments.push_back("/media/card/" + std::to_string(i) + " " + std::string(3000, 'p'));
    const auto texts = HandoffTexts(arguments);
    EXPECT_GT(texts.size(), 1u);
    for (const auto& text : texts)
        EXPECT_LT(text.size(), MaxHandoffData);

    const pid_t copy = secondCopy(arguments);
    EXPECT_EQ(serveUntilExit(copy), Delivered);
    EXPECT_EQ(target.paths, arguments);
}

TEST_F(Handoff, SilentPeerHoldsUpNobodyAndIsDropped) {
    TInstanceLock lock(InstanceIdentity);
    TRecordingTarget target;
    THandoffReceiver receiver(lock, target);

    // Says nothing and keeps the connection open.
    const auto silentStart = TClock::now();
    TPipe silentConnected;
    const pid_t silent = rawPeer(socketPath(), "", false, 10000ms, &silentConnected);
    // Sends the header only, promising text that never comes.
    TPipe stalledSent; // made after the first child, which then holds none of it
    const pid_t stalled = rawPeer(socketPath(), EncodeHandoffFrame("a,b", "").substr(0, 10), false,
                                  10000ms, &stalledSent);
    ASSERT_TRUE(silentConnected.Wait());
    ASSERT_TRUE(stalledSent.Wait());

    const pid_t copy = secondCopy({"/photos/a.jpg"});
    const int copyDone = serveUntilExit(copy);
    EXPECT_EQ(copyDone, Delivered);
    EXPECT_LT(TClock::now() - silentStart, THandoffEndpoint::ConnectionDeadline);
    EXPECT_EQ(target.paths, std::vector<std::string>{"/photos/a.jpg"});

    // Both are hung up on at their deadline, without a reply. (Qt's coarse
    // timers may fire up to 5% early.)
    EXPECT_EQ(serveUntilExit(silent), 0);
    EXPECT_EQ(serveUntilExit(stalled), 0);
    EXPECT_GE(TClock::now() - silentStart, THandoffEndpoint::ConnectionDeadline * 9 / 10);
    EXPECT_EQ(target.paths.size(), 1u);
}

TEST_F(Handoff, BadFramesQueueNothingAndGetNoReply) {
    TInstanceLock lock(InstanceIdentity);
    TRecordingTarget target;
    THandoffReceiver receiver(lock, target);

    const std::string good = EncodeHandoffFrame("/x/a.jpg,/x/b.jpg", "");
    std::string otherMagic = good;
    otherMagic[0] = '\x22';
    std::string noNul = good;
    noNul[8 + 17] = 'X'; // the NUL after the text
    std::string cbDataShort = good;
    cbDataShort[4] = 5; // cuts the text inside its first path
    const std::vector<std::pair<const char*, std::string>> frames = {
        {"other magic", otherMagic},
        {"no NUL", noNul},
        {"cbData smaller than the text", cbDataShort},
        {"cbData larger than what arrives", good.substr(0, 20)},
        {"unclosed quote", EncodeHandoffFrame(R"(/x/a.jpg,"/x/b c.jpg)", "")},
        {"oversize", std::string("\x11\x11\0\0\x01\x00\x20\x00", 8) + std::string(65536, 'y')},
    };
    for (const auto& [what, bytes] : frames) {
        const pid_t peer = rawPeer(socketPath(), bytes, true);
        EXPECT_EQ(serveUntilExit(peer), 0) << what;
    }
    EXPECT_TRUE(target.events.empty());

    // The endpoint still serves a proper frame afterwards.
    const pid_t peer = rawPeer(socketPath(), good, true);
    EXPECT_EQ(serveUntilExit(peer), 1);
    EXPECT_EQ(target.paths, (std::vector<std::string>{"/x/a.jpg", "/x/b.jpg"}));
}

TEST_F(Handoff, SessionsThatThrowAnythingDropTheirPeerAndTheEndpointServesOn) {
    // Wants three bytes and answers "ok" for them, unless told to throw on
    // the way: what a frame reader, or the target behind it, might do.
    class Session : public IHandoffSession {
    public:
        explicit Session(int failing) : m_failing(failing) {}
        std::size_t Wanted() const override {
            if (m_failing == 1)
                throw std::out_of_range("no such state");
            return 3 - m_got.size();
        }
        void Feed(std::string_view bytes) override {
            if (m_failing == 2)
                throw 42;
            m_got += bytes;
        }
        std::string Finish() override {
            if (m_failing == 3)
                throw std::bad_alloc();
            return "ok";
        }

    private:
        int m_failing;
        std::string m_got;
    };
    int made = 0;
    THandoffEndpoint endpoint(socketPath(), true, [&]() -> std::unique_ptr<IHandoffSession> {
        const int failing = made++;
        if (failing == 0)
            throw std::overflow_error("no session for you");
        return std::make_unique<Session>(failing);
    });
    for (int peer = 0; peer < 4; ++peer)
        EXPECT_EQ(serveUntilExit(rawPeer(socketPath(), "abc", true)), 0)
            << "peer " << peer << " is dropped without a reply";
    EXPECT_EQ(made, 4);
    EXPECT_EQ(serveUntilExit(rawPeer(socketPath(), "abc", true)), 1) << "and the next is served";
}

TEST_F(Handoff, PeerOfAnotherUserIsRefused) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    TInstanceLock lock(InstanceIdentity);
    TRecordingTarget target;
    THandoffReceiver receiver(lock, target);
    // Open the way on purpose, so that only the peer check stands between.
    fs::permissions(m_runtime.path(), fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(socketPath(), fs::perms::all);

    const std::string frame = EncodeHandoffFrame("/etc/intruder.jpg", "");
    const pid_t intruder = runChild([&] {
        if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)
            return 5;
        const int fd = connectRaw(socketPath());
        if (fd < 0)
            return 3;
        ::send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
        char reply[4];
        const ssize_t got = ::recv(fd, reply, sizeof(reply), 0);
        return got > 0 ? 1 : 0;
    });
    EXPECT_EQ(serveUntilExit(intruder), 0);
    EXPECT_TRUE(target.events.empty());
}

TEST_F(Handoff, PathsAreNeverSentToAnotherUsersListener) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to act as another user";
    // Someone else listens under our socket name and would acknowledge
    // anything.
    TempDir shared;
    fs::permissions(shared.path(), fs::perms::all);
    const std::string path = HandoffSocketPath(shared.path().string(), InstanceIdentity);
    TPipe ready;
    const pid_t impostor = runChild([&] {
        if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)
            return 5;
        const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
            ::listen(listener, 4) != 0)
            return 6;
        ready.Signal();
        const int peer = ::accept(listener, nullptr, nullptr);
        char buffer[256];
        const ssize_t got = ::recv(peer, buffer, sizeof(buffer), 0);
        const std::string ack = EncodeHandoffAck();
        ::send(peer, ack.data(), ack.size(), MSG_NOSIGNAL);
        return got > 0 ? 1 : 0;
    });
    ASSERT_TRUE(ready.Wait());

    TInstanceLock lock(InstanceIdentity, shared.path().string());
    EXPECT_FALSE(SendArgumentsToRunningInstance(lock, {"/secret/a.jpg"}, {}, TClock::now() + 1s));
    EXPECT_EQ(waitExit(impostor), 0) << "the paths reached the other user";
}

TEST_F(Handoff, DeliversWhenTheEndpointAppearsLate) {
    // The running copy holds the lock but is still starting: no socket yet.
    TInstanceLock lock(InstanceIdentity);
    ASSERT_TRUE(lock.HoldsLock());
    const pid_t copy = secondCopy({"/late/a.jpg", "/late/b.jpg"});
    // Ten tries (half a second and more) reach nobody; it keeps trying.
    ASSERT_TRUE(m_log.waitFor(notReached(copy), 10));
    EXPECT_EQ(::waitpid(copy, nullptr, WNOHANG), 0) << "the second copy gave up early";

    TRecordingTarget target;
    THandoffReceiver receiver(lock, target);
    EXPECT_EQ(serveUntilExit(copy), Delivered);
    EXPECT_EQ(target.paths, (std::vector<std::string>{"/late/a.jpg", "/late/b.jpg"}));
}

TEST_F(Handoff, BurstOfLaunchesWhileStartingLosesNothing) {
    TInstanceLock lock(InstanceIdentity);
    std::vector<pid_t> copies;
    for (int i = 0; i < 20; ++i)
        copies.push_back(secondCopy(
            {"/burst/" + std::to_string(i) + " a.jpg", "/burst/" + std::to_string(i) + " b.jpg"}));
    // Every one has tried once and found no endpoint yet.
    for (const pid_t copy : copies)
        ASSERT_TRUE(m_log.waitFor(notReached(copy)));

    TRecordingTarget target;
    THandoffReceiver receiver(lock, target);
    for (const pid_t copy : copies)
        EXPECT_EQ(serveUntilExit(copy), Delivered);

    ASSERT_EQ(target.paths.size(), 40u);
    std::set<std::string> unique(target.paths.begin(), target.paths.end());
    EXPECT_EQ(unique.size(), 40u);
    // Each copy's own two paths stay together and in order.
    for (std::size_t i = 0; i < target.paths.size(); i += 2) {
        const std::string& first = target.paths[i];
        ASSERT_EQ(first.substr(first.size() - 5), "a.jpg");
        EXPECT_EQ(target.paths[i + 1], first.substr(0, first.size() - 5) + "b.jpg");
    }
}

TEST_F(Handoff, BecomesFirstWhenTheRunningCopyEnds) {
    // The running copy is shutting down: its socket is gone, the lock is held
    // until its process ends.
    TPipe ready, release;
    const pid_t holder = holdLockInChild(ready, release);
    TInstanceLock lock(InstanceIdentity);
    ASSERT_TRUE(lock.IsAlreadyRunning());

    // It ends once we have tried to reach it, and found no endpoint, twice.
    std::thread ending([&] {
        m_log.waitFor(notReached(::getpid()), 2);
        release.Signal();
    });
    const auto start = TClock::now();
    EXPECT_EQ(HandOffOrBecomeFirst(lock, {"/mine.jpg"}, {}), THandoffOutcome::BecameFirst);
    EXPECT_LT(TClock::now() - start, 5s);
    EXPECT_TRUE(lock.HoldsLock());
    ending.join();
    EXPECT_EQ(waitExit(holder), 0);

    // As the running copy now, it takes over the socket name the other left.
    TRecordingTarget target;
    THandoffReceiver receiver(lock, target);
    EXPECT_EQ(serveUntilExit(secondCopy({"/next.jpg"})), Delivered);
    EXPECT_EQ(target.paths, std::vector<std::string>{"/next.jpg"});
}

TEST_F(Handoff, GivesUpWhenNobodyEverListens) {
    TPipe ready, release;
    const pid_t holder = holdLockInChild(ready, release);
    TInstanceLock lock(InstanceIdentity);

    auto start = TClock::now();
    EXPECT_EQ(HandOffOrBecomeFirst(lock, {"/lost.jpg"}, {}, 400ms), THandoffOutcome::GaveUp);
    EXPECT_GE(TClock::now() - start, 400ms);

    // Without paths there is nothing to keep: it tries only briefly.
    start = TClock::now();
    EXPECT_EQ(HandOffOrBecomeFirst(lock, {}, {}), THandoffOutcome::GaveUp);
    EXPECT_GE(TClock::now() - start, ActivationPatience);
    EXPECT_LT(TClock::now() - start, ActivationPatience + 2s);

    release.Signal();
    EXPECT_EQ(waitExit(holder), 0);
}

TEST_F(Handoff, StaleSocketIsReplacedOnlyUnderTheLock) {
    // A crashed copy leaves its socket file behind, with nobody listening.
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath().c_str(), sizeof(address.sun_path) - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        ::close(fd);
    }
    ASSERT_TRUE(fs::exists(socketPath()));
    auto noSessions = [] { return std::unique_ptr<IHandoffSession>(); };
    try {
        THandoffEndpoint endpoint(socketPath(), false, noSessions);
        ADD_FAILURE() << "listened over another's socket file";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), EADDRINUSE);
    }

    TInstanceLock lock(InstanceIdentity);
    ASSERT_TRUE(lock.HoldsLock());
    {
        TRecordingTarget target;
        THandoffReceiver receiver(lock, target);
        EXPECT_EQ(serveUntilExit(secondCopy({"/after/crash.jpg"})), Delivered);
        EXPECT_EQ(target.paths, std::vector<std::string>{"/after/crash.jpg"});
    }
    // Gone with the receiver, so that a second copy knows at once.
    EXPECT_FALSE(fs::exists(socketPath()));
}
