// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moving a photo's files together, all or nothing as far as the file system
// allows, by the rule the forward rename keeps (rename/CompanionMove.h):
// just before anything moves, each name must still hold the file recorded;
// then each file moves with the no-replace move (platform/MoveFile.h), in
// order; should one fail, those already moved go back, last first. Should a
// move back fail too, it stops there: nothing is lost, and what has moved
// keeps its new place.

#include "platform/FileIdentity.h"

#include <string>
#include <vector>

namespace kelvara {

struct TGroupFileMove {
    std::string from;
    std::string to;
    TFileIdentity identity; // the file that must be under `from`
};

struct TGroupMoveResult {
    // Every file moved.
    bool moved = false;
    // When not: the errno of the first failure (ENOENT: a file went, ESTALE:
    // another file is under its name, EEXIST: a target is taken), and
    // whether some files stayed moved because a move back failed.
    int error = 0;
    bool halfWay = false;
};

// Never throws std::system_error; what failed is in the result.
TGroupMoveResult MoveGroup(const std::vector<TGroupFileMove>& moves);

} // namespace kelvara
