// SPDX-License-Identifier: GPL-3.0-or-later
// The workspace's trace: the instructions the debugger recorded, oldest first, with the registers
// each left. A virtual list: only the rows on view are formatted, so a full ring of 100,000 costs no
// more to show than ten. It follows the newest line while scrolled to the end.
#pragma once

#include <QWidget>
#include <cstdint>
#include <functional>

class QLabel;
class QListView;
class QPushButton;

namespace tirvane {

class SymbolTable;
class TraceBuffer;
class TraceModel;

class TracePane : public QWidget {
  Q_OBJECT

 public:
  explicit TracePane(QWidget* parent = nullptr);
  ~TracePane() override;

  // Not owned; null while no machine is attached.
  void SetTrace(const TraceBuffer* trace, const SymbolTable* symbols);
  // Relists when new instructions were recorded.
  void Refresh();
  void SaveClicked();

  QListView* List;
  QLabel* Count;
  QPushButton* Save;
  // Where "Save trace…" writes; empty for cancelled. Tests replace the file dialog here.
  std::function<QString()> AskPath;
  // Tells the user how the save went.
  std::function<void(const QString&)> Report;

 private:
  TraceModel* model_;
  const TraceBuffer* trace_ = nullptr;
  const SymbolTable* symbols_ = nullptr;
  uint64_t shownTotal_ = ~uint64_t{0};
};

}  // namespace tirvane
