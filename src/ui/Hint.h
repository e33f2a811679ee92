// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A control's hint: data the control carries in a dynamic property (the
// main window's examples the text they stand for, the information window's
// Label1 the address it opens), never shown as a tooltip.

#include <QString>

class QObject;

namespace kelvara {

inline constexpr char HintProperty[] = "Hint";

// The hint of `control`; empty for none or a null control.
QString HintOf(const QObject* control);

} // namespace kelvara
