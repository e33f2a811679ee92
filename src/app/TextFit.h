// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Fitting a design of placed controls to the texts they show. The design
// gives every control its place; a caption in another language, or drawn in
// another face than the design's, may need more room than that. Controls then
// grow to the right and down from where the design put them, their panels
// grow round them, and the panels below move down, so that no text is cut
// and none runs into another.

#include <QSize>

class QWidget;

namespace kelvara {

// Fits `form`, whose panels (plain QFrames) and controls stand where its
// design put them:
// - every label and button (push, radio, check) grows to the size its text
//   asks for, never smaller than designed;
// - every panel grows to hold its controls with the margin that its design
//   leaves at the left and top of them; a panel that grows taller pushes the
//   panels below it down by as much; panels that ended at the same right
//   edge in the design end at the same edge again;
// - the size the form needs is returned: its panels and controls with
//   `border` pixels to the right and below, and never less than the form's
//   size as designed. The form itself is not resized.
QSize FitToTexts(QWidget* form, int border);

} // namespace kelvara
