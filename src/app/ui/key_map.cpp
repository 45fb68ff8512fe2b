// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ui/key_map.h"

#include <Qt>

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
      return std::nullopt;
  }
}

}  // namespace tirvane
