// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Real file systems for tests, mounted in a mount namespace of the test
// process's own: whatever happens to the test, even a kill half-way, no
// mount is left behind for the rest of the machine. Needs root (as CI runs);
// elsewhere the tests that use it skip, saying why.

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace kelvara::test {

// Moves this process into a private mount namespace, once; later calls give
// the first answer again. Must run before the process starts any thread.
// Empty on success, else why mounting is not possible here.
std::string EnterPrivateMountNamespace();

// A tmpfs on `folder`, unmounted when the object goes.
class TmpfsVolume {
public:
    explicit TmpfsVolume(const std::filesystem::path& folder);
    ~TmpfsVolume();
    TmpfsVolume(const TmpfsVolume&) = delete;
    TmpfsVolume& operator=(const TmpfsVolume&) = delete;

private:
    std::filesystem::path m_folder;
};

// An exFAT volume as a camera card has one: `image` is made (mkfs.exfat) and
// attached to a loop device that goes by itself when its last user closes
// it, and exfat-fuse serves it on `folder` as a child of ours that the
// kernel kills if we die. Unmounted, and the server waited for, when the
// object goes. Throws std::runtime_error when a step fails. With `format`
// false, an image made before is mounted again as it is: a card put back.
class ExfatVolume {
public:
    ExfatVolume(const std::filesystem::path& image, const std::filesystem::path& folder,
                bool format = true);
    ~ExfatVolume();
    ExfatVolume(const ExfatVolume&) = delete;
    ExfatVolume& operator=(const ExfatVolume&) = delete;

private:
    std::filesystem::path m_folder;
    pid_t m_server = -1;
};

// True once `folder` is a mount point in this namespace.
bool IsMountPoint(const std::filesystem::path& folder);

} // namespace kelvara::test
