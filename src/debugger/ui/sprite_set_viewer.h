// SPDX-License-Identifier: GPL-3.0-or-later
// TfrmSpriteSet: the decoded sprite sets of drivers that name their TileSets, drawn through the colour
// lookup into the shared ScreenBitmap and shown at twice the size. Modal while open, so the machine
// stands still; the game picture comes back at the driver's next redraw.
#pragma once

#include <QDialog>
#include <cstdint>
#include <vector>

#include "drivers/driver.h"
#include "run/run_controls.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;

namespace tirvane {

class TfrmSpriteSet : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmSpriteSet(QWidget* parent = nullptr);

  // Asks the driver for its sets, lists their names and draws the first, flipped as the boxes say.
  void Prepare(SpriteSetsFn spriteSets);
  // Prepare, then show modally.
  void Open(SpriteSetsFn spriteSets);

  const std::vector<TileSet*>& Sets() const { return sets_; }
  uint8_t Flip() const { return flip_; }

  void cbSetsChange();
  void sePaletteChange();
  void cbFlipClick();

  QComboBox* cbSets;
  QSpinBox* sePalette;
  QCheckBox *cbFlipX, *cbFlipY;
  QWidget* pbScreen;
  QPushButton* bbOk;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  RunControls& controls_ = Controls();
  void DrawSelected();
  // Sets the palette spin to the first palette in which the selected set shows anything, and draws.
  void ShowFirstVisiblePalette();
  void pbScreenPaint();

  std::vector<TileSet*> sets_;
  uint8_t flip_ = 0;
};

}  // namespace tirvane
