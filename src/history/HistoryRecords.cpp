// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryRecords.h"

#include "history/Sqlite.h"

namespace kelvara {

TStoredIntent ReadIntent(TSqlite& db, TIntentId intent) {
    TStoredIntent stored;
    TStatement head(db, "SELECT run, folder, reverses FROM intents WHERE id = ?");
    head.Bind(1, intent);
    if (!head.Step())
        throw THistoryError(THistoryError::TKind::Other, db.File(),
                            "no intent " + std::to_string(intent));
    stored.id = intent;
    stored.run = head.Int(0);
    stored.folder = head.Bytes(1);
    stored.reverses = head.MaybeInt(2);

    TStatement files(db, "SELECT position, old_name, new_name, device, inode, size, modified, "
                         "stable_inode, moved, back FROM intent_files WHERE intent = ? "
                         "ORDER BY position");
    files.Bind(1, intent);
    while (files.Step()) {
        TStoredFile file;
        file.position = static_cast<int>(files.Int(0));
        file.rename.oldName = files.Bytes(1);
        file.rename.newName = files.Bytes(2);
        file.rename.identity.device = static_cast<std::uint64_t>(files.Int(3));
        file.rename.identity.inode = static_cast<std::uint64_t>(files.Int(4));
        file.rename.identity.size = files.Int(5);
        file.rename.identity.modified = files.Int(6);
        file.rename.identity.stableInode = files.Int(7) != 0;
        if (const auto moved = files.MaybeInt(8))
            file.moved = *moved != 0;
        file.back = files.Int(9) != 0;
        stored.files.push_back(std::move(file));
    }
    return stored;
}

const char* const MarkMovedBackSql = "UPDATE intent_files SET back = 1 "
                                     "WHERE intent = (SELECT reverses FROM intents WHERE id = ?1) "
                                     "AND position IN (SELECT position FROM intent_files "
                                     "                 WHERE intent = ?1 AND moved = 1)";

void MarkMovedBack(TSqlite& db, TIntentId undoIntent) {
    TStatement mark(db, MarkMovedBackSql);
    mark.Bind(1, undoIntent);
    mark.Run();
}

std::string InFolder(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + '/' + name;
}

} // namespace kelvara
