// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/add_watch_dialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

#include "debugger/ui/hex_edit.h"
#include "debugger/ui/window_placement.h"
#include "debugger/watches.h"

namespace tirvane {

namespace {

constexpr const char* IndexCaptions[6] = {"[BC]", "[DE]", "[HL]", "[IY+nn]", "[IX+nn]", "[nnnn]"};
// The dialog lists IY before IX; the stored codes keep the register window's numbering.
constexpr WatchKind IndexKinds[6] = {WatchKind::BC,     WatchKind::DE,     WatchKind::HL,
                                     WatchKind::IndexY, WatchKind::IndexX, WatchKind::Address};

// Laid out rather than placed: the dialog takes the size its captions need in the desktop's font.
template <size_t N>
QGroupBox* ChoiceGroup(QWidget* parent, const char* name, const char* title, const char* const (&captions)[N],
                       int columns, std::array<QRadioButton*, N>& buttons, QButtonGroup*& group) {
  auto* box = new QGroupBox(title, parent);
  box->setObjectName(name);
  auto* grid = new QGridLayout(box);
  group = new QButtonGroup(box);
  const int rows = static_cast<int>((N + columns - 1) / columns);
  for (size_t i = 0; i < N; ++i) {
    auto* button = new QRadioButton(captions[i], box);
    // Items fill the first column before the second.
    grid->addWidget(button, static_cast<int>(i) % rows, static_cast<int>(i) / rows);
    group->addButton(button, static_cast<int>(i));
    buttons[i] = button;
  }
  grid->setRowStretch(rows, 1);
  return box;
}

}  // namespace

TfrmAddWatch::TfrmAddWatch(QWidget* parent) : QDialog(parent, Qt::Tool) {
  setObjectName("frmAddWatch");
  setWindowTitle("Add new Watch");

  static const char* const ViewCaptions[3] = {"Hexa", "Decimal", "Binary"};
  static const char* const TypeCaptions[2] = {"byte ptr", "word ptr"};
  rbIndex = ChoiceGroup(this, "rbIndex", " &Memory Address ", IndexCaptions, 2, IndexChoices, indexGroup_);
  rbView = ChoiceGroup(this, "rbView", " &View ", ViewCaptions, 1, ViewChoices, viewGroup_);
  rbType = ChoiceGroup(this, "rbType", " &Type ", TypeCaptions, 1, TypeChoices, typeGroup_);
  IndexChoices[5]->setChecked(true);
  ViewChoices[0]->setChecked(true);
  TypeChoices[0]->setChecked(true);

  auto* addressLabel = new QLabel("Address (Hexa)", this);
  edAddr = new HexEdit(this, 4, "0000");
  edAddr->setObjectName("edAddr");
  auto* deslocLabel = new QLabel("Desloc (Hexa)", this);
  edDesloc = new HexEdit(this, 2, "00");
  edDesloc->setObjectName("edDesloc");

  bbOk = new QPushButton("OK", this);
  bbOk->setObjectName("bbOk");
  bbOk->setDefault(true);
  bbCancel = new QPushButton("Cancel", this);
  bbCancel->setObjectName("bbCancel");
  bbCancel->setAutoDefault(false);
  connect(bbOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(bbCancel, &QPushButton::clicked, this, &QDialog::reject);

  auto* grid = new QGridLayout(this);
  grid->addWidget(rbIndex, 0, 0, 1, 2);
  grid->addWidget(rbView, 0, 2);
  grid->addWidget(rbType, 0, 3);
  grid->addWidget(addressLabel, 1, 0);
  grid->addWidget(edAddr, 1, 1);
  grid->addWidget(deslocLabel, 2, 0);
  grid->addWidget(edDesloc, 2, 1);
  grid->addWidget(bbOk, 1, 3);
  grid->addWidget(bbCancel, 2, 3);
  grid->setSizeConstraint(QLayout::SetFixedSize);
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
  KeepOnScreen(*this, parentWidget());
  if (exec() != QDialog::Accepted) return std::nullopt;
  return WatchText();
}

}  // namespace tirvane
