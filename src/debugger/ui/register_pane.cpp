// SPDX-License-Identifier: GPL-3.0-or-later
#include "debugger/ui/register_pane.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "machine/description.h"
#include "debugger/debug_session.h"
#include "debugger/registers.h"
#include "debugger/ui/pane_font.h"
#include "z80/z80.h"

namespace tirvane {

namespace {

struct Field {
  const char* Name;
  int Digits;
};
constexpr std::array<Field, RegisterPane::FieldCount> FieldTable = {{{"AF", 4},
                                                                     {"BC", 4},
                                                                     {"DE", 4},
                                                                     {"HL", 4},
                                                                     {"IX", 4},
                                                                     {"IY", 4},
                                                                     {"SP", 4},
                                                                     {"PC", 4},
                                                                     {"AF'", 4},
                                                                     {"BC'", 4},
                                                                     {"DE'", 4},
                                                                     {"HL'", 4},
                                                                     {"I", 2},
                                                                     {"R", 2}}};

}  // namespace

RegisterPane::RegisterPane(QWidget* parent) : QWidget(parent) {
  setObjectName("registerPane");
  const QFont mono = PaneFont();
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  auto* grid = new QGridLayout;
  for (int i = 0; i < FieldCount; ++i) {
    const Field& field = FieldTable[static_cast<size_t>(i)];
    auto* label = new QLabel(field.Name, this);
    label->setFont(mono);
    auto* edit = new QLineEdit(QString(field.Digits, u'0'), this);
    edit->setMaxLength(field.Digits);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9A-Fa-f]*"), edit));
    edit->setObjectName(QString("edit") + QString(field.Name).replace('\'', "Alt"));
    edit->setFont(mono);
    // A styled frame costs more to paint than the digits; fourteen fields change on every refresh.
    edit->setFrame(false);
    edit->setToolTip(QString("%1: type a new value and press Return").arg(field.Name));
    // Wide enough for four digits and the frame at any font size.
    edit->setMinimumWidth(QFontMetrics(mono).horizontalAdvance("00000") + 12);
    label->setBuddy(edit);
    // Main set on the left, the alternate set and I, R on the right.
    const int column = i < 8 ? 0 : 2, row = i < 8 ? i : i - 8;
    grid->addWidget(label, row, column);
    grid->addWidget(edit, row, column + 1);
    Fields[static_cast<size_t>(i)] = edit;
    connect(edit, &QLineEdit::returnPressed, this, [this, i] { Commit(i); });
  }
  grid->setColumnStretch(4, 1);
  layout->addLayout(grid);

  auto* flags = new QGroupBox("Flags", this);
  auto* flagGrid = new QGridLayout(flags);
  for (size_t i = 0; i < FlagNames.size(); ++i) {
    auto* box = new QCheckBox(FlagNames[i].Name, flags);
    box->setObjectName(QString("flag") + QString(FlagNames[i].Name).remove('/'));
    flagGrid->addWidget(box, static_cast<int>(i / 4), static_cast<int>(i % 4));
    Flags[i] = box;
    connect(box, &QCheckBox::clicked, this, [this, i](bool on) { FlagClicked(static_cast<int>(i), on); });
  }
  layout->addWidget(flags);
  layout->addStretch(1);
  Refresh();
}

void RegisterPane::Clear() {
  for (QLineEdit* edit : Fields) edit->clear();
  for (QCheckBox* box : Flags) box->setChecked(false);
}

void RegisterPane::Refresh() {
  static const Z80Context empty{};
  const Z80Context& z = ActiveContext != nullptr ? *ActiveContext : empty;
  for (int i = 0; i < FieldCount; ++i) {
    QLineEdit* edit = Fields[static_cast<size_t>(i)];
    if (edit->hasFocus() && edit->isModified()) continue;
    const QString text = QString::fromStdString(FormatHex(ReadRegister(z, static_cast<RegisterField>(i)), FieldTable[static_cast<size_t>(i)].Digits));
    if (edit->text() != text) edit->setText(text);
  }
  const uint8_t f = z.AF.l;
  for (size_t i = 0; i < FlagNames.size(); ++i) Flags[i]->setChecked((f & FlagNames[i].Mask) != 0);
}

void RegisterPane::Commit(int field) {
  QLineEdit* edit = Fields[static_cast<size_t>(field)];
  if (Session != nullptr && !edit->text().isEmpty()) {
    bool ok = false;
    const uint16_t value = static_cast<uint16_t>(edit->text().toUInt(&ok, 16));
    if (ok) Session->WriteRegister(static_cast<RegisterField>(field), value);
  }
  edit->setModified(false);
  Refresh();
  if (Changed) Changed();
}

void RegisterPane::FlagClicked(int flag, bool on) {
  if (Session != nullptr) Session->SetFlag(FlagNames[static_cast<size_t>(flag)].Mask, on);
  Refresh();
  if (Changed) Changed();
}

}  // namespace tirvane
