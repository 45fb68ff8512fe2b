// SPDX-License-Identifier: GPL-3.0-or-later
// TfrmDebug: the register window. It shows the registers, the flags and the watches, owns the
// debugger state behind its Pause, Play and Step buttons, and is shown below the main window while the
// "Debug" box is ticked.
//
// The run loop asks for a refresh before every instruction. Capturing is cheap (eight registers and
// one read per watch) and happens every time; turning a capture into text and pixels happens only
// when the display can show it (ShowCaptured), so debugging runs at a useful speed while the window
// still shows the state in which the most recent instruction began.
#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "run/run.h"
#include "run/run_controls.h"
#include "debugger/registers.h"
#include "debugger/watches.h"

class QLabel;
class QListWidget;
class QToolButton;

namespace tirvane {

class TfrmAddWatch;

class TfrmDebug : public QWidget {
  Q_OBJECT

 public:
  // The dialog is the add-watch dialog the program created; it may be null in tests that add no watch.
  explicit TfrmDebug(TfrmAddWatch* addWatch, QWidget* parent = nullptr);

  // The one writer of DebugState besides the run loop's Step-to-Paused: stores it and sets the caption.
  void SetState(DebugStateKind state);
  // Brings the caption in line with DebugState after the run loop changed it.
  void SyncCaption();

  // Refresh: capture and show at once.
  void Refresh();
  // Registers from the active processor record, watch values from the memory image.
  void Capture();
  // Shows the last capture: register values, flag names, the watch list.
  void ShowCaptured();
  bool CapturePending() const { return pending_; }

  // The main window's "Debug" box: on shows the window below mainWindow and sets Running; off hides
  // it and leaves the state alone.
  void DebugSwitch(bool on, const QWidget* mainWindow);

  void sbPauseClick();
  void sbPlayClick();
  void sbStepClick();
  void sbAddWatchClick();
  void sbDelWatchClick();

  WatchList& Watches() { return watches_; }
  const RegisterSnapshot& Captured() const { return captured_; }

  // Called after every SetState; the debugger uses it to bring the game picture up to date on a pause.
  std::function<void(DebugStateKind)> StateChanged;
  // The user closed the window from its frame: the main window unticks "Debug", as the switch would.
  std::function<void()> Closed;

  std::array<QLabel*, RegisterCount> RegisterCaptions;
  std::array<QLabel*, RegisterCount> RegisterValues;  // lblAF ... lblPC
  std::array<QLabel*, 8> FlagLabels;                  // in the order of FlagNames
  QToolButton *sbAddWatch, *sbDelWatch;
  QListWidget* lbWatches;
  QToolButton *sbPause, *sbPlay, *sbStep;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FillWatchList();

  RunControls& controls_ = Controls();
  TfrmAddWatch* addWatch_;
  WatchList watches_;
  RegisterSnapshot captured_;
  bool pending_ = false;
  bool shownOnce_ = false;
  DebugStateKind captionState_ = DebugStateKind::Running;
  RegisterSnapshot shown_;  // what the labels show, so unchanged ones are left alone
};

}  // namespace tirvane
