// The sound output on an OpenAL Soft device: one context, the master volume on the
// listener, one source per slot, and for the stream a queue of four one-second buffers.
// A loopback device renders the same mix into memory instead of a sound card.
#pragma once

#include <array>
#include <memory>
#include <span>
#include <vector>

#include "sound/sound_output.h"

namespace torvan {

class OpenAlOutput final : public SoundOutput {
 public:
  // The default playback device; null when there is none or any set-up step fails.
  static std::unique_ptr<OpenAlOutput> openDefault();
  // A device that plays nothing and is rendered on demand (ALC_SOFT_loopback) as
  // interleaved float stereo at `rate`; null when the extension is missing.
  static std::unique_ptr<OpenAlOutput> openLoopback(int rate);
  ~OpenAlOutput() override;
  OpenAlOutput(const OpenAlOutput&) = delete;
  OpenAlOutput& operator=(const OpenAlOutput&) = delete;

  // Loopback only: renders `frames` stereo frames of the mix.
  void render(std::span<float> out);

  void setMasterGain(float gain) override;
  bool playSlot(int slot, const WaveFormat& format, std::span<const std::int16_t> samples,
                float gain, bool loop) override;
  void releaseSlot(int slot) override;
  void setSlotGain(int slot, float gain) override;
  bool slotHolds(int slot) const override;
  bool slotPlaying(int slot) override;
  bool startStream(int slot, const WaveFormat& format,
                   std::span<const std::span<const std::int16_t>> quarters, float gain) override;
  int streamQuartersPlayed() override;
  void refillStreamQuarter(std::span<const std::int16_t> samples) override;

 private:
  struct Impl;
  explicit OpenAlOutput(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// The desktop shell's audio: the default OpenAL device.
class OpenAlDevice final : public AudioDevice {
 public:
  bool outputExists() override;
  std::unique_ptr<SoundOutput> open() override;
};

}  // namespace torvan
