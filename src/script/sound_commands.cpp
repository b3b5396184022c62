// Music, voices and effect sounds as the script asks for them. The requests and what
// the engine remembers of them (SYS 3 and 5, the last voice, the looping effect) are
// kept here; the sound channels play them once they exist.
#include <algorithm>
#include <string>

#include "archive/archive_index.h"
#include "core/engine.h"
#include "script/commands.h"
#include "script/interpreter.h"
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
  auto& sys = e.vars.sys;
  const std::int32_t n = parseNumber(c.argument);
  const std::int32_t requested = n < 0 ? 0 : n;
  sys[3] = requested;
  e.sound.musicRequested = requested;
  if (requested == sys[sys::kMusicPlaying]) return;
  // Playing, fading out by -n per step, or stopping happens in the sound channels once
  // they exist; with music switched off a playing piece is stopped.
  sys[sys::kMusicPlaying] = e.settings.bgmEnabled ? requested : 0;
  e.sound.musicPlaying = sys[sys::kMusicPlaying];
}

void cmdVoice(Engine& e, CommandCall& c) {
  std::string name = soundName(c.argument);
  if (e.vars.sys[6]) {
    std::string variant = upperAscii(name) + "X";
    if (anySoundArchiveHas(e, variant)) name = soundName(name + "X");
  }
  // The voice plays through the sound channels (not while skipping) once they exist.
  NotePageVoice(e, name);
  e.sound.lastVoice = name;
  LogVoice(e, name);
}

void cmdSe(Engine& e, CommandCall& c) {
  const std::string name = upperAscii(soundName(c.argument));
  if (int cat = sceneCategory(name);
      cat >= 0 && !e.settings.seCategory[static_cast<std::size_t>(cat)])
    return;
  // The effect plays once through the sound channels once they exist.
}

void cmdSeloop(Engine& e, CommandCall& c) {
  std::string name = upperAscii(soundName(c.argument));
  const int cat = sceneCategory(name);
  if (cat >= 0 && !e.settings.seCategory[static_cast<std::size_t>(cat)]) return;
  // Level variants: "SEH4", a level digit at position 9 and a variant character at
  // position 11 (1-based): the level of the category before it picks the variant.
  if (cat == 4 && name.size() >= 11 && name[8] >= '0' && name[8] <= '9') {
    const int level = e.settings.seLevel[static_cast<std::size_t>(cat - 1)];
    name[10] = static_cast<char>(name[10] + level);
  }
  e.sound.loopSe = name;
  // The loop plays through the sound channels once they exist.
}

void cmdSeoff(Engine& e, CommandCall&) {
  e.sound.loopSe.clear();
}

}  // namespace torvan
