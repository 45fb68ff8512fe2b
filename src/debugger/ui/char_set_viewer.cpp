// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/char_set_viewer.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include "debugger/ui/screen_image.h"
#include "debugger/viewers.h"
#include "video/screen.h"

namespace tirvane {

namespace {

QSpinBox* LabelledSpin(QWidget* parent, const char* name, const char* caption, int top, int low, int high) {
  auto* label = new QLabel(caption, parent);
  label->setGeometry(528, top, 64, 16);
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(name);
  spin->setRange(low, high);
  spin->setGeometry(528, top + 18, 64, 22);
  label->setBuddy(spin);
  return spin;
}

// The screen palette while a run shows one; otherwise the colours it would be built from.
std::array<Rgb, 256> ViewerPalette(const RunControls& run) {
  std::array<Rgb, 256> palette{};
  if (run.Bitmap() != nullptr) {
    palette = run.Bitmap()->Palette;
  } else {
    for (int i = 0; i < 10; ++i) palette[static_cast<size_t>(i)] = SystemColours[i];
    for (int i = 0; i < RgbTableSize; ++i)
      palette[static_cast<size_t>(10 + i)] = run.Palette()[static_cast<size_t>(i)];
    for (int i = 0; i < 10; ++i) palette[static_cast<size_t>(246 + i)] = SystemColours[10 + i];
  }
  palette[0] = {0, 0, 0};  // the area is filled black; undrawn pixels keep index 0
  return palette;
}

}  // namespace

TfrmCharSet::TfrmCharSet(QWidget* parent) : QDialog(parent) {
  setObjectName("frmCharSet");
  setFixedSize(600, 450);

  pbFrame = new QFrame(this);
  pbFrame->setFrameShape(QFrame::Panel);
  pbFrame->setFrameShadow(QFrame::Sunken);
  pbFrame->setGeometry(0, 0, 520, 450);
  pbScreen = new QWidget(pbFrame);
  pbScreen->setObjectName("pbScreen");
  pbScreen->setGeometry(2, 1, 516, 448);
  pbScreen->installEventFilter(this);

  seZoom = LabelledSpin(this, "seZoom", "&Zoom", 8, 1, 3);
  seZoom->setValue(3);
  sePalette = LabelledSpin(this, "sePalette", "&Palette", 56, 0, 15);
  seSet = LabelledSpin(this, "seSet", "&Set", 104, 0, 0);
  bbOk = new QPushButton("OK", this);
  bbOk->setObjectName("bbOk");
  bbOk->setGeometry(528, 416, 64, 28);
  connect(bbOk, &QPushButton::clicked, this, &QDialog::accept);

  connect(seZoom, &QSpinBox::valueChanged, this, [this] { seZoomChange(); });
  connect(sePalette, &QSpinBox::valueChanged, this, [this] { sePaletteChange(); });
  connect(seSet, &QSpinBox::valueChanged, this, [this] { seSetChange(); });
}

void TfrmCharSet::SetUp(Tile* const* tiles, int tileCount, int tilesPerSet, int setCount,
                        const QString& caption) {
  tiles_ = tiles;
  tileCount_ = tiles != nullptr ? std::max(tileCount, 0) : 0;
  tilesPerSet_ = tilesPerSet;
  setCount_ = setCount;
  set_ = 0;
  zoom_ = 3;
  const std::array<Rgb, 256> colours = ViewerPalette(controls_);
  palette_ = FirstVisiblePalette([&](int palette) {
    const CharSetPicture picture = PaintCharSet(tiles_, tileCount_, tilesPerSet_, 0, zoom_, palette,
                                                pbScreen->width(), pbScreen->height());
    return ShowsAnything(picture.Pixels, colours);
  });
  setWindowTitle(caption);
  const QSignalBlocker zoomBlocker(seZoom), paletteBlocker(sePalette), setBlocker(seSet);
  seZoom->setValue(3);
  sePalette->setValue(palette_);
  seSet->setRange(0, std::max(setCount - 1, 0));
  seSet->setValue(0);
  seSet->setEnabled(setCount > 1);
  pbScreen->update();
}

void TfrmCharSet::seZoomChange() {
  zoom_ = seZoom->value();
  pbScreen->update();
}

void TfrmCharSet::sePaletteChange() {
  palette_ = sePalette->value();
  pbScreen->update();
}

void TfrmCharSet::seSetChange() {
  set_ = seSet->value();
  if (set_ < 0 || set_ >= setCount_) {
    set_ = 0;
    const QSignalBlocker blocker(seSet);
    seSet->setValue(0);
  }
  pbScreen->update();
}

bool TfrmCharSet::eventFilter(QObject* watched, QEvent* event) {
  if (watched == pbScreen && event->type() == QEvent::Paint) {
    pbScreenPaint();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmCharSet::pbScreenPaint() {
  const CharSetPicture picture = PaintCharSet(tiles_, tileCount_, tilesPerSet_, set_, zoom_, palette_,
                                              pbScreen->width(), pbScreen->height());
  QPainter painter(pbScreen);
  painter.drawImage(0, 0,
                    IndexedImage(picture.Pixels.data(), picture.Width, picture.Height, picture.Width,
                                 ViewerPalette(controls_)));
}

}  // namespace tirvane
