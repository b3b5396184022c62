// WADY sounds: 8-bit codes that expand to 16-bit PCM, in two codings.
//
// Entry layout (little-endian, a 48-byte header, then the coded data):
//   0   4   magic "WADY"
//   4   u8  reserved, never read
//   5   u8  scale        multiplier of the delta table (byte-delta coding)
//   6   u16 channels     1 or 2 (byte-delta coding)
//   8   i32 sampleRate   frames per second (byte-delta coding)
//   12  i32 codedLength  bytes of coded data after the header (streamed music)
//   16  i32 frameCount   frames to decode (one-shot byte-delta sound)
//   20  i32 decodedSize  bytes of 16-bit PCM the entry expands to (one-shot sounds)
//   24  i32 loopStart    offset within the coded data where a looping stream resumes
//   28  i16 loopLeft     left (or mono) predictor valid at loopStart
//   30  i16 loopRight    right predictor valid at loopStart
//   32  16  format       wave-format block of the decoded PCM (see sound/pcm.h)
//   48  ... coded data
//
// Byte-delta coding (music, animation sound): one code byte per sample, channels
// interleaved. Bit 7 set: the predictor becomes (code & 0x7F) << 9 as a signed 16-bit
// value. Bit 7 clear: the predictor gains kWadyDeltaTable[code] * scale. The predictor
// is the sample. All sums and products wrap at 16 bits.
//
// Run coding (effects): only decodedSize and the format block's channel count are read
// from the header. Mono: one run block at 48. Stereo: i32 L at 48, the left block at 52,
// the right block at 56 + L (the encoder writes L as the left block's length and the
// right block's length in the 4 bytes before it).
// Run block:
//   0   4   reserved, never read
//   4   i32 N, the number of codes
//   8   i16 initial sample
//   10  ... codes; each is read as a little-endian u16 c, whose second byte may
//           already belong to the next code:
//           c & 1 set   one byte: v = (c >> 1) & 0x7F; bit 6 of v set: the sample
//                       becomes (v & 0x3F) << 10 as signed 16-bit, else it gains
//                       kWadyRunDeltaTable[v]
//           c & 1 clear two bytes: kWadyRunLengths[(c >> 1) & 7] samples interpolated
//                       in single precision towards the target c & 0xFFF0
//   The code at index N - 300 is decoded from a sample of 0, whatever came before.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/bytes.h"
#include "core/result.h"
#include "sound/pcm.h"

namespace torvan {

inline constexpr std::size_t kWadyHeaderSize = 48;
// The run coding restarts from silence this many codes before the end of a block.
inline constexpr std::int64_t kWadyRunRestart = 300;

namespace wady_detail {
inline constexpr std::int16_t kDeltaSteps[64] = {
    0,   2,   4,   6,   8,   10,  12,  15,  18,  21,  24,  28,  32,  36,  40,  44,
    49,  54,  59,  64,  70,  76,  82,  88,  95,  102, 109, 116, 124, 132, 140, 148,
    160, 170, 180, 190, 200, 210, 220, 230, 240, 255, 270, 285, 300, 320, 340, 360,
    380, 400, 425, 450, 475, 500, 525, 550, 580, 610, 650, 700, 750, 800, 900, 1000};
inline constexpr std::int16_t kRunSteps[32] = {
    0,   4,   8,   12,  19,  24,  30,   38,   47,   59,   74,   92,   115,  144,  180,  225,
    281, 352, 440, 550, 687, 859, 1073, 1342, 1678, 2097, 2621, 3277, 4096, 5120, 6400, 8000};

constexpr std::array<std::int16_t, 128> makeDeltaTable() {
  std::array<std::int16_t, 128> t{};
  for (int k = 0; k < 64; ++k) t[k] = kDeltaSteps[k];
  t[64] = 0;
  for (int k = 1; k < 64; ++k) t[64 + k] = static_cast<std::int16_t>(-kDeltaSteps[k]);
  return t;
}
constexpr std::array<std::int16_t, 64> makeRunDeltaTable() {
  std::array<std::int16_t, 64> t{};
  for (int k = 0; k < 32; ++k) {
    t[k] = kRunSteps[k];
    t[32 + k] = static_cast<std::int16_t>(-kRunSteps[k]);
  }
  return t;
}
}  // namespace wady_detail

inline constexpr std::array<std::int16_t, 128> kWadyDeltaTable = wady_detail::makeDeltaTable();
inline constexpr std::array<std::int16_t, 64> kWadyRunDeltaTable = wady_detail::makeRunDeltaTable();
inline constexpr std::array<int, 8> kWadyRunLengths = {3, 4, 5, 6, 8, 16, 32, 256};

struct WadyHeader {
  std::uint8_t reserved = 0;
  std::uint8_t scale = 0;
  std::uint16_t channels = 0;
  std::int32_t sampleRate = 0;
  std::int32_t codedLength = 0;
  std::int32_t frameCount = 0;
  std::int32_t decodedSize = 0;
  std::int32_t loopStart = 0;
  std::int16_t loopLeft = 0;
  std::int16_t loopRight = 0;
  WaveFormat format;
};

// Reads the 48-byte header. An entry that is shorter or whose magic is not "WADY" is an
// Error naming `file` and `entry`; no field is checked beyond that.
Result<WadyHeader> parseWadyHeader(ByteSpan entry, std::string_view file = {},
                                   std::string_view name = {});
void storeWadyHeader(ByteWriter& out, const WadyHeader& header);

// The byte-delta predictors; a stream keeps them between pieces and sets them to the
// header's loopLeft and loopRight where it jumps back to loopStart.
struct WadyPredictor {
  std::int16_t left = 0;
  std::int16_t right = 0;
};

// Decodes `frames` frames of byte-delta codes (channels interleaved, `channels` 1 or 2)
// into out, updating the predictors. Stops early where the codes or out run out and
// returns the number of frames decoded (0 for any other channel count).
std::size_t decodeWadyDeltas(ByteSpan codes, std::span<std::int16_t> out, std::uint8_t scale,
                             WadyPredictor& predictor, int channels, std::size_t frames);

struct WadyRunResult {
  std::size_t written = 0;  // samples written
  bool inputCut = false;    // the block ended inside its header or a code
  bool outputCut = false;   // out had no room for every sample of the block
};

// Decodes one run block into out[0], out[stride], out[2 * stride], ... and stops at
// whichever comes first: the block's last code, the end of `block`, the end of out.
WadyRunResult decodeWadyRuns(ByteSpan block, std::span<std::int16_t> out, std::size_t stride);

// The entry points for whole entries. A missing or wrong magic, or a format block that
// is not 16-bit PCM mono or stereo, is an Error; decoding that would read past the
// entry or write past decodedSize stops there with one warning naming the entry.

// A run-coded effect: decodedSize bytes (rounded down to whole samples); what the codes
// leave unwritten is silence.
Result<Pcm> decodeWadyEffect(ByteSpan entry, std::string_view file = {},
                             std::string_view name = {});
// A byte-delta one-shot (animation sound): frameCount frames, at most decodedSize bytes,
// predictors starting at 0.
Result<Pcm> decodeWadyOneShot(ByteSpan entry, std::string_view file = {},
                              std::string_view name = {});
// A byte-delta stream (music) decoded once through, start to codedLength, without
// looping: what the stream plays before its first jump back to loopStart.
Result<Pcm> decodeWadyStream(ByteSpan entry, std::string_view file = {},
                             std::string_view name = {});

}  // namespace torvan
