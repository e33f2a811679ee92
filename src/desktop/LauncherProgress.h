// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The progress bar that a dock or task manager draws over the program's
// entry while a run goes on, where the desktop offers one. Showing it is a
// courtesy: where nobody listens, nothing happens and nothing fails.

#include <memory>
#include <string>

namespace kelvara {

class ILauncherProgress {
public:
    virtual ~ILauncherProgress() = default;
    // Shows `fraction` (0 to 1, clamped) of the work as done.
    virtual void Show(double fraction) noexcept = 0;
    // Takes the bar away.
    virtual void Hide() noexcept = 0;
};

// The desktop's own, for the entry named `desktopFileId` (the installed
// menu entry's file name, "org.example.App.desktop"). `busName` names a
// D-Bus connection made beforehand (tests use a private bus); empty means
// the session bus.
std::unique_ptr<ILauncherProgress> CreateLauncherProgress(const std::string& desktopFileId,
                                                          const std::string& busName = {});

} // namespace kelvara
