#include "platform/qt/key_mapping.h"

namespace torvan {

std::optional<KeyCode> gameKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_Control:
      return KeyCode{Key::Ctrl};
    case Qt::Key_Shift:
      return KeyCode{Key::Shift};
    case Qt::Key_Tab:
    case Qt::Key_Backtab:  // Shift+Tab arrives under its own code
      return KeyCode{Key::Tab};
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return KeyCode{Key::Enter};
    case Qt::Key_Space:
      return KeyCode{Key::Space};
    case Qt::Key_Backspace:
      return KeyCode{Key::Backspace};
    case Qt::Key_Escape:
      return KeyCode{Key::Esc};
    case Qt::Key_Up:
      return KeyCode{Key::Up};
    case Qt::Key_Down:
      return KeyCode{Key::Down};
    case Qt::Key_Left:
      return KeyCode{Key::Left};
    case Qt::Key_Right:
      return KeyCode{Key::Right};
    case Qt::Key_F2:
      return KeyCode{Key::F2};
    default:
      break;
  }
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
    return KeyCode{Key::Letter, static_cast<char>('A' + (qtKey - Qt::Key_A))};
  return std::nullopt;
}

char gameCharacter(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text) {
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier)) return 0;
  switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return '\r';
    case Qt::Key_Backspace:
      return '\b';
    case Qt::Key_Escape:
      return 0x1B;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return '\t';
    case Qt::Key_Space:
      return ' ';
    default:
      break;
  }
  if (qtKey < Qt::Key_A || qtKey > Qt::Key_Z) return 0;
  // The case comes from what the keyboard typed (Shift, Caps Lock); a layout that types
  // something else on this key still gives the letter of its code.
  if (text.size() == 1) {
    char16_t c = text.at(0).unicode();
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) return static_cast<char>(c);
  }
  const char upper = static_cast<char>('A' + (qtKey - Qt::Key_A));
  return (modifiers & Qt::ShiftModifier) ? upper : static_cast<char>(upper - 'A' + 'a');
}

bool actsOnRepeat(int qtKey) {
  return qtKey == Qt::Key_Up || qtKey == Qt::Key_Down;
}

bool isFullScreenToggle(int qtKey, Qt::KeyboardModifiers modifiers) {
  if (qtKey == Qt::Key_F11) return true;
  return (qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter) && (modifiers & Qt::AltModifier);
}

}  // namespace torvan
