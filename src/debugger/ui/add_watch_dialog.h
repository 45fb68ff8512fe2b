// SPDX-License-Identifier: GPL-3.0-or-later
// TfrmAddWatch: the modal dialog that describes a new watch. Its choices and fields keep their values
// from one use to the next.
#pragma once

#include <QDialog>
#include <array>
#include <optional>
#include <string>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace tirvane {

class HexEdit;

class TfrmAddWatch : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmAddWatch(QWidget* parent = nullptr);

  // Shows the dialog modally at topLeft; on OK the text of the new watch.
  std::optional<std::string> Ask(QPoint topLeft);
  // The watch text the dialog's current choices describe.
  std::string WatchText() const;

  QGroupBox *rbIndex, *rbView, *rbType;
  std::array<QRadioButton*, 6> IndexChoices;  // "[BC]", "[DE]", "[HL]", "[IY+nn]", "[IX+nn]", "[nnnn]"
  std::array<QRadioButton*, 3> ViewChoices;   // "Hexa", "Decimal", "Binary"
  std::array<QRadioButton*, 2> TypeChoices;   // "byte ptr", "word ptr"
  HexEdit *edAddr, *edDesloc;
  QPushButton *bbOk, *bbCancel;

 private:
  QButtonGroup *indexGroup_, *viewGroup_, *typeGroup_;
};

}  // namespace tirvane
