// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the history lives. A program that keeps its state file beside
// itself (a portable copy, the build tree) keeps its history there too, so
// that the copy takes it along; otherwise it is the user's state, in
// $XDG_STATE_HOME/kelvara/ (default ~/.local/state/kelvara/). The state
// file's place is decided by state/StateFileLocation.h; the history follows
// that decision.

#include <string>

namespace kelvara {

inline constexpr const char* HistoryFileName = "kelvara-history.sqlite";

// The history file for a program at `executablePath` whose state file is
// `stateFile` (both full paths). Empty when neither the state home nor the
// home folder is known.
std::string HistoryFileFor(const std::string& executablePath, const std::string& stateFile);

// $XDG_STATE_HOME (an absolute path), else ~/.local/state; empty when the
// home folder is unknown.
std::string StateHomeFolder();

} // namespace kelvara
