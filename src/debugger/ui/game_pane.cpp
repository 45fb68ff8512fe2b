// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/game_pane.h"

#include <QPainter>
#include <algorithm>

#include "run/run_controls.h"

namespace tirvane {

GamePane::GamePane(QWidget* parent) : QWidget(parent) {
  setObjectName("paneGame");
  setProperty(GameKeysProperty, true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(128, 96);
}

void GamePane::Refresh() {
  const RunControls& controls = Controls();
  const ScreenBitmap* bitmap = controls.Bitmap();
  if (bitmap == nullptr) return;
  // The same rectangle the game screen is given: the driver's geometry, kept inside the bitmap.
  const ScreenGeometry shown = controls.Geometry();
  const int x = std::clamp(shown.OffsetX, 0, bitmap->Width);
  const int y = std::clamp(shown.OffsetY, 0, bitmap->Height);
  const int width = std::clamp(shown.Width, 0, bitmap->Width - x);
  const int height = std::clamp(shown.Height, 0, bitmap->Height - y);
  if (width == 0 || height == 0) return;
  if (picture_.size() != QSize(width, height)) {
    picture_ = QImage(width, height, QImage::Format_RGB32);
    // Never narrower than the picture: a whole-number scale below 1 would cut it off.
    setMinimumSize(picture_.size());
  }
  std::array<QRgb, 256> colours;
  for (size_t i = 0; i < colours.size(); ++i)
    colours[i] = qRgb(bitmap->Palette[i].r, bitmap->Palette[i].g, bitmap->Palette[i].b);
  for (int row = 0; row < height; ++row) {
    const uint8_t* in = bitmap->Pixels.data() + static_cast<ptrdiff_t>(y + row) * bitmap->Stride + x;
    auto* out = reinterpret_cast<QRgb*>(picture_.scanLine(row));
    for (int column = 0; column < width; ++column) out[column] = colours[in[column]];
  }
  update();
}

int GamePane::ShownScale() const {
  if (picture_.isNull()) return 1;
  return std::max(1, std::min(width() / picture_.width(), height() / picture_.height()));
}

void GamePane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  if (picture_.isNull()) return;
  // Without smoothing, so every bitmap pixel stays a sharp block.
  const QSize size = picture_.size() * ShownScale();
  painter.drawImage(QRect(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size), picture_);
}

}  // namespace tirvane
