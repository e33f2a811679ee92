// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/RenameOutcome.h"

#include <cerrno>

namespace kelvara {

std::string_view KeptReasonKey(TKeptReason reason) noexcept {
    switch (reason) {
    case TKeptReason::NoDate:
        return "no-date";
    case TKeptReason::AlreadyDated:
        return "already-dated";
    case TKeptReason::NotAPhoto:
        return "not-a-photo";
    case TKeptReason::Unreadable:
        return "unreadable";
    case TKeptReason::NameTaken:
        return "name-taken";
    case TKeptReason::NameNotPortable:
        return "name-not-portable";
    case TKeptReason::GoneOrChanged:
        return "gone-or-changed";
    case TKeptReason::Cancelled:
        return "cancelled";
    case TKeptReason::Interrupted:
        return "interrupted";
    case TKeptReason::MoveFailed:
        return "move-failed";
    case TKeptReason::NoLayout:
        return "no-layout";
    case TKeptReason::Gone:
        return "gone";
    case TKeptReason::Changed:
        return "changed";
    case TKeptReason::OldNameTaken:
        return "old-name-taken";
    case TKeptReason::HeldBack:
        return "held-back";
    }
    return "unknown";
}

TKeptReason KeptReasonForMoveError(int error) noexcept {
    switch (error) {
    case EEXIST:
    case ENOTEMPTY:
        return TKeptReason::NameTaken;
    case ENOENT:
    case ENOTDIR:
    case ESTALE:
        return TKeptReason::GoneOrChanged;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
        return TKeptReason::NameNotPortable;
    default:
        return TKeptReason::MoveFailed;
    }
}

} // namespace kelvara
