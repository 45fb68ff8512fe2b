#include "app/ui/game_screen.h"

#include <QAction>
#include <QCloseEvent>
#include <QPainter>
#include <QScreen>
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
  setContextMenuPolicy(Qt::ActionsContextMenu);

  repaintTimer_.setSingleShot(true);
  repaintTimer_.setTimerType(Qt::PreciseTimer);
  connect(&repaintTimer_, &QTimer::timeout, this, qOverload<>(&QWidget::update));
  sinceLastPaint_.start();
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

  if (picture_.width() != width || picture_.height() != height) {
    picture_ = QImage(width, height, QImage::Format_Indexed8);
    paletteValid_ = false;
  }
  if (!paletteValid_ || std::memcmp(palette_.data(), bitmap.Palette.data(), sizeof palette_) != 0) {
    palette_ = bitmap.Palette;
    QList<QRgb> colours(256);
    for (int i = 0; i < 256; ++i) colours[i] = qRgb(palette_[i].r, palette_[i].g, palette_[i].b);
    picture_.setColorTable(colours);
    paletteValid_ = true;
  }
  uchar* out = picture_.bits();
  const qsizetype outStride = picture_.bytesPerLine();
  const uint8_t* in = bitmap.Pixels.data() + y * bitmap.Stride + x;
  for (int row = 0; row < height; ++row) std::memcpy(out + row * outStride, in + row * bitmap.Stride, width);

  if (!repaintTimer_.isActive())
    repaintTimer_.start(std::max<qint64>(0, paintIntervalMs_ - sinceLastPaint_.elapsed()));
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
  QPainter painter(this);
  painter.fillRect(rect(), palette().window());
  if (!picture_.isNull()) {
    // No smooth transform: each bitmap pixel becomes a sharp 1x1 or 2x2 block.
    const int scale = DoubleScreen ? 2 : 1;
    painter.drawImage(QRect(0, 0, picture_.width() * scale, picture_.height() * scale), picture_);
  }
  sinceLastPaint_.restart();
  ++paintCount_;
}

void TfrmGameScreen::showEvent(QShowEvent* event) {
  const QScreen* display = screen();
  const qreal rate = display ? display->refreshRate() : 0;
  paintIntervalMs_ = rate >= 1 ? static_cast<int>(std::floor(1000.0 / rate)) : 16;
  QWidget::showEvent(event);
}

}  // namespace tirvane
