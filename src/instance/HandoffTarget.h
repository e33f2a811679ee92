// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the running copy does with a handoff: the main window implements this
// (or an adapter over it does). Both run on the main thread, in this order:
// first Activate, so the window is restored and in front before the paths
// arrive, then QueuePaths with every item of the message in the order sent.

#include <string>
#include <vector>

namespace kelvara {

class IHandoffTarget {
public:
    virtual ~IHandoffTarget() = default;

    // Restore the window if it is minimised, raise and activate it. Every
    // accepted handoff asks for this, one without paths included. The token
    // is the one the second copy's launcher gave it (XDG_ACTIVATION_TOKEN or
    // DESKTOP_STARTUP_ID), empty when there was none; the window manager
    // lets the window come forward on its strength.
    virtual void Activate(const std::string& activationToken) = 0;

    // The paths of one message, queued together. Each is exactly as the
    // second copy sent it: a full path (the sender resolves its relative
    // ones in its own working folder), or, where it could not, the path as
    // written, resolved here against our own.
    virtual void QueuePaths(const std::vector<std::string>& paths) = 0;
};

} // namespace kelvara
