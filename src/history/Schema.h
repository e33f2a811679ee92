// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The history's tables, and their version. A new file gets the current
// tables; a file of an older version is brought up to date in place (a
// later release adds its step here); a file of a newer one, written by a
// later release, is not touched.
//
//   schema_version  one row: the version of the tables below
//   runs            a run: kind, the run an undo moves back, start and end
//                   (milliseconds since the epoch), how it ended, its counts
//   run_paths       the paths given to a run, in order
//   intents         a rename about to happen: its run, its folder (bytes),
//                   the intent it moves back (an undo's), what became of it
//                   (NULL until known) and why a kept one was kept
//   intent_files    each file of an intent, the photo first: old and new
//                   name (bytes), its identity, whether it has moved (NULL
//                   until known) and whether an undo has moved it back
//   kept            a file a run left alone, and why

namespace kelvara {

class TSqlite;

inline constexpr int HistorySchemaVersion = 1;

// Creates the tables or brings them up to date. Throws THistoryError: Damaged
// when the tables are not what their version says, Other when the file is of
// a newer version.
void PrepareSchema(TSqlite& db);

} // namespace kelvara
