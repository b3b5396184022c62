// Routing of mouse, wheel, keyboard and tool-strip input, in order of precedence: a
// sequence that may be cut, the prompt, the busy flag, the backlog, the game mode's
// screen, a choice, and last the story itself.
#include <algorithm>

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

void Engine::wheel(int steps) {
  if (steps == 0) return;
  // The backlog would take every turn while open, to scroll itself; it is not part of
  // this engine yet, so it is never open and nothing is routed to it.
  if (run.backlogOpen) return;
  if (run.promptCode || run.busy || run.cutAllowed) return;
  // The page history would show an older page on a turn up and a newer one on a turn
  // down; it does not exist yet either.
  if (run.gameMode == kPageHistory) return;
  if (run.gameMode != kStory || run.choiceState != 0) return;
  // In the story a turn down does nothing. A turn up opens the backlog ("WHEEL_MODE" on)
  // or the page history (off), neither of which is built: it does nothing for now rather
  // than open a screen that cannot show anything.
}

// "CS_SWAP" exchanges the skip and auto keys before anything looks at them.
KeyCode Engine::swapCtrlShift(KeyCode key) const {
  if (!settings.csSwap) return key;
  if (key.key == Key::Ctrl)
    key.key = Key::Shift;
  else if (key.key == Key::Shift)
    key.key = Key::Ctrl;
  return key;
}

void Engine::keyDown(KeyCode key) {
  key = swapCtrlShift(key);
  if (key.key == Key::F2 || run.promptCode || run.backlogOpen || run.cutAllowed || run.busy) return;
  if (run.gameMode != kStory) return;
  switch (key.key) {
    case Key::Up:
    case Key::Down:
      if (run.choiceState == kChoiceWindow) pointAtChoice(key.key == Key::Up ? -1 : +1);
      break;
    case Key::Left:
      // Opens the page history (while SYS 28 allows the window to go) once it exists.
      break;
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
  key = swapCtrlShift(key);
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
    case 'W':
      if (limited) break;
      if (run.gameMode == kStory)
        HideWindow(*this);
      else if (run.gameMode == kWindowHidden)
        RestoreWindow(*this);
      break;
    // "L" (load, menu level 1 or below), "S" (save) and "Q" (quick save, both at level 0)
    // open the save/load dialog or save at once; saving does not exist in this engine
    // yet, so they do nothing rather than pretend.
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
    case 0:
      openRightClickMenu();
      break;
    case 1:
      HideWindow(*this);
      break;
    case 2:
      startSkipping();
      break;
    case 3:
      startAuto();
      break;
    case 4:
      // The panic screen ("panic.bmp" over everything until the next click) belongs to
      // the backlog's screens, which this engine does not have yet; showing a picture
      // that nothing can take down again would lock the player out.
      break;
    default:
      break;
  }
}

void Engine::startAuto() {
  std::int32_t speed = vars.sys[sys::kLastAutoSpeed];
  vars.sys[sys::kAutoSpeed] = speed ? speed : 4;
}

void Engine::pointAtChoice(int direction) {
  const ChoiceList& list = script.choices;
  if (list.count <= 0) return;
  const int hovered = list.hovered;  // 1-based; 0 none, -1 not known yet
  int target;
  if (direction < 0)
    target = hovered <= 1 ? 1 : hovered - 1;
  else
    target = hovered <= 0 || hovered >= list.count ? list.count : hovered + 1;
  const int row = target - 1;
  // The pointer lands 42 pixels a row down while the rows are drawn 45 apart; from the
  // fifteenth row on that would fall into the row above, so it is kept inside its row.
  constexpr int kDrawnRow = 45;
  const int rowTop = list.top + kDrawnRow * row;
  const int y = std::clamp(list.top + 31 + 42 * row, rowTop, rowTop + kDrawnRow - 1);
  const Point p{list.left + list.width - 7, y};
  host.setCursorPos(p);
  mouseMove(p);
}

void Engine::openRightClickMenu() {
  enum {
    kAuto = 1,
    kSkip,
    kBacklog,
    kHideWindow,
    kReplayVoice,
    kQuickLoad,
    kQuickSave,
    kLoad,
    kSave,
    kButtons,
    kSettings,
    kScenePreferences,
    kTitle,
    kQuit
  };
  // Items whose screen or dialog does not exist in this engine yet (backlog, quick and
  // slot saves, the configuration and scene-preference dialogs, and the prompt that
  // asks before returning to the title) are shown but cannot be chosen.
  const bool buttonsShown = vars.sys[sys::kButtonsHidden] == 0;
  const std::vector<MenuItem> items = {
      {kAuto, "オートプレイ"},
      {kSkip, "メッセージスキップ"},
      {kBacklog, "バックログ", false},
      {kHideWindow, "テキストウィンドウ消去", vars.sys[sys::kWindowAllowed] != 0},
      {kReplayVoice, "直前の音声を再生"},
      {kQuickLoad, "クイックロード", false},
      {kQuickSave, "クイックセーブ", false},
      {kLoad, "ロード", false},
      {kSave, "セーブ", false},
      {kButtons, "ボタン表示", true, buttonsShown, true, true},
      {kSettings, "設定", false},
      {kScenePreferences, "シーン設定", false},
      {kTitle, "タイトルへ戻る", false},
      {kQuit, "ゲーム終了"},
  };
  const Point at = host.sceneToDesktop({cursor_.x + 16, cursor_.y});
  run.popupOpen = true;
  const int chosen = host.popupMenu(items, at);
  // The host's menu is modal: whatever closed it (a choice, Esc, a click elsewhere) has
  // been taken by the menu, so the flag comes down here. Left up, the next right click
  // would only close a menu that is no longer there.
  run.popupOpen = false;
  switch (chosen) {
    case kAuto:
      startAuto();
      break;
    case kSkip:
      startSkipping();
      break;
    case kHideWindow:
      HideWindow(*this);
      break;
    case kReplayVoice:
      PlaySoundCue(*this, sound.lastVoice);
      break;
    case kButtons:
      vars.sys[sys::kButtonsHidden] = buttonsShown ? 1 : 0;
      break;
    case kQuit:
      host.requestClose();
      break;
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
  // Just under the strip's "終了" button: above the scene while the strip sits over it,
  // inside the scene's top-left corner when the strip floats over a full-screen scene.
  const bool stripAbove = display.mode == 0 && display.fullScreen == 0;
  const Point at = host.sceneToDesktop(stripAbove ? Point{0, -3} : Point{4, 21});
  if (host.popupMenu(items, at) == kQuit) host.requestClose();
}

}  // namespace torvan
