// Commands of the message window, the text style and the screens and sequences that
// run inside a command (title cards, shakes, rolls, the gallery and recollection).
// The window state, the text style switch and the skip and auto stops are kept here;
// the drawing and the timed sequences come with the modules that own them.
#include <algorithm>
#include <array>
#include <string_view>

#include "core/engine.h"
#include "graphics/screen_effects.h"
#include "modes/credits_roll.h"
#include "script/commands.h"
#include "script/interpreter.h"
#include "text/message_window.h"
#include "text/page_text.h"
#include "text/title_card.h"

namespace torvan {

namespace {

bool effectsCut(const Engine& e) {
  return e.run.skipState != 0 && e.settings.efxCut != 0;
}

// Up to N comma-separated numbers (blanks before each allowed); a missing one keeps its
// default, so "shake 2" and "shake 2,16" read as the scripts mean them.
template <std::size_t N>
std::array<int, N> numberList(std::string_view text, std::array<int, N> values) {
  std::size_t i = text.find_first_not_of(" \t");
  for (std::size_t k = 0; k < N && i != std::string_view::npos && i < text.size(); ++k) {
    const std::string_view field = text.substr(i, text.find(',', i) - i);
    if (field.find_first_not_of(" \t") != std::string_view::npos) values[k] = parseNumber(field);
    const std::size_t comma = text.find(',', i);
    if (comma == std::string_view::npos) break;
    i = comma + 1;
  }
  return values;
}

}  // namespace

void cmdWinOpen(Engine& e, CommandCall&) {
  OpenWindow(e);
}

void cmdWinClose(Engine& e, CommandCall&) {
  if (!e.page.windowShown || e.vars.sys[sys::kFullScreenText] != 0) return;
  CloseWindow(e);
}

void cmdTwSet(Engine& e, CommandCall& c) {
  e.page.windowShown = parseNumber(c.argument) != 0;
}

void cmdMode(Engine& e, CommandCall& c) {
  auto& style = e.vars.sys[sys::kFullScreenText];
  if (parseNumber(c.argument) == style) return;
  // The old style's page does not carry over: the new style starts on a clean page.
  ClearPageText(e);
  style = style ? 0 : 1;
  if (style != 0) e.page.windowShown = false;
  e.page.windowState = style + 1;
  RebuildScreen(e);
}

void cmdSubtitle(Engine& e, CommandCall& c) {
  breakOnSelect(e);
  ShowTitleCard(e, c.argument);
}

void cmdSpecial(Engine& e, CommandCall& c) {
  std::string_view a = c.argument.substr(0, std::min(c.argument.find('\0'), c.argument.size()));
  a.remove_prefix(std::min(a.find_first_not_of(' '), a.size()));
  if (a.empty() || a[0] < '0' || a[0] > '9') {
    scriptWarning(e, "\"special\" needs an effect digit");
    return;
  }
  switch (a[0] - '0') {
    case 0:
      WhiteFlash(e);
      break;
    case 1:
      ShakeWindow(e, 0, 20, 50);
      break;
    case 2: {
      // The digit and the rows are separated by a blank, or by a comma in some scripts.
      std::string_view rest = a.substr(1);
      if (!rest.empty() && rest[0] == ',') rest.remove_prefix(1);
      const std::array<int, 3> v = numberList<3>(rest, {0, 0, 0});
      DarkenBand(e, v[0], v[1], v[2]);
      break;
    }
    case 3:
    case 4:
      SepiaFade(e);
      break;
    case 5:
      PlayCreditsRoll(e);
      break;
    case 6:
      DrawCompletion(e);
      break;
    default:
      break;
  }
}

void cmdShake(Engine& e, CommandCall& c) {
  if (effectsCut(e)) return;
  const std::string_view a =
      c.argument.substr(0, std::min(c.argument.find('\0'), c.argument.size()));
  const std::array<int, 3> v = numberList<3>(a, {0, 20, 50});
  ShakeWindow(e, v[0], v[1], v[2]);
}

void cmdRoll(Engine& e, CommandCall&) {
  StopSkipAndAuto(e);
  // The ending roll of the named script runs here once it exists.
}

void cmdSroll(Engine&, CommandCall&) {
  // The scrolling credits of "sroll" run here once they exist.
}

void cmdViewer(Engine& e, CommandCall&) {
  StopSkipAndAuto(e);
  // The gallery viewer opens here once it exists.
}

void cmdKaisou(Engine&, CommandCall&) {
  // The recollection screen opens here once it exists.
}

void cmdMap(Engine& e, CommandCall&) {
  breakOnSelect(e);
}

void cmdMovie(Engine&, CommandCall&) {}

void cmdYaki(Engine&, CommandCall&) {}

}  // namespace torvan
