// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The numbers by which the Windows shell has always named the user's special
// folders; the information window asks for its three folders by them
// (desktop/ShellFolders.h says where each lies here).

namespace kelvara {

inline constexpr int CSIDL_DESKTOP = 0;
inline constexpr int CSIDL_STARTUP = 7;
inline constexpr int CSIDL_SENDTO = 9;

} // namespace kelvara
