// SPDX-License-Identifier: GPL-3.0-or-later
// The workspace's disassembly: a listing decoded live from any address of the memory image, so it
// follows PC anywhere (RAM included) and never waits for a sweep. The line of PC is marked, the
// selected line is the target of "Run to cursor" and of the breakpoint toggle.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "debugger/ui/pane_scroll.h"
#include "debugger/ui/row_text.h"

class QLineEdit;
class QScrollBar;

namespace tirvane {

class SymbolTable;

class DisassemblyView : public QWidget {
  Q_OBJECT

 public:
  explicit DisassemblyView(QWidget* parent = nullptr);

  // The listing starts at top; Show keeps the top when address is already among the full rows,
  // otherwise puts address a quarter down the view.
  void SetTop(uint16_t top);
  void Show(uint16_t address);
  void Select(uint16_t address);
  void SetPc(uint16_t pc);
  // No machine: nothing to list, rather than the last game's bytes.
  bool Blank = false;

  uint16_t Top() const { return top_; }
  uint16_t Selected() const { return selected_; }
  uint16_t Pc() const { return pc_; }
  int Rows() const;
  // The addresses of the lines on view, first to last.
  const std::vector<uint16_t>& Lines() const { return lines_; }

  std::function<bool(uint16_t)> IsBreakpoint;
  // Labels for the listing's "label:" rows and operands; not owned, may be null.
  const SymbolTable* Symbols = nullptr;
  std::function<void()> TopChanged;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  void Relist();
  void ScrollLines(int lines);
  int RowHeight() const;

  struct Row {
    uint16_t Address;
    bool Label;  // the "name:" row above the instruction at Address
  };
  uint16_t top_ = 0, selected_ = 0, pc_ = 0;
  std::vector<uint16_t> lines_;
  std::vector<Row> rows_;
  WheelRows wheel_;
  RowText text_;
};

class DisassemblyPane : public QWidget {
  Q_OBJECT

 public:
  explicit DisassemblyPane(QWidget* parent = nullptr);

  // While paused or stepping the listing follows PC; while running only the mark moves. Without a
  // live machine the listing is blank.
  void Refresh(bool paused, bool live = true);
  // The "Go to" field: an address, a register or a label; false (and a message in the field's
  // tooltip) for text that names none.
  bool GoTo(const QString& text);
  void FocusGoTo();

  DisassemblyView* View;
  QLineEdit* GoToField;
  QScrollBar* ScrollBar;

 private:
  void SyncScrollBar();
  uint16_t followedPc_ = 0;
  bool followed_ = false;
};

}  // namespace tirvane
