// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/RenameOutcome.h"

#include <array>
#include <cerrno>

namespace kelvara {

namespace {

// In the order of the enumerators.
constexpr std::array<std::string_view, KeptReasonCount> Keys = {
    "no-date",           "already-dated",   "not-a-photo", "unreadable", "name-taken",
    "name-not-portable", "gone-or-changed", "cancelled",   "no-layout",  "move-refused"};

} // namespace

std::string_view KeptReasonKey(TKeptReason reason) noexcept {
    const auto index = static_cast<std::size_t>(reason);
    return index < Keys.size() ? Keys[index] : std::string_view("unknown");
}

std::optional<TKeptReason> KeptReasonFromKey(std::string_view key) noexcept {
    for (std::size_t i = 0; i < Keys.size(); ++i)
        if (Keys[i] == key)
            return static_cast<TKeptReason>(i);
    return std::nullopt;
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
        return TKeptReason::MoveRefused;
    }
}

} // namespace kelvara
