// Wait states shared by the main loop, the interpreter and input.
#pragma once

#include <cstdint>

namespace torvan {

class Engine;

enum WaitKind : std::int32_t {
  kNoWait = 0,
  kPageWait = 1,
  kLineWait = 2,
  kPageWaitKeepVoice = 4,
  kPageWaitNoIcon = 5,
};

inline bool isPageWait(std::int32_t mode) {
  return mode == kPageWait || mode == kPageWaitKeepVoice || mode == kPageWaitNoIcon;
}

// Starts a wait and the auto countdown for the characters on the page.
void StartWait(Engine& engine, std::int32_t kind);
// The auto countdown in timer ticks for a page of chars characters at auto speed.
std::int32_t autoCountdownTicks(std::int32_t chars, std::int32_t autoSpeed);
// Ends the pending wait as a click does: page waits clear the page.
void releaseWait(Engine& engine);

}  // namespace torvan
