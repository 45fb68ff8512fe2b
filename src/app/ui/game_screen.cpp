// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/game_screen.h"

#include <QAction>
#include <QCloseEvent>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace tirvane {

TfrmGameScreen::TfrmGameScreen(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName("frmGameScreen");
  setWindowTitle("Game Screen");
  setFocusPolicy(Qt::StrongFocus);
  // Every pixel is painted each time; letting Qt erase first would only cost time.
  setAttribute(Qt::WA_OpaquePaintEvent);

  actLimitSpeed = new QAction("Limit speed", this);
  actLimitSpeed->setCheckable(true);
  actLimitSpeed->setChecked(true);
  addAction(actLimitSpeed);
  // Sound on or off, remembered between launches.
  actSound = new QAction("Sound", this);
  actSound->setCheckable(true);
  actSound->setChecked(QSettings("Tirvane", "Tirvane").value("Sound", true).toBool());
  addAction(actSound);
  setContextMenuPolicy(Qt::ActionsContextMenu);

  repaintTimer_.setSingleShot(true);
  repaintTimer_.setTimerType(Qt::PreciseTimer);
  // Timed from the request, not the paint: Qt paints a little later, and pictures presented in
  // between must not ask for a second paint.
  connect(&repaintTimer_, &QTimer::timeout, this, [this] {
    sinceLastRepaint_.restart();
    update();
  });
  sinceLastRepaint_.start();
  SizeToGeometry();
}

void TfrmGameScreen::SizeToGeometry() {
  const int scale = DoubleScreen ? 2 : 1;
  setFixedSize(std::max(1, ScreenWidth * scale), std::max(1, ScreenHeight * scale));
  update();
}

void TfrmGameScreen::PlaceBeside(const QWidget& owner) {
  const QRect outer = owner.frameGeometry();
  move(outer.x() + outer.width() + 2, outer.y());
}

void TfrmGameScreen::TakePicture(const ScreenBitmap& bitmap, int x, int y, int width, int height) {
  // The region comes from driver geometry; keep it inside the bitmap whatever it says.
  x = std::clamp(x, 0, bitmap.Width);
  y = std::clamp(y, 0, bitmap.Height);
  width = std::clamp(width, 0, bitmap.Width - x);
  height = std::clamp(height, 0, bitmap.Height - y);
  if (width == 0 || height == 0) return;

  // The run's own bitmap is copied only when a repaint is due, not at every frame: paints happen
  // inside the message pump, where the bitmap still holds what was presented last.
  if (&bitmap == Screen) {
    pending_ = true;
    pendingRegion_ = QRect(x, y, width, height);
  } else {
    CopyRegion(bitmap, QRect(x, y, width, height));
  }
  if (!repaintTimer_.isActive())
    repaintTimer_.start(std::max<qint64>(0, paintIntervalMs_ - sinceLastRepaint_.elapsed()));
}

void TfrmGameScreen::ClearPicture() {
  pending_ = false;
  picture_ = QImage();
  update();
}

void TfrmGameScreen::CopyPending() {
  // A stopped run has freed its bitmap; the last copy stays.
  if (pending_ && Screen) CopyRegion(*Screen, pendingRegion_);
  pending_ = false;
}

// The one place palette indices become a QImage. The picture is made in true colour at the size it
// is shown, so a paint is a plain block copy: drawing an indexed image scaled costs Qt over a
// millisecond per paint.
void TfrmGameScreen::CopyRegion(const ScreenBitmap& bitmap, const QRect& region) {
  const int scale = DoubleScreen ? 2 : 1;
  if (picture_.size() != region.size() * scale)
    picture_ = QImage(region.size() * scale, QImage::Format_RGB32);
  pictureScale_ = scale;
  if (!coloursValid_ || palette_ != bitmap.Palette) {
    palette_ = bitmap.Palette;
    for (int i = 0; i < 256; ++i) colours_[i] = qRgb(palette_[i].r, palette_[i].g, palette_[i].b);
    coloursValid_ = true;
  }
  uchar* out = picture_.bits();
  const qsizetype outStride = picture_.bytesPerLine();
  const uint8_t* in = bitmap.Pixels.data() + region.y() * bitmap.Stride + region.x();
  const int width = region.width();
  for (int row = 0; row < region.height(); ++row, in += bitmap.Stride) {
    auto* line = reinterpret_cast<QRgb*>(out + row * scale * outStride);
    if (scale == 1) {
      for (int x = 0; x < width; ++x) line[x] = colours_[in[x]];
    } else {
      for (int x = 0; x < width; ++x) line[2 * x] = line[2 * x + 1] = colours_[in[x]];
      std::memcpy(out + (row * 2 + 1) * outStride, line, width * 2 * sizeof(QRgb));
    }
  }
}

void TfrmGameScreen::closeEvent(QCloseEvent* event) { FormClose(event); }

void TfrmGameScreen::FormClose(QCloseEvent* event) {
  if (MayClose)
    event->accept();
  else
    event->ignore();
}

void TfrmGameScreen::paintEvent(QPaintEvent*) { FormPaint(); }

void TfrmGameScreen::FormPaint() {
  CopyPending();
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (!picture_.isNull()) {
    // Normally the picture already has the shown size. Right after "Screen 2x" changes it is
    // scaled without smoothing, so every bitmap pixel still becomes a sharp block.
    const int scale = DoubleScreen ? 2 : 1;
    const QSize shown = picture_.size() / pictureScale_ * scale;
    painter.drawImage(QRect(QPoint(0, 0), shown), picture_);
  }
  ++paintCount_;
}

void TfrmGameScreen::showEvent(QShowEvent* event) {
  const QScreen* display = screen();
  const qreal rate = display ? display->refreshRate() : 0;
  paintIntervalMs_ = rate >= 1 ? static_cast<int>(std::floor(1000.0 / rate)) : 16;
  QWidget::showEvent(event);
}

}  // namespace tirvane
