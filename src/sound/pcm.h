// Decoded sound as the mixer takes it: 16-bit signed samples, channels interleaved
// (left, right), described by the 16-byte wave-format block the sound files carry.
//
// Wave-format block (little-endian, 16 bytes):
//   0   u16  format tag (1 = integer PCM)
//   2   u16  channels
//   4   u32  samples per second per channel
//   8   u32  average bytes per second
//   12  u16  block alignment (bytes per frame)
//   14  u16  bits per sample
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/bytes.h"

namespace torvan {

struct WaveFormat {
  static constexpr std::size_t kSize = 16;
  static constexpr std::uint16_t kTagPcm = 1;

  std::uint16_t formatTag = kTagPcm;
  std::uint16_t channels = 0;
  std::uint32_t samplesPerSecond = 0;
  std::uint32_t averageBytesPerSecond = 0;
  std::uint16_t blockAlign = 0;
  std::uint16_t bitsPerSample = 0;

  // The block for 16-bit integer PCM, with the derived fields filled in.
  static WaveFormat pcm16(int channels, int rate) {
    WaveFormat f;
    f.channels = static_cast<std::uint16_t>(channels);
    f.samplesPerSecond = static_cast<std::uint32_t>(rate);
    f.blockAlign = static_cast<std::uint16_t>(channels * 2);
    f.averageBytesPerSecond = f.samplesPerSecond * f.blockAlign;
    f.bitsPerSample = 16;
    return f;
  }

  // The caller passes at least kSize bytes.
  static WaveFormat load(const std::uint8_t* p) {
    WaveFormat f;
    f.formatTag = loadU16(p);
    f.channels = loadU16(p + 2);
    f.samplesPerSecond = static_cast<std::uint32_t>(loadI32(p + 4));
    f.averageBytesPerSecond = static_cast<std::uint32_t>(loadI32(p + 8));
    f.blockAlign = loadU16(p + 12);
    f.bitsPerSample = loadU16(p + 14);
    return f;
  }

  void store(ByteWriter& out) const {
    out.u16(formatTag);
    out.u16(channels);
    out.i32(static_cast<std::int32_t>(samplesPerSecond));
    out.i32(static_cast<std::int32_t>(averageBytesPerSecond));
    out.u16(blockAlign);
    out.u16(bitsPerSample);
  }

  // What the mixer can play: 16-bit integer PCM, mono or stereo, a nonzero rate.
  bool isPlayablePcm16() const {
    return formatTag == kTagPcm && bitsPerSample == 16 && (channels == 1 || channels == 2) &&
           samplesPerSecond > 0;
  }

  bool operator==(const WaveFormat&) const = default;
};

struct Pcm {
  WaveFormat format;
  std::vector<std::int16_t> samples;  // interleaved

  int channels() const { return format.channels; }
  int rate() const { return static_cast<int>(format.samplesPerSecond); }
  std::size_t frames() const { return format.channels ? samples.size() / format.channels : 0; }
  bool empty() const { return samples.empty(); }
};

}  // namespace torvan
