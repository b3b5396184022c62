// Music, voices and effect sounds as the script asks for them: the script's own rules
// (voice variants, scene sound categories and levels) are applied here, the playing is
// the sound system's.
#include <algorithm>
#include <string>

#include "archive/archive_index.h"
#include "core/engine.h"
#include "script/commands.h"
#include "script/interpreter.h"
#include "sound/sound_system.h"
#include "text/page_text.h"

namespace torvan {

namespace {

constexpr std::size_t kSoundNameMax = 29;

std::string soundName(std::string_view arg) {
  return std::string(arg.substr(0, std::min(arg.size(), kSoundNameMax)));
}

bool anySoundArchiveHas(const Engine& e, std::string_view name) {
  const Archives& a = e.archives;
  for (const ArchiveIndex& i : a.ogg)
    if (findEntry(i, name) >= 0) return true;
  for (const ArchiveIndex& i : a.wav)
    if (findEntry(i, name) >= 0) return true;
  for (const ArchiveIndex& i : a.se)
    if (findEntry(i, name) >= 0) return true;
  return false;
}

// "SEH" and a category digit 0..4: the category's switch decides whether it plays.
int sceneCategory(std::string_view upper) {
  if (upper.size() < 4 || upper.substr(0, 3) != "SEH") return -1;
  if (upper[3] < '0' || upper[3] > '4') return -1;
  return upper[3] - '0';
}

}  // namespace

void cmdMusic(Engine& e, CommandCall& c) {
  SetMusic(e, parseNumber(c.argument));
}

void cmdVoice(Engine& e, CommandCall& c) {
  std::string name = soundName(c.argument);
  if (e.vars.sys[6]) {
    std::string variant = upperAscii(name) + "X";
    if (anySoundArchiveHas(e, variant)) name = soundName(name + "X");
  }
  NotePageVoice(e, name);
  PlaySoundCue(e, name);
  e.sound.lastVoice = name;
  LogVoice(e, name);
}

void cmdSe(Engine& e, CommandCall& c) {
  const std::string name = upperAscii(soundName(c.argument));
  if (int cat = sceneCategory(name);
      cat >= 0 && !e.settings.seCategory[static_cast<std::size_t>(cat)])
    return;
  // Effects play also while skipping.
  PlaySound(e, name);
}

void cmdSeloop(Engine& e, CommandCall& c) {
  std::string name = upperAscii(soundName(c.argument));
  const int cat = sceneCategory(name);
  if (cat >= 0 && !e.settings.seCategory[static_cast<std::size_t>(cat)]) return;
  // Level variants: "SEH4", a level digit d at position 9 and a variant character at
  // position 11 (1-based): "SE_LVL" d - 1 is added to the variant character.
  if (cat == 4 && name.size() >= 11 && name[8] >= '1' && name[8] <= '5') {
    const int level = e.settings.seLevel[static_cast<std::size_t>(name[8] - '1')];
    name[10] = static_cast<char>(name[10] + level);
  }
  // Which archive holds the name decides whether it loops; a hit in the looping
  // effects' archive becomes the looping effect.
  PlaySound(e, name);
}

void cmdSeoff(Engine& e, CommandCall&) {
  StopLoopSe(e);
}

}  // namespace torvan
