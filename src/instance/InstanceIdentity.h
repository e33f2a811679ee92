// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two constants of the single-instance rule. Every copy of Kelvara finds
// the running one through InstanceIdentity alone (it names the lock and the
// handoff socket), and every handoff message starts with HandoffMagic, so a
// stray connection that does not speak our protocol is told apart at once.
// Both ends of the handoff are this program: changing either constant cuts
// new copies off from older running ones.

#include <cstdint>
#include <string_view>

namespace kelvara {

inline constexpr std::string_view InstanceIdentity = "{352854AC-DD94-4694-8C57-0331489F7656}";

inline constexpr std::uint32_t HandoffMagic = 0x1111;

} // namespace kelvara
