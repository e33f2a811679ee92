#pragma once
// The folder where the running copy keeps its instance lock and its handoff
// socket. Only the user's own processes may reach it: anyone who could put a
// file there could take the lock from us or pose as the running copy.
//
// $XDG_RUNTIME_DIR when it is set to an absolute path of a folder that we own
// and that nobody else may write to; otherwise /tmp/kelvara-<uid>, created
// mode 0700. A /tmp folder of that name that is no folder (a link, say) or
// belongs to another user is refused; one of ours with wider rights is
// narrowed to 0700 first.

#include <string>

namespace kelvara {

// Throws std::system_error when no such folder can be had.
std::string InstanceRuntimeFolder();

} // namespace kelvara
