// The device side of the sound system: eight slots of decoded PCM and one streamed
// slot fed in one-second quarters. The mixer decides what plays and how loud; an
// output only carries it to a device (or to memory, for tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "sound/pcm.h"

namespace torvan {

class SoundOutput {
 public:
  virtual ~SoundOutput() = default;

  // Linear gain of everything (the listener).
  virtual void setMasterGain(float gain) = 0;

  // Replaces whatever the slot holds with these samples and plays them from the start,
  // once or looping. Returns false when the device refused; the slot is then empty.
  virtual bool playSlot(int slot, const WaveFormat& format, std::span<const std::int16_t> samples,
                        float gain, bool loop) = 0;
  // Stops the slot and frees what it holds (the stream too, for the stream's slot).
  virtual void releaseSlot(int slot) = 0;
  virtual void setSlotGain(int slot, float gain) = 0;
  virtual bool slotHolds(int slot) const = 0;
  virtual bool slotPlaying(int slot) = 0;

  // The stream: `quarters` pieces of equal length queued in order and played from the
  // first. Returns false when the device refused; the slot is then empty.
  virtual bool startStream(int slot, const WaveFormat& format,
                           std::span<const std::span<const std::int16_t>> quarters, float gain) = 0;
  // How many queued quarters have finished playing and wait for new samples.
  virtual int streamQuartersPlayed() = 0;
  // Puts new samples into the oldest played quarter and queues it behind the others;
  // playback resumes if the queue had run dry.
  virtual void refillStreamQuarter(std::span<const std::int16_t> samples) = 0;
};

// Where the sound system gets its output: the desktop shell's device, or none at all.
class AudioDevice {
 public:
  virtual ~AudioDevice() = default;
  // Whether a wave output device exists (asked once at start-up).
  virtual bool outputExists() = 0;
  // Opens the device; null on any failure (the game then runs silent, without a word).
  virtual std::unique_ptr<SoundOutput> open() = 0;
};

}  // namespace torvan
