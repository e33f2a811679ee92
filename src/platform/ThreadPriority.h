// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The priority of the calling thread among the program's own and the
// system's others.

namespace kelvara {

// Lets every other thread of ordinary priority go first when the processor
// is busy: for a thread whose work has time to spare (the reader thread
// prepares a file a whole pacing interval before its step), so that it never
// holds up the main thread or the pacing thread. Silently keeps the priority
// where the system refuses.
void YieldToOtherThreads();

} // namespace kelvara
