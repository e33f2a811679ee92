// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A top-level window's geometry counted the way users see it: the position
// and outer size of its frame, decorations included. Qt moves windows by
// their frame already but sizes them by their inside, and it learns the
// frame's size only once the window manager has decorated the window; these
// helpers make up the difference.

#include <QRect>
#include <QSize>

class QWidget;

namespace kelvara {

// The frame's position and outer size.
QRect FrameRect(const QWidget* window);

// Whether a window on the display system of that Qt platform plugin can
// learn and choose its place. Wayland allows neither: the place a window
// reads there is a guess (Top=-30 after a session under a compositor), and
// one it asks for is ignored. So there a window's place is neither saved nor
// restored, and the one saved under X11 stays in the file for X11; only the
// size goes between runs.
bool KnowsWindowPlaces(const QString& platformName);
// The same for the platform this program runs on.
bool KnowsWindowPlaces();

// Each changes one value and leaves the others as they stand. Any int is
// taken: a position is first brought within the range of a widget's sizes
// (QWIDGETSIZE_MAX either way), a size within 0 and that, so that Qt's own
// int arithmetic on the window's corners cannot overflow. Such a position is
// off every screen all the same (see BringOntoScreen).
void SetFrameTop(QWidget* window, int top);
void SetFrameLeft(QWidget* window, int left);
void SetFrameWidth(QWidget* window, int width);
void SetFrameHeight(QWidget* window, int height);

// While a window has not been shown, its frame counts as nothing. When its
// outer width or height (`which`) was set before that, this keeps it: once
// the window is shown and the frame is known, the inside is shrunk by the
// frame once, in those directions only.
void KeepFrameSizeUntilShown(QWidget* window, Qt::Orientations which);

// Where a frame of `frame` should go given the screens' geometries and work
// areas: unchanged when it touches any screen, else moved into the work
// area of the nearest screen, its size kept (its top-left corner wins when
// it is larger than that area). Measured in 64 bits, so any rectangle is
// placed right, up to the ends of the int range; a far edge that would lie
// beyond that range after the move is cut there.
QRect PlaceOnScreens(const QRect& frame, const QList<QRect>& screens,
                     const QList<QRect>& workAreas);

// PlaceOnScreens with the screens that are attached now, applied to the
// window.
void BringOntoScreen(QWidget* window);

} // namespace kelvara
