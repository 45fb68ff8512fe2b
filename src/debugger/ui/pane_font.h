// SPDX-License-Identifier: GPL-3.0-or-later
// The workspace's panes show numbers in the desktop's fixed-pitch font, never smaller than the
// desktop's own text, so columns line up and grow with the user's font and scale settings.
#pragma once

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

namespace tirvane {

inline QFont PaneFont() {
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  const qreal desktop = QApplication::font().pointSizeF();
  if (desktop > 0 && font.pointSizeF() < desktop) font.setPointSizeF(desktop);
  return font;
}

}  // namespace tirvane
