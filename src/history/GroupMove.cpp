// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/GroupMove.h"

#include "platform/MoveFile.h"

#include <cerrno>
#include <system_error>

namespace kelvara {

namespace {

// 0 when `move.from` holds the file recorded, else why not.
int CheckStillThere(const TGroupFileMove& move) {
    try {
        const std::optional<TFileIdentity> now = FileIdentityAt(move.from);
        if (!now)
            return ENOENT;
        return now->SameFileAs(move.identity) ? 0 : ESTALE;
    } catch (const std::system_error& error) {
        return error.code().value();
    }
}

} // namespace

TGroupMoveResult MoveGroup(const std::vector<TGroupFileMove>& moves) {
    TGroupMoveResult result;
    for (const TGroupFileMove& move : moves) {
        if (const int error = CheckStillThere(move); error != 0) {
            result.error = error;
            return result;
        }
    }
    std::size_t done = 0;
    for (; done < moves.size(); ++done) {
        try {
            MoveFileNoReplace(moves[done].from, moves[done].to);
        } catch (const std::system_error& error) {
            result.error = error.code().value();
            break;
        }
    }
    if (done == moves.size()) {
        result.moved = true;
        return result;
    }
    while (done > 0) {
        --done;
        try {
            MoveFileNoReplace(moves[done].to, moves[done].from);
        } catch (const std::system_error&) {
            result.halfWay = true;
            return result;
        }
    }
    return result;
}

} // namespace kelvara
