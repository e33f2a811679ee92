// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/AtomicFile.h"

#include "base/PathName.h"
#include "base/SystemError.h"
#include "base/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kelvara {

namespace {

// A hidden file beside the target: removed when it goes unless committed,
// its descriptor always closed.
class TTemporaryFile {
public:
    TTemporaryFile(const std::string& folder, const std::string& name) {
        const std::string pattern = PathInFolder(folder, "." + name + "-XXXXXX");
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        m_fd.reset(mkostemp(buffer.data(), O_CLOEXEC));
        if (!m_fd.valid())
            ThrowSystemError(errno, "create " + PathInFolder(folder, name));
        m_path.assign(buffer.data());
    }
    ~TTemporaryFile() {
        m_fd.reset();
        if (!m_committed)
            unlink(m_path.c_str());
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    void Write(const std::string& text) {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = write(m_fd.get(), text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                ThrowSystemError(errno, "write " + m_path);
            done += static_cast<std::size_t>(n);
        }
    }

    // Sets the mode, flushes to disk and renames over `target`.
    void Commit(mode_t mode, const std::string& target) {
        if (fchmod(m_fd.get(), mode) != 0)
            ThrowSystemError(errno, "chmod " + m_path);
        if (fsync(m_fd.get()) != 0)
            ThrowSystemError(errno, "write " + m_path);
        const int fd = m_fd.release();
        // A failing close can be the first report of a failed write (NFS).
        if (close(fd) != 0)
            ThrowSystemError(errno, "write " + m_path);
        if (rename(m_path.c_str(), target.c_str()) != 0)
            ThrowSystemError(errno, "create " + target);
        m_committed = true;
    }

private:
    TUniqueFd m_fd;
    std::string m_path;
    bool m_committed = false;
};

// The process's file-creation mask, read without changing it (umask() would
// change it for every thread while it is read).
mode_t CreationMask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("Umask:"))
            return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    return 022;
}

} // namespace

void WriteFileAtomically(const std::string& folder, const std::string& name,
                         const std::string& text, mode_t mode) {
    if (folder.empty())
        ThrowSystemError(ENOENT, "create " + name + ": no folder");
    TTemporaryFile file(folder, name);
    file.Write(text);
    file.Commit(mode, PathInFolder(folder, name));
}

void ReplaceFileWhole(const std::string& path, const std::string& text) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : path.substr(0, slash == 0 ? 1 : slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    struct stat existing {};
    mode_t mode = 0666 & ~CreationMask();
    if (stat(path.c_str(), &existing) == 0) {
        // A file made read-only stays as it is: replacing it through its
        // folder would go round what its owner set.
        if (access(path.c_str(), W_OK) != 0)
            ThrowSystemError(errno, "write " + path);
        mode = existing.st_mode & 07777;
    }
    WriteFileAtomically(folder, name, text, mode);
}

} // namespace kelvara
