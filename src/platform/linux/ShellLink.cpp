#include "platform/ShellLink.h"

#include "platform/SpecialFolder.h"
#include "platform/linux/DesktopEntry.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace kelvara {

namespace {

// The icon theme name the program's icon is installed under.
constexpr char ProgramIconName[] = "kelvara";

[[noreturn]] void ThrowErrno(int code, const std::string& what) {
    throw std::system_error(code, std::generic_category(), what);
}

std::string WithoutTrailingDelimiter(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string InFolder(const std::string& folder, const std::string& name) {
    const std::string base = WithoutTrailingDelimiter(folder);
    return (base == "/" ? base : base + "/") + name;
}

// Same folder by text, or by identity where both exist (a symlinked home).
bool IsSameFolder(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    if (a.empty() || b.empty())
        return false;
    if (fs::path(WithoutTrailingDelimiter(a)).lexically_normal() ==
        fs::path(WithoutTrailingDelimiter(b)).lexically_normal())
        return true;
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

// A hidden file beside the target: removed when it goes unless committed,
// its descriptor always closed.
class TTemporaryFile {
public:
    TTemporaryFile(const std::string& folder, const std::string& name) {
        // Hidden and without the entry's extension, so that no menu or
        // desktop picks up a half-written entry.
        const std::string pattern = InFolder(folder, "." + name + "-XXXXXX");
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        m_fd = mkostemp(buffer.data(), O_CLOEXEC);
        if (m_fd < 0)
            ThrowErrno(errno, "create shortcut in " + folder);
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
            ThrowErrno(errno, "create shortcut " + target);
        m_committed = true;
    }

private:
    int m_fd = -1;
    std::string m_path;
    bool m_committed = false;
};

} // namespace

std::string ShellLinkFileName(const std::string& folder, const std::string& linkName) {
    return InFolder(folder, linkName + ".desktop");
}

void SaveShellLink(const TShellLink& link, const std::string& folder, const std::string& linkName) {
    if (folder.empty())
        ThrowErrno(ENOENT, "create shortcut " + linkName + ".desktop: no folder");

    TDesktopEntry entry;
    entry.Name = linkName;
    entry.Icon = ProgramIconName;
    entry.Exec.push_back(link.Path);
    if (!link.Arguments.empty())
        entry.Exec.push_back(link.Arguments);
    entry.Path = link.WorkingDirectory;
    mode_t mode = 0644;
    if (IsSameFolder(folder, SpecialFolderPath(TSpecialFolder::SendTo))) {
        entry.ExecTakesFiles = true;
        entry.MimeTypes.assign(PhotoMimeTypes.begin(), PhotoMimeTypes.end());
    } else if (IsSameFolder(folder, SpecialFolderPath(TSpecialFolder::Desktop))) {
        mode = 0755;
    }
    const std::string text = DesktopEntryText(entry);

    TTemporaryFile file(folder, linkName);
    file.Write(text);
    file.Commit(mode, ShellLinkFileName(folder, linkName));
}

} // namespace kelvara
