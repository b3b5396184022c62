// The idle handler and the 55 ms timer: the two callbacks that drive everything. The
// order of the tests in both is the order of precedence between the waits.
#include "core/main_loop.h"

#include "core/engine.h"
#include "script/interpreter.h"
#include "sound/sound_system.h"
#include "text/message_window.h"
#include "text/page_text.h"

namespace torvan {

namespace {

constexpr int kPassFloorMs = 30;

bool windowOrFullScreenText(const Engine& e) {
  return e.page.windowShown || e.vars.sys[sys::kFullScreenText] != 0;
}

}  // namespace

std::int32_t autoCountdownTicks(std::int32_t chars, std::int32_t autoSpeed) {
  // Scripts may store any value in the speed; 14 or more would divide by zero or
  // below, so the divisor never drops under 1.
  std::int32_t divisor = 14 - autoSpeed;
  if (divisor < 1) divisor = 1;
  return chars / divisor + 3 * autoSpeed + 3;
}

void StartWait(Engine& e, std::int32_t kind) {
  e.run.waitMode = kind;
  e.run.autoCountdown = autoCountdownTicks(e.run.charsOnPage, e.vars.sys[sys::kAutoSpeed]);
  e.run.textSkip = false;
}

void releaseWait(Engine& e) {
  if (isPageWait(e.run.waitMode)) NewPage(e);
  e.run.waitMode = kNoWait;
}

std::int64_t Engine::idlePass() {
  ++run.frame;
  const std::int64_t t0 = host.tickCount();
  if (run.clickDebounce > 0) --run.clickDebounce;

  auto until = [&](std::int64_t due) {
    std::int64_t now = host.tickCount();
    return due > now ? due : now;
  };
  const std::int64_t pacing = t0 + kPassFloorMs;

  if (run.backlogOpen || run.promptCode != 0) return until(pacing);

  if (run.gameMode == kStory) {
    if (run.firstStep) {
      firstStoryStep();
      run.firstStep = false;
      return until(pacing);
    }
    if (run.busy) return until(pacing);
    // The random sequence depends on the player's timing.
    rng.discard();
    if (run.quit) {
      host.requestClose();
      return until(pacing);
    }
    if (run.skipState) {
      if (isPageWait(run.waitMode)) NewPage(*this);
      run.waitMode = kNoWait;
    }
    if (run.choiceState || run.waitTicks || run.waitMode || run.voiceWait) return until(pacing);
    if (run.sleepTicks) {
      if (run.sleepTicks > 0) --run.sleepTicks;
      return until(pacing);
    }
    if (run.interpreterEnabled == 1) RunStep(*this);
    if (std::int32_t autoSpeed = vars.sys[sys::kAutoSpeed]) return until(t0 + 5 * autoSpeed + 15);
  }
  // GameMode 6 runs one step of the gallery viewer here once that screen exists; the
  // roll sequences of modes 3 and 5 run their own loops inside their commands.
  return until(pacing);
}

void Engine::timerTick() {
  ++run.tick;
  RefillBgmStream(*this);
  if (run.gameMode == kRecollection || run.gameMode == 10) return;
  if (run.backlogOpen || run.busy || run.gameMode != kStory) return;
  if (run.choiceState && run.promptCode == 0) return;
  const bool voice = IsVoicePlaying(*this);
  if (!voice) run.voiceWait = false;
  if (run.waitTicks > 0) {
    --run.waitTicks;
    return;
  }
  if (run.waitMode == kNoWait) return;
  const std::int32_t autoSpeed = vars.sys[sys::kAutoSpeed];
  if (autoSpeed == 0) {
    if (run.waitMode != kPageWaitNoIcon) DrawClickWaitIcon(*this);
    return;
  }
  if (run.autoCountdown > 0) {
    --run.autoCountdown;
    if (run.autoCountdown == 0 && voice) run.autoCountdown = 1;
  } else if (voice) {
    run.autoCountdown = 1;
  }
  if (run.autoCountdown > 0) return;
  if (isPageWait(run.waitMode) && windowOrFullScreenText(*this)) NewPage(*this);
  run.waitMode = kNoWait;
}

bool Engine::waitingForPlayer() const {
  return run.waitMode != kNoWait || run.choiceState != 0 || run.sleepTicks == -1;
}

bool Engine::storyStandsStill() const {
  if (run.quit) return true;
  // Before the first story step nothing is loaded yet, but "main" is about to be.
  if (!script.loaded) return !run.firstStep;
  // Ran off the end of the outermost scenario: only a menu can move the story now.
  return script.nextLine && script.pc >= script.size && script.depth == 0;
}

}  // namespace torvan
