// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/OwnerOnlyFile.h"

#include "base/SystemError.h"
#include "base/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>

namespace kelvara {

void CreateOwnerOnlyFile(const std::string& path) {
    const TUniqueFd created(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!created.valid() && errno != EEXIST)
        ThrowSystemError(errno, "create " + path);
}

} // namespace kelvara
