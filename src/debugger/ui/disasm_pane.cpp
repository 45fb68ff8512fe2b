// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/disasm_pane.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "machine/description.h"
#include "machine/romset.h"
#include "debugger/disassembler.h"
#include "debugger/listing.h"
#include "debugger/locations.h"
#include "debugger/symbols.h"
#include "debugger/ui/go_to_field.h"
#include "debugger/ui/pane_font.h"
#include "debugger/ui/pane_scroll.h"

namespace tirvane {

namespace {

const Z80Context& ActiveOrEmpty() {
  static const Z80Context empty{};
  return ActiveContext != nullptr ? *ActiveContext : empty;
}

// "0038  ED 4D     RETI": address, the instruction's bytes, the mnemonic (with labels for the
// addresses the symbols name).
QString LineText(uint16_t address, const SymbolTable* symbols) {
  const DisassembledInstruction instruction = Disassemble(MemoryImage, address);
  QString bytes;
  for (int i = 0; i < instruction.Length; ++i)
    bytes += QString::fromStdString(FormatHex(MemoryImage[static_cast<uint16_t>(address + i)], 2)) + ' ';
  std::string text = instruction.Text.substr(4);
  if (symbols != nullptr && !symbols->Empty()) text = WithLabels(text, *symbols);
  return QString::fromStdString(instruction.Text.substr(0, 4)) + "  " + bytes.leftJustified(13) +
         QString::fromStdString(text);
}

}  // namespace

DisassemblyView::DisassemblyView(QWidget* parent) : QWidget(parent) {
  setObjectName("disassemblyView");
  setFont(PaneFont());
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  setMinimumSize(fontMetrics().horizontalAdvance(QString(36, u'0')), RowHeight() * 6);
}

int DisassemblyView::RowHeight() const { return fontMetrics().height() + 2; }
int DisassemblyView::Rows() const { return std::max(height() / RowHeight(), 1); }

void DisassemblyView::Relist() {
  lines_.clear();
  rows_.clear();
  uint32_t at = top_;
  const size_t rows = static_cast<size_t>(Rows());
  const bool labels = Symbols != nullptr && !Symbols->Empty();
  while (rows_.size() < rows && at <= 0xFFFF) {
    const auto address = static_cast<uint16_t>(at);
    if (labels && Symbols->NameAt(address) != nullptr) rows_.push_back({address, true});
    if (rows_.size() == rows) break;
    rows_.push_back({address, false});
    lines_.push_back(address);
    at += static_cast<uint32_t>(DecodeInstruction(MemoryImage, address).Length);
  }
}

void DisassemblyView::SetTop(uint16_t top) {
  top_ = top;
  Relist();
  update();
  if (TopChanged) TopChanged();
}

void DisassemblyView::Show(uint16_t address) {
  Relist();
  // The last row may be cut off by the pane's edge, so it does not count as on view.
  const bool cut = lines_.size() > 1 && !rows_.back().Label;
  const size_t full = cut ? lines_.size() - 1 : lines_.size();
  for (size_t i = 0; i < full; ++i)
    if (lines_[i] == address) return;
  SetTop(ListingStartBefore(MemoryImage, address, Rows() / 4));
}

void DisassemblyView::Select(uint16_t address) {
  selected_ = address;
  Show(address);
  update();
}

void DisassemblyView::SetPc(uint16_t pc) {
  if (pc == pc_) return;
  pc_ = pc;
  update();
}

void DisassemblyView::ScrollLines(int lines) {
  uint16_t top = top_;
  for (; lines < 0 && top > 0; ++lines) top = PreviousInstruction(MemoryImage, top);
  for (; lines > 0; --lines) {
    const uint32_t next = top + static_cast<uint32_t>(DecodeInstruction(MemoryImage, top).Length);
    if (next > 0xFFFF) break;
    top = static_cast<uint16_t>(next);
  }
  SetTop(top);
}

void DisassemblyView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (Blank) {
    painter.drawText(rect(), Qt::AlignCenter, "No game is running.");
    return;
  }
  Relist();
  const QPalette& colours = palette();
  const int rowHeight = RowHeight(), ascent = fontMetrics().ascent() + 1;
  const int gutter = rowHeight;
  text_.Begin();
  for (size_t i = 0; i < rows_.size(); ++i) {
    const uint16_t address = rows_[i].Address;
    const QRect row(0, static_cast<int>(i) * rowHeight, width(), rowHeight);
    if (rows_[i].Label) {
      painter.setPen(QColor(0, 0, 160));
      text_.Draw(painter, gutter + 2, row.top() + ascent, QString::fromStdString(*Symbols->NameAt(address)) + ':');
      continue;
    }
    QColor text = colours.color(QPalette::Text);
    if (address == selected_ && hasFocus()) {
      painter.fillRect(row, colours.highlight());
      text = colours.color(QPalette::HighlightedText);
    } else if (address == selected_) {
      painter.fillRect(row, colours.alternateBase());
    }
    if (address == pc_) {
      painter.fillRect(row.adjusted(gutter, 0, 0, 0), QColor(255, 236, 140));
      text = Qt::black;
      painter.setPen(QColor(0, 110, 0));
      painter.drawText(QRect(0, row.top(), gutter, rowHeight), Qt::AlignCenter, QStringLiteral("\u25B6"));
    }
    if (IsBreakpoint && IsBreakpoint(address)) {
      painter.setBrush(QColor(200, 0, 0));
      painter.setPen(Qt::NoPen);
      const int d = rowHeight / 2;
      painter.drawEllipse(QRect(gutter / 4, row.top() + (rowHeight - d) / 2, d, d));
      painter.setBrush(Qt::NoBrush);
    }
    painter.setPen(text);
    text_.Draw(painter, gutter + 2, row.top() + ascent, LineText(address, Symbols));
  }
}

void DisassemblyView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Relist();
}

void DisassemblyView::keyPressEvent(QKeyEvent* event) {
  Relist();
  const auto index = [this](uint16_t address) {
    for (size_t i = 0; i < lines_.size(); ++i)
      if (lines_[i] == address) return static_cast<int>(i);
    return -1;
  };
  const int page = std::max(Rows() - 1, 1);
  switch (event->key()) {
    case Qt::Key_Down: {
      const int at = index(selected_);
      if (at < 0) {
        Select(top_);
        return;
      }
      const uint32_t next = selected_ + static_cast<uint32_t>(DecodeInstruction(MemoryImage, selected_).Length);
      if (next <= 0xFFFF) Select(static_cast<uint16_t>(next));
      return;
    }
    case Qt::Key_Up:
      if (selected_ > 0) {
        const uint16_t previous = PreviousInstruction(MemoryImage, selected_);
        if (index(selected_) == 0) ScrollLines(-1);
        Select(previous);
      }
      return;
    case Qt::Key_PageDown:
    case Qt::Key_PageUp: {
      const int at = std::max(index(selected_), 0);
      ScrollLines(event->key() == Qt::Key_PageDown ? page : -page);
      Relist();
      selected_ = lines_[std::min(static_cast<size_t>(at), lines_.size() - 1)];
      update();
      return;
    }
    case Qt::Key_Home:
      SetTop(0);
      selected_ = 0;
      update();
      return;
    case Qt::Key_End:
      SetTop(ListingStartBefore(MemoryImage, 0xFFFF, Rows() - 2));
      selected_ = lines_.empty() ? 0xFFFF : lines_.back();
      update();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void DisassemblyView::mousePressEvent(QMouseEvent* event) {
  Relist();
  const size_t row = static_cast<size_t>(std::max(event->position().toPoint().y(), 0) / RowHeight());
  if (row < rows_.size()) {
    selected_ = rows_[row].Address;
    update();
  }
  QWidget::mousePressEvent(event);
}

void DisassemblyView::wheelEvent(QWheelEvent* event) {
  if (const int rows = wheel_.Take(event)) ScrollLines(rows);
}

DisassemblyPane::DisassemblyPane(QWidget* parent) : QWidget(parent) {
  setObjectName("disassemblyPane");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* bar = new QHBoxLayout;
  auto* label = new QLabel("Go to:", this);
  GoToField = new QLineEdit(this);
  GoToField->setObjectName("disassemblyGoTo");
  GoToField->setPlaceholderText("address, label, PC, SP, HL, IX, IY");
  GoToField->setFont(PaneFont());
  label->setBuddy(GoToField);
  bar->addWidget(label);
  bar->addWidget(GoToField, 1);
  layout->addLayout(bar);

  auto* body = new QHBoxLayout;
  View = new DisassemblyView(this);
  ScrollBar = new QScrollBar(Qt::Vertical, this);
  ScrollBar->setRange(0, 0xFFFF);
  body->addWidget(View, 1);
  body->addWidget(ScrollBar);
  layout->addLayout(body, 1);

  View->TopChanged = [this] { SyncScrollBar(); };
  connect(ScrollBar, &QScrollBar::valueChanged, this, [this](int value) {
    if (value == View->Top()) return;
    // A dragged thumb lands anywhere; start at an instruction decoded in step with what precedes it.
    const uint16_t at = static_cast<uint16_t>(value);
    View->SetTop(at == 0 ? 0 : PreviousInstruction(MemoryImage, static_cast<uint16_t>(at + 1)));
  });
  connect(GoToField, &QLineEdit::returnPressed, this, [this] {
    if (GoTo(GoToField->text())) View->setFocus();
  });
}

void DisassemblyPane::SyncScrollBar() { tirvane::SyncScrollBar(*ScrollBar, View->Top(), View->Rows() * 2, 0xFFFF); }

bool DisassemblyPane::GoTo(const QString& text) {
  const std::optional<uint16_t> address = ResolveGoTo(*GoToField, text, ActiveOrEmpty(), View->Symbols);
  if (!address) return false;
  View->Select(*address);
  return true;
}

void DisassemblyPane::FocusGoTo() {
  GoToField->setFocus();
  GoToField->selectAll();
}

void DisassemblyPane::Refresh(bool paused, bool live) {
  if (View->Blank != !live) {
    View->Blank = !live;
    followed_ = false;  // a new game's listing opens at its PC
  }
  const uint16_t pc = ActiveOrEmpty().PC.w;
  View->SetPc(pc);
  if (paused && (!followed_ || pc != followedPc_)) {
    View->Show(pc);
    View->Select(pc);
  }
  followed_ = paused;
  followedPc_ = pc;
  View->update();
}

}  // namespace tirvane
