// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing a small file whole or not at all: what every shortcut, Send To
// action and state file goes through, so that a crash, a full disk or a
// missing folder never leaves a half-written file that a menu, a file
// manager or the next start would read.

#include <string>
#include <sys/types.h>

namespace kelvara {

// Writes `text` to `folder`/`name` with the permissions `mode`: through a
// hidden temporary file in the same folder (a dot name without the final
// extension, so no menu or file manager picks it up), flushed to disk and
// renamed over the final name only once complete. An existing file of that
// name is replaced; a failure leaves it as it was and no temporary behind.
// Throws std::system_error with the system's code; its text names the file.
void WriteFileAtomically(const std::string& folder, const std::string& name,
                         const std::string& text, mode_t mode);

// Replaces the file at `path` by `text` as WriteFileAtomically does. An
// existing file keeps its permissions, and one we may not write is refused
// (EACCES) rather than replaced; a new one gets the permissions the user's
// file-creation mask leaves of rw-rw-rw-.
void ReplaceFileWhole(const std::string& path, const std::string& text);

} // namespace kelvara
