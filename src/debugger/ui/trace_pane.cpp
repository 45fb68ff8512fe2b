// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/trace_pane.h"

#include <QAbstractListModel>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "debugger/symbols.h"
#include "debugger/trace.h"
#include "debugger/ui/pane_font.h"

namespace tirvane {

class TraceModel : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  void Reset(const TraceBuffer* trace, const SymbolTable* symbols) {
    beginResetModel();
    trace_ = trace;
    symbols_ = symbols;
    rows_ = trace != nullptr ? trace->Count() : 0;
    endResetModel();
  }
  // New lines join at the end, or, with the ring full, every row moves up: either way the view
  // keeps its layout and repaints the rows on view, rather than being rebuilt as a reset would.
  void Update(const TraceBuffer* trace, const SymbolTable* symbols) {
    const int rows = trace != nullptr ? trace->Count() : 0;
    if (trace != trace_ || symbols != symbols_ || rows < rows_) {
      Reset(trace, symbols);
      return;
    }
    if (rows > rows_) {
      beginInsertRows({}, rows_, rows - 1);
      rows_ = rows;
      endInsertRows();
    }
    if (rows_ > 0) emit dataChanged(index(0), index(rows_ - 1), {Qt::DisplayRole});
  }
  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || trace_ == nullptr || index.row() >= trace_->Count()) return {};
    return QString::fromStdString(FormatTraceLine(trace_->At(index.row()), symbols_));
  }

 private:
  const TraceBuffer* trace_ = nullptr;
  const SymbolTable* symbols_ = nullptr;
  int rows_ = 0;
};

TracePane::TracePane(QWidget* parent) : QWidget(parent), model_(new TraceModel(this)) {
  setObjectName("tracePane");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  List = new QListView(this);
  List->setObjectName("traceList");
  List->setFont(PaneFont());
  List->setUniformItemSizes(true);  // what keeps a list of 100,000 rows virtual
  List->setModel(model_);
  layout->addWidget(List, 1);
  auto* bar = new QHBoxLayout;
  Count = new QLabel(this);
  Count->setObjectName("traceCount");
  Save = new QPushButton("Save trace…", this);
  Save->setObjectName("traceSave");
  bar->addWidget(Count, 1);
  bar->addWidget(Save);
  layout->addLayout(bar);
  connect(Save, &QPushButton::clicked, this, &TracePane::SaveClicked);
  AskPath = [this] {
    return QFileDialog::getSaveFileName(this, "Save trace", QString(), "Trace (*.txt);;All files (*)");
  };
  Refresh();
}

TracePane::~TracePane() = default;

void TracePane::SetTrace(const TraceBuffer* trace, const SymbolTable* symbols) {
  trace_ = trace;
  symbols_ = symbols;
  shownTotal_ = ~uint64_t{0};
  Refresh();
}

void TracePane::Refresh() {
  const uint64_t total = trace_ != nullptr ? trace_->Total() : 0;
  if (total == shownTotal_) {
    // Labels loaded since show on the rows on view.
    List->viewport()->update();
    return;
  }
  shownTotal_ = total;
  const QScrollBar* bar = List->verticalScrollBar();
  const bool atEnd = bar->value() == bar->maximum();
  const int kept = trace_ != nullptr ? trace_->Count() : 0;
  model_->Update(trace_, symbols_);
  if (atEnd) List->scrollToBottom();
  Count->setText(QString("%1 instructions kept of %2 run").arg(kept).arg(total));
  Save->setEnabled(kept > 0);
}

void TracePane::SaveClicked() {
  if (trace_ == nullptr || !AskPath) return;
  const QString path = AskPath();
  if (path.isEmpty()) return;
  std::string error;
  const bool saved = trace_->Save(path.toStdString(), symbols_, error);
  if (Report)
    Report(saved ? QString("Trace saved: %1 lines to %2").arg(trace_->Count()).arg(path)
                 : QString::fromStdString(error));
}

}  // namespace tirvane
