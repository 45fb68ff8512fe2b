// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: the control panel that lists the games, starts and stops a run, and carries
// the debugger's switches. The run's main loop turns inside sbStartClick.
#pragma once

#include <QComboBox>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/catalogue.h"
#include "run/history.h"
#include "run/run.h"
#include "run/run_controls.h"
#include "debugger/breakpoints.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QToolButton;

namespace tirvane {

class QtHost;
class SoundOutput;
class TfrmGameScreen;

inline constexpr const char* ApplicationTitle = "Tirvane 0.21";

// Where the debugger windows plug into the main window. An empty hook leaves its control inert
// (the Debug and Break boxes still switch their flags).
struct DebuggerHooks {
  std::function<void()> SpritesClick;        // the sprite or character set viewer
  std::function<void()> CharSetsClick;       // the character set viewer on the character tiles
  std::function<void()> DisasmClick;         // opens or closes the disassembler window
  std::function<void()> DiscardDisassembly;  // a stopped run's listing is stale
  // Shows or hides the register window and sets the debugger state; DebugMode is already set.
  std::function<void(bool on)> DebugSwitch;
  // The add-breakpoint dialog: the address as typed, or nothing when cancelled.
  std::function<std::optional<std::string>()> AskBreakpointAddress;
  // Pauses or resumes the machine as the debugger's own buttons would.
  std::function<void(bool paused)> SetPaused;
  // A game started from this description file (the debugger looks for its symbols beside it).
  std::function<void(const std::string& descriptionPath)> GameStarted;
};

// A drop-down list that draws its items, and its closed face, through a handler.
class OwnerDrawComboBox : public QComboBox {
 public:
  using DrawItem = std::function<void(QPainter& painter, const QRect& rect, int index, bool selected)>;
  OwnerDrawComboBox(QWidget* parent, DrawItem draw, bool bold);
  DrawItem Draw;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class TfrmEmulator : public QMainWindow {
  Q_OBJECT

 public:
  // The catalogue lists the *.ini files of programFolder; empty means the executable's folder.
  explicit TfrmEmulator(std::string programFolder = {});
  ~TfrmEmulator() override;

  EmulationRun Run;
  // The last minute of the run, for rewinding and stepping back.
  RunHistory History{Run};
  void AddHistoryLengthMenu();
  RunControls& Controls_ = Controls();  // how the window reads and steers Run
  DebuggerHooks Debugger;

  TfrmGameScreen* frmGameScreen;
  QToolButton *sbStart, *sbReset, *sbDSW, *sbSprites, *sbDisasm, *sbCart;
  QLabel *lblDrivers, *lblGames;
  OwnerDrawComboBox* cbDrivers;
  QListWidget* lbGames;
  QCheckBox *cbDoubleScr, *cbDebug, *cbBreakPoint;
  // "Pause" or "Resume" during a run: the way on from a pause with the debugger switched off.
  QToolButton* sbPause;
  QToolButton *sbAddBreak, *sbDelBreak;
  OwnerDrawComboBox* cbBreak;
  QLabel* StatusPanel;
  // "Char Sets": in the Sprites button's menu and the window's context menu, enabled during a run.
  QAction* actCharSets;

  QtHost& Host() { return *host_; }
  const GameCatalogue& Catalogue() const { return catalogue_; }
  // The items of cbBreak; the run's breakpoint check reads it.
  const BreakpointList& Breakpoints() const { return breakpoints_; }
  // Inserts in text order, selects the new item.
  void AddBreakpoint(const std::string& text);
  // Starts the description at path (stopping a running game first), as a Start click on its item.
  void StartDescription(const std::string& path);
  // Loads a snapshot or cartridge into the running machine as "Cartridge" would.
  void LoadFileAsCartridge(const std::string& path);
  // Lists the descriptions of another folder; refused (false) while a run is active.
  bool ChangeGamesFolder(const std::string& folder);
  const std::string& GamesFolder() const { return programFolder_; }

  // About twice a second during a run: measures the speed since the last call.
  void UpdateStatus();
  // The run's counters jumped (a state loaded, a move through the history): the next figure is
  // measured from here, not across the jump.
  void RestartRate();

  void sbStartClick();
  void sbResetClick();
  void sbCartClick();
  void sbSpritesClick();
  void sbDisasmClick();
  void cbDriversChange();
  void lbGamesDblClick();
  void cbDoubleScrClick();
  void cbDebugClick();
  void sbPauseClick();
  void cbBreakPointClick();
  void sbAddBreakClick();
  void sbDelBreakClick();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void FormCreate();
  void FormClose(QCloseEvent* event);
  void CreateControls();
  void LoadCatalogue();
  void FillGameList();
  void StartSequence();
  void StartGame(const std::string& path);
  // The controls and the loop of a run whose Start succeeded.
  void RunStarted();
  void StopSequence();
  // Selects the driver and the game of a catalogue path; false when the catalogue has no such file.
  bool SelectGame(const std::string& path);
  void RestoreSettings();
  void SetListsEnabled(bool enabled);
  void ShowStatus();
  void ConnectSound();

  void cbDriversDrawItem(QPainter& painter, const QRect& rect, int index, bool selected);
  void lbGamesDrawItem(QPainter& painter, const QRect& rect, int index, bool selected);
  void cbBreakDrawItem(QPainter& painter, const QRect& rect, int index, bool selected);

  std::string programFolder_;
  std::string pendingStart_;  // a description to start once the running game has stopped
  GameCatalogue catalogue_;
  std::unique_ptr<QtHost> host_;
  BreakpointList breakpoints_;

  QTimer statusTimer_;
  SoundOutput* sound_ = nullptr;  // owned by the window
  QElapsedTimer statusClock_;
  uint64_t statusFrames_ = 0;
  uint64_t statusCycles_ = 0;
  double statusFps_ = -1;  // negative until the first measurement of a run
  double statusMhz_ = -1;
};

}  // namespace tirvane
