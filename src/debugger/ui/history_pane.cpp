// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/history_pane.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimer>
#include <QVBoxLayout>

#include "debugger/debug_engine.h"
#include "debugger/run_back.h"
#include "run/history.h"
#include "run/run.h"

namespace tirvane {

namespace {

QString PointText(const HistoryPoint& p) {
  return QString("frame %1, instruction %2").arg(p.Frame).arg(p.Instruction);
}

}  // namespace

HistoryPane::HistoryPane(QWidget* parent) : QWidget(parent) {
  StepBackButton = new QPushButton("Step back");
  StepBackButton->setObjectName("sbStepBack");
  StepBackButton->setToolTip("Undo one instruction: registers, memory, the board and the picture as they were");
  RunBackButton = new QPushButton("Run back");
  RunBackButton->setObjectName("sbRunBack");
  RunBackButton->setToolTip("Back to the most recent point where a breakpoint or watchpoint would have stopped the run");
  Address = new QLineEdit;
  Address->setObjectName("edLastWrite");
  Address->setPlaceholderText("address");
  // A validator rather than an input mask: a mask's blanks would take typed digits only from the
  // field's first place.
  Address->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]{0,4}"), Address));
  LastWriteButton = new QPushButton("Last write");
  LastWriteButton->setObjectName("sbLastWrite");
  LastWriteButton->setToolTip("Back to the instruction that last wrote the byte at the address");
  Position = new QLabel;
  Position->setObjectName("lbHistoryPosition");
  Position->setWordWrap(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(StepBackButton);
  buttons->addWidget(RunBackButton);
  buttons->addStretch();
  auto* write = new QHBoxLayout;
  write->addWidget(Address);
  write->addWidget(LastWriteButton);
  write->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(buttons);
  layout->addLayout(write);
  layout->addWidget(Position);
  layout->addStretch();

  connect(StepBackButton, &QPushButton::clicked, this, &HistoryPane::StepBack);
  connect(RunBackButton, &QPushButton::clicked, this, &HistoryPane::RunBack);
  connect(LastWriteButton, &QPushButton::clicked, this, &HistoryPane::LastWrite);
  connect(Address, &QLineEdit::returnPressed, this, &HistoryPane::LastWrite);
  SetHistory(nullptr);
  // The position moves with every pass of the run; a display-rate look is enough.
  auto* timer = new QTimer(this);
  connect(timer, &QTimer::timeout, this, [this] {
    if (isVisible()) Refresh();
  });
  timer->start(250);
}

void HistoryPane::SetHistory(RunHistory* history) {
  history_ = history;
  for (QWidget* w : {static_cast<QWidget*>(StepBackButton), static_cast<QWidget*>(RunBackButton),
                     static_cast<QWidget*>(LastWriteButton), static_cast<QWidget*>(Address)})
    w->setEnabled(history != nullptr);
  Refresh();
}

void HistoryPane::Refresh() {
  if (history_ == nullptr || history_->Empty() || StopRequested) {
    Position->setText("No history: no game is running.");
    return;
  }
  const HistoryPoint here = history_->Current();
  const HistoryPoint oldest = *history_->Oldest();
  const HistoryPoint newest = std::max(history_->Newest(), here);
  QString text = "At " + PointText(here) + ".\nKept: frames " + QString::number(oldest.Frame) + " to " +
                 QString::number(newest.Frame) + ".";
  if (here < newest) text += "\nIn the past: running on drops what came after.";
  Position->setText(text);
}

bool HistoryPane::Ready() {
  if (history_ == nullptr || StopRequested) return false;
  if (DebugState != DebugStateKind::Paused && Pause) Pause();
  return true;
}

void HistoryPane::Done(const QString& message) {
  if (Moved) Moved();
  Refresh();
  if (Report && !message.isEmpty()) Report(message);
}

void HistoryPane::StepBack() {
  if (!Ready()) return;
  Done(history_->StepBack() ? QString() : "Step back: at the start of the history.");
}

void HistoryPane::RunBack() {
  if (!Ready()) return;
  const std::bitset<0x10000>* marks = Stops ? Stops() : nullptr;
  const RunBackStop stop = RunBackToStop(*history_, Engine ? Engine() : nullptr, marks);
  const char* what = stop == RunBackStop::Watchpoint ? "a watchpoint"
                     : stop == RunBackStop::Condition ? "a breakpoint whose condition holds"
                                                      : "a breakpoint";
  Done(stop != RunBackStop::StartOfHistory
           ? QString("Run back: stopped at %1, ").arg(what) + PointText(history_->Current()) + "."
           : "Run back: no breakpoint or watchpoint on the way; at the start of the history.");
}

void HistoryPane::LastWrite() {
  DebugEngine* engine = Engine ? Engine() : nullptr;
  const std::optional<uint16_t> typed =
      ParseAddress(Address->text().toStdString(), engine ? &engine->Symbols : nullptr);
  const uint32_t address = typed.value_or(0);
  if (!typed) {
    if (Report) Report("Last write: type an address in hexadecimal, 0000 to FFFF.");
    return;
  }
  if (!Ready()) return;
  const auto found = history_->LastWrite(static_cast<uint16_t>(address));
  const QString where = QString("%1").arg(address, 4, 16, QChar('0')).toUpper() + "h";
  Done(found ? "Last write of " + where + ": the next instruction writes it, " + PointText(*found) + "."
             : "Last write of " + where + ": nothing wrote it within the history.");
}

}  // namespace tirvane
