// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/stop_pane.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "debugger/debug_engine.h"
#include "debugger/ui/pane_font.h"

namespace tirvane {

namespace {

QLabel* ErrorLabel(QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName("stopError");
  label->setStyleSheet("color: #b00000;");
  label->setWordWrap(true);
  label->hide();
  return label;
}

void ShowError(QLabel& label, const QString& text) {
  label.setText(text);
  label.show();
}

QDialogButtonBox* OkCancel(QDialog* dialog) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  return buttons;
}

std::optional<uint8_t> ParseByte(const QString& text) {
  const std::optional<uint16_t> value = ParseAddress(text.toStdString());
  if (!value || *value > 0xFF) return std::nullopt;
  return static_cast<uint8_t>(*value);
}

// Which enabled item a row of the list stands for: conditional breakpoints first, then watchpoints.
constexpr int KindRole = Qt::UserRole, IndexRole = Qt::UserRole + 1;
enum Kind { BreakpointRow, WatchpointRow };

}  // namespace

ConditionDialog::ConditionDialog(DebugEngine& engine, QWidget* parent) : QDialog(parent), engine_(engine) {
  setObjectName("dlgCondition");
  setWindowTitle("Breakpoint with a condition");
  auto* form = new QFormLayout(this);
  Where = new QLineEdit(this);
  Where->setObjectName("conditionWhere");
  Where->setPlaceholderText("address or label");
  Condition = new QLineEdit(this);
  Condition->setObjectName("conditionText");
  Condition->setPlaceholderText("e.g. A = 3 and (HL) <> 0 and Z");
  Condition->setMinimumWidth(Condition->fontMetrics().horizontalAdvance(QString(36, u'0')));
  HitCount = new QSpinBox(this);
  HitCount->setObjectName("conditionHits");
  HitCount->setRange(1, 1000000);
  HitCount->setToolTip("Stop on this hit and every one after it");
  for (QLineEdit* field : {Where, Condition}) field->setFont(PaneFont());
  Error = ErrorLabel(this);
  form->addRow("Address:", Where);
  form->addRow("Condition:", Condition);
  form->addRow("Stop on hit:", HitCount);
  form->addRow(Error);
  form->addRow(OkCancel(this));
}

void ConditionDialog::accept() {
  ConditionError error;
  const std::string where = Where->text().toStdString(), condition = Condition->text().toStdString();
  if (engine_.Breakpoints.Add(where, condition, static_cast<uint32_t>(HitCount->value()), &engine_.Symbols, error)) {
    Error->hide();
    QDialog::accept();
    return;
  }
  // Position 0 is the address; anything else is a column of the condition.
  if (error.Position <= 0) {
    ShowError(*Error, QString::fromStdString(error.Message));
    Where->setFocus();
    Where->selectAll();
    return;
  }
  ShowError(*Error, QString("Column %1: %2").arg(error.Position).arg(QString::fromStdString(error.Message)));
  Condition->setFocus();
  Condition->setCursorPosition(error.Position - 1);
}

WatchpointDialog::WatchpointDialog(DebugEngine& engine, QWidget* parent) : QDialog(parent), engine_(engine) {
  setObjectName("dlgWatchpoint");
  setWindowTitle("Watchpoint");
  auto* form = new QFormLayout(this);
  Space = new QComboBox(this);
  Space->setObjectName("watchpointSpace");
  Space->addItems({"Memory", "Port"});
  Range = new QLineEdit(this);
  Range->setObjectName("watchpointRange");
  Range->setPlaceholderText("8000, 8000-80FF, a label, or a port 00-FF");
  Access = new QComboBox(this);
  Access->setObjectName("watchpointAccess");
  Access->addItems({"Read", "Write", "Read or write"});
  Access->setCurrentIndex(1);
  Test = new QComboBox(this);
  Test->setObjectName("watchpointTest");
  Test->addItems({"Any value", "Value equal to", "Value not equal to", "Value under mask equal to"});
  Value = new QLineEdit("00", this);
  Value->setObjectName("watchpointValue");
  Mask = new QLineEdit("FF", this);
  Mask->setObjectName("watchpointMask");
  for (QLineEdit* field : {Range, Value, Mask}) field->setFont(PaneFont());
  Error = ErrorLabel(this);
  form->addRow("Watch:", Space);
  form->addRow("Address or port:", Range);
  form->addRow("Access:", Access);
  form->addRow("Stop for:", Test);
  form->addRow("Value:", Value);
  form->addRow("Mask:", Mask);
  form->addRow(Error);
  form->addRow(OkCancel(this));
  const auto sync = [this] {
    Value->setEnabled(Test->currentIndex() > 0);
    Mask->setEnabled(Test->currentIndex() == 3);
  };
  connect(Test, &QComboBox::currentIndexChanged, this, sync);
  sync();
}

void WatchpointDialog::accept() {
  Watchpoint watchpoint;
  watchpoint.Space = Space->currentIndex() == 0 ? WatchSpace::Memory : WatchSpace::Port;
  const std::optional<std::pair<uint16_t, uint16_t>> range = ParseAddressRange(Range->text().toStdString(), &engine_.Symbols);
  if (!range || range->first > range->second) {
    ShowError(*Error, QString("\"%1\" is not an address, a label or a range like 8000-80FF").arg(Range->text()));
    Range->setFocus();
    return;
  }
  if (watchpoint.Space == WatchSpace::Port && range->second > 0xFF) {
    ShowError(*Error, "Ports are 00 to FF (the low byte of the port address)");
    Range->setFocus();
    return;
  }
  watchpoint.First = range->first;
  watchpoint.Last = range->second;
  watchpoint.Access = static_cast<uint8_t>(Access->currentIndex() + 1);
  watchpoint.Match.Kind = static_cast<ValueMatch::Test>(Test->currentIndex());
  if (watchpoint.Match.Kind != ValueMatch::Test::Any) {
    const std::optional<uint8_t> value = ParseByte(Value->text());
    const std::optional<uint8_t> mask = ParseByte(Mask->text());
    if (!value || (watchpoint.Match.Kind == ValueMatch::Test::Mask && !mask)) {
      ShowError(*Error, "The value and the mask are bytes: 00 to FF");
      (value ? Mask : Value)->setFocus();
      return;
    }
    watchpoint.Match.Value = *value;
    if (watchpoint.Match.Kind == ValueMatch::Test::Mask) watchpoint.Match.Mask = *mask;
  }
  engine_.Watchpoints.Add(watchpoint);
  Error->hide();
  QDialog::accept();
}

StopPane::StopPane(QWidget* parent) : QWidget(parent) {
  setObjectName("stopPane");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  LastStop = new QLabel(this);
  LastStop->setObjectName("stopLast");
  LastStop->setWordWrap(true);
  LastStop->hide();
  layout->addWidget(LastStop);
  List = new QTreeWidget(this);
  List->setObjectName("stopList");
  List->setHeaderLabels({"Stop", "Condition", "Hits"});
  List->setRootIsDecorated(false);
  List->setFont(PaneFont());
  List->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  layout->addWidget(List, 1);
  auto* buttons = new QHBoxLayout;
  AddBreakpoint = new QPushButton("Breakpoint…", this);
  AddBreakpoint->setObjectName("stopAddBreakpoint");
  AddBreakpoint->setToolTip("A breakpoint with a condition or a hit count");
  AddWatchpoint = new QPushButton("Watchpoint…", this);
  AddWatchpoint->setObjectName("stopAddWatchpoint");
  Remove = new QPushButton("Remove", this);
  Remove->setObjectName("stopRemove");
  buttons->addWidget(AddBreakpoint);
  buttons->addWidget(AddWatchpoint);
  buttons->addWidget(Remove);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  connect(AddBreakpoint, &QPushButton::clicked, this, &StopPane::AddBreakpointClicked);
  connect(AddWatchpoint, &QPushButton::clicked, this, &StopPane::AddWatchpointClicked);
  connect(Remove, &QPushButton::clicked, this, &StopPane::RemoveClicked);
  connect(List, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
    if (engine_ == nullptr || column != 0) return;
    const bool on = item->checkState(0) == Qt::Checked;
    const int index = item->data(0, IndexRole).toInt();
    if (item->data(0, KindRole).toInt() == BreakpointRow)
      engine_->Breakpoints.SetEnabled(index, on);
    else
      engine_->Watchpoints.SetEnabled(index, on);
  });
  SetEngine(nullptr);
}

void StopPane::ShowStop(const QString& text) {
  LastStop->setText(text);
  LastStop->setVisible(!text.isEmpty());
}

void StopPane::SetEngine(DebugEngine* engine) {
  engine_ = engine;
  for (QPushButton* button : {AddBreakpoint, AddWatchpoint, Remove}) button->setEnabled(engine != nullptr);
  shown_.clear();
  Refresh();
}

void StopPane::Refresh() {
  // One string of everything shown: relisting only on a change keeps the selection and the scroll.
  QString now;
  if (engine_ != nullptr) {
    for (int i = 0; i < engine_->Breakpoints.Count(); ++i) {
      const ConditionalBreakpoint& b = engine_->Breakpoints.At(i);
      now += QString("b%1 %2 %3 %4/%5|").arg(b.Enabled).arg(QString::fromStdString(b.Where)).arg(
          QString::fromStdString(b.When.Text())).arg(b.Hits).arg(b.HitCount);
    }
    for (int i = 0; i < engine_->Watchpoints.Count(); ++i) {
      const Watchpoint& w = engine_->Watchpoints.At(i);
      now += QString("w%1 %2|").arg(w.Enabled).arg(QString::fromStdString(DescribeWatchpoint(w)));
    }
  }
  if (now == shown_ && List->topLevelItemCount() > 0) return;
  shown_ = now;
  const QSignalBlocker block(List);
  const int current = List->currentIndex().row();
  List->clear();
  if (engine_ == nullptr) return;
  const auto add = [this](Kind kind, int index, bool enabled, const QString& stop, const QString& condition,
                          const QString& hits) {
    auto* item = new QTreeWidgetItem(List, {stop, condition, hits});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, enabled ? Qt::Checked : Qt::Unchecked);
    item->setData(0, KindRole, kind);
    item->setData(0, IndexRole, index);
  };
  for (int i = 0; i < engine_->Breakpoints.Count(); ++i) {
    const ConditionalBreakpoint& b = engine_->Breakpoints.At(i);
    QString stop = QString("Break at %1").arg(QString::fromStdString(b.Where));
    add(BreakpointRow, i, b.Enabled, stop, QString::fromStdString(b.When.Text()),
        QString("%1 of %2").arg(b.Hits).arg(b.HitCount));
  }
  for (int i = 0; i < engine_->Watchpoints.Count(); ++i) {
    const Watchpoint& w = engine_->Watchpoints.At(i);
    add(WatchpointRow, i, w.Enabled, QString("Watch %1").arg(QString::fromStdString(DescribeWatchpoint(w))), {}, {});
  }
  if (current >= 0 && current < List->topLevelItemCount()) List->setCurrentItem(List->topLevelItem(current));
}

void StopPane::AddBreakpointClicked() {
  if (engine_ == nullptr) return;
  ConditionDialog dialog(*engine_, this);
  if (dialog.exec() == QDialog::Accepted) Refresh();
}

void StopPane::AddWatchpointClicked() {
  if (engine_ == nullptr) return;
  WatchpointDialog dialog(*engine_, this);
  if (dialog.exec() == QDialog::Accepted) Refresh();
}

void StopPane::RemoveClicked() {
  const QTreeWidgetItem* item = List->currentItem();
  if (engine_ == nullptr || item == nullptr) return;
  const int index = item->data(0, IndexRole).toInt();
  if (item->data(0, KindRole).toInt() == BreakpointRow)
    engine_->Breakpoints.RemoveAt(index);
  else
    engine_->Watchpoints.RemoveAt(index);
  Refresh();
}

}  // namespace tirvane
