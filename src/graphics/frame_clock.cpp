#include "graphics/frame_clock.h"

#include "core/host.h"

namespace torvan {

void FrameStart(Host& host, FrameClock& clock) {
  clock.frameStart = host.tickCount();
}

int FrameWait(Host& host, FrameClock& clock, int periodMs) {
  host.pumpEvents();
  if (periodMs <= 0) periodMs = 1;
  std::int64_t elapsed = host.tickCount() - clock.frameStart;
  // A clock that went backwards (a host restarting its timer) would otherwise sleep for
  // ages; count it as no time passed.
  if (elapsed < 0) elapsed = 0;
  if (elapsed < periodMs) {
    host.sleep(static_cast<int>(periodMs - elapsed));
    clock.frameStart += periodMs;
    return 1;
  }
  const std::int64_t n = elapsed / periodMs + 1;
  host.sleep(static_cast<int>(n * periodMs - elapsed));
  clock.frameStart += n * periodMs;
  return static_cast<int>(n);
}

void WaitUntil(Host& host, std::int64_t tick) {
  const std::int64_t now = host.tickCount();
  if (tick > now) host.sleep(static_cast<int>(tick - now));
  host.pumpEvents();
}

}  // namespace torvan
