// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading and updating the records of one intent, shared by the recording,
// the settling and the queries. Callers hold the history's lock and, where
// they write, a transaction.

#include "history/HistoryTypes.h"

#include <vector>

namespace kelvara {

class TSqlite;

struct TStoredFile {
    int position = 0;
    TFileRename rename;
    // NULL until known.
    std::optional<bool> moved;
    bool back = false;
};

struct TStoredIntent {
    TIntentId id = 0;
    TRunId run = 0;
    std::string folder;
    std::optional<TIntentId> reverses;
    std::vector<TStoredFile> files; // by position
};

TStoredIntent ReadIntent(TSqlite& db, TIntentId intent);

// Where the intent is an undo's: the files of the intent it reverses that
// have now moved back are marked so.
void MarkMovedBack(TSqlite& db, TIntentId undoIntent);
// Its statement, with the undo intent as parameter 1.
extern const char* const MarkMovedBackSql;

// The full path of `name` in `folder`.
std::string InFolder(const std::string& folder, const std::string& name);

} // namespace kelvara
