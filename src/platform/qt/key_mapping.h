// Keyboard events as the engine understands them: key-down codes for the keys it acts
// on, and the characters its key-press handler takes.
#pragma once

#include <QString>
#include <Qt>
#include <optional>

#include "core/input.h"

namespace torvan {

// The engine's key for a Qt key code, or nothing for keys it does not know.
std::optional<KeyCode> gameKey(int qtKey);

// The character a key press hands to the engine (Enter '\r', Backspace '\b', Esc 0x1B,
// Tab '\t', Space ' ', a letter as typed), or 0. With Ctrl held a letter produces a
// control character, which the engine does not take, so nothing is produced.
char gameCharacter(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text);

// Whether a held key acts again on each auto-repeat. Only Up and Down do, walking the
// pointer through a choice list and stopping at its ends; every other game key is a
// toggle (auto, skip, hiding the window, the menu) or a click, and repeating those
// would undo the first press or take a choice the player never saw.
bool actsOnRepeat(int qtKey);

// F11 and Alt+Enter switch full-screen display from the shell itself.
bool isFullScreenToggle(int qtKey, Qt::KeyboardModifiers modifiers);

}  // namespace torvan
