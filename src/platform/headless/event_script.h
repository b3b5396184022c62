// The events file that drives a headless run: one command a line, '#' starts a comment.
//
//   wait MS                      advance virtual time by MS while the engine runs
//   until-idle [MS]              run until the story waits for the player or stands
//                                still, or MS pass (default 60000)
//   click X Y [left|right]       press and release at scene coordinates
//   press X Y [left|right]
//   release X Y [left|right]
//   move X Y
//   wheel up|down
//   key NAME [down|up]           ctrl shift tab enter space backspace esc up down left
//                                right f2, or a single letter; no direction: both
//   answer ok|cancel             the answer to the next message box
//   menu ITEM                    choose the popup-menu or tool-strip item of that caption
//   screenshot FILE              the 800 x 600 screen as PNG
//   state FILE                   a state dump
//   quit                         the window's close request
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/input.h"
#include "core/result.h"

namespace torvan {

struct EventCommand {
  enum class Kind {
    Wait,
    UntilIdle,
    Click,
    Press,
    Release,
    Move,
    Wheel,
    Key,
    Answer,
    Menu,
    Screenshot,
    State,
    Quit
  };
  enum class KeyAction { Both, Down, Up };

  Kind kind = Kind::Wait;
  std::int64_t ms = 0;
  Point at;
  MouseButton button = MouseButton::Left;
  int wheel = 0;  // +1 up, -1 down
  KeyCode key;
  KeyAction keyAction = KeyAction::Both;
  MessageAnswer answer = MessageAnswer::Ok;
  std::string text;  // menu caption (UTF-8) or file name
  int line = 0;      // where it stands in the file
};

// Parses a whole events file. An unknown or malformed line is an error naming the file
// and the line.
Result<std::vector<EventCommand>> parseEventScript(std::string_view text, const std::string& file);
Result<std::vector<EventCommand>> readEventScript(const std::string& path);

}  // namespace torvan
