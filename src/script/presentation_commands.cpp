// Commands of the message window, the text style and the screens and sequences that
// run inside a command (title cards, shakes, rolls, the gallery and recollection).
// The window state, the text style switch and the skip and auto stops are kept here;
// the drawing and the timed sequences come with the modules that own them.
#include "core/engine.h"
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
  e.page.clearGrid();
  e.page.empty = true;
  e.page.colour = 0;
  e.page.wideSpacing = false;
  e.run.charsOnPage = 0;
  style = style ? 0 : 1;
  if (style != 0) e.page.windowShown = false;
  e.page.windowState = style + 1;
  RebuildScreen(e);
}

void cmdSubtitle(Engine& e, CommandCall& c) {
  breakOnSelect(e);
  ShowTitleCard(e, c.argument);
}

void cmdSpecial(Engine&, CommandCall&) {
  // Flashes, shakes, darkening, sepia, the credits roll and the completion figure run
  // here once the scene layers exist.
}

void cmdShake(Engine& e, CommandCall&) {
  if (effectsCut(e)) return;
  // The window shakes here once the hosts can move the picture in steps.
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
