// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/debugger.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "debugger/ui/add_watch_dialog.h"
#include "debugger/ui/breakpoint_dialog.h"
#include "debugger/ui/char_set_viewer.h"
#include "debugger/ui/debug_window.h"
#include "debugger/ui/disasm_window.h"
#include "debugger/ui/sprite_set_viewer.h"
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

Debugger::Debugger(QWidget* owner) : pacer_(DisplayPeriod(DisplayRate())) {
  frmAddWatch = std::make_unique<TfrmAddWatch>(owner);
  frmDebug = std::make_unique<TfrmDebug>(frmAddWatch.get(), owner);
  frmCharSet = std::make_unique<TfrmCharSet>(owner);
  frmBreakPoint = std::make_unique<TfrmBreakPoint>(owner);
  frmProgress = std::make_unique<TfrmProgress>(owner);
  frmDisasm = std::make_unique<TfrmDisasm>(frmProgress.get(), owner);
  frmSpriteSet = std::make_unique<TfrmSpriteSet>(owner);

  // A pause shows at once what the throttled display had not shown yet.
  frmDebug->StateChanged = [this](DebugStateKind state) {
    if (state == DebugStateKind::Paused && (redrawPending_ || frmDebug->CapturePending())) ShowNow();
  };
  hitActions_.Refresh = [this] { frmDebug->Refresh(); };
  hitActions_.TickDebug = [this] {
    if (TickDebug) TickDebug();
  };
  hitActions_.Pause = [this] { frmDebug->SetState(DebugStateKind::Paused); };
}

Debugger::~Debugger() { Detach(); }

void Debugger::Attach(EmulationRun& run, const BreakpointList& breakpoints) {
  run_ = &run;
  breakpoints_ = &breakpoints;
  run.BreakpointCheck = [this] { BreakpointCheck(); };
  run.BreakpointMarks = &breakpoints.Marks();
  run.RefreshRegisters = [this] { RefreshRegisters(); };
  run.DebugRedraw = [this] { DebugRedraw(); };
}

void Debugger::Detach() {
  if (run_ == nullptr) return;
  run_->BreakpointCheck = nullptr;
  run_->BreakpointMarks = nullptr;
  run_->RefreshRegisters = nullptr;
  run_->DebugRedraw = nullptr;
  run_ = nullptr;
  breakpoints_ = nullptr;
}

void Debugger::BreakpointCheck() {
  if (controls_.Registers() == nullptr || breakpoints_ == nullptr) return;
  CheckBreakpoints(*breakpoints_, controls_.Registers()->PC.w, hitActions_);
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
}

void Debugger::DebugSwitch(bool on, const QWidget* mainWindow) { frmDebug->DebugSwitch(on, mainWindow); }

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
  frmDisasm->OpenOrClose(mainWindow, gameScreen);
}

void Debugger::DiscardDisassembly() { frmDisasm->DiscardLines(); }

}  // namespace tirvane
