// Commands handed to the scene layers: backgrounds, sprites, parts, script objects,
// animations, screen effects and scrolls. The interpreter's side of them (argument
// cutting, the remembered commands, the cut request of "gra ", skip gating) is here;
// the drawing happens in the scene layers and effect players as they come.
#include <algorithm>
#include <array>

#include "core/engine.h"
#include "graphics/scene.h"
#include "script/commands.h"
#include "script/expression.h"
#include "script/interpreter.h"

namespace torvan {

namespace {

bool effectsCut(const Engine& e) {
  return e.run.skipState != 0 && e.settings.efxCut != 0;
}

}  // namespace

void cmdGra(Engine& e, CommandCall& c) {
  e.script.lastWasGrb = false;
  SetBackground(e, c.argument, false);
  const std::int32_t request = e.run.cutRequest;
  e.run.cutRequest = 0;
  if (request == 0) return;
  c.after = After::Yield;
  if (request != 2) return;
  // A close was asked for while a sequence ran: ask now.
  e.run.interpreterEnabled = 0;
  e.surfaces.previous = e.surfaces.screen;
  if (e.showMessage("確認", "ゲームを終了しますか？", MessageIcon::Question,
                    MessageButtons::OkCancel) == MessageAnswer::Ok)
    e.run.quit = true;
  e.surfaces.screen = e.surfaces.previous;
  e.paint();
  e.run.interpreterEnabled = 1;
}

void cmdGrb(Engine& e, CommandCall& c) {
  e.script.lastWasGrb = true;
  SetBackground(e, c.argument, true);
}

void cmdClrb(Engine& e, CommandCall& c) {
  ClearSprites(e, c.argument);
}

void cmdSpr(Engine& e, CommandCall& c) {
  setField(e.script.sprites, c.argument);
  Redraw(e, SetSprites(e, c.argument));
}

void cmdPtset(Engine& e, CommandCall& c) {
  std::array<std::int32_t, 6> v{};
  std::string_view rest = c.argument;
  for (std::int32_t& n : v) {
    const std::size_t comma = rest.find(',');
    n = Evaluate(e, rest.substr(0, comma));
    if (comma == std::string_view::npos) break;
    rest = rest.substr(comma + 1);
  }
  PartsSet(e, v[0], v[1], v[2], v[3], v[4], v[5]);
}

void cmdPartsload(Engine& e, CommandCall& c) {
  PartsLoad(e, c.argument);
}

void cmdDirect(Engine& e, CommandCall& c) {
  DirectDraw(e, c.argument);
}

void cmdFix(Engine& e, CommandCall&) {
  // What the window shows, direct drawing included, becomes the scene.
  e.surfaces.scene = e.surfaces.window;
  e.vars.sys[23] = 0;
  e.surfaces.screen = e.surfaces.scene;
}

void cmdUpdate(Engine& e, CommandCall&) {
  ComposeScreen(e);
  ShowSurface(e, e.surfaces.screen);
}

void cmdObj(Engine&, CommandCall&) {
  // Script objects once the animation player exists.
}

void cmdAnim(Engine&, CommandCall& c) {
  // A "q" right after the word picks the quick player, and the name starts after it.
  const bool quick = !c.afterWord.empty() && c.afterWord[0] == 'q';
  (void)quick;
  // The animation plays to its end here once the animation player exists.
}

void cmdEffect(Engine& e, CommandCall&) {
  if (effectsCut(e)) return;
  // The screen effect plays here once the effect player exists.
}

void cmdScroll(Engine&, CommandCall&) {
  // The picture scrolls here once the effect player exists.
}

}  // namespace torvan
