// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/sprite_set_viewer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

#include "debugger/ui/screen_image.h"
#include "debugger/ui/window_placement.h"
#include "debugger/viewers.h"
#include "video/screen.h"

namespace tirvane {

TfrmSpriteSet::TfrmSpriteSet(QWidget* parent) : QDialog(parent) {
  setObjectName("frmSpriteSet");
  setWindowTitle("Sprite Sets");
  setFixedSize(600, 450);

  cbSets = new QComboBox(this);
  cbSets->setObjectName("cbSets");
  cbSets->setGeometry(4, 8, 180, 22);
  auto* paletteLabel = new QLabel("&Palette", this);
  paletteLabel->setGeometry(196, 10, 44, 18);
  sePalette = new QSpinBox(this);
  sePalette->setObjectName("sePalette");
  sePalette->setRange(0, 15);
  sePalette->setGeometry(242, 8, 50, 22);
  paletteLabel->setBuddy(sePalette);
  cbFlipX = new QCheckBox("Flip X", this);
  cbFlipX->setObjectName("cbFlipX");
  cbFlipX->setGeometry(310, 10, 70, 18);
  cbFlipY = new QCheckBox("Flip Y", this);
  cbFlipY->setObjectName("cbFlipY");
  cbFlipY->setGeometry(384, 10, 70, 18);

  pbScreen = new QWidget(this);
  pbScreen->setObjectName("pbScreen");
  pbScreen->setGeometry(4, 40, 518, 405);
  pbScreen->installEventFilter(this);

  bbOk = new QPushButton("OK", this);
  bbOk->setObjectName("bbOk");
  bbOk->setGeometry(528, 416, 68, 28);
  connect(bbOk, &QPushButton::clicked, this, &QDialog::accept);

  connect(cbSets, &QComboBox::currentIndexChanged, this, [this] { cbSetsChange(); });
  connect(sePalette, &QSpinBox::valueChanged, this, [this] { sePaletteChange(); });
  connect(cbFlipX, &QCheckBox::clicked, this, &TfrmSpriteSet::cbFlipClick);
  connect(cbFlipY, &QCheckBox::clicked, this, &TfrmSpriteSet::cbFlipClick);
}

void TfrmSpriteSet::Prepare(SpriteSetsFn spriteSets) {
  sets_.clear();
  int count = 0;
  TileSet** array = nullptr;
  if (spriteSets != nullptr) spriteSets(count, array);
  for (int i = 0; i < count && array != nullptr; ++i)
    if (array[i] != nullptr) sets_.push_back(array[i]);

  {
    const QSignalBlocker blocker(cbSets);
    cbSets->clear();
    for (const TileSet* set : sets_) cbSets->addItem(QString::fromStdString(set->Name));
    cbSets->setCurrentIndex(sets_.empty() ? -1 : 0);
  }
  flip_ = SpriteFlipByte(cbFlipX->isChecked(), cbFlipY->isChecked());
  ShowFirstVisiblePalette();
}

void TfrmSpriteSet::ShowFirstVisiblePalette() {
  const int index = cbSets->currentIndex();
  int palette = 0;
  const ScreenBitmap* bitmap = controls_.Bitmap();
  if (bitmap != nullptr && index >= 0 && static_cast<size_t>(index) < sets_.size()) {
    const TileSet& set = *sets_[static_cast<size_t>(index)];
    palette = FirstVisiblePalette([&](int p) {
      DrawSpriteSet(set, p, flip_, pbScreen->width(), pbScreen->height());
      return ShowsAnything(bitmap->Pixels, bitmap->Palette);
    });
  }
  {
    const QSignalBlocker blocker(sePalette);
    sePalette->setValue(palette);
  }
  DrawSelected();
}

void TfrmSpriteSet::Open(SpriteSetsFn spriteSets) {
  Prepare(spriteSets);
  KeepOnScreen(*this, parentWidget());
  exec();
}

void TfrmSpriteSet::DrawSelected() {
  const int index = cbSets->currentIndex();
  // A driver that reports no sets leaves the bitmap cleared.
  if (index < 0 || static_cast<size_t>(index) >= sets_.size()) {
    if (controls_.Bitmap() != nullptr) ClearScreen(0);
  } else {
    DrawSpriteSet(*sets_[static_cast<size_t>(index)], sePalette->value(), flip_, pbScreen->width(),
                  pbScreen->height());
  }
  pbScreen->update();
}

void TfrmSpriteSet::cbSetsChange() { ShowFirstVisiblePalette(); }

void TfrmSpriteSet::sePaletteChange() { DrawSelected(); }

void TfrmSpriteSet::cbFlipClick() {
  flip_ = SpriteFlipByte(cbFlipX->isChecked(), cbFlipY->isChecked());
  DrawSelected();
}

bool TfrmSpriteSet::eventFilter(QObject* watched, QEvent* event) {
  if (watched == pbScreen && event->type() == QEvent::Paint) {
    pbScreenPaint();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void TfrmSpriteSet::pbScreenPaint() {
  QPainter painter(pbScreen);
  painter.fillRect(pbScreen->rect(), Qt::black);
  if (controls_.Bitmap() == nullptr) return;
  const QImage image = ScreenImage(*controls_.Bitmap());
  painter.drawImage(QRect(0, 0, image.width() * 2, image.height() * 2), image);
}

}  // namespace tirvane
