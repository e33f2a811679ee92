// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/SystemError.h"

#include <system_error>

namespace kelvara {

void ThrowSystemError(int code, const std::string& what) {
    throw std::system_error(code, std::generic_category(), what);
}

} // namespace kelvara
