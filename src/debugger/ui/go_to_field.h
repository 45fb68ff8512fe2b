// SPDX-License-Identifier: GPL-3.0-or-later
// The panes' "Go to" fields: what they accept and how they say they did not understand.
#pragma once

#include <QLineEdit>
#include <optional>

#include "debugger/locations.h"
#include "debugger/symbols.h"

namespace tirvane {

// The address text names (a register, a loaded label or hexadecimal digits); nothing, with the field
// tinted and its tooltip saying why, when it names none.
inline std::optional<uint16_t> ResolveGoTo(QLineEdit& field, const QString& text, const Z80Context& z,
                                           const SymbolTable* symbols) {
  LabelLookup labels;
  if (symbols != nullptr) labels = [symbols](std::string_view name) { return symbols->Find(name); };
  const std::optional<uint16_t> address = ResolveLocation(text.toStdString(), z, labels);
  if (!address) {
    field.setToolTip(QString("\"%1\" is not an address, a register or a label").arg(text));
    field.setStyleSheet("background: #ffd0d0;");
    return std::nullopt;
  }
  field.setToolTip({});
  field.setStyleSheet({});
  return address;
}

}  // namespace tirvane
