// Input as the engine receives it from either host.
#pragma once

namespace torvan {

enum class MouseButton { Left, Right };

enum class Key {
  Ctrl,
  Shift,
  Tab,
  Enter,
  Space,
  Backspace,
  Esc,
  Up,
  Down,
  Left,
  Right,
  F2,
  Letter
};

struct KeyCode {
  Key key = Key::Letter;
  char letter = 0;  // 'A'..'Z' for Key::Letter
};

// The character a key press produces (Enter '\r', Backspace '\b', Esc 0x1B, Tab '\t',
// Space ' ', letters as typed), or 0 for keys that produce none.
inline char keyCharacter(KeyCode k, bool upperCase = false) {
  switch (k.key) {
    case Key::Enter:
      return '\r';
    case Key::Backspace:
      return '\b';
    case Key::Esc:
      return 0x1B;
    case Key::Tab:
      return '\t';
    case Key::Space:
      return ' ';
    case Key::Letter:
      return upperCase ? k.letter : static_cast<char>(k.letter - 'A' + 'a');
    default:
      return 0;
  }
}

}  // namespace torvan
