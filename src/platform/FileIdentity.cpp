// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FileIdentity.h"

namespace kelvara {

namespace {

// FAT's modification times are kept to two seconds.
constexpr std::int64_t CoarsestTime = 2'000'000'000;

std::int64_t Coarse(std::int64_t nanoseconds) {
    const std::int64_t rest = nanoseconds % CoarsestTime;
    return nanoseconds - (rest < 0 ? rest + CoarsestTime : rest);
}

} // namespace

bool TFileIdentity::SameFileAs(const TFileIdentity& other) const {
    if (size != other.size)
        return false;
    if (stableInode && other.stableInode)
        return device == other.device && inode == other.inode && modified == other.modified;
    return Coarse(modified) == Coarse(other.modified);
}

} // namespace kelvara
