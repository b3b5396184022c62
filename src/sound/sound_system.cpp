#include "sound/sound_system.h"

#include <array>
#include <cstdio>

#include "archive/archive_index.h"
#include "core/engine.h"
#include "core/log.h"
#include "sound/ogg.h"
#include "sound/wady.h"

namespace torvan {

namespace {

void record(Engine& e, int slot, std::string name) {
  e.sound.started.push_back({slot, std::move(name)});
}

}  // namespace

MixerVolumes mixerVolumes(const Settings& s, int master) {
  MixerVolumes v;
  v.master = master;
  v.vol1 = s.vol1;
  v.vol2 = s.vol2;
  v.vol3 = s.vol3;
  v.vol4 = s.vol4;
  return v;
}

void InitSound(Engine& e) {
  if (e.mixer.ready() || !e.options.audio) return;
  // The master volume starts at the device's own level, full, unless it was set first.
  e.mixer.init(e.options.audio->open(), mixerVolumes(e.settings, e.mixer.volumes().master));
}

int PlaySound(Engine& e, std::string_view requested) {
  const std::string name = upperAscii(requested);
  Archives& a = e.archives;
  if (e.settings.cv1) {
    for (int k = 2; k >= 0; --k) {
      const ArchiveIndex& index = a.ogg[static_cast<std::size_t>(k)];
      const std::int32_t pos = findEntry(index, name);
      if (pos < 0) continue;
      record(e, kSlotVoice, name);
      if (!e.mixer.ready()) return 0;
      Result<Bytes> bytes = readEntry(index, pos);
      if (!bytes) {
        warn(bytes.error());
        return 1;
      }
      // A new voice cuts the old one even when it cannot be decoded itself.
      Result<Pcm> pcm = decodeOggEntry(*bytes, index.path, name);
      if (!pcm) {
        warn(pcm.error());
        e.mixer.release(kSlotVoice);
        return 0;
      }
      e.mixer.play(kSlotVoice, *pcm);
      return 0;
    }
  }
  if (e.settings.seEnabled) {
    for (int k = 0; k < 3; ++k) {
      const ArchiveIndex& index = a.se[static_cast<std::size_t>(k)];
      const std::int32_t pos = findEntry(index, name);
      if (pos < 0) continue;
      const bool loop = k == 2;
      const int slot = loop ? kSlotSeLoop : kSlotSe;
      if (loop) e.sound.loopSe = name;
      record(e, slot, name);
      if (!e.mixer.ready()) return 0;
      Result<Bytes> bytes = readEntry(index, pos);
      Result<Pcm> pcm =
          bytes ? decodeWadyEffect(*bytes, index.path, name) : Result<Pcm>(bytes.error());
      if (!pcm) {
        warn(pcm.error());
        e.mixer.release(slot);
        return 0;
      }
      e.mixer.play(slot, *pcm, loop);
      return 0;
    }
  }
  return 1;
}

void PlaySoundCue(Engine& e, std::string_view name) {
  if (e.run.skipState) return;
  PlaySound(e, name);
}

void StopVoice(Engine& e) {
  e.mixer.release(kSlotVoice);
}

bool IsVoicePlaying(Engine& e) {
  return e.mixer.playing(kSlotVoice);
}

void StopLoopSe(Engine& e) {
  e.mixer.release(kSlotSeLoop);
  e.sound.loopSe.clear();
}

void StopAllSounds(Engine& e) {
  e.mixer.releaseAll();
}

int PlayBgm(Engine& e, int n) {
  // The old music stops even when the new one cannot start: the playing number changes
  // either way, and it must not name music that is not heard.
  e.mixer.stopStream();
  char name[16];
  std::snprintf(name, sizeof name, "M%02d", n);
  const ArchiveIndex& index = e.archives.bgm;
  const std::int32_t pos = findEntry(index, name);
  if (pos < 0) return 1;
  record(e, kSlotBgm, name);
  if (!e.mixer.ready()) return 0;
  auto source = FileStreamSource::open(index.path);
  if (!source) return 1;
  const std::int64_t offset = index.offsets[static_cast<std::size_t>(pos)];
  const std::int64_t end = offset + index.sizes[static_cast<std::size_t>(pos)];
  if (e.mixer.startStream(std::move(source), offset, end) != 0) {
    warn(Error{index.path, name, "not a playable WADY stream"});
    return 1;
  }
  return 0;
}

void StopBgm(Engine& e) {
  e.mixer.stopStream();
}

void FadeOutBgm(Engine& e, std::int64_t step) {
  e.mixer.fadeOut(step);
}

void RefillBgmStream(Engine& e) {
  e.mixer.tick();
}

void ApplyVolumes(Engine& e) {
  e.mixer.applyVolumes(mixerVolumes(e.settings, e.mixer.volumes().master));
}

void SetMasterVolume(Engine& e, int hundredthsDb) {
  e.mixer.applyVolumes(mixerVolumes(e.settings, hundredthsDb));
}

void SetMusic(Engine& e, std::int64_t n) {
  auto& sys = e.vars.sys;
  const std::int32_t track = n < 0 ? 0 : static_cast<std::int32_t>(n);
  const std::int64_t fadeStep = n < 0 ? -n : 0;
  sys[3] = track;
  e.sound.musicRequested = track;
  if (track != sys[sys::kMusicPlaying]) {
    if (e.settings.bgmEnabled) {
      if (track > 0)
        PlayBgm(e, track);
      else if (fadeStep > 0)
        FadeOutBgm(e, fadeStep);
      else
        StopBgm(e);
      sys[sys::kMusicPlaying] = track;
    } else {
      if (sys[sys::kMusicPlaying] != 0) StopBgm(e);
      sys[sys::kMusicPlaying] = 0;
    }
  }
  e.sound.musicPlaying = sys[sys::kMusicPlaying];
}

void PlayAnimSound(Engine& e, ByteSpan entry) {
  if (!e.mixer.ready()) return;
  Result<Pcm> pcm = decodeWadyOneShot(entry, "animation", "sound");
  if (!pcm) {
    e.mixer.release(kSlotAnimSe);
    return;
  }
  e.mixer.play(kSlotAnimSe, *pcm);
}

void StopAnimSound(Engine& e) {
  e.mixer.release(kSlotAnimSe);
}

}  // namespace torvan
