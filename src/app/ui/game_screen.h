// SPDX-License-Identifier: GPL-3.0-or-later
// The game screen window: shows the newest picture the machine presented, at 1x or 2x.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <array>

#include "video/screen.h"

class QAction;

namespace tirvane {

class TfrmGameScreen : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmGameScreen(QWidget* owner);

  // Clear while a run is active: the user cannot close the window then.
  bool MayClose = true;
  // Context menu item; ticked: the run paces frames to the machine's real rate.
  QAction* actLimitSpeed;
  QAction* actSound;  // checked: the run's sound is played

  // Client area ScreenWidth x ScreenHeight, doubled under DoubleScreen.
  void SizeToGeometry();
  // Top edge with the owner's, left edge 2 pixels past the owner's outer right edge.
  void PlaceBeside(const QWidget& owner);
  // Takes the newest picture and schedules a repaint; emulation never waits for painting.
  void TakePicture(const ScreenBitmap& bitmap, int x, int y, int width, int height);
  // Until the next run presents, the screen shows its background rather than the last game.
  void ClearPicture();
  // The picture as it will be painted next, already at 2x under DoubleScreen.
  const QImage& Picture() {
    CopyPending();
    return picture_;
  }
  int PaintCount() const { return paintCount_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void FormClose(QCloseEvent* event);
  void FormPaint();
  void CopyPending();
  void CopyRegion(const ScreenBitmap& bitmap, const QRect& region);

  QImage picture_;
  // A picture of the run's bitmap not yet copied, and its region inside it.
  bool pending_ = false;
  QRect pendingRegion_;
  int pictureScale_ = 1;
  std::array<Rgb, 256> palette_{};
  std::array<QRgb, 256> colours_{};  // palette_ as Qt colours
  bool coloursValid_ = false;
  // Repaints wait for this timer so that they come at most once per display refresh.
  QTimer repaintTimer_;
  QElapsedTimer sinceLastRepaint_;
  int paintIntervalMs_ = 16;
  int paintCount_ = 0;
};

}  // namespace tirvane
