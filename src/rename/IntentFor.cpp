// SPDX-License-Identifier: GPL-3.0-or-later
#include "rename/IntentFor.h"

#include "base/SystemError.h"
#include "photo/DateSource.h"
#include "platform/FileIdentity.h"
#include "rename/NewName.h"

#include <cerrno>

namespace kelvara {

namespace {

TFileIdentity IdentityOf(const std::string& path, const std::optional<TFileIdentity>& known) {
    if (known)
        return *known;
    const std::optional<TFileIdentity> now = FileIdentityAt(path);
    if (!now)
        ThrowSystemError(ENOENT, path + ": gone");
    return *now;
}

} // namespace

TIntent IntentFor(const std::string& path, const std::string& target, const TPreparedPhoto& photo) {
    const TSplitPath old = SplitPath(path);
    const TSplitPath renamed = SplitPath(target);
    if (renamed.name.size() <= old.name.size() || !renamed.name.ends_with(old.name))
        ThrowSystemError(EINVAL, "no new prefix for " + path + " in " + target);
    const std::string prefix = renamed.name.substr(0, renamed.name.size() - old.name.size());

    TIntent intent;
    intent.folder = old.folder;
    if (photo.properties)
        intent.dateSource = DateSourceName(photo.properties->DateSource);
    intent.files.push_back({old.name, renamed.name, IdentityOf(path, photo.identity)});
    const std::vector<TCompanion> companions =
        photo.companions ? *photo.companions : FindCompanions(path);
    for (const TCompanion& companion : companions)
        intent.files.push_back({companion.name, prefix + companion.name,
                                IdentityOf(companion.path, companion.identity)});
    return intent;
}

} // namespace kelvara
