// SPDX-License-Identifier: GPL-3.0-or-later
// The machine's picture as a pane of the workspace, so one window can hold the game and the
// debugger. It copies the run's bitmap only when the workspace refreshes, never from the run loop.
#pragma once

#include <QImage>
#include <QWidget>

namespace tirvane {

// Set on a widget inside a key-keeping window whose keys are the machine's while it has the focus.
inline constexpr const char* GameKeysProperty = "gameKeys";

class GamePane : public QWidget {
 public:
  explicit GamePane(QWidget* parent = nullptr);

  // Takes the picture the run presents now; with no run the last one stays.
  void Refresh();
  // One pixel per bitmap pixel, before scaling to the pane.
  const QImage& Picture() const { return picture_; }
  // The whole-number scale the picture is painted at.
  int ShownScale() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage picture_;
};

}  // namespace tirvane
