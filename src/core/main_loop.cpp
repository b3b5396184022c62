// The idle handler and the 55 ms timer: the two callbacks that drive everything.
#include "core/engine.h"

namespace torvan {

namespace {
constexpr int kPassFloorMs = 30;
}

std::int64_t Engine::idlePass() {
  ++run.frame;
  const std::int64_t t0 = host.tickCount();
  if (run.clickDebounce > 0) --run.clickDebounce;

  auto pacing = [&] {
    std::int64_t due = t0 + kPassFloorMs;
    std::int64_t now = host.tickCount();
    return due > now ? due : now;
  };

  if (run.backlogOpen || run.promptCode != 0) return pacing();

  if (run.gameMode == kStory) {
    if (run.firstStep) {
      firstStoryStep();
      run.firstStep = false;
      return pacing();
    }
    if (run.busy) return pacing();
    // The random sequence depends on the player's timing.
    rng.discard();
    if (run.quit) {
      host.requestClose();
      return pacing();
    }
    if (run.skipState) run.waitMode = 0;
    if (run.choiceState || run.waitTicks || run.waitMode || run.voiceWait) return pacing();
    if (run.sleepTicks) {
      if (run.sleepTicks > 0) --run.sleepTicks;
      return pacing();
    }
    std::int32_t autoSpeed = vars.sys[sys::kAutoSpeed];
    if (autoSpeed) {
      std::int64_t due = t0 + 5 * autoSpeed + 15;
      std::int64_t now = host.tickCount();
      return due > now ? due : now;
    }
  }
  return pacing();
}

void Engine::timerTick() {
  ++run.tick;
  if (run.gameMode == kRecollection || run.gameMode == 10) return;
  if (run.backlogOpen || run.busy || run.gameMode != kStory) return;
  if (run.choiceState && run.promptCode == 0) return;
  // Nothing plays a voice yet, so a voice wait ends at the first tick.
  run.voiceWait = false;
  if (run.waitTicks > 0) {
    --run.waitTicks;
    return;
  }
  if (run.waitMode == 0) return;
  std::int32_t autoSpeed = vars.sys[sys::kAutoSpeed];
  if (autoSpeed == 0) return;
  if (run.autoCountdown > 0) --run.autoCountdown;
  if (run.autoCountdown > 0) return;
  run.waitMode = 0;
}

bool Engine::waitingForPlayer() const {
  return run.waitMode != 0 || run.choiceState != 0 || run.sleepTicks == -1;
}

bool Engine::storyStandsStill() const {
  return !script.loaded || run.quit;
}

}  // namespace torvan
