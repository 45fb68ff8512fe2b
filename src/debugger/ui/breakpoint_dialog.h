// SPDX-License-Identifier: GPL-3.0-or-later
// TfrmBreakPoint: the small modal dialog that asks for a breakpoint address, with one shortcut button
// for each restart vector and one for the NMI vector. The address field keeps its text between uses.
#pragma once

#include <QDialog>
#include <array>
#include <optional>
#include <string>

class QLabel;
class QPushButton;
class QToolButton;

namespace tirvane {

class HexEdit;

inline constexpr const char* BreakpointHelpText =
    "Type the address of an instruction (hexadecimal, up to four digits) or pick a restart vector "
    "or the NMI vector, then press OK.\r"
    "While \"Break\" is ticked, the machine pauses when it is about to run that instruction and the "
    "register window opens; Play there runs on.";

class TfrmBreakPoint : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmBreakPoint(QWidget* parent = nullptr);

  // Shows the dialog modally with its top-left corner at topLeft; the address on OK.
  std::optional<std::string> Ask(QPoint topLeft);
  // The address shortcuts share this handler: tags 0-7 are RST00 to RST38, 8 is NMI.
  void RSTButton(int tag);
  // A short explanation in a message box; the focus goes back to the address.
  void bbHelpClick();

  QLabel* Label1;
  HexEdit* edAddr;
  std::array<QToolButton*, 9> SpeedButtons;  // SpeedButton1 ... SpeedButton9
  QPushButton *bbOk, *bbCancel, *bbHelp;
};

}  // namespace tirvane
