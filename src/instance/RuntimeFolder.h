// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The folder where the running copy keeps its instance lock and its handoff
// socket. Only the user's own processes may reach it: anyone who could put a
// file there could take the lock from us or pose as the running copy.
//
// $XDG_RUNTIME_DIR when it is set to an absolute path of a folder that we own
// and that nobody else may write to; otherwise kelvara-<uid> in $TMPDIR (an
// absolute path; /tmp when unset), created mode 0700. A folder of that name
// that another user owns, a link (to anything) or a file in its place is
// never used and never followed; one of ours with wider rights is narrowed
// to 0700 first.

#include <string>

namespace kelvara {

// Throws std::system_error when no such folder can be had; its text says
// why (the folder belongs to another user, is a link, is no folder, ...).
std::string InstanceRuntimeFolder();

} // namespace kelvara
