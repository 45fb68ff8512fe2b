// SPDX-License-Identifier: GPL-3.0-or-later
// TfrmCharSet: the plain tile arrays of the drivers without named sets (CharTiles, SpriteTiles),
// one set at a time, each tile pixel a zoom x zoom square in a palette of four colours.
#pragma once

#include <QDialog>
#include <QString>

#include "video/tiles.h"
#include "run/run_controls.h"

class QPushButton;
class QSpinBox;
class QFrame;

namespace tirvane {

class TfrmCharSet : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmCharSet(QWidget* parent = nullptr);

  // Stores what to show and resets set 0, zoom 3, palette 0; the set spin allows setCount - 1 at most
  // and is enabled only for more than one set.
  void SetUp(Tile* const* tiles, int tileCount, int tilesPerSet, int setCount, const QString& caption);

  int CurrentSet() const { return set_; }
  int Zoom() const { return zoom_; }
  int Palette() const { return palette_; }

  void seZoomChange();
  void sePaletteChange();
  void seSetChange();

  QFrame* pbFrame;
  QWidget* pbScreen;
  QSpinBox *seZoom, *sePalette, *seSet;
  QPushButton* bbOk;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  RunControls& controls_ = Controls();
  void pbScreenPaint();

  Tile* const* tiles_ = nullptr;
  int tileCount_ = 0;
  int tilesPerSet_ = 256;
  int setCount_ = 0;
  int set_ = 0;
  int zoom_ = 3;
  int palette_ = 0;
};

}  // namespace tirvane
