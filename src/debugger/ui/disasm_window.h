// SPDX-License-Identifier: GPL-3.0-or-later
// TfrmDisasm: the listing of the running machine's ROM area, made by one sweep the first time the
// window opens after Start and kept until Stop. TfrmProgress shows how far the sweep has come.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>
#include "run/run_controls.h"

class QProgressBar;
class QPushButton;
class QScrollBar;
class QFrame;

namespace tirvane {

class TfrmProgress : public QWidget {
  Q_OBJECT

 public:
  explicit TfrmProgress(QWidget* parent = nullptr);
  QProgressBar* gProgress;
};

class TfrmDisasm : public QWidget {
  Q_OBJECT

 public:
  // The progress window is the one the program created; null sweeps without showing progress.
  explicit TfrmDisasm(TfrmProgress* progress, QWidget* parent = nullptr);

  // The main window's "Disasm" button: hides a visible window; otherwise sweeps when there are no
  // lines, places the window beside the game screen and shows it.
  void OpenOrClose(const QWidget* mainWindow, const QWidget* gameScreen);
  // Two passes over 0 ... romLimit of the memory image: one to count the lines, one to fill them.
  void Sweep(const uint8_t* memory, uint16_t romLimit);
  // Stop: the listing belongs to the machine that ran.
  void DiscardLines();

  const std::vector<std::string>& Lines() const { return lines_; }
  int VisibleRows() const { return visibleRows_; }
  int LineCount() const { return static_cast<int>(lines_.size()); }

  void bbHideClick() { hide(); }

  QFrame* Panel1;
  QWidget* pbShow;
  QScrollBar* sbShow;
  QPushButton* bbHide;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  RunControls& controls_ = Controls();
  void FormResize();
  void pbShowPaint();
  void UpdateScrollRange();

  TfrmProgress* progress_;
  QWidget* strip_;
  QWidget* stripBottom_;
  std::vector<std::string> lines_;
  int visibleRows_ = 0;
};

}  // namespace tirvane
