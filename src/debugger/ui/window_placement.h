// SPDX-License-Identifier: GPL-3.0-or-later
// Where our windows open. Positions are those of the frame, title bar included, so no title bar
// lands above the screen; a window opens on the screen that holds the main window and, where there
// is room, clear of our other windows.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <span>

class QWidget;

namespace tirvane {

// The frame position nearest to wanted at which a frame of this size lies inside available and
// covers none of taken; when every such position covers something, the one that covers least.
// Frames larger than available keep their top-left corner inside it.
QPoint BestFramePosition(QSize frame, QPoint wanted, const QRect& available, std::span<const QRect> taken);

// The window's frame on the screen. Before the window manager has framed it, the frame is estimated
// from the margins of an already framed window of ours.
QRect FrameGeometry(const QWidget& window);

// Moves window so that its frame's top-left corner is wanted, kept inside the screen that holds
// anchor (the window's own screen without one) and, with avoid, clear of our other visible
// top-level windows. If the window manager frames the window differently than estimated, the
// position is corrected once the frame is known.
void PlaceWindow(QWidget& window, QPoint wanted, const QWidget* anchor, bool avoid);

// Keeps a dialog about to open fully on the screen of anchor; its wanted position is its current one.
void KeepOnScreen(QWidget& window, const QWidget* anchor);

}  // namespace tirvane
