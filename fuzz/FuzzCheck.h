// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A broken promise found by a fuzz target: libFuzzer keeps the input that
// broke it once we abort.

#include <cstdio>
#include <cstdlib>

namespace kelvara::fuzz {

inline void Require(bool holds, const char* promise) {
    if (!holds) {
        std::fprintf(stderr, "broken promise: %s\n", promise);
        std::abort();
    }
}

} // namespace kelvara::fuzz
