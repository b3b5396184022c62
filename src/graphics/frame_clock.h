// Wall-clock pacing for every timed picture sequence: a sequence advances by the number
// of frame periods that really passed, so a slow machine drops frames instead of
// running long.
#pragma once

#include <cstdint>

namespace torvan {

class Host;

struct FrameClock {
  std::int64_t frameStart = 0;  // host milliseconds
};

// Remembers the host's current time as the frame start.
void FrameStart(Host& host, FrameClock& clock);
// Dispatches pending messages, then sleeps to the end of the current frame period (or,
// when late, to the end of the period now running) and returns how many periods the
// frame start moved by (at least 1).
int FrameWait(Host& host, FrameClock& clock, int periodMs);
// Sleeps until the host time `tick` if it is still ahead, then dispatches messages.
void WaitUntil(Host& host, std::int64_t tick);

}  // namespace torvan
