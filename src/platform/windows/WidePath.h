// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Paths cross into Windows as UTF-16: the core spells every path in UTF-8,
// and only the system calls of platform/windows/ see the wide form.

#include <string>

namespace kelvara {

// `path` (UTF-8) as UTF-16. Throws std::system_error for text that is no
// UTF-8.
std::wstring WidePath(const std::string& path);
// A name or path the system gave (NUL-terminated UTF-16) as UTF-8.
std::string Utf8Path(const wchar_t* path);

} // namespace kelvara
