// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/breakpoint_dialog.h"

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
  setFixedSize(216, 83);

  Label1 = new QLabel("Address", this);
  Label1->move(2, 6);
  edAddr = new HexEdit(this, 4, "0000");
  edAddr->setObjectName("edAddr");
  edAddr->setGeometry(48, 2, 39, 21);

  QFont small = font();
  small.setPointSize(6);
  for (int tag = 0; tag < 9; ++tag) {
    auto* button = new QToolButton(this);
    button->setObjectName(QString("SpeedButton%1").arg(tag + 1));
    button->setText(ShortcutCaptions[tag]);
    button->setFont(small);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    if (tag == 8)
      button->setGeometry(0, 28, 33, 17);
    else
      button->setGeometry(34 * (tag % 4), tag < 4 ? 48 : 66, 33, 17);
    connect(button, &QToolButton::clicked, this, [this, tag] { RSTButton(tag); });
    SpeedButtons[static_cast<size_t>(tag)] = button;
  }

  bbOk = new QPushButton("OK", this);
  bbOk->setObjectName("bbOk");
  bbOk->setGeometry(140, 2, 75, 25);
  bbOk->setDefault(true);
  bbCancel = new QPushButton("Cancel", this);
  bbCancel->setObjectName("bbCancel");
  bbCancel->setGeometry(140, 28, 75, 25);
  bbHelp = new QPushButton("Help", this);
  bbHelp->setObjectName("bbHelp");
  bbHelp->setGeometry(140, 58, 75, 25);
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
