#include "platform/ShellLink.h"

#include "platform/PathName.h"
#include "platform/SpecialFolder.h"
#include "platform/SystemError.h"
#include "platform/UniqueFd.h"
#include "platform/linux/DesktopEntry.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kelvara {

namespace {

// The icon theme name the program's icon is installed under.
constexpr char ProgramIconName[] = "kelvara";

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
        m_fd.reset(mkostemp(buffer.data(), O_CLOEXEC));
        if (!m_fd.valid())
            ThrowSystemError(errno, "create shortcut in " + folder);
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
            ThrowSystemError(errno, "create shortcut " + target);
        m_committed = true;
    }

private:
    TUniqueFd m_fd;
    std::string m_path;
    bool m_committed = false;
};

} // namespace

std::string ShellLinkFileName(const std::string& folder, const std::string& linkName) {
    return InFolder(folder, linkName + ".desktop");
}

void SaveShellLink(const TShellLink& link, const std::string& folder, const std::string& linkName) {
    if (folder.empty())
        ThrowSystemError(ENOENT, "create shortcut " + linkName + ".desktop: no folder");

    TDesktopEntry entry;
    entry.name = linkName;
    entry.icon = ProgramIconName;
    entry.exec.push_back(link.Path);
    if (!link.Arguments.empty())
        entry.exec.push_back(link.Arguments);
    entry.path = link.WorkingDirectory;
    mode_t mode = 0644;
    if (IsSameFolder(folder, SpecialFolderPath(TSpecialFolder::SendTo))) {
        entry.execTakesFiles = true;
        entry.mimeTypes.assign(PhotoMimeTypes.begin(), PhotoMimeTypes.end());
    } else if (IsSameFolder(folder, SpecialFolderPath(TSpecialFolder::Desktop))) {
        mode = 0755;
    }
    const std::string text = DesktopEntryText(entry);

    TTemporaryFile file(folder, linkName);
    file.Write(text);
    file.Commit(mode, ShellLinkFileName(folder, linkName));
}

} // namespace kelvara
