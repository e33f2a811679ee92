// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The maker's own addresses and handle, the one place they are kept: the
// information window puts them on its navy links when it is made (the design
// leaves those labels empty). Kelvara has no web page or mail address of its
// own yet, so they are empty: an empty link opens nothing, and the mail link
// still offers a message with its subject filled in.

namespace kelvara {

inline constexpr char MakerWebPage[] = "";      // lblURL's caption
inline constexpr char MakerMailAddress[] = "";  // lblMail's caption
inline constexpr char MakerHandle[] = "";       // Label1's caption: the handle in parentheses
inline constexpr char MakerHandleSearch[] = ""; // Label1's hint: a web search for the handle

} // namespace kelvara
