// SPDX-License-Identifier: GPL-3.0-or-later
// The SPECTRUM's tape window and its game screen entries: "Tape…" shows the tape in the machine
// (its blocks, where it stands, Play, Stop, Rewind, loading at once) and "Save snapshot as…" writes
// the running machine as .sna, .z80 or .szx.
#pragma once

#include <QTimer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace tirvane {

class EmulationRun;

class TapeWindow : public QWidget {
 public:
  explicit TapeWindow(QWidget* parent = nullptr);
  // Reads the deck again: the list when another tape went in, the position and the buttons.
  void Refresh();

  QListWidget* lstBlocks;
  QLabel* lblPosition;
  QPushButton* btnPlay;
  QPushButton* btnStop;
  QPushButton* btnRewind;
  QCheckBox* chkInstant;

 private:
  QTimer refresh_;
  const void* shownTape_ = nullptr;
  size_t shownBlocks_ = 0;
};

void AddSpectrumMenu(QWidget& screen, EmulationRun& run);

}  // namespace tirvane
