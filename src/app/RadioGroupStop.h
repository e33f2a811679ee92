// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keyboard treats a group of radio buttons as one stop, as the platform
// the window was first drawn for does: Tab enters the group on its checked
// button (on its first while none is checked), and the arrow keys move the
// choice within it. So the first focus of a fresh window lands on a button
// that is already on, and a Space typed there changes nothing.

#include <vector>

class QRadioButton;

namespace kelvara {

// `group` are the radio buttons of one panel (they exclude each other). Keeps
// the tab stop on the checked one from now on, as the choice changes by
// mouse, keys or a restored state.
void MakeOneTabStop(const std::vector<QRadioButton*>& group);

} // namespace kelvara
