// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/key_map.h"

#include <Qt>
#include <utility>

namespace tirvane {

std::optional<VirtualKey> VirtualKeyFromQtKey(int qtKey) {
  const auto offset = [](VirtualKey first, int steps) {
    return static_cast<VirtualKey>(static_cast<int>(first) + steps);
  };
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return offset(VirtualKey::A, qtKey - Qt::Key_A);
  if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return offset(VirtualKey::D0, qtKey - Qt::Key_0);
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return offset(VirtualKey::F1, qtKey - Qt::Key_F1);
  switch (qtKey) {
    case Qt::Key_Left:
      return VirtualKey::Left;
    case Qt::Key_Right:
      return VirtualKey::Right;
    case Qt::Key_Up:
      return VirtualKey::Up;
    case Qt::Key_Down:
      return VirtualKey::Down;
    case Qt::Key_Control:
      return VirtualKey::Ctrl;
    case Qt::Key_Shift:
      return VirtualKey::Shift;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
      return VirtualKey::Alt;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return VirtualKey::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VirtualKey::Return;
    case Qt::Key_Space:
      return VirtualKey::Space;
    case Qt::Key_Backspace:
      return VirtualKey::Backspace;
    case Qt::Key_Escape:
      return VirtualKey::Escape;
    case Qt::Key_ParenRight:
      return VirtualKey::D0;
    case Qt::Key_Exclam:
      return VirtualKey::D1;
    case Qt::Key_At:
      return VirtualKey::D2;
    case Qt::Key_NumberSign:
      return VirtualKey::D3;
    case Qt::Key_Dollar:
      return VirtualKey::D4;
    case Qt::Key_Percent:
      return VirtualKey::D5;
    case Qt::Key_AsciiCircum:
      return VirtualKey::D6;
    case Qt::Key_Ampersand:
      return VirtualKey::D7;
    case Qt::Key_Asterisk:
      return VirtualKey::D8;
    case Qt::Key_ParenLeft:
      return VirtualKey::D9;
    default:
      break;
  }
  struct Symbol {
    int QtKey;
    VirtualKey Key;
  };
  static constexpr Symbol Symbols[] = {
      {Qt::Key_Minus, VirtualKey::Minus},           {Qt::Key_Underscore, VirtualKey::Underscore},
      {Qt::Key_Equal, VirtualKey::Equals},          {Qt::Key_Plus, VirtualKey::Plus},
      {Qt::Key_Comma, VirtualKey::Comma},           {Qt::Key_Less, VirtualKey::Less},
      {Qt::Key_Period, VirtualKey::Period},         {Qt::Key_Greater, VirtualKey::Greater},
      {Qt::Key_Slash, VirtualKey::Slash},           {Qt::Key_Question, VirtualKey::Question},
      {Qt::Key_Semicolon, VirtualKey::Semicolon},   {Qt::Key_Colon, VirtualKey::Colon},
      {Qt::Key_Apostrophe, VirtualKey::Apostrophe}, {Qt::Key_QuoteDbl, VirtualKey::Quote},
      {Qt::Key_sterling, VirtualKey::Pound},
  };
  for (const Symbol& symbol : Symbols)
    if (symbol.QtKey == qtKey) return symbol.Key;
  return std::nullopt;
}

std::optional<VirtualKey> ShiftedDigitSymbol(int qtKey) {
  static constexpr std::pair<int, VirtualKey> Symbols[] = {
      {Qt::Key_Exclam, VirtualKey::Exclam},         {Qt::Key_At, VirtualKey::At},
      {Qt::Key_NumberSign, VirtualKey::Hash},       {Qt::Key_Dollar, VirtualKey::Dollar},
      {Qt::Key_Percent, VirtualKey::Percent},       {Qt::Key_AsciiCircum, VirtualKey::Caret},
      {Qt::Key_Ampersand, VirtualKey::Ampersand},   {Qt::Key_Asterisk, VirtualKey::Asterisk},
      {Qt::Key_ParenLeft, VirtualKey::ParenLeft},   {Qt::Key_ParenRight, VirtualKey::ParenRight},
  };
  for (const auto& [key, symbol] : Symbols)
    if (key == qtKey) return symbol;
  return std::nullopt;
}

}  // namespace tirvane
