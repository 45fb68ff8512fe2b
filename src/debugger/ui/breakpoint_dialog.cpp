// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/breakpoint_dialog.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "debugger/ui/hex_edit.h"
#include "debugger/ui/window_placement.h"
#include "video/host.h"

namespace tirvane {

namespace {

constexpr const char* ShortcutCaptions[9] = {"RST00", "RST08", "RST10", "RST18", "RST20",
                                             "RST28", "RST30", "RST38", "NMI"};
constexpr const char* ShortcutAddresses[9] = {"0000", "0008", "0010", "0018", "0020",
                                              "0028", "0030", "0038", "0066"};

}  // namespace

TfrmBreakPoint::TfrmBreakPoint(QWidget* parent) : QDialog(parent) {
  setObjectName("frmBreakPoint");
  setWindowTitle("Add Breakpoints");

  // Laid out rather than placed: the shortcut buttons keep the dialog's own font and the dialog
  // grows to fit them, where the first design's fixed pixels needed a font too small to read.
  auto* fields = new QGridLayout;
  fields->setSpacing(2);
  Label1 = new QLabel("Address", this);
  edAddr = new HexEdit(this, 4, "0000");
  edAddr->setObjectName("edAddr");
  edAddr->setFixedWidth(edAddr->fontMetrics().horizontalAdvance("00000") + 12);
  fields->addWidget(Label1, 0, 0);
  fields->addWidget(edAddr, 0, 1, 1, 2, Qt::AlignLeft);
  for (int tag = 0; tag < 9; ++tag) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString("SpeedButton%1").arg(tag + 1));
    button->setText(ShortcutCaptions[tag]);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    if (tag == 8)
      fields->addWidget(button, 1, 0);
    else
      fields->addWidget(button, tag < 4 ? 2 : 3, tag % 4);
    connect(button, &QToolButton::clicked, this, [this, tag] { RSTButton(tag); });
    SpeedButtons[static_cast<size_t>(tag)] = button;
  }

  bbOk = new QPushButton("OK", this);
  bbOk->setObjectName("bbOk");
  bbOk->setDefault(true);
  bbCancel = new QPushButton("Cancel", this);
  bbCancel->setObjectName("bbCancel");
  bbHelp = new QPushButton("Help", this);
  bbHelp->setObjectName("bbHelp");
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(2);
  buttons->addWidget(bbOk);
  buttons->addWidget(bbCancel);
  buttons->addStretch(1);
  buttons->addWidget(bbHelp);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(fields);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  // Only OK answers Return, even after another button had the focus.
  bbCancel->setAutoDefault(false);
  bbHelp->setAutoDefault(false);
  connect(bbOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(bbHelp, &QPushButton::clicked, this, &TfrmBreakPoint::bbHelpClick);
}

void TfrmBreakPoint::bbHelpClick() {
  CurrentHost().messageBox(BreakpointHelpText);
  edAddr->setFocus();
}

void TfrmBreakPoint::RSTButton(int tag) {
  if (tag < 0 || tag > 8) return;
  edAddr->setText(ShortcutAddresses[tag]);
}

std::optional<std::string> TfrmBreakPoint::Ask(QPoint topLeft) {
  move(topLeft);
  KeepOnScreen(*this, parentWidget());
  edAddr->setFocus();
  if (exec() != QDialog::Accepted) return std::nullopt;
  return edAddr->text().toStdString();
}

}  // namespace tirvane
