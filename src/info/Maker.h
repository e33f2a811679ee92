#pragma once
// The maker's own addresses, shown by the information window's navy links.
// Kelvara has no web page or mail address of its own yet, so they are empty:
// an empty link opens nothing, and the mail link still offers a message with
// its subject filled in.

namespace kelvara {

inline constexpr char MakerWebPage[] = "";      // lblURL's caption
inline constexpr char MakerMailAddress[] = "";  // lblMail's caption
inline constexpr char MakerHandle[] = "";       // Label1's caption, in parentheses
inline constexpr char MakerHandleSearch[] = ""; // Label1's hint: a web search for the handle

} // namespace kelvara
