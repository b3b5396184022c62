// The sound operations the rest of the engine calls: voices and effects by name, music
// by number, volumes from the settings. They record what was started in the engine's
// SoundState (state dumps show it) and play it through the engine's Mixer when a device
// is open; without one they only record.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/bytes.h"
#include "sound/mixer.h"

namespace torvan {

class Engine;
struct Settings;

// The four volume settings with the run's master volume.
MixerVolumes mixerVolumes(const Settings& settings, int master);

// Opens the host's audio device once, at the first story step. Any failure leaves the
// game silent, without a message.
void InitSound(Engine& e);

// Voices ("CV1" on: voice archives 3, 2, 1) before effects ("SE_ENA" on: effect archives
// 0, 1 once and 2 looping). 0 when started or when sound is unavailable, 1 when the name
// is in no searched archive or the voice archive cannot be read.
int PlaySound(Engine& e, std::string_view name);
// PlaySound, except while message skip is on.
void PlaySoundCue(Engine& e, std::string_view name);

void StopVoice(Engine& e);
bool IsVoicePlaying(Engine& e);
void StopLoopSe(Engine& e);
// Every slot and the stream; used when a save is loaded.
void StopAllSounds(Engine& e);

// "M%02d" of the music archive; 1 when there is no such entry or it is not WADY.
int PlayBgm(Engine& e, int n);
void StopBgm(Engine& e);
void FadeOutBgm(Engine& e, std::int64_t step);
// The timer tick's sound work: master volume, fade step, stream refill.
void RefillBgmStream(Engine& e);
void ApplyVolumes(Engine& e);
// The overall volume of the configuration dialog; it lasts for the run and is never
// stored.
void SetMasterVolume(Engine& e, int hundredthsDb);
// A music request: n > 0 plays music n, 0 stops, n < 0 fades out by -n per tick. Keeps
// SYS 3 (requested) and SYS 5 (playing).
void SetMusic(Engine& e, std::int64_t n);

// A byte-delta WADY one-shot from an animation, once in slot 5 at the effect volume.
void PlayAnimSound(Engine& e, ByteSpan entry);
void StopAnimSound(Engine& e);

}  // namespace torvan
