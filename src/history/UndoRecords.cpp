// SPDX-License-Identifier: GPL-3.0-or-later
// The history's side of an undo (history/Undo.h moves the files): what is
// left to move back, and the undo's own intents and stayed files.
#include "history/History.h"
#include "history/HistoryRecords.h"
#include "history/Sqlite.h"

namespace kelvara {

std::vector<THistory::TUndoable> THistory::Undoable(TRunId run) {
    std::lock_guard guard(m_mutex);
    std::vector<TIntentId> intents;
    {
        TStatement find(*m_db, "SELECT id FROM intents WHERE run = ? ORDER BY id DESC");
        find.Bind(1, run);
        while (find.Step())
            intents.push_back(find.Int(0));
    }
    // What could not be settled at the start (a card not put in) may be now;
    // and an undo of this run cut off may have left its own open.
    {
        TTransaction transaction(*m_db);
        std::vector<TIntentId> open;
        TStatement find(*m_db,
                        "SELECT id FROM intents WHERE outcome IS NULL AND (run = ?1 OR reverses "
                        "IN (SELECT id FROM intents WHERE run = ?1)) ORDER BY id");
        find.Bind(1, run);
        while (find.Step())
            open.push_back(find.Int(0));
        for (const TIntentId intent : open)
            SettleLocked(intent);
        transaction.Commit();
    }
    std::vector<TUndoable> groups;
    for (const TIntentId intent : intents) {
        const TStoredIntent stored = ReadIntent(*m_db, intent);
        TUndoable group;
        group.intent = intent;
        group.folder = stored.folder;
        for (const TStoredFile& file : stored.files) {
            if (file.moved.value_or(false) && !file.back) {
                group.files.push_back(file.rename);
                group.positions.push_back(file.position);
            }
        }
        if (!group.files.empty())
            groups.push_back(std::move(group));
    }
    return groups;
}

std::vector<TIntentId> THistory::WriteUndoIntents(TRunId undoRun,
                                                  const std::vector<TUndoable>& groups) {
    std::vector<TIntent> intents;
    std::vector<TIntentId> reverses;
    std::vector<std::vector<int>> positions;
    for (const TUndoable& group : groups) {
        TIntent intent{group.folder, {}};
        for (const TFileRename& file : group.files)
            intent.files.push_back({file.newName, file.oldName, file.identity});
        intents.push_back(std::move(intent));
        reverses.push_back(group.intent);
        positions.push_back(group.positions);
    }
    std::lock_guard guard(m_mutex);
    return WriteIntentsLocked(undoRun, intents, &reverses, &positions);
}

void THistory::RecordStayed(TRunId undoRun,
                            const std::vector<std::pair<TIntentId, TKeptFile>>& files) {
    std::lock_guard guard(m_mutex);
    TTransaction transaction(*m_db);
    TStatement kept(*m_db,
                    "INSERT INTO kept(run, folder, name, reason, intent) VALUES(?, ?, ?, ?, ?)");
    for (const auto& [intent, file] : files) {
        kept.Bind(1, undoRun).BindBytes(2, file.folder).BindBytes(3, file.name);
        kept.Bind(4, static_cast<std::int64_t>(file.reason)).Bind(5, intent);
        kept.Run();
    }
    transaction.Commit();
}

} // namespace kelvara
