// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/Volumes.h"

#include <QProcess>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <linux/loop.h>
#include <poll.h>
#include <sched.h>
#include <sstream>
#include <stdexcept>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace kelvara::test {

namespace {

[[noreturn]] void fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Closes a descriptor on every way out.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// A free loop device attached to `image`, flagged to detach itself on its
// last close. Returns the device's path; `device` stays open until the
// caller lets go of it, so that the flag cannot clear the device early.
std::string attachLoopDevice(const fs::path& image, int& device) {
    const Fd control(::open("/dev/loop-control", O_RDWR | O_CLOEXEC));
    if (control.get() < 0)
        fail("open /dev/loop-control");
    const Fd backing(::open(image.c_str(), O_RDWR | O_CLOEXEC));
    if (backing.get() < 0)
        fail("open " + image.string());
    // Another process may take the free device between the two calls: try
    // the next one then.
    for (int attempt = 0; attempt < 16; ++attempt) {
        const int number = ::ioctl(control.get(), LOOP_CTL_GET_FREE);
        if (number < 0)
            fail("LOOP_CTL_GET_FREE");
        const std::string path = "/dev/loop" + std::to_string(number);
        // A container's /dev may hold only the first few nodes.
        if (::access(path.c_str(), F_OK) != 0 &&
            ::mknod(path.c_str(), S_IFBLK | 0660, makedev(7, number)) != 0 && errno != EEXIST)
            fail("mknod " + path);
        const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0)
            fail("open " + path);
        if (::ioctl(fd, LOOP_SET_FD, backing.get()) != 0) {
            const int code = errno;
            ::close(fd);
            if (code == EBUSY)
                continue;
            errno = code;
            fail("LOOP_SET_FD " + path);
        }
        loop_info64 info{};
        info.lo_flags = LO_FLAGS_AUTOCLEAR;
        std::strncpy(reinterpret_cast<char*>(info.lo_file_name), image.c_str(), LO_NAME_SIZE - 1);
        if (::ioctl(fd, LOOP_SET_STATUS64, &info) != 0) {
            const int code = errno;
            ::ioctl(fd, LOOP_CLR_FD, 0);
            ::close(fd);
            errno = code;
            fail("LOOP_SET_STATUS64 " + path);
        }
        device = fd;
        return path;
    }
    errno = EBUSY;
    fail("no free loop device");
}

// Waits until `folder` is mounted, woken by the kernel's note that the
// mount table changed; gives up when `server` ends first.
void waitForMount(const fs::path& folder, pid_t server) {
    const Fd table(::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC));
    if (table.get() < 0)
        fail("open mountinfo");
    for (;;) {
        if (IsMountPoint(folder))
            return;
        int status = 0;
        if (::waitpid(server, &status, WNOHANG) == server)
            throw std::runtime_error("exfat-fuse ended before it mounted " + folder.string());
        // The table must be read to the end before poll waits for the next
        // change.
        char buffer[4096];
        ::lseek(table.get(), 0, SEEK_SET);
        while (::read(table.get(), buffer, sizeof buffer) > 0) {
        }
        pollfd change{table.get(), POLLPRI, 0};
        // A server that fails to mount ends without changing the table:
        // look at it again now and then.
        if (::poll(&change, 1, 200) < 0 && errno != EINTR)
            fail("poll mountinfo");
    }
}

} // namespace

std::string EnterPrivateMountNamespace() {
    static const std::string answer = []() -> std::string {
        if (::geteuid() != 0)
            return "mounting needs root (CI runs the tests as root)";
        if (::unshare(CLONE_NEWNS) != 0)
            return std::string("no private mount namespace: ") + std::strerror(errno);
        // Mounts made from here on stay in this namespace.
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("cannot make the mounts private: ") + std::strerror(errno);
        return {};
    }();
    return answer;
}

bool IsMountPoint(const fs::path& folder) {
    std::ifstream table("/proc/self/mountinfo");
    std::string line;
    while (std::getline(table, line)) {
        // Fields: id, parent, major:minor, root, mount point, ...
        std::istringstream fields(line);
        std::string id, parent, device, root, mountPoint;
        fields >> id >> parent >> device >> root >> mountPoint;
        if (mountPoint == folder.string())
            return true;
    }
    return false;
}

TmpfsVolume::TmpfsVolume(const fs::path& folder) : m_folder(folder) {
    fs::create_directories(folder);
    if (::mount("kelvara-test", folder.c_str(), "tmpfs", 0, "size=64m") != 0)
        fail("mount tmpfs on " + folder.string());
}

TmpfsVolume::~TmpfsVolume() {
    if (::umount2(m_folder.c_str(), 0) != 0)
        ::umount2(m_folder.c_str(), MNT_DETACH);
}

ExfatVolume::ExfatVolume(const fs::path& image, const fs::path& folder, bool format)
    : m_folder(folder) {
    fs::create_directories(folder);
    if (format) {
        {
            std::ofstream(image, std::ios::binary).close();
            fs::resize_file(image, std::uintmax_t{128} << 20);
        }
        QProcess mkfs;
        mkfs.start("mkfs.exfat", {QString::fromStdString(image.string())});
        if (!mkfs.waitForFinished(60000) || mkfs.exitStatus() != QProcess::NormalExit ||
            mkfs.exitCode() != 0)
            throw std::runtime_error("mkfs.exfat failed: " +
                                     mkfs.readAllStandardError().toStdString());
    }

    int deviceFd = -1;
    const std::string device = attachLoopDevice(image, deviceFd);
    const Fd deviceHeld(deviceFd);
    m_server = ::fork();
    if (m_server < 0)
        fail("fork");
    if (m_server == 0) {
        // Dies with us, so a killed test leaves no server and no device.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        // -d keeps it in the foreground, as our child.
        ::execlp("mount.exfat-fuse", "mount.exfat-fuse", "-d", device.c_str(), folder.c_str(),
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    try {
        waitForMount(folder, m_server);
    } catch (...) {
        ::kill(m_server, SIGKILL);
        ::waitpid(m_server, nullptr, 0);
        throw;
    }
}

ExfatVolume::~ExfatVolume() {
    if (::umount2(m_folder.c_str(), 0) != 0)
        ::umount2(m_folder.c_str(), MNT_DETACH);
    // Unmounted, the server ends by itself once it has written everything
    // back to the image.
    int status = 0;
    while (::waitpid(m_server, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace kelvara::test
