// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/tape_window.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "drivers/home_computer.h"
#include "run/run.h"
#include "video/host.h"

namespace tirvane {

TapeWindow::TapeWindow(QWidget* parent) : QWidget(parent, Qt::Tool) {
  setWindowTitle("Tape");
  setObjectName("frmTape");
  auto* layout = new QVBoxLayout(this);
  lstBlocks = new QListWidget(this);
  lblPosition = new QLabel(this);
  auto* buttons = new QHBoxLayout;
  btnPlay = new QPushButton("Play", this);
  btnStop = new QPushButton("Stop", this);
  btnRewind = new QPushButton("Rewind", this);
  chkInstant = new QCheckBox("Load standard blocks at once", this);
  chkInstant->setToolTip("The ROM's loader takes a block whole when it asks for one; off: every block plays as sound");
  for (QPushButton* button : {btnPlay, btnStop, btnRewind}) buttons->addWidget(button);
  layout->addWidget(lstBlocks);
  layout->addWidget(lblPosition);
  layout->addLayout(buttons);
  layout->addWidget(chkInstant);

  connect(btnPlay, &QPushButton::clicked, this, [this] {
    SpectrumTape.Play();
    Refresh();
  });
  connect(btnStop, &QPushButton::clicked, this, [this] {
    SpectrumTape.Stop();
    Refresh();
  });
  connect(btnRewind, &QPushButton::clicked, this, [this] {
    SpectrumTape.Rewind();
    Refresh();
  });
  connect(chkInstant, &QCheckBox::toggled, this, [](bool on) { SpectrumTape.Instant = on; });
  // The deck changes as the machine runs; a few looks a second follow it without a hook in the run.
  refresh_.setInterval(250);
  connect(&refresh_, &QTimer::timeout, this, &TapeWindow::Refresh);
  refresh_.start();
  resize(320, 360);
  Refresh();
}

void TapeWindow::Refresh() {
  const TapeDeck& deck = SpectrumTape;
  const std::vector<TapeBlock>& blocks = deck.Inserted.Blocks;
  if (shownTape_ != blocks.data() || shownBlocks_ != blocks.size()) {
    shownTape_ = blocks.data();
    shownBlocks_ = blocks.size();
    lstBlocks->clear();
    for (size_t k = 0; k < blocks.size(); ++k)
      lstBlocks->addItem(QString("%1  %2").arg(k + 1).arg(QString::fromStdString(blocks[k].Label())));
  }
  // While playing, Next is the block after the one sounding.
  const size_t at = deck.Playing() && deck.Next > 0 ? deck.Next - 1 : deck.Next;
  if (at < blocks.size()) lstBlocks->setCurrentRow(static_cast<int>(at));
  if (!deck.Loaded())
    lblPosition->setText("No tape");
  else if (at >= blocks.size())
    lblPosition->setText("At the end of " + QString::fromStdString(deck.Inserted.Name));
  else
    lblPosition->setText(QString("%1 block %2 of %3")
                             .arg(deck.Playing() ? "Playing" : "Stopped before")
                             .arg(at + 1)
                             .arg(blocks.size()));
  btnPlay->setEnabled(deck.Loaded() && !deck.Playing() && deck.Next < blocks.size());
  btnStop->setEnabled(deck.Playing());
  btnRewind->setEnabled(deck.Loaded());
  if (chkInstant->isChecked() != deck.Instant) chkInstant->setChecked(deck.Instant);
}

void AddSpectrumMenu(QWidget& screen, EmulationRun& run) {
  auto* tape = new QAction("Tape…", &screen);
  tape->setToolTip("SPECTRUM: the tape in the machine, with Play, Stop and Rewind");
  QObject::connect(tape, &QAction::triggered, &screen, [&screen] {
    auto* window = screen.findChild<TapeWindow*>();
    if (!window) window = new TapeWindow(&screen);
    window->show();
    window->raise();
  });
  screen.addAction(tape);

  auto* save = new QAction("Save snapshot as…", &screen);
  save->setToolTip("SPECTRUM: writes the machine as .z80, .szx or .sna");
  QObject::connect(save, &QAction::triggered, &screen, [&screen, &run] {
    if (!run.Running() || !run.Row() || !run.Row()->SaveSnapshot) {
      CurrentHost().messageBox("This machine saves no snapshots.");
      return;
    }
    const QString path = QFileDialog::getSaveFileName(&screen, "Save snapshot as", QString(),
                                                      "Z80 snapshot (*.z80);;zx-state (*.szx);;SNA snapshot (*.sna)");
    if (path.isEmpty()) return;
    const std::string why = run.Row()->SaveSnapshot(path.toStdString());
    if (!why.empty()) CurrentHost().messageBox(why);
  });
  screen.addAction(save);
}

}  // namespace tirvane
