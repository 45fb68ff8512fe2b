// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/add_watch_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "debugger/ui/hex_edit.h"
#include "debugger/watches.h"

namespace tirvane {

namespace {

constexpr const char* IndexCaptions[6] = {"[BC]", "[DE]", "[HL]", "[IY+nn]", "[IX+nn]", "[nnnn]"};
// The dialog lists IY before IX; the stored codes keep the register window's numbering.
constexpr WatchKind IndexKinds[6] = {WatchKind::BC,     WatchKind::DE,     WatchKind::HL,
                                     WatchKind::IndexY, WatchKind::IndexX, WatchKind::Address};

template <size_t N>
QGroupBox* ChoiceGroup(QWidget* parent, const char* name, const char* title, QRect geometry,
                       const char* const (&captions)[N], int columns, std::array<QRadioButton*, N>& buttons,
                       QButtonGroup*& group) {
  auto* box = new QGroupBox(title, parent);
  box->setObjectName(name);
  box->setGeometry(geometry);
  group = new QButtonGroup(box);
  const int rows = static_cast<int>((N + columns - 1) / columns);
  const int columnWidth = (geometry.width() - 16) / columns;
  for (size_t i = 0; i < N; ++i) {
    auto* button = new QRadioButton(captions[i], box);
    // Items fill the first column before the second.
    const int column = static_cast<int>(i) / rows, row = static_cast<int>(i) % rows;
    button->setGeometry(8 + column * columnWidth, 20 + row * 24, columnWidth, 20);
    group->addButton(button, static_cast<int>(i));
    buttons[i] = button;
  }
  return box;
}

}  // namespace

TfrmAddWatch::TfrmAddWatch(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName("frmAddWatch");
  setWindowTitle("Add new Watch");
  setFixedSize(297, 156);

  static const char* const ViewCaptions[3] = {"Hexa", "Decimal", "Binary"};
  static const char* const TypeCaptions[2] = {"byte ptr", "word ptr"};
  rbIndex = ChoiceGroup(this, "rbIndex", " &Memory Address ", QRect(2, 2, 135, 99), IndexCaptions, 2,
                        IndexChoices, indexGroup_);
  rbView =
      ChoiceGroup(this, "rbView", " &View ", QRect(140, 2, 79, 99), ViewCaptions, 1, ViewChoices, viewGroup_);
  rbType =
      ChoiceGroup(this, "rbType", " &Type ", QRect(222, 2, 73, 99), TypeCaptions, 1, TypeChoices, typeGroup_);
  IndexChoices[5]->setChecked(true);
  ViewChoices[0]->setChecked(true);
  TypeChoices[0]->setChecked(true);

  auto* addressLabel = new QLabel("Address (Hexa)", this);
  addressLabel->move(4, 107);
  edAddr = new HexEdit(this, 4, "0000");
  edAddr->setObjectName("edAddr");
  edAddr->setGeometry(76, 104, 77, 21);
  auto* deslocLabel = new QLabel("Desloc (Hexa)", this);
  deslocLabel->move(4, 133);
  edDesloc = new HexEdit(this, 2, "00");
  edDesloc->setObjectName("edDesloc");
  edDesloc->setGeometry(76, 130, 77, 21);

  bbOk = new QPushButton("OK", this);
  bbOk->setObjectName("bbOk");
  bbOk->setGeometry(220, 104, 75, 25);
  bbOk->setDefault(true);
  bbCancel = new QPushButton("Cancel", this);
  bbCancel->setObjectName("bbCancel");
  bbCancel->setGeometry(220, 130, 75, 25);
  connect(bbOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::string TfrmAddWatch::WatchText() const {
  const int index = std::max(indexGroup_->checkedId(), 0);
  const int view = std::max(viewGroup_->checkedId(), 0);
  const int type = std::max(typeGroup_->checkedId(), 0);
  return NewWatchText(edAddr->text().toStdString(), edDesloc->text().toStdString(), IndexKinds[index],
                      static_cast<WatchView>(view), type == 1 ? WatchType::Word : WatchType::Byte);
}

std::optional<std::string> TfrmAddWatch::Ask(QPoint topLeft) {
  move(topLeft);
  if (exec() != QDialog::Accepted) return std::nullopt;
  return WatchText();
}

}  // namespace tirvane
