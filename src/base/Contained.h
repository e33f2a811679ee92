// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// For the layers that must stay silent whatever happens below them: the
// rename step, the windows' slots and event handlers, the links, the handoff.
// Anything thrown through them stops there (a std::exception of any kind, or
// anything else a library may throw), is noted at debug level on the
// caller's logging category, and the program goes on: an exception that
// reached the event loop or a thread's top would end it.

#include "base/Logging.h"

#include <exception>
#include <string>
#include <utility>

namespace kelvara {

// The text of what was thrown: a std::exception's what(), else a phrase
// saying that its type is unknown.
std::string ThrownText(const std::exception_ptr& thrown) noexcept;

// Notes "<what>: <ThrownText>" at debug level on `category`. Never throws,
// not even when the note itself cannot be made.
void NoteContained(const TLogCategory& category, const char* what,
                   const std::exception_ptr& thrown) noexcept;

// Runs `action`. Whatever it throws is noted with `what` and goes no
// further; false then, true when `action` returned normally.
template <typename Action>
bool Contained(const TLogCategory& category, const char* what, Action&& action) noexcept {
    try {
        std::forward<Action>(action)();
        return true;
    } catch (...) {
        NoteContained(category, what, std::current_exception());
        return false;
    }
}

} // namespace kelvara
