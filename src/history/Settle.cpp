// SPDX-License-Identifier: GPL-3.0-or-later
// Settling what a program that ended under a run left open: every intent
// without an outcome is decided by what its files' names hold now.
//
// Before an intent was written, each file had its old name and its new name
// was free; the only move that touches them is the no-replace move. So, for
// each file:
//  - its old name holds the file recorded: it did not move. Should its new
//    name hold the very same file too, a link-then-unlink move was cut off
//    between its two halves; the new link is taken away, and the file is as
//    it was;
//  - else its new name holds the file recorded: it moved;
//  - else its new name holds a file and its old name none: it moved, and was
//    changed since (an undo will find it changed and leave it);
//  - else it did not move (gone from both names: nothing to move back).
// An intent whose files all moved is done, none kept (the program ended
// between the record and the move), some half-way (each file as found).
// One whose folder is not there now (a card not put back) stays open, and is
// settled at a later opening or before its run is undone.
#include "history/History.h"
#include "history/HistoryRecords.h"
#include "history/Sqlite.h"
#include "platform/FolderWalk.h"

#include <cstdio>
#include <system_error>

namespace kelvara {

namespace {

bool Holds(const std::optional<TFileIdentity>& found, const TFileIdentity& recorded) {
    return found && found->SameFileAs(recorded);
}

bool OneAndTheSame(const TFileIdentity& a, const TFileIdentity& b) {
    return a.stableInode && b.stableInode && a.device == b.device && a.inode == b.inode;
}

bool HasMoved(const std::string& folder, const TFileRename& file) {
    const std::string oldPath = InFolder(folder, file.oldName);
    const std::string newPath = InFolder(folder, file.newName);
    const std::optional<TFileIdentity> atOld = FileIdentityAt(oldPath);
    const std::optional<TFileIdentity> atNew = FileIdentityAt(newPath);
    if (Holds(atOld, file.identity)) {
        if (Holds(atNew, file.identity) && OneAndTheSame(*atOld, *atNew))
            std::remove(newPath.c_str());
        return false;
    }
    if (Holds(atNew, file.identity))
        return true;
    return atNew.has_value() && !atOld.has_value();
}

} // namespace

std::optional<TIntentOutcome> THistory::SettleLocked(TIntentId intent) {
    const TStoredIntent stored = ReadIntent(*m_db, intent);
    // A folder that is not there (a card not put back yet) or cannot be
    // looked into tells nothing: the intent stays open until it can.
    if (PathKindOf(stored.folder) != TPathKind::Folder)
        return std::nullopt;
    std::vector<bool> moves;
    try {
        for (const TStoredFile& file : stored.files)
            moves.push_back(HasMoved(stored.folder, file.rename));
    } catch (const std::system_error&) {
        return std::nullopt;
    }
    TStatement file(*m_db, "UPDATE intent_files SET moved = ? WHERE intent = ? AND position = ?");
    std::size_t moved = 0;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        moved += moves[i] ? 1 : 0;
        file.Bind(1, std::int64_t{moves[i] ? 1 : 0})
            .Bind(2, intent)
            .Bind(3, std::int64_t{stored.files[i].position});
        file.Run();
    }
    const TIntentOutcome outcome = moved == stored.files.size() ? TIntentOutcome::Done
                                   : moved == 0                 ? TIntentOutcome::Kept
                                                                : TIntentOutcome::Partly;
    TStatement head(*m_db, "UPDATE intents SET outcome = ?, reason = ? WHERE id = ?");
    head.Bind(1, static_cast<std::int64_t>(outcome))
        .Bind(2,
              outcome == TIntentOutcome::Kept
                  ? std::optional<std::int64_t>(static_cast<std::int64_t>(TKeptReason::Interrupted))
                  : std::nullopt)
        .Bind(3, intent);
    head.Run();
    MarkMovedBack(*m_db, intent);
    DropKeptOfIntentLocked(intent);
    return outcome;
}

void THistory::SettleOpen() {
    TTransaction transaction(*m_db);
    std::vector<TIntentId> open;
    {
        TStatement find(*m_db, "SELECT id FROM intents WHERE outcome IS NULL ORDER BY id");
        while (find.Step())
            open.push_back(find.Int(0));
    }
    for (const TIntentId intent : open)
        SettleLocked(intent);
    // Only one program uses the history at a time (one runs per user), so a
    // run still open when it opens was cut off.
    m_db->Execute("UPDATE runs SET ending = 2 WHERE ending IS NULL");
    transaction.Commit();
}

} // namespace kelvara
