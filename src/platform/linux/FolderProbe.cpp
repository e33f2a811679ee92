// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FolderProbe.h"

#include "base/SystemError.h"
#include "base/UniqueFd.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace kelvara {

TFolderProbe::TFolderProbe(const std::string& folder)
    // O_PATH: the folder is only a base for lookups, never read; that needs
    // no read right on it and costs no directory stream.
    : m_folder(::open(folder.empty() ? "." : folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)) {
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

std::vector<std::string> TFolderProbe::HeldSpellings(const std::vector<std::string>& names) const {
    // The descriptor we hold is a lookup base only (O_PATH); reading needs a
    // descriptor of its own.
    TUniqueFd listing(::openat(m_folder.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!listing.valid())
        ThrowSystemError(errno, "cannot read folder");
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::fdopendir(listing.get()), &::closedir);
    if (!folder)
        ThrowSystemError(errno, "cannot read folder");
    listing.release(); // the stream owns it now

    std::vector<bool> held(names.size(), false);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(folder.get());
        if (entry == nullptr) {
            if (errno != 0)
                ThrowSystemError(errno, "cannot read folder");
            break;
        }
        for (std::size_t n = 0; n < names.size(); ++n)
            if (names[n] == entry->d_name)
                held[n] = true;
    }
    std::vector<std::string> spellings;
    for (std::size_t n = 0; n < names.size(); ++n)
        if (held[n])
            spellings.push_back(names[n]);
    return spellings;
}

} // namespace kelvara
