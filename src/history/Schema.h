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
//                   (NULL until known), why a kept one was kept and which
//                   source gave the shooting date (NULL when not known;
//                   added in version 2)
//   intent_files    each file of an intent, the photo first: old and new
//                   name (bytes), its identity, whether it has moved (NULL
//                   until known) and whether an undo has moved it back
//   kept            a file a run left alone, and why

namespace kelvara {

class TSqlite;

inline constexpr int HistorySchemaVersion = 2;

// Looks, without writing, whether the file holds our tables: true when it
// does, false when it holds no tables at all (a new file). Throws
// THistoryError: Damaged when it holds tables that are not ours or not all
// that their version says, Other when it is of a newer version.
bool CheckSchema(TSqlite& db);

// Creates the tables (`fresh`) or brings them up to date.
void PrepareSchema(TSqlite& db, bool fresh);

} // namespace kelvara
