// A music stream started from arbitrary bytes and refilled for many ticks through an
// output that plays nothing but claims every quarter finished at once: the refill never
// reads outside the entry, never spins, and always hands over whole seconds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "sound/mixer.h"

namespace {

using namespace torvan;

void check(bool ok) {
  if (!ok) std::abort();
}

// Remembers only what the checks need.
class DiscardOutput final : public SoundOutput {
 public:
  void setMasterGain(float) override {}
  bool playSlot(int, const WaveFormat&, std::span<const std::int16_t>, float, bool) override {
    return true;
  }
  void releaseSlot(int slot) override {
    if (slot == kSlotBgm) streaming = false;
  }
  void setSlotGain(int, float gain) override { check(gain >= 0.f && gain <= 1.f); }
  bool slotHolds(int slot) const override { return slot == kSlotBgm && streaming; }
  bool slotPlaying(int slot) override { return slotHolds(slot); }
  bool startStream(int, const WaveFormat& format,
                   std::span<const std::span<const std::int16_t>> quarters, float) override {
    check(format.isPlayablePcm16() && quarters.size() == 4);
    second = quarters[0].size();
    check(second == std::size_t(format.samplesPerSecond) * format.channels);
    for (auto q : quarters) check(q.size() == second);
    streaming = true;
    return true;
  }
  int streamQuartersPlayed() override { return 4; }
  void refillStreamQuarter(std::span<const std::int16_t> samples) override {
    check(samples.size() == second);
  }

  bool streaming = false;
  std::size_t second = 0;
};

// Reads only inside [begin, end) of the data; anything else is a fault of the mixer.
class BoundedSource final : public StreamSource {
 public:
  BoundedSource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::size_t read(std::int64_t pos, std::span<std::uint8_t> out) override {
    check(pos >= 0 && std::size_t(pos) + out.size() <= size_);
    std::copy_n(data_ + pos, out.size(), out.begin());
    return out.size();
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto out = std::make_unique<DiscardOutput>();
  DiscardOutput* device = out.get();
  MixerVolumes v;
  v.vol3 = 0;
  Mixer mixer;
  mixer.init(std::move(out), v);
  mixer.startStream(std::make_unique<BoundedSource>(data, size), 0,
                    static_cast<std::int64_t>(size));
  check(mixer.streaming() == device->streaming);
  for (int tick = 0; tick < 8; ++tick) mixer.tick();
  mixer.fadeOut(1000);
  for (int tick = 0; tick < 4; ++tick) mixer.tick();
  check(!mixer.streaming());
  return 0;
}
