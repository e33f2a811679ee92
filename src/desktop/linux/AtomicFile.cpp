// SPDX-License-Identifier: GPL-3.0-or-later
#include "desktop/linux/AtomicFile.h"

#include "base/PathName.h"
#include "base/SystemError.h"
#include "base/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
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

} // namespace

void WriteFileAtomically(const std::string& folder, const std::string& name,
                         const std::string& text, mode_t mode) {
    if (folder.empty())
        ThrowSystemError(ENOENT, "create " + name + ": no folder");
    TTemporaryFile file(folder, name);
    file.Write(text);
    file.Commit(mode, PathInFolder(folder, name));
}

} // namespace kelvara
