// The game screen window: shows the newest picture the machine presented, at 1x or 2x.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>

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

  // Client area ScreenWidth x ScreenHeight, doubled under DoubleScreen.
  void SizeToGeometry();
  // Top edge with the owner's, left edge 2 pixels past the owner's outer right edge.
  void PlaceBeside(const QWidget& owner);
  // The one place palette indices become a QImage. Copies the region and schedules a repaint, so
  // emulation never waits for painting.
  void TakePicture(const ScreenBitmap& bitmap, int x, int y, int width, int height);
  const QImage& Picture() const { return picture_; }
  int PaintCount() const { return paintCount_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void FormClose(QCloseEvent* event);
  void FormPaint();

  QImage picture_;
  std::array<Rgb, 256> palette_{};
  bool paletteValid_ = false;
  // Repaints wait for this timer so that they come at most once per display refresh.
  QTimer repaintTimer_;
  QElapsedTimer sinceLastPaint_;
  int paintIntervalMs_ = 16;
  int paintCount_ = 0;
};

}  // namespace tirvane
