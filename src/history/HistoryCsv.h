// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A run's list as CSV text (RFC 4180: comma-separated, fields quoted where
// they hold a comma, a quote or a line break), for the history window's copy
// and save: one line per file, "folder,old name,new name,what", where what
// is "renamed", "renamed, then undone", "not renamed (half-way)" or "kept:
// " and the reason. Names are written as the file system's bytes, so a name
// that is no UTF-8 stays the name it is.

#include "history/History.h"

#include <string>

namespace kelvara {

// The reason as a short English phrase ("no shooting date").
std::string KeptReasonText(TKeptReason reason);

std::string RunCsv(THistory& history, TRunId run);

} // namespace kelvara
