// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Contained.h"

#include "base/Utf8.h"

namespace kelvara {

std::string ThrownText(const std::exception_ptr& thrown) noexcept {
    try {
        try {
            if (thrown)
                std::rethrow_exception(thrown);
            return "nothing was thrown";
        } catch (const std::exception& error) {
            return ValidUtf8(error.what());
        } catch (...) {
            return "an exception of unknown type";
        }
    } catch (...) {
        // Not even the text could be made (no memory left for it).
        return {};
    }
}

void NoteContained(const TLogCategory& category, const char* what,
                   const std::exception_ptr& thrown) noexcept {
    try {
        LogDebug(category).NoQuote() << std::string(what) + ':' << ThrownText(thrown);
    } catch (...) {
        // A note that cannot be written is not worth ending the program for.
    }
}

} // namespace kelvara
