// SPDX-License-Identifier: GPL-3.0-or-later
// The workspace's memory pane: all 64 KB of the memory image as hex and characters, sixteen bytes a
// row. Typed hex digits write the byte under the cursor through the session, ROM included: a
// debug patch the machine sees at once, gone with the next Start. Bytes that differ from the image as
// it was when the machine last left a pause are drawn in red.
#pragma once

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "debugger/ui/pane_scroll.h"
#include "debugger/ui/row_text.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QScrollBar;

namespace tirvane {

class DebugSession;
class SymbolTable;

class MemoryView : public QWidget {
  Q_OBJECT

 public:
  explicit MemoryView(QWidget* parent = nullptr);

  static constexpr int BytesPerRow = 16;
  void SetCursor(uint16_t address);  // scrolls it into view
  void SetTopRow(int row);
  uint16_t Cursor() const { return cursor_; }
  int TopRow() const { return topRow_; }
  int Rows() const;

  // The image as it is now becomes what later changes are measured against.
  void TakeBaseline();
  // No machine: nothing shown, rather than the last game's bytes.
  bool Blank = false;
  bool Changed(uint16_t address) const;

  std::function<void()> TopChanged;
  std::function<void()> Edited;  // a byte was written
  DebugSession* Session = nullptr;  // the way edits reach the machine
  std::function<void()> CursorMoved;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  int RowHeight() const;
  int CharWidth() const;
  void Write(uint8_t value);

  std::unique_ptr<std::array<uint8_t, 0x10000>> baseline_;
  uint16_t cursor_ = 0;
  int topRow_ = 0;
  int pendingNibble_ = -1;  // the first digit typed for the cursor's byte
  WheelRows wheel_;
  RowText text_;
};

class MemoryPane : public QWidget {
  Q_OBJECT

 public:
  explicit MemoryPane(QWidget* parent = nullptr);

  // Moves to the followed register, if any, and repaints.
  void Refresh();
  bool GoTo(const QString& text);
  void FocusGoTo();
  // Shows the cursor's place again, e.g. after new symbols were loaded.
  void ShowWhere();

  MemoryView* View;
  QLineEdit* GoToField;
  QComboBox* Follow;  // "None", then PC, SP, HL, IX, IY
  QScrollBar* ScrollBar;
  QLabel* Where;  // the cursor's address and the label it is in
  // Labels for "Go to" and the cursor's place; not owned, may be null.
  const SymbolTable* Symbols = nullptr;

 private:
  void SyncScrollBar();
  int followedAt_ = -1;
};

}  // namespace tirvane
