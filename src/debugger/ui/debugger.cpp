// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/debugger.h"

#include <QAction>
#include <QDockWidget>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWidget>
#include <vector>

#include "debugger/debug_engine.h"
#include "debugger/ui/add_watch_dialog.h"
#include "debugger/ui/breakpoint_dialog.h"
#include "debugger/ui/char_set_viewer.h"
#include "debugger/ui/debug_window.h"
#include "debugger/ui/disasm_window.h"
#include "debugger/ui/sprite_set_viewer.h"
#include "debugger/ui/workspace.h"
#include "debugger/ui/window_placement.h"
#include "machine/description.h"
#include "run/run.h"
#include "video/screen.h"

namespace tirvane {

namespace {

double DisplayRate() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->refreshRate() : 0.0;
}

}  // namespace

Debugger::Debugger(QWidget* owner) : owner_(owner), pacer_(DisplayPeriod(DisplayRate())) {
  frmAddWatch = std::make_unique<TfrmAddWatch>(owner);
  frmDebug = std::make_unique<TfrmDebug>(frmAddWatch.get(), owner);
  frmCharSet = std::make_unique<TfrmCharSet>(owner);
  frmBreakPoint = std::make_unique<TfrmBreakPoint>(owner);
  frmProgress = std::make_unique<TfrmProgress>(owner);
  frmDisasm = std::make_unique<TfrmDisasm>(frmProgress.get(), owner);
  frmSpriteSet = std::make_unique<TfrmSpriteSet>(owner);

  RunCommands commands;
  commands.Run = [this] {
    if (engine_ != nullptr && ActiveContext != nullptr) engine_->Run();  // drops a step under way
    frmDebug->SetState(DebugStateKind::Running);
  };
  commands.Pause = [this] {
    EnsureDebugMode();
    if (engine_ != nullptr) engine_->Pause();
    frmDebug->SetState(DebugStateKind::Paused);
  };
  commands.StepOver = [this] { Command([](DebugEngine& engine) { engine.StepOver(); }); };
  commands.StepOut = [this] { Command([](DebugEngine& engine) { engine.StepOut(); }); };
  commands.RunToNextFrame = [this] { Command([](DebugEngine& engine) { engine.RunToNextFrame(); }); };
  commands.RunTo = [this](uint16_t address) {
    Command([address](DebugEngine& engine) { engine.RunTo(address); });
  };
  commands.StepInto = [this] {
    EnsureDebugMode();
    frmDebug->SetState(DebugStateKind::Step);
  };
  commands.Paused = [] { return DebugState == DebugStateKind::Paused; };
  // Detached (a view of the processor record alone) the panes show the record as it stands.
  commands.Running = [this] { return run_ == nullptr || run_->Running(); };
  Workspace = std::make_unique<DebuggerWorkspace>(*frmDebug, frmAddWatch.get(), breakpointControls_,
                                                  std::move(commands), [this] {
                                                    if (run_ != nullptr && run_->Running())
                                                      SpritesClick(run_->Driver().SpriteSetsRoutine);
                                                  },
                                                  owner);
  Workspace->Closed = [this] {
    if (UntickDebug) UntickDebug();
  };
  Workspace->ClassicChosen = [this](bool classic) { SetClassic(classic); };
  Workspace->PlaceFirstTime = [this] { PlaceWorkspace(); };

  // A pause shows at once what the throttled display had not shown yet.
  frmDebug->StateChanged = [this](DebugStateKind state) {
    if (state == DebugStateKind::Paused && (redrawPending_ || frmDebug->CapturePending())) ShowNow();
    if (state != DebugStateKind::Paused) {
      Workspace->Resumed();
      return;
    }
    Workspace->Refresh();
    if (frmDisasm->isVisible() && ActiveContext != nullptr) frmDisasm->ShowPc(ActiveContext->PC.w, true);
  };
  hitActions_.Refresh = [this] { frmDebug->Refresh(); };
  hitActions_.TickDebug = [this] {
    if (TickDebug) TickDebug();
  };
  hitActions_.Pause = [this] { frmDebug->SetState(DebugStateKind::Paused); };
}

Debugger::~Debugger() { Detach(); }

void Debugger::Attach(EmulationRun& run, const BreakpointList& breakpoints) {
  Detach();
  run_ = &run;
  engine_ = std::make_unique<DebugEngine>(run);
  engine_->TraceEnabled = !classic_;
  engine_->OnStop = [this](const StopReport& report) { Stopped(report.Message); };
  Workspace->SetEngine(engine_.get());
  Workspace->Session.SetRun(&run);
  breakpoints_ = &breakpoints;
  run.BreakpointCheck = [this] { BreakpointCheck(); };
  run.BreakpointMarks = &breakpoints.Marks();
  run.RefreshRegisters = [this] { RefreshRegisters(); };
  run.DebugRedraw = [this] { DebugRedraw(); };
  breakpointControls_.List = &breakpoints;
}

void Debugger::Detach() {
  if (run_ == nullptr) return;
  Workspace->SetEngine(nullptr);
  Workspace->Session.SetRun(nullptr);
  engine_.reset();
  run_->BreakpointCheck = nullptr;
  run_->BreakpointMarks = nullptr;
  run_->RefreshRegisters = nullptr;
  run_->DebugRedraw = nullptr;
  run_ = nullptr;
  breakpoints_ = nullptr;
}

void Debugger::BreakpointCheck() {
  if (controls_.Registers() == nullptr || breakpoints_ == nullptr) return;
  const uint16_t pc = controls_.Registers()->PC.w;
  if (classic_) {
    CheckBreakpoints(*breakpoints_, pc, hitActions_);
    return;
  }
  // The workspace reports the hit where the user looks while debugging, without a box to dismiss.
  for (int i = 0; i < breakpoints_->Count(); ++i) {
    if (breakpoints_->Address(i) != pc) continue;
    hitActions_.Refresh();
    hitActions_.TickDebug();
    hitActions_.Pause();
    Workspace->ReportStop(QString::fromStdString(BreakpointMessage(breakpoints_->Item(i))));
    return;
  }
}

void Debugger::RefreshRegisters() { frmDebug->Capture(); }

void Debugger::DebugRedraw() {
  frmDebug->SyncCaption();
  if (controls_.DebugState() != DebugStateKind::Paused && !pacer_.Due()) {
    redrawPending_ = true;
    return;
  }
  ShowNow();
}

void Debugger::ShowNow() {
  redrawPending_ = false;
  if (run_ != nullptr && run_->Running()) {
    if (run_->Driver().DrawRoutine != nullptr) run_->Driver().DrawRoutine();
    PresentScreen();
  }
  if (frmDebug->CapturePending()) frmDebug->ShowCaptured();
  if (frmDisasm->isVisible() && ActiveContext != nullptr)
    frmDisasm->ShowPc(ActiveContext->PC.w, DebugState == DebugStateKind::Paused);
  // While running the workspace keeps to its own display-rate timer.
  if (DebugState == DebugStateKind::Paused) Workspace->Refresh();
}

void Debugger::DebugSwitch(bool on, const QWidget* mainWindow) {
  mainWindow_ = mainWindow;
  if (classic_) {
    frmDebug->DebugSwitch(on, mainWindow);
    return;
  }
  if (!on) {
    Workspace->hide();
    return;
  }
  ShowWorkspace();
  frmDebug->SetState(DebugStateKind::Running);
}

void Debugger::PlaceWorkspace() {
  if (GameScreen == nullptr || mainWindow_ == nullptr) return;
  const QRect room = mainWindow_->screen()->availableGeometry();
  const QSize decoration = Workspace->frameGeometry().size() - Workspace->size();
  const QSize least = Workspace->minimumSizeHint() + decoration;
  // Beside the game screen, else below it and the main window, else below the main window, else
  // wherever the screen has room for it: a window that covers the game is better than one that
  // runs off the screen.
  const QRect main = mainWindow_->frameGeometry();
  const QRect game = GameScreen->isVisible() ? GameScreen->frameGeometry() : main;
  QRect place;
  for (const QRect& candidate :
       {QRect(QPoint(std::max(game.right(), main.right()) + 3, main.top()), room.bottomRight()),
        QRect(QPoint(room.left(), std::max(game.bottom(), main.bottom()) + 3), room.bottomRight()),
        QRect(QPoint(room.left(), main.bottom() + 3), room.bottomRight()), room}) {
    place = candidate.intersected(room);
    if (place.width() >= std::max(least.width(), 640) && place.height() >= least.height()) break;
  }
  const QSize size = (Workspace->size() + decoration).boundedTo(place.size()).expandedTo(least);
  // Where no place is free of the game screen and the main window, the one that covers least of them.
  const std::vector<QRect> taken{main, game};
  place = QRect(BestFramePosition(size, place.topLeft(), room, taken), size);
  Workspace->move(place.topLeft());
  Workspace->resize(place.size() - decoration);
}

void Debugger::ShowWorkspace() {
  if (!Workspace->isVisible()) {
    // Beside the game screen the first time; a saved layout puts it back where the user left it.
    if (!Workspace->HasSavedLayout()) PlaceWorkspace();
    Workspace->show();
    // The window manager adds the title bar after the show; keep the whole frame on the screen.
    QTimer::singleShot(150, Workspace.get(), [this] { Workspace->KeepOnScreen(); });
  }
  Workspace->raise();
  Workspace->activateWindow();
}

void Debugger::EnsureDebugMode() {
  if (!DebugMode && TickDebug) TickDebug();
}

void Debugger::Command(const std::function<void(DebugEngine&)>& command) {
  if (engine_ == nullptr || run_ == nullptr || !run_->Running() || ActiveContext == nullptr) return;
  EnsureDebugMode();
  frmDebug->SetState(DebugStateKind::Running);
  command(*engine_);
  Workspace->ShowMessage({});
}

void Debugger::Stopped(const std::string& message) {
  // A watchpoint or a condition may stop a free run: the debugger opens on the stop.
  EnsureDebugMode();
  frmDebug->SetState(DebugStateKind::Paused);
  if (!message.empty()) Workspace->ReportStop(QString::fromStdString(message));
}

void Debugger::GameStarted(const std::string& descriptionPath) {
  Workspace->MachineChanged();
  if (engine_ == nullptr) return;
  engine_->Trace.Clear();
  engine_->Symbols.Clear();
  const std::string beside = SymbolFileBeside(descriptionPath);
  if (!beside.empty()) {
    Workspace->LoadSymbols(QString::fromStdString(beside));
    return;
  }
  Workspace->SymbolsChanged();
}

void Debugger::SetClassic(bool classic) {
  if (classic == classic_) return;
  classic_ = classic;
  // The classic windows have no trace to show, and Debug mode there keeps its own speed.
  if (engine_ != nullptr) engine_->TraceEnabled = !classic;
  Workspace->ClassicAction->setChecked(classic);
  if (!DebugMode) {
    if (classic) Workspace->hide();
    return;
  }
  // The open debugger changes face; the machine's state stays as it is.
  const DebugStateKind state = DebugState;
  if (classic) {
    Workspace->hide();
    frmDebug->DebugSwitch(true, mainWindow_);
  } else {
    frmDebug->DebugSwitch(false, mainWindow_);
    ShowWorkspace();
  }
  frmDebug->SetState(state);
}

std::optional<std::string> Debugger::AskBreakpointAddress(const QWidget* mainWindow, QPoint addButtonOffset) {
  QPoint at = addButtonOffset + QPoint(8, 8);
  if (mainWindow != nullptr) at += mainWindow->frameGeometry().topLeft();
  return frmBreakPoint->Ask(at);
}

void Debugger::SpritesClick(SpriteSetsFn spriteSets) {
  if (spriteSets != nullptr) {
    frmSpriteSet->Open(spriteSets);
    return;
  }
  const RunControls::TileList sprites = controls_.SpriteTiles();
  frmCharSet->SetUp(sprites.Tiles, sprites.Count, 64, controls_.Description().CharSets, "Sprites");
  KeepOnScreen(*frmCharSet, frmCharSet->parentWidget());
  frmCharSet->exec();
}

void Debugger::CharSetsClick(const QWidget* mainWindow) {
  if (mainWindow != nullptr) frmCharSet->move(mainWindow->frameGeometry().topLeft() + QPoint(64, 64));
  const RunControls::TileList chars = controls_.CharTiles();
  frmCharSet->SetUp(chars.Tiles, chars.Count, 256, controls_.Description().CharSets, "Char Sets");
  KeepOnScreen(*frmCharSet, frmCharSet->parentWidget());
  frmCharSet->exec();
}

void Debugger::DisasmClick(const QWidget* mainWindow, const QWidget* gameScreen) {
  if (classic_) {
    frmDisasm->OpenOrClose(mainWindow, gameScreen);
    if (frmDisasm->isVisible() && ActiveContext != nullptr)
      frmDisasm->ShowPc(ActiveContext->PC.w, DebugState == DebugStateKind::Paused);
    return;
  }
  mainWindow_ = mainWindow;
  GameScreen = gameScreen;
  ShowWorkspace();
  Workspace->DisassemblyDock->show();
  Workspace->DisassemblyDock->raise();
}

void Debugger::DiscardDisassembly() {
  frmDisasm->DiscardLines();
  // An empty listing would only cover the next game's screen.
  frmDisasm->hide();
  Workspace->MachineChanged();
}

}  // namespace tirvane
