// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The second copy's side of the handoff. A copy that finds the instance lock
// held hands its arguments to the running copy and ends; it never starts the
// GUI and needs no display.
//
// No path is lost on the way. The running copy may be starting (lock held, no
// socket yet) or ending (socket gone, lock still held), so a copy that holds
// paths keeps trying for HandoffPatience: it sends as soon as the socket
// answers, and if the lock comes free first, it becomes the running copy
// itself and queues its own paths. A send counts only once the running copy
// has acknowledged that every path is queued. A launch without arguments
// only asks the running copy to come forward, and tries for
// ActivationPatience.

#include <chrono>
#include <string>
#include <vector>

namespace kelvara {

class TInstanceLock;

inline constexpr std::chrono::milliseconds HandoffPatience{10000};
inline constexpr std::chrono::milliseconds ActivationPatience{1000};
// How long one send waits for the acknowledgement at least, however little
// patience is left: the running copy's main thread may be busy for a moment.
inline constexpr std::chrono::milliseconds AckPatience{5000};
// Pause between two tries.
inline constexpr std::chrono::milliseconds HandoffRetryInterval{50};

// The token with which the launcher allows our window to come forward:
// XDG_ACTIVATION_TOKEN (Wayland), else DESKTOP_STARTUP_ID (X11 startup
// notification); empty when neither is set or the value cannot be carried.
std::string LaunchActivationToken();

// The arguments as the running copy must take them. It works in a folder of
// its own (the home folder, when the menu started it), so a relative path
// means only what it means here: each is made absolute against our own
// working folder, "." and ".." resolved as text as the intake does. One that
// cannot be (our working folder is gone) goes as written.
std::vector<std::string> HandoffPaths(const std::vector<std::string>& arguments);

// The comma texts that carry `arguments`, as they stand and in order: one
// text, unless the list is too long for one message (more than a mebibyte of
// text), when it is cut between items into as few texts as fit. No arguments
// give one empty text, which asks only for activation. Throws
// std::length_error for a single argument too long for any message.
std::vector<std::string> HandoffTexts(const std::vector<std::string>& arguments);

// One try to send one text with the token to the running copy named by the
// lock, waiting for its acknowledgement until `deadline` (AckPatience at
// least). True once acknowledged; false when nobody answered or the send
// failed.
bool SendHandoffText(const TInstanceLock& lock, const std::string& text,
                     const std::string& activationToken,
                     std::chrono::steady_clock::time_point deadline);

// One try to send all of HandoffTexts(arguments) in turn. True once every
// text is acknowledged.
bool SendArgumentsToRunningInstance(const TInstanceLock& lock,
                                    const std::vector<std::string>& arguments,
                                    const std::string& activationToken,
                                    std::chrono::steady_clock::time_point deadline);

enum class THandoffOutcome {
    Delivered,   // the running copy has the paths: end now, exit code 0
    BecameFirst, // the lock is ours now: start as the running copy
    GaveUp,      // neither within the patience: say so on standard error, exit code 1
};

// The decision loop of a copy whose lock test found another copy running.
// `patience` applies when there are arguments; without any, the loop gives up
// after the smaller of `patience` and ActivationPatience. A text once
// acknowledged is not sent again. BecameFirst means: queue all of your own
// arguments (the copy that ended may have taken part of a long list and not
// got round to it).
THandoffOutcome HandOffOrBecomeFirst(TInstanceLock& lock, const std::vector<std::string>& arguments,
                                     const std::string& activationToken,
                                     std::chrono::milliseconds patience = HandoffPatience);

} // namespace kelvara
