// SPDX-License-Identifier: GPL-3.0-or-later
#include "instance/InstanceLock.h"

#include "base/PathName.h"
#include "instance/Log.h"
#include "instance/RuntimeFolder.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <system_error>

namespace kelvara {

TInstanceLock::TInstanceLock(std::string_view name) : m_name(name) {
    try {
        m_folder = InstanceRuntimeFolder();
    } catch (const std::system_error& error) {
        // No private folder: nobody can be found, so we are the first copy.
        m_folderError = error.what();
        LogDebug(lcInstance) << "no runtime folder, running alone:" << error.what();
        return;
    }
    Try();
}

TInstanceLock::TInstanceLock(std::string_view name, std::string folder)
    : m_name(name), m_folder(std::move(folder)) {
    Try();
}

TInstanceLock::~TInstanceLock() {
    Release();
}

void TInstanceLock::Release() {
    if (!m_fd.valid())
        return;
    m_fd.reset();
    // Tests read this line: a later copy may start from now on.
    LogDebug(lcInstance) << "instance lock released";
}

bool TInstanceLock::TryToBecomeFirst() {
    if (m_otherHolder)
        Try();
    return !m_otherHolder;
}

void TInstanceLock::Try() {
    m_otherHolder = false;
    if (m_folder.empty())
        return;
    const std::string path = PathInFolder(m_folder, m_name + ".lock");
    // Opened afresh on every try: the file is never removed, but a fresh
    // descriptor is right even if someone did remove it in between.
    TUniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.valid()) {
        const int error = errno;
        LogDebug(lcInstance) << "cannot open the lock file, running alone:" << DecodedPath(path)
                             << std::strerror(error);
        return;
    }
    int result;
    do {
        result = ::flock(fd.get(), LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    const int error = errno;
    if (result == 0)
        m_fd = std::move(fd);
    else if (error == EWOULDBLOCK)
        m_otherHolder = true;
    else
        LogDebug(lcInstance) << "cannot lock, running alone:" << std::strerror(error);
}

} // namespace kelvara
