// Routing of mouse, wheel, keyboard and tool-strip input, in order of precedence: a
// sequence that may be cut, the prompt, the busy flag, the backlog, the game mode's
// screen, a choice, and last the story itself.
#include "core/engine.h"
#include "core/main_loop.h"
#include "script/choices.h"
#include "sound/sound_system.h"
#include "text/message_window.h"

namespace torvan {

void Engine::mouseMove(Point p) {
  cursor_ = p;
  if (run.busy || run.cutAllowed || run.promptCode || run.backlogOpen) return;
  if (run.gameMode == kStory && run.choiceState) UpdateChoiceHover(*this, p);
}

void Engine::mouseDown(Point p, MouseButton button) {
  cursor_ = p;
  if (run.cutAllowed) {
    if (!settings.cvThrough) StopVoice(*this);
    run.cutRequest = 1;
    return;
  }
  if (button == MouseButton::Left) run.popupOpen = false;
  if (run.busy) return;
  // A click cuts the voice, except on the page wait that keeps it and on a quick second
  // click.
  if (button == MouseButton::Left && run.waitMode != kPageWaitKeepVoice && run.clickDebounce < 3 &&
      !settings.cvThrough)
    StopVoice(*this);
  if (run.gameMode == kWindowHidden) {
    RestoreWindow(*this);
    return;
  }
  if (run.gameMode != kStory) return;

  if (settings.perCharacter() && run.waitMode == 0 && run.choiceState == 0) run.textSkip = true;
  if (run.sleepTicks != 0) {
    run.sleepTicks = 0;
    return;
  }

  const std::int32_t style = vars.sys[sys::kWindowStyle];
  const bool autoOn = vars.sys[sys::kAutoSpeed] != 0;
  if (style == 1 || style == 2) {
    bool onAutoBar = p.x >= 750 && p.x <= 773 && p.y >= 440 && p.y <= 537;
    if (style == 1 && autoOn && onAutoBar) {
      std::int32_t speed = vars.sys[sys::kAutoSpeed];
      if (p.y >= 444 && p.y <= 533)
        speed = (p.y - 444) / 9 + 1;
      else if (p.y < 444)
        speed = speed > 1 ? speed - 1 : 1;
      else
        speed = speed < 10 ? speed + 1 : 10;
      vars.sys[sys::kAutoSpeed] = speed;
      vars.sys[sys::kLastAutoSpeed] = speed;
      return;
    }
    if (style == 2 && p.x >= 673 && p.x <= 762 && p.y >= 578 && p.y <= 590) return;
    if (run.choiceState == 0 && (autoOn || run.skipState)) {
      stopSkipAndAuto();
      return;
    }
  }
  if (run.skipState && run.choiceState == 0) {
    run.skipState = 0;
    vars.sys[sys::kSkipButton] = 0;
    return;
  }

  if (button == MouseButton::Right) {
    if (run.choiceState == kClickMap || run.choiceState == kSelectionTree)
      ChoiceClick(*this, p, false);
    else
      rightClickAction();
  } else if (run.choiceState == 0) {
    releaseWait(*this);
  } else if (run.clickDebounce == 0) {
    ChoiceClick(*this, p, true);
  }
  run.clickDebounce = 5;
}

void Engine::mouseUp(Point p, MouseButton) {
  cursor_ = p;
}

void Engine::wheel(int) {}

void Engine::keyDown(KeyCode key) {
  if (settings.csSwap) {
    if (key.key == Key::Ctrl)
      key.key = Key::Shift;
    else if (key.key == Key::Shift)
      key.key = Key::Ctrl;
  }
  if (key.key == Key::F2 || run.promptCode || run.backlogOpen || run.cutAllowed || run.busy) return;
  if (run.gameMode != kStory) return;
  switch (key.key) {
    case Key::Tab:
      rightClickAction();
      break;
    case Key::Shift:
      run.skipState = 0;
      toggleAuto();
      break;
    case Key::Ctrl:
      if (run.popupOpen) break;
      if (run.skipState) {
        run.skipState = 0;
        vars.sys[sys::kSkipButton] = 0;
      } else {
        vars.sys[sys::kAutoSpeed] = 0;
        startSkipping();
      }
      break;
    default:
      break;
  }
}

void Engine::keyUp(KeyCode key) {
  if (settings.csSwap) {
    if (key.key == Key::Ctrl)
      key.key = Key::Shift;
    else if (key.key == Key::Shift)
      key.key = Key::Ctrl;
  }
  if (key.key != Key::Ctrl) return;
  run.skipState = 0;
  if (run.gameMode == kStory) vars.sys[sys::kSkipButton] = 0;
}

void Engine::keyPress(char ch) {
  if (run.promptCode) return;
  if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  const bool limited = run.cutAllowed || run.busy;
  if (run.backlogOpen) return;
  switch (ch) {
    case '\r':
    case 'Z':
      mouseDown(cursor_, MouseButton::Left);
      mouseUp(cursor_, MouseButton::Left);
      break;
    case 0x1B:
      if (!limited) run.popupOpen = false;
      break;
    case ' ':
      if (limited) break;
      if (vars.sys[sys::kAutoSpeed]) {
        vars.sys[sys::kLastAutoSpeed] = vars.sys[sys::kAutoSpeed];
        vars.sys[sys::kAutoSpeed] = 0;
        vars.sys[sys::kAutoButton] = 0;
      } else {
        std::int32_t speed = vars.sys[sys::kLastAutoSpeed];
        if (speed < 1 || speed > 10) speed = 3;
        vars.sys[sys::kAutoSpeed] = speed;
        vars.sys[sys::kAutoButton] = 3;
      }
      vars.sys[sys::kSkipButton] = 0;
      break;
    case 'X':
      if (!limited) rightClickAction();
      break;
    case 'V':
      PlaySoundCue(*this, sound.lastVoice);
      break;
    default:
      break;
  }
}

void Engine::toolButton(ToolButton button) {
  if (run.busy) return;
  if (button == ToolButton::Quit) {
    stopSkipAndAuto();
    openQuitMenu();
  }
}

void Engine::rightClickAction() {
  if (run.popupOpen) {
    run.popupOpen = false;
    return;
  }
  switch (settings.rcMode) {
    case 1:
      HideWindow(*this);
      break;
    case 2:
      startSkipping();
      break;
    case 3: {
      std::int32_t speed = vars.sys[sys::kLastAutoSpeed];
      vars.sys[sys::kAutoSpeed] = speed ? speed : 4;
      break;
    }
    default:
      break;
  }
}

void Engine::startSkipping() {
  StopVoice(*this);
  vars.sys[sys::kSkipButton] = 1;
  run.skipState = 1;
}

void Engine::stopSkipAndAuto() {
  run.skipState = 0;
  vars.sys[sys::kSkipButton] = 0;
  if (vars.sys[sys::kAutoSpeed]) vars.sys[sys::kLastAutoSpeed] = vars.sys[sys::kAutoSpeed];
  vars.sys[sys::kAutoSpeed] = 0;
  vars.sys[sys::kAutoButton] = 0;
}

void Engine::toggleAuto() {
  if (vars.sys[sys::kAutoSpeed]) {
    vars.sys[sys::kAutoSpeed] = 0;
  } else {
    std::int32_t speed = vars.sys[sys::kLastAutoSpeed];
    if (speed == 0) speed = vars.sys[sys::kLastAutoSpeed] = 4;
    vars.sys[sys::kAutoSpeed] = speed;
  }
}

void Engine::openQuitMenu() {
  enum { kTitle = 1, kQuit = 2, kSceneSkip = 3, kEndReplay = 4 };
  // Returning to the title asks through the in-scene prompt, which is not there yet.
  std::vector<MenuItem> items = {
      {kTitle, "タイトルへ戻る", false, false, true},
      {kQuit, "ゲーム終了", true, false, true},
      {kSceneSkip, "シーンスキップ", false, false, false},
      {kEndReplay, "回想モード終了", false, false, false},
  };
  Point w = host.windowPosition();
  Point at{w.x + 4, w.y + 21 + (settings.sMode == 0 ? 19 : 0)};
  if (host.popupMenu(items, at) == kQuit) host.requestClose();
}

}  // namespace torvan
