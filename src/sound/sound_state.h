// What the sound system was asked to play, kept for saves, replays and state dumps.
#pragma once

#include <string>
#include <vector>

namespace torvan {

struct SoundStart {
  int slot = 0;
  std::string name;  // Shift-JIS
};

struct SoundState {
  int musicRequested = 0;
  int musicPlaying = 0;
  std::string lastVoice;  // Shift-JIS
  std::string loopSe;     // Shift-JIS
  // Every sound started since the last state dump.
  std::vector<SoundStart> started;
  bool waveOutput = false;  // a wave output device exists
};

}  // namespace torvan
