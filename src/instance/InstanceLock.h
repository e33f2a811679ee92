// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The single-instance lock: an exclusive flock on the file <name>.lock in the
// instance runtime folder. The first copy holds it for its whole life; the
// kernel drops it when that process ends, however it ends, so a crashed copy
// never blocks the next one.
//
// A lock that cannot be had for any other reason than another holder (no
// runtime folder, a file we may not open, a file system without locks) counts
// as "first copy": Kelvara then runs on its own rather than not at all.
//
// The descriptor is close-on-exec, so a program we start (a file manager,
// say) never inherits the lock and keeps it after we have gone.

#include "base/UniqueFd.h"

#include <string>
#include <string_view>

namespace kelvara {

class TInstanceLock {
public:
    // Finds the runtime folder and makes the first try.
    explicit TInstanceLock(std::string_view name);
    // The same in a given folder (no checks on the folder).
    TInstanceLock(std::string_view name, std::string folder);

    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // True when another process held the lock at the last try.
    bool IsAlreadyRunning() const { return m_otherHolder; }

    // Tries once more if another process held the lock. Returns true when
    // this copy now counts as the first: it holds the lock, or the lock could
    // not be had for another reason.
    bool TryToBecomeFirst();

    // True only when the flock itself is ours. Only then may we clear away
    // files that a crashed copy left behind.
    bool HoldsLock() const { return m_fd.valid(); }

    const std::string& Name() const { return m_name; }
    // Empty when no runtime folder could be had; FolderError then says why.
    const std::string& Folder() const { return m_folder; }
    const std::string& FolderError() const { return m_folderError; }

private:
    void Try();

    std::string m_name;
    std::string m_folder;
    std::string m_folderError;
    TUniqueFd m_fd;
    bool m_otherHolder = false;
};

} // namespace kelvara
