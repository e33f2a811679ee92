#include "platform/FolderProbe.h"

#include "platform/SystemError.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace kelvara {

TFolderProbe::TFolderProbe(const std::string& folder)
    // O_PATH: the folder is only a base for lookups, never read; that needs
    // no read right on it and costs no directory stream.
    : m_folder(::open(folder.empty() ? "." : folder.c_str(),
                      O_PATH | O_DIRECTORY | O_CLOEXEC)) {
    if (!m_folder.valid())
        ThrowSystemError(errno, "cannot open folder " + folder);
}

TEntryKind TFolderProbe::Look(const std::string& name) const {
    struct stat info {};
    if (::fstatat(m_folder.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0)
        return S_ISREG(info.st_mode) ? TEntryKind::RegularFile : TEntryKind::Other;
    const int code = errno;
    // A name longer than the file system takes cannot be there.
    if (code == ENOENT || code == ENAMETOOLONG)
        return TEntryKind::None;
    ThrowSystemError(code, "cannot look up " + name);
}

} // namespace kelvara
