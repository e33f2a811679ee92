// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/AtomicFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace kelvara {

namespace {

[[noreturn]] void ThrowErrno(int code, const std::string& what) {
    throw std::system_error(code, std::generic_category(), what);
}

// A hidden file beside the target: removed when it goes unless committed,
// its descriptor always closed.
class TTemporaryFile {
public:
    TTemporaryFile(const std::string& folder, const std::string& name) {
        const std::string pattern = PathInFolder(folder, "." + name + "-XXXXXX");
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        m_fd = mkostemp(buffer.data(), O_CLOEXEC);
        if (m_fd < 0)
            ThrowErrno(errno, "create " + PathInFolder(folder, name));
        m_path.assign(buffer.data());
    }
    ~TTemporaryFile() {
        if (m_fd >= 0)
            close(m_fd);
        if (!m_committed)
            unlink(m_path.c_str());
    }
    TTemporaryFile(const TTemporaryFile&) = delete;
    TTemporaryFile& operator=(const TTemporaryFile&) = delete;

    void Write(const std::string& text) {
        std::size_t done = 0;
        while (done < text.size()) {
            const ssize_t n = write(m_fd, text.data() + done, text.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                ThrowErrno(errno, "write " + m_path);
            done += static_cast<std::size_t>(n);
        }
    }

    // Sets the mode, flushes to disk and renames over `target`.
    void Commit(mode_t mode, const std::string& target) {
        if (fchmod(m_fd, mode) != 0)
            ThrowErrno(errno, "chmod " + m_path);
        if (fsync(m_fd) != 0)
            ThrowErrno(errno, "write " + m_path);
        const int fd = m_fd;
        m_fd = -1;
        // A failing close can be the first report of a failed write (NFS).
        if (close(fd) != 0)
            ThrowErrno(errno, "write " + m_path);
        if (rename(m_path.c_str(), target.c_str()) != 0)
            ThrowErrno(errno, "create " + target);
        m_committed = true;
    }

private:
    int m_fd = -1;
    std::string m_path;
    bool m_committed = false;
};

} // namespace

std::string PathInFolder(const std::string& folder, const std::string& name) {
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return (base == "/" ? base : base + "/") + name;
}

void WriteFileAtomically(const std::string& folder, const std::string& name,
                         const std::string& text, mode_t mode) {
    if (folder.empty())
        ThrowErrno(ENOENT, "create " + name + ": no folder");
    TTemporaryFile file(folder, name);
    file.Write(text);
    file.Commit(mode, PathInFolder(folder, name));
}

} // namespace kelvara
