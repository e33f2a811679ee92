// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The running operating system's description of itself, for the information
// window (Linux: os-release and uname). Never fails. Windows describes itself
// through a version record instead (platform/windows/OSDescription.h).

#include <string>

namespace kelvara {

// UTF-8.
std::string NativeOSDescription();

// NativeOSDescription(), by the name the information window asks for it.
std::string GetOSVersionText();

} // namespace kelvara
