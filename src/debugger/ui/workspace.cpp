// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/workspace.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QResizeEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTabBar>
#include <QTimer>
#include <QToolBar>
#include <algorithm>

#include "debugger/debug_engine.h"
#include "debugger/registers.h"
#include "debugger/ui/disasm_pane.h"
#include "debugger/ui/game_pane.h"
#include "debugger/ui/memory_pane.h"
#include "debugger/ui/register_pane.h"
#include "debugger/ui/stop_pane.h"
#include "debugger/ui/trace_pane.h"

namespace tirvane {

namespace {

constexpr const char* GeometryKey = "debugger/workspaceGeometry";
constexpr const char* StateKey = "debugger/workspaceState";
// Bumped when the panes change, so a layout saved by an older build is not half applied.
constexpr int LayoutVersion = 3;
constexpr const char* HasCommandProperty = "hasCommand";

int RefreshMilliseconds() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const auto period = DisplayPeriod(screen != nullptr ? screen->refreshRate() : 0.0);
  return std::max(1, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(period).count()));
}

}  // namespace

DebuggerWorkspace::DebuggerWorkspace(TfrmDebug& registers, TfrmAddWatch* addWatch,
                                     const BreakpointControls& breakpoints, RunCommands commands,
                                     std::function<void()> spriteSets, QWidget* parent)
    : QMainWindow(parent, Qt::Window), commands_(std::move(commands)) {
  setObjectName("frmWorkspace");
  // Arrows, page keys and typed hex move through and edit the panes.
  setProperty(KeepsKeysProperty, true);
  setWindowTitle("Debugger");
  setDockNestingEnabled(true);
  setDockOptions(AnimatedDocks | AllowNestedDocks | AllowTabbedDocks);

  Disassembly = new DisassemblyPane;
  Registers = new RegisterPane;
  Watches = new WatchPane(registers, addWatch);
  Memory = new MemoryPane;
  Breakpoints = new BreakpointPane(breakpoints);
  Tiles = new TilePane(std::move(spriteSets));
  Stops = new StopPane;
  Trace = new TracePane;
  DisassemblyDock = Dock(Disassembly, "Disassembly", "dockDisassembly");
  // Scrolled rather than cut off where the screen leaves too little height for every field.
  registersScroll_ = new QScrollArea;
  registersScroll_->setWidget(Registers);
  registersScroll_->setWidgetResizable(true);
  registersScroll_->setFrameShape(QFrame::NoFrame);
  RegistersDock = Dock(registersScroll_, "Registers", "dockRegisters");
  WatchesDock = Dock(Watches, "Watches", "dockWatches");
  MemoryDock = Dock(Memory, "Memory", "dockMemory");
  BreakpointsDock = Dock(Breakpoints, "Breakpoints", "dockBreakpoints");
  TilesDock = Dock(Tiles, "Tiles", "dockTiles");
  StopsDock = Dock(Stops, "Watchpoints", "dockStops");
  StopsDock->setToolTip("Breakpoints with conditions or hit counts, and watchpoints");
  TraceDock = Dock(Trace, "Trace", "dockTrace");
  Game = new GamePane;
  GameDock = Dock(Game, "Game screen", "dockGame");
  // Off until asked for: the separate game screen window is the usual place of the picture.
  connect(GameDock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    TellGameDocked();
    // The pane's least size may have widened the window past the screen's edge.
    if (visible) QTimer::singleShot(0, this, &DebuggerWorkspace::KeepOnScreen);
  });
  Trace->Report = [this](const QString& text) { ShowMessage(text); };
  AskSymbolPath = [this] {
    return QFileDialog::getOpenFileName(this, "Load symbols", QString(),
                                        "Symbols (*.sym *.lbl *.noi *.map *.txt);;All files (*)");
  };
  Disassembly->View->IsBreakpoint = [this](uint16_t address) {
    return Breakpoints->Has(address) || (engine_ != nullptr && engine_->Breakpoints.Marks()[address]);
  };

  BuildActions();
  SetEngine(nullptr);
  ResetLayout();
  firstState_ = saveState(LayoutVersion);

  refresh_.setInterval(RefreshMilliseconds());
  connect(&refresh_, &QTimer::timeout, this, [this] {
    // While paused the machine changes only by a step or an edit; the registers tell whether one
    // happened that nobody reported.
    if (commands_.Paused && commands_.Paused() && ActiveContext != nullptr &&
        RegisterSnapshot::Of(*ActiveContext).Values == shownRegisters_.Values)
      return;
    Refresh();
  });
  Registers->Session = &Session;
  Memory->View->Session = &Session;
  Registers->Changed = [this] { Refresh(); };
  Memory->View->Edited = [this] { Disassembly->View->update(); };
}

DebuggerWorkspace::~DebuggerWorkspace() {
  if (restored_) SaveLayout();
}

QDockWidget* DebuggerWorkspace::Dock(QWidget* pane, const QString& title, const char* name) {
  auto* dock = new QDockWidget(title, this);
  dock->setObjectName(name);
  dock->setProperty(KeepsKeysProperty, true);  // also when floating, a window of its own
  dock->setWidget(pane);
  dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                    QDockWidget::DockWidgetFloatable);
  connect(dock, &QDockWidget::dockLocationChanged, this, &DebuggerWorkspace::WholeTabNames);
  // A pane shown again (from the View menu or by un-tabbing) shows the machine as it is now.
  connect(dock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
    if (visible) Refresh();
  });
  return dock;
}

void DebuggerWorkspace::BuildActions() {
  QToolBar* bar = runBar_ = addToolBar("Run");
  bar->setObjectName("toolbarRun");
  bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  const auto action = [&](const QString& text, QStyle::StandardPixmap icon, const QKeySequence& key,
                          const std::function<void()>& what) {
    auto* act = new QAction(style()->standardIcon(icon), text, this);
    act->setShortcut(key);
    act->setToolTip(key.isEmpty() ? text : QString("%1 (%2)").arg(text, key.toString(QKeySequence::NativeText)));
    act->setEnabled(static_cast<bool>(what));
    act->setProperty(HasCommandProperty, static_cast<bool>(what));
    connect(act, &QAction::triggered, this, [what] {
      if (what) what();
    });
    bar->addAction(act);
    return act;
  };
  RunAction = action("Run", QStyle::SP_MediaPlay, Qt::Key_F5, commands_.Run);
  PauseAction = action("Pause", QStyle::SP_MediaPause, Qt::Key_F6, commands_.Pause);
  StepIntoAction = action("Step into", QStyle::SP_ArrowDown, Qt::Key_F11, commands_.StepInto);
  StepOverAction = action("Step over", QStyle::SP_ArrowForward, Qt::Key_F10, commands_.StepOver);
  StepOutAction = action("Step out", QStyle::SP_ArrowUp, Qt::SHIFT | Qt::Key_F11, commands_.StepOut);
  std::function<void()> runTo;
  if (commands_.RunTo) runTo = [this] { commands_.RunTo(Disassembly->View->Selected()); };
  RunToCursorAction = action("Run to cursor", QStyle::SP_MediaSeekForward, Qt::CTRL | Qt::Key_F10, runTo);
  RunToNextFrameAction =
      action("Run to next frame", QStyle::SP_MediaSkipForward, QKeySequence(), commands_.RunToNextFrame);
  // Step back and run back belong after the steps.
  bar->addSeparator();
  LoadSymbolsAction = action("Load symbols…", QStyle::SP_DialogOpenButton, QKeySequence(), [this] {
    if (!AskSymbolPath) return;
    if (const QString path = AskSymbolPath(); !path.isEmpty()) LoadSymbols(path);
  });

  ToggleBreakpointAction = new QAction("Toggle breakpoint", this);
  ToggleBreakpointAction->setShortcut(Qt::Key_F9);
  connect(ToggleBreakpointAction, &QAction::triggered, this, [this] {
    Breakpoints->Toggle(Disassembly->View->Selected());
    Disassembly->View->update();
  });
  GoToAction = new QAction("Go to address…", this);
  GoToAction->setShortcut(Qt::CTRL | Qt::Key_G);
  connect(GoToAction, &QAction::triggered, this, &DebuggerWorkspace::GoToFocused);

  QMenu* debug = debugMenu_ = menuBar()->addMenu("&Debug");
  debug->addActions({RunAction, PauseAction, StepIntoAction, StepOverAction, StepOutAction, RunToCursorAction,
                     RunToNextFrameAction});
  debug->addSeparator();
  debug->addActions({ToggleBreakpointAction, GoToAction, LoadSymbolsAction});
  // The keys work in floating panes too, and only in the debugger's windows: the game screen keeps
  // F5-F11 for the machine.
  for (QDockWidget* dock : Docks()) dock->addActions(debug->actions());
  GameDock->addActions(debug->actions());

  QMenu* view = viewMenu_ = menuBar()->addMenu("&View");
  for (QDockWidget* dock : Docks()) view->addAction(dock->toggleViewAction());
  view->addAction(GameDock->toggleViewAction());
  view->addSeparator();
  ResetLayoutAction = view->addAction("Reset layout", this, [this] {
    ResetLayout();
    if (PlaceFirstTime) PlaceFirstTime();
    KeepOnScreen();
  });
  ClassicAction = view->addAction("Classic windows");
  ClassicAction->setCheckable(true);
  ClassicAction->setToolTip("The separate small debugger windows instead of this one");
  connect(ClassicAction, &QAction::triggered, this, [this](bool on) {
    if (ClassicChosen) ClassicChosen(on);
  });
}

void DebuggerWorkspace::GoToFocused() {
  // Ctrl+G goes to the memory pane's field when the memory pane has the focus, else the listing's.
  if (Memory->isAncestorOf(QApplication::focusWidget())) {
    MemoryDock->show();
    MemoryDock->raise();
    Memory->FocusGoTo();
    return;
  }
  DisassemblyDock->show();
  DisassemblyDock->raise();
  Disassembly->FocusGoTo();
}

QList<QDockWidget*> DebuggerWorkspace::Docks() const {
  QList<QDockWidget*> docks{DisassemblyDock, RegistersDock, WatchesDock, MemoryDock,
                            BreakpointsDock, StopsDock,     TraceDock,   TilesDock};
  for (const auto& [pane, besides] : addedPanes_) docks << pane;
  return docks;
}

void DebuggerWorkspace::AddPane(QDockWidget* dock, QDockWidget* besides) {
  dock->setParent(this);
  dock->setProperty(KeepsKeysProperty, true);
  dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                    QDockWidget::DockWidgetFloatable);
  dock->addActions(debugMenu_->actions());
  connect(dock, &QDockWidget::dockLocationChanged, this, &DebuggerWorkspace::WholeTabNames);
  viewMenu_->insertAction(GameDock->toggleViewAction(), dock->toggleViewAction());
  addedPanes_.append(std::pair{dock, besides});
  addDockWidget(Qt::RightDockWidgetArea, dock);
  tabifyDockWidget(besides, dock);
  besides->raise();
}

void DebuggerWorkspace::Arrange(int crowding) {
  const bool compact = crowding > 0;
  // Every register in view while there is room; scrolled in a compact layout.
  registersScroll_->setMinimumHeight(compact ? 0 : Registers->sizeHint().height());
  for (QDockWidget* dock : Docks() + QList<QDockWidget*>{GameDock}) {
    dock->setFloating(false);
    removeDockWidget(dock);
  }
  addDockWidget(Qt::LeftDockWidgetArea, DisassemblyDock);
  addDockWidget(Qt::RightDockWidgetArea, RegistersDock);
  if (compact)
    tabifyDockWidget(RegistersDock, WatchesDock);
  else
    splitDockWidget(RegistersDock, WatchesDock, Qt::Vertical);
  tabifyDockWidget(WatchesDock, BreakpointsDock);
  tabifyDockWidget(BreakpointsDock, StopsDock);
  for (const auto& [pane, besides] : addedPanes_) tabifyDockWidget(besides, pane);
  // Compact: the memory group goes under the listing, so neither column holds three panes; on the
  // smallest screens it becomes tabs beside the listing.
  if (crowding > 1)
    tabifyDockWidget(DisassemblyDock, MemoryDock);
  else
    addDockWidget(compact ? Qt::LeftDockWidgetArea : Qt::BottomDockWidgetArea, MemoryDock);
  tabifyDockWidget(MemoryDock, TraceDock);
  tabifyDockWidget(TraceDock, TilesDock);
  for (QDockWidget* dock : Docks()) dock->show();
  // Between the listing and the registers when asked for; hidden until then.
  addDockWidget(Qt::LeftDockWidgetArea, GameDock);
  splitDockWidget(DisassemblyDock, GameDock, Qt::Horizontal);
  GameDock->hide();
  compact ? RegistersDock->raise() : WatchesDock->raise();
  crowding > 1 ? DisassemblyDock->raise() : MemoryDock->raise();
  WholeTabNames();
}

void DebuggerWorkspace::WholeTabNames() {
  // A narrow column scrolls its tabs rather than cutting their names to "Reg…".
  for (QTabBar* tabs : findChildren<QTabBar*>()) {
    tabs->setElideMode(Qt::ElideNone);
    tabs->setUsesScrollButtons(true);
  }
}

void DebuggerWorkspace::ResetLayout() {
  const QScreen* screen = this->screen();
  // The window manager's frame is not known before the first show; this much is kept free for it.
  const QSize room = screen != nullptr ? screen->availableGeometry().size() - QSize(8, 40) : QSize(4096, 4096);
  // On a small or strongly scaled screen more panes share a place as tabs, until the window's least
  // height fits the screen.
  for (int crowding = 0; crowding < 3; ++crowding) {
    Arrange(crowding);
    if (minimumSizeHint().height() <= room.height()) break;
  }
  // A size that shows every register and a few watches beside the listing, when the screen allows.
  const int column = std::max(Disassembly->minimumSizeHint().height(),
                              Registers->sizeHint().height() + Watches->minimumSizeHint().height() + 40);
  const QSize wanted = QSize(Disassembly->minimumSizeHint().width() + Registers->sizeHint().width(),
                             column + Memory->minimumSizeHint().height()) +
                       QSize(80, 160);
  resize(wanted.expandedTo(QSize(900, 640)).boundedTo(room * 9 / 10).expandedTo(minimumSizeHint()).boundedTo(room));

}

void DebuggerWorkspace::KeepOnScreen() {
  const QScreen* display = screen();
  if (display == nullptr || !isVisible()) return;
  const QRect room = display->availableGeometry();
  const QSize decoration = frameGeometry().size() - size();
  const QSize fits = size().boundedTo(room.size() - decoration).expandedTo(minimumSizeHint());
  if (fits != size()) resize(fits);
  const QRect frame = frameGeometry();
  const int x = std::clamp(frame.left(), room.left(), std::max(room.left(), room.right() + 1 - frame.width()));
  const int y = std::clamp(frame.top(), room.top(), std::max(room.top(), room.bottom() + 1 - frame.height()));
  if (QPoint(x, y) != frame.topLeft()) move(x, y);
}

void DebuggerWorkspace::SaveLayout() {
  const std::unique_ptr<QSettings> settings = Settings ? Settings() : nullptr;
  if (!settings) return;
  settings->setValue(GeometryKey, saveGeometry());
  settings->setValue(StateKey, saveState(LayoutVersion));
}

bool DebuggerWorkspace::HasSavedLayout() const {
  const std::unique_ptr<QSettings> settings = Settings ? Settings() : nullptr;
  return settings && settings->contains(GeometryKey);
}

void DebuggerWorkspace::showEvent(QShowEvent* event) {
  if (!restored_) {
    restored_ = true;
    if (const std::unique_ptr<QSettings> settings = Settings ? Settings() : nullptr) {
      restoreGeometry(settings->value(GeometryKey).toByteArray());
      restoreState(settings->value(StateKey).toByteArray(), LayoutVersion);
      WholeTabNames();
    }
  }
  QMainWindow::showEvent(event);
  // A layout saved on a larger screen, or wider than the screen, comes back inside this one.
  QTimer::singleShot(0, this, &DebuggerWorkspace::KeepOnScreen);
  refresh_.start();
  Refresh();
  TellGameDocked();
}

void DebuggerWorkspace::hideEvent(QHideEvent* event) {
  SaveLayout();
  refresh_.stop();
  QMainWindow::hideEvent(event);
  TellGameDocked();
}

void DebuggerWorkspace::TellGameDocked() {
  const bool docked = isVisible() && !GameDock->isHidden();
  if (docked == gameDocked_) return;
  gameDocked_ = docked;
  if (GameScreenDocked) GameScreenDocked(docked);
}

void DebuggerWorkspace::closeEvent(QCloseEvent* event) {
  QMainWindow::closeEvent(event);
  if (Closed) Closed();
}

void DebuggerWorkspace::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  if (event->size().width() != event->oldSize().width()) FitToolBar();
}

void DebuggerWorkspace::FitToolBar() {
  // Names beside the icons while they fit; in a narrow window (or at a large scale) the icons alone,
  // with the names in their tooltips, so no action hides behind the overflow arrow.
  runBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  if (runBar_->sizeHint().width() > width()) runBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void DebuggerWorkspace::Resumed() { Memory->View->TakeBaseline(); }

void DebuggerWorkspace::MachineChanged() {
  // Nothing of the old game counts as changed in the new one.
  Memory->View->TakeBaseline();
  Stops->ShowStop({});
  Refresh();
}

bool DebuggerWorkspace::Live() const { return commands_.Running && commands_.Running(); }

void DebuggerWorkspace::Refresh() {
  const bool live = Live();
  for (QAction* act : {RunAction, PauseAction, StepIntoAction, StepOverAction, StepOutAction, RunToCursorAction,
                       RunToNextFrameAction})
    act->setEnabled(live && act->property(HasCommandProperty).toBool());
  Memory->View->Blank = !live;
  if (!isVisible()) return;
  if (ActiveContext != nullptr) shownRegisters_ = RegisterSnapshot::Of(*ActiveContext);
  const bool paused = commands_.Paused && commands_.Paused();
  if (!DisassemblyDock->visibleRegion().isEmpty()) Disassembly->Refresh(paused, live);
  if (!RegistersDock->visibleRegion().isEmpty()) live ? Registers->Refresh() : Registers->Clear();
  if (!WatchesDock->visibleRegion().isEmpty() && live) Watches->Refresh();
  if (!MemoryDock->visibleRegion().isEmpty()) Memory->Refresh();
  if (!BreakpointsDock->visibleRegion().isEmpty()) Breakpoints->Refresh();
  if (!TilesDock->visibleRegion().isEmpty()) Tiles->Refresh();
  if (!StopsDock->visibleRegion().isEmpty()) Stops->Refresh();
  if (!TraceDock->visibleRegion().isEmpty()) Trace->Refresh();
  if (!GameDock->visibleRegion().isEmpty()) Game->Refresh();
}

void DebuggerWorkspace::SetEngine(DebugEngine* engine) {
  engine_ = engine;
  const SymbolTable* symbols = engine != nullptr ? &engine->Symbols : nullptr;
  Disassembly->View->Symbols = symbols;
  Memory->Symbols = symbols;
  Stops->SetEngine(engine);
  Trace->SetTrace(engine != nullptr ? &engine->Trace : nullptr, symbols);
  LoadSymbolsAction->setEnabled(engine != nullptr);
  SymbolsChanged();
}

void DebuggerWorkspace::LoadSymbols(const QString& path) {
  if (engine_ == nullptr) return;
  SymbolTable loaded;
  const SymbolLoadResult result = LoadSymbolFile(path.toStdString(), loaded);
  if (result.Ok) {
    engine_->Symbols = std::move(loaded);
    SymbolsChanged();
  }
  ShowMessage(QString::fromStdString(result.Message));
}

void DebuggerWorkspace::SymbolsChanged() {
  Memory->ShowWhere();
  Disassembly->View->update();
  Trace->Refresh();
}

void DebuggerWorkspace::ShowMessage(const QString& text) { statusBar()->showMessage(text); }

void DebuggerWorkspace::ReportStop(const QString& text) {
  ShowMessage(text);
  Stops->ShowStop(text);
}

}  // namespace tirvane
