// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/memory_pane.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cstring>

#include "machine/description.h"
#include "machine/romset.h"
#include "debugger/debug_session.h"
#include "debugger/locations.h"
#include "debugger/symbols.h"
#include "debugger/ui/go_to_field.h"
#include "debugger/ui/pane_font.h"
#include "debugger/ui/pane_scroll.h"

namespace tirvane {

namespace {

constexpr int RowCount = 0x10000 / MemoryView::BytesPerRow;
// Columns in characters: "ADDR  " then three per byte, a gap, one per character.
constexpr int HexColumn = 6;
constexpr int CharColumn = HexColumn + 3 * MemoryView::BytesPerRow + 1;

const Z80Context& ActiveOrEmpty() {
  static const Z80Context empty{};
  return ActiveContext != nullptr ? *ActiveContext : empty;
}

}  // namespace

MemoryView::MemoryView(QWidget* parent)
    : QWidget(parent), baseline_(std::make_unique<std::array<uint8_t, 0x10000>>()) {
  setObjectName("memoryView");
  setFont(PaneFont());
  setFocusPolicy(Qt::StrongFocus);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Base);
  setMinimumSize(CharWidth() * (CharColumn + BytesPerRow + 1), RowHeight() * 4);
  TakeBaseline();
}

int MemoryView::RowHeight() const { return fontMetrics().height() + 1; }
int MemoryView::CharWidth() const { return fontMetrics().horizontalAdvance(u'0'); }
int MemoryView::Rows() const { return std::max(height() / RowHeight(), 1); }

void MemoryView::TakeBaseline() { std::memcpy(baseline_->data(), MemoryImage, baseline_->size()); }
bool MemoryView::Changed(uint16_t address) const { return MemoryImage[address] != (*baseline_)[address]; }

void MemoryView::SetTopRow(int row) {
  row = std::clamp(row, 0, std::max(RowCount - Rows(), 0));
  if (row == topRow_) return;
  topRow_ = row;
  update();
  if (TopChanged) TopChanged();
}

void MemoryView::SetCursor(uint16_t address) {
  cursor_ = address;
  pendingNibble_ = -1;
  const int row = address / BytesPerRow;
  if (row < topRow_ || row >= topRow_ + Rows()) SetTopRow(row - Rows() / 4);
  update();
  if (CursorMoved) CursorMoved();
}

void MemoryView::Write(uint8_t value) {
  if (Session != nullptr) Session->Write(cursor_, std::span<const uint8_t>(&value, 1));
  pendingNibble_ = -1;
  if (cursor_ < 0xFFFF) SetCursor(static_cast<uint16_t>(cursor_ + 1));
  update();
  if (Edited) Edited();
}

void MemoryView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (Blank) {
    painter.drawText(rect(), Qt::AlignCenter, "No game is running.");
    return;
  }
  const QPalette& colours = palette();
  const int rowHeight = RowHeight(), charWidth = CharWidth(), ascent = fontMetrics().ascent();
  const QColor plain = colours.color(QPalette::Text), changed(200, 0, 0), address(0, 0, 128);
  const QColor lit = colours.color(QPalette::HighlightedText);
  // Each row is drawn in runs of one colour, usually one run for the hex and one for the characters.
  QString hex, chars;
  std::array<const QColor*, BytesPerRow> colour{};
  text_.Begin();
  for (int r = 0; r < Rows() + 1 && topRow_ + r < RowCount; ++r) {
    const int base = (topRow_ + r) * BytesPerRow;
    const int y = r * rowHeight;
    painter.setPen(address);
    text_.Draw(painter, 0, y + ascent, QString::fromStdString(FormatHex(static_cast<uint32_t>(base), 4)));
    hex.clear();
    chars.clear();
    for (int i = 0; i < BytesPerRow; ++i) {
      const auto at = static_cast<uint16_t>(base + i);
      const uint8_t value = MemoryImage[at];
      if (at == cursor_) {
        const QBrush cursor = hasFocus() ? colours.highlight() : colours.alternateBase();
        painter.fillRect(QRect((HexColumn + 3 * i) * charWidth, y, 2 * charWidth, rowHeight), cursor);
        painter.fillRect(QRect((CharColumn + i) * charWidth, y, charWidth, rowHeight), cursor);
      }
      colour[static_cast<size_t>(i)] = at == cursor_ && hasFocus() ? &lit : Changed(at) ? &changed : &plain;
      if (at == cursor_ && pendingNibble_ >= 0)
        hex += QString::number(pendingNibble_, 16).toUpper() + "_ ";
      else
        hex += QString::fromStdString(FormatHex(value, 2)) + ' ';
      chars += value >= 0x20 && value < 0x7F ? QChar(value) : QChar(u'.');
    }
    for (int i = 0; i < BytesPerRow;) {
      int end = i + 1;
      while (end < BytesPerRow && colour[static_cast<size_t>(end)] == colour[static_cast<size_t>(i)]) ++end;
      painter.setPen(*colour[static_cast<size_t>(i)]);
      text_.Draw(painter, (HexColumn + 3 * i) * charWidth, y + ascent, hex.mid(3 * i, 3 * (end - i) - 1));
      text_.Draw(painter, (CharColumn + i) * charWidth, y + ascent, chars.mid(i, end - i));
      i = end;
    }
  }
}

void MemoryView::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  bool ok = false;
  const int digit = text.size() == 1 ? text.toInt(&ok, 16) : -1;
  if (ok && event->modifiers().testFlag(Qt::ControlModifier) == false) {
    if (pendingNibble_ < 0) {
      pendingNibble_ = digit;
      update();
    } else {
      Write(static_cast<uint8_t>(pendingNibble_ * 16 + digit));
    }
    return;
  }
  const int page = Rows() * BytesPerRow;
  int target = cursor_;
  switch (event->key()) {
    case Qt::Key_Left: target -= 1; break;
    case Qt::Key_Right: target += 1; break;
    case Qt::Key_Up: target -= BytesPerRow; break;
    case Qt::Key_Down: target += BytesPerRow; break;
    case Qt::Key_PageUp: target -= page; break;
    case Qt::Key_PageDown: target += page; break;
    case Qt::Key_Home: target = event->modifiers().testFlag(Qt::ControlModifier) ? 0 : cursor_ & ~0x0F; break;
    case Qt::Key_End: target = event->modifiers().testFlag(Qt::ControlModifier) ? 0xFFFF : cursor_ | 0x0F; break;
    case Qt::Key_Escape:
      pendingNibble_ = -1;
      update();
      return;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  if (event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown)
    SetTopRow(topRow_ + (target - cursor_) / BytesPerRow);
  SetCursor(static_cast<uint16_t>(std::clamp(target, 0, 0xFFFF)));
}

void MemoryView::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  const int row = topRow_ + at.y() / RowHeight();
  const int column = at.x() / CharWidth();
  int byte = -1;
  if (column >= HexColumn && column < HexColumn + 3 * BytesPerRow) byte = (column - HexColumn) / 3;
  if (column >= CharColumn && column < CharColumn + BytesPerRow) byte = column - CharColumn;
  if (byte >= 0 && row < RowCount) SetCursor(static_cast<uint16_t>(row * BytesPerRow + byte));
  QWidget::mousePressEvent(event);
}

void MemoryView::wheelEvent(QWheelEvent* event) {
  if (const int rows = wheel_.Take(event)) SetTopRow(topRow_ + rows);
}

MemoryPane::MemoryPane(QWidget* parent) : QWidget(parent) {
  setObjectName("memoryPane");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  auto* bar = new QHBoxLayout;
  auto* label = new QLabel("Go to:", this);
  GoToField = new QLineEdit(this);
  GoToField->setObjectName("memoryGoTo");
  GoToField->setPlaceholderText("address, label or register");
  GoToField->setFont(PaneFont());
  label->setBuddy(GoToField);
  Follow = new QComboBox(this);
  Follow->setObjectName("memoryFollow");
  Follow->addItems({"None", "PC", "SP", "HL", "IX", "IY"});
  Follow->setToolTip("Keep the cursor on the address a register holds");
  auto* followLabel = new QLabel("Follow:", this);
  followLabel->setBuddy(Follow);
  bar->addWidget(label);
  bar->addWidget(GoToField, 1);
  bar->addWidget(followLabel);
  bar->addWidget(Follow);
  layout->addLayout(bar);

  auto* body = new QHBoxLayout;
  View = new MemoryView(this);
  ScrollBar = new QScrollBar(Qt::Vertical, this);
  ScrollBar->setRange(0, RowCount - 1);
  body->addWidget(View, 1);
  body->addWidget(ScrollBar);
  layout->addLayout(body, 1);
  Where = new QLabel(this);
  Where->setObjectName("memoryWhere");
  Where->setFont(PaneFont());
  Where->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(Where);

  View->TopChanged = [this] { SyncScrollBar(); };
  View->CursorMoved = [this] { ShowWhere(); };
  ShowWhere();
  connect(ScrollBar, &QScrollBar::valueChanged, this, [this](int row) { View->SetTopRow(row); });
  connect(GoToField, &QLineEdit::returnPressed, this, [this] {
    if (GoTo(GoToField->text())) View->setFocus();
  });
  connect(Follow, &QComboBox::currentIndexChanged, this, [this] {
    followedAt_ = -1;
    Refresh();
  });
}

void MemoryPane::SyncScrollBar() {
  tirvane::SyncScrollBar(*ScrollBar, View->TopRow(), View->Rows(), std::max(RowCount - View->Rows(), 0));
}

bool MemoryPane::GoTo(const QString& text) {
  const std::optional<uint16_t> address = ResolveGoTo(*GoToField, text, ActiveOrEmpty(), Symbols);
  if (!address) return false;
  Follow->setCurrentIndex(0);
  View->SetCursor(*address);
  return true;
}

void MemoryPane::ShowWhere() {
  const uint16_t cursor = View->Cursor();
  QString text = QString::fromStdString(FormatHex(cursor, 4)) + "h";
  if (Symbols != nullptr) {
    // The nearest label at or below the cursor: the variable or table the byte belongs to.
    const SymbolTable::Symbol* nearest = nullptr;
    for (const SymbolTable::Symbol& symbol : Symbols->All())
      if (symbol.Address <= cursor && (nearest == nullptr || symbol.Address > nearest->Address)) nearest = &symbol;
    if (nearest != nullptr) {
      text += "  " + QString::fromStdString(nearest->Name);
      if (nearest->Address != cursor) text += QString("+%1").arg(cursor - nearest->Address, 0, 16).toUpper();
    }
  }
  Where->setText(text);
}

void MemoryPane::FocusGoTo() {
  GoToField->setFocus();
  GoToField->selectAll();
}

void MemoryPane::Refresh() {
  if (Follow->currentIndex() > 0) {
    const std::optional<uint16_t> address = ResolveLocation(Follow->currentText().toStdString(), ActiveOrEmpty());
    // Only a move of the register moves the cursor, so the user may still step through the bytes.
    if (address && *address != followedAt_) {
      followedAt_ = *address;
      View->SetCursor(*address);
    }
  }
  View->update();
}

}  // namespace tirvane
