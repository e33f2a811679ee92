// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/Contained.h"

namespace kelvara {

QString ThrownText(const std::exception_ptr& thrown) noexcept {
    try {
        try {
            if (thrown)
                std::rethrow_exception(thrown);
            return QStringLiteral("nothing was thrown");
        } catch (const std::exception& error) {
            return QString::fromLocal8Bit(error.what());
        } catch (...) {
            return QStringLiteral("an exception of unknown type");
        }
    } catch (...) {
        // Not even the text could be made (no memory left for it).
        return {};
    }
}

void NoteContained(TLogCategory category, const char* what,
                   const std::exception_ptr& thrown) noexcept {
    try {
        qCDebug(category).noquote() << QString::fromUtf8(what) + u':' << ThrownText(thrown);
    } catch (...) {
        // A note that cannot be written is not worth ending the program for.
    }
}

} // namespace kelvara
