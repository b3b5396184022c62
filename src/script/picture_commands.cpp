// Commands handed to the scene layers: backgrounds, sprites, parts, script objects,
// animations, screen effects and scrolls. The interpreter's side of them (argument
// cutting, the remembered commands, the cut request of "gra ", skip gating) is here;
// the drawing happens in the scene layers and effect players as they come.
#include <algorithm>

#include "core/engine.h"
#include "script/commands.h"
#include "script/interpreter.h"

namespace torvan {

namespace {

bool effectsCut(const Engine& e) {
  return e.run.skipState != 0 && e.settings.efxCut != 0;
}

}  // namespace

void cmdGra(Engine& e, CommandCall& c) {
  e.script.lastWasGrb = false;
  // The background is set from c.argument here once the scene layers exist.
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

void cmdGrb(Engine& e, CommandCall&) {
  e.script.lastWasGrb = true;
  // The background is set from the argument here once the scene layers exist.
}

void cmdClrb(Engine&, CommandCall&) {
  // Clears the sprites named by the argument once the scene layers exist.
}

void cmdSpr(Engine& e, CommandCall& c) {
  setField(e.script.sprites, c.argument);
  // The sprites are set and redrawn with their transition once the scene layers exist.
}

void cmdPtset(Engine&, CommandCall&) {
  // Places parts once the parts pictures exist.
}

void cmdPartsload(Engine&, CommandCall&) {
  // Loads parts pictures (and sets SYS 15 by their number) once they exist.
}

void cmdDirect(Engine&, CommandCall&) {
  // Direct drawing once the scene layers exist.
}

void cmdFix(Engine& e, CommandCall&) {
  e.surfaces.scene = e.surfaces.screen;
  e.vars.sys[23] = 0;
  e.surfaces.screen = e.surfaces.scene;
}

void cmdUpdate(Engine& e, CommandCall&) {
  // The scene is composed again here once the scene layers exist.
  e.paint();
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
