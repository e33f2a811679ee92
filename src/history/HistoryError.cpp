// SPDX-License-Identifier: GPL-3.0-or-later
#include "history/HistoryError.h"

namespace kelvara {

THistoryError::THistoryError(TKind kind, const std::string& file, const std::string& detail)
    : std::runtime_error("history " + file + ": " + detail), m_kind(kind), m_file(file) {}

std::string THistoryError::Reason() const {
    switch (m_kind) {
    case TKind::Unwritable:
        return "the history file " + m_file + " cannot be written";
    case TKind::Full:
        return "the disk that holds the history file " + m_file + " is full";
    case TKind::Locked:
        return "the history file " + m_file + " is in use by another program";
    case TKind::Damaged:
        return "the history file " + m_file + " is damaged";
    case TKind::Other:
        break;
    }
    return "the history file " + m_file + " cannot be used (" + what() + ")";
}

} // namespace kelvara
