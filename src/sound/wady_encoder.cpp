#include "sound/wady_encoder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "sound/wady.h"

namespace torvan {

namespace {

std::int16_t wrap16(std::int32_t v) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
}

// Nearest multiple of `unit` to v, as an index, within [lo, hi].
int nearestIndex(int v, int unit, int lo, int hi) {
  const int i = static_cast<int>(std::lround(static_cast<double>(v) / unit));
  return std::clamp(i, lo, hi);
}

struct Candidate {
  std::int16_t value;
  std::uint8_t code;
};

// Byte-delta codes for one scale: the deltas as the decoder really adds them (products
// truncated to 16 bits), sorted for a binary search, and the absolute codes.
class DeltaCoder {
 public:
  explicit DeltaCoder(int scale) {
    for (int b = 0; b < 128; ++b)
      deltas_.push_back({wrap16(kWadyDeltaTable[b] * scale), static_cast<std::uint8_t>(b)});
    std::sort(deltas_.begin(), deltas_.end(),
              [](const Candidate& a, const Candidate& b) { return a.value < b.value; });
  }

  // The code that brings `predictor` closest to `target`; updates the predictor the way
  // the decoder will.
  std::uint8_t code(std::int16_t& predictor, int target) const {
    const int want = target - predictor;
    auto it = std::lower_bound(deltas_.begin(), deltas_.end(), want,
                               [](const Candidate& c, int v) { return c.value < v; });
    std::uint8_t bestCode = 0x80;
    std::int16_t bestValue = 0;
    int bestError = std::numeric_limits<int>::max();
    auto consider = [&](std::uint8_t code, std::int16_t value) {
      const int error = std::abs(target - value);
      if (error < bestError) {
        bestError = error;
        bestCode = code;
        bestValue = value;
      }
    };
    if (it != deltas_.end()) consider(it->code, wrap16(predictor + it->value));
    if (it != deltas_.begin()) {
      --it;
      consider(it->code, wrap16(predictor + it->value));
    }
    const int a = nearestIndex(target, 512, -64, 63);
    consider(static_cast<std::uint8_t>(0x80 | (a & 0x7F)), wrap16((a & 0x7F) << 9));
    predictor = bestValue;
    return bestCode;
  }

 private:
  std::vector<Candidate> deltas_;
};

Status checkPcm(const Pcm& pcm) {
  if (pcm.channels() != 1 && pcm.channels() != 2)
    return Error{"", "", std::to_string(pcm.channels()) + " channels; WADY takes 1 or 2"};
  if (pcm.rate() <= 0) return Error{"", "", "sample rate is zero"};
  if (pcm.frames() == 0) return Error{"", "", "the sound has no samples"};
  // decodedSize, two bytes per sample, is the largest size field.
  if (pcm.frames() * pcm.channels() > std::size_t{std::numeric_limits<std::int32_t>::max() / 2})
    return Error{"", "", "the sound is too long for a WADY entry"};
  return success();
}

double squaredError(const Pcm& pcm, int scale, std::size_t firstFrame, std::size_t frames) {
  DeltaCoder coder(scale);
  const int ch = pcm.channels();
  double total = 0;
  for (int c = 0; c < ch; ++c) {
    std::int16_t predictor = pcm.samples[firstFrame * ch + c];
    for (std::size_t f = firstFrame; f < firstFrame + frames; ++f) {
      const int target = pcm.samples[f * ch + c];
      coder.code(predictor, target);
      const double d = target - predictor;
      total += d * d;
    }
  }
  return total;
}

}  // namespace

int chooseWadyScale(const Pcm& pcm) {
  const std::size_t frames = pcm.frames();
  if (frames == 0 || (pcm.channels() != 1 && pcm.channels() != 2)) return 1;
  // Excerpts of 4096 frames, at most 32 of them, spread over the whole sound.
  constexpr std::size_t kExcerpt = 4096, kExcerpts = 32;
  std::vector<std::pair<std::size_t, std::size_t>> parts;
  if (frames <= kExcerpt * kExcerpts) {
    parts.push_back({0, frames});
  } else {
    for (std::size_t i = 0; i < kExcerpts; ++i)
      parts.push_back({(frames - kExcerpt) * i / (kExcerpts - 1), kExcerpt});
  }
  int best = 1;
  double bestError = std::numeric_limits<double>::infinity();
  for (int scale = 1; scale <= 32; ++scale) {
    double error = 0;
    for (auto [first, n] : parts) error += squaredError(pcm, scale, first, n);
    if (error < bestError) {
      bestError = error;
      best = scale;
    }
  }
  return best;
}

Result<Bytes> encodeWadyDeltas(const Pcm& pcm, const WadyDeltaOptions& options) {
  if (auto ok = checkPcm(pcm); !ok) return ok.error();
  const std::size_t frames = pcm.frames();
  const int ch = pcm.channels();
  if (options.scale < 0 || options.scale > 255)
    return Error{"", "", "scale " + std::to_string(options.scale) + " is not 1..255"};
  const std::int64_t loopFrame = options.loopStartFrame.value_or(0);
  if (loopFrame < 0 || static_cast<std::size_t>(loopFrame) >= frames)
    return Error{"", "",
                 "loop start frame " + std::to_string(loopFrame) + " is outside the sound's " +
                     std::to_string(frames) + " frames"};
  const int scale = options.scale ? options.scale : chooseWadyScale(pcm);

  DeltaCoder coder(scale);
  Bytes codes(frames * ch);
  std::int16_t predictors[2] = {0, 0};
  std::int16_t atLoop[2] = {0, 0};
  for (std::size_t f = 0; f < frames; ++f) {
    if (f == static_cast<std::size_t>(loopFrame)) std::copy_n(predictors, 2, atLoop);
    for (int c = 0; c < ch; ++c)
      codes[f * ch + c] = coder.code(predictors[c], pcm.samples[f * ch + c]);
  }

  WadyHeader h;
  h.scale = static_cast<std::uint8_t>(scale);
  h.channels = static_cast<std::uint16_t>(ch);
  h.sampleRate = pcm.rate();
  h.codedLength = static_cast<std::int32_t>(codes.size());
  h.frameCount = static_cast<std::int32_t>(frames);
  h.decodedSize = static_cast<std::int32_t>(codes.size() * 2);
  h.loopStart = static_cast<std::int32_t>(loopFrame * ch);
  h.loopLeft = atLoop[0];
  h.loopRight = atLoop[1];
  h.format = WaveFormat::pcm16(ch, pcm.rate());

  ByteWriter out;
  storeWadyHeader(out, h);
  out.bytes(codes);
  return out.take();
}

namespace {

// Run codes for one channel, as the decoder will expand them.
class RunBlockEncoder {
 public:
  RunBlockEncoder(std::vector<std::int16_t> samples, int tolerance)
      : s_(std::move(samples)), tolerance_(tolerance) {}

  Bytes encode() {
    const std::size_t end = s_.size();
    cur_ = s_[0];
    // The decoder drops the sample it has and starts from 0 at the code 300 places
    // before the end of the block. Coding the last 300 samples one byte each puts that
    // code exactly at the first of them, whatever the runs before it came to.
    const std::size_t rest = end - 1;
    const std::size_t freeEnd = rest >= kWadyRunRestart ? end - kWadyRunRestart : end;
    std::size_t p = 1;
    while (p < freeEnd) p += codeFrom(p, freeEnd);
    if (freeEnd < end) {
      cur_ = 0;
      for (; p < end; ++p) oneByte(s_[p], /*emit=*/true);
    }

    ByteWriter out;
    out.i32(0);
    out.i32(count_);
    out.u16(static_cast<std::uint16_t>(s_[0]));
    out.bytes(codes_);
    return out.take();
  }

 private:
  // Codes one sample or a run starting at p; returns the samples covered.
  std::size_t codeFrom(std::size_t p, std::size_t end) {
    // Where one byte cannot get close (a steep edge), a short run may do better; long
    // runs must always stay within the tolerance, or they would smear the sound.
    const int single = oneByte(s_[p], /*emit=*/false);
    for (int li = 7; li >= 0; --li) {
      const auto n = static_cast<std::size_t>(kWadyRunLengths[li]);
      if (p + n > end) continue;
      const int accept = n <= 4 ? std::max(tolerance_, single) : tolerance_;
      const int t = nearestIndex(s_[p + n - 1], 16, -2048, 2047) * 16;
      if (!runFits(p, static_cast<int>(n), static_cast<std::int16_t>(t), accept)) continue;
      const auto c = static_cast<std::uint16_t>((static_cast<std::uint16_t>(t) & 0xFFF0) | li << 1);
      codes_.push_back(static_cast<std::uint8_t>(c));
      codes_.push_back(static_cast<std::uint8_t>(c >> 8));
      ++count_;
      cur_ = static_cast<std::int16_t>(t);
      return n;
    }
    oneByte(s_[p], /*emit=*/true);
    return 1;
  }

  // The decoder's interpolation, sample for sample.
  bool runFits(std::size_t p, int n, std::int16_t target, int accept) const {
    const float step = static_cast<float>(target - cur_) / static_cast<float>(n);
    float x = static_cast<float>(cur_);
    for (int k = 0; k < n; ++k) {
      x = x + step;
      const int v = wrap16(static_cast<std::int32_t>(x));
      if (std::abs(v - s_[p + k]) > accept) return false;
    }
    return true;
  }

  // The best one-byte code for `target`; returns its error, and with `emit` appends it
  // and moves to its sample.
  int oneByte(int target, bool emit) {
    int bestV = 0, bestError = std::numeric_limits<int>::max();
    std::int16_t bestValue = 0;
    for (int v = 0; v < 64; ++v) {
      const std::int16_t value = wrap16(cur_ + kWadyRunDeltaTable[v]);
      const int error = std::abs(target - value);
      if (error < bestError) bestError = error, bestV = v, bestValue = value;
    }
    const int a = nearestIndex(target, 1024, -32, 31);
    const std::int16_t absolute = wrap16((a & 0x3F) << 10);
    if (std::abs(target - absolute) < bestError)
      bestError = std::abs(target - absolute), bestV = 0x40 | (a & 0x3F), bestValue = absolute;
    if (emit) {
      codes_.push_back(static_cast<std::uint8_t>(bestV << 1 | 1));
      ++count_;
      cur_ = bestValue;
    }
    return bestError;
  }

  std::vector<std::int16_t> s_;
  int tolerance_;
  std::int16_t cur_ = 0;
  std::int32_t count_ = 0;
  Bytes codes_;
};

}  // namespace

Result<Bytes> encodeWadyRuns(const Pcm& pcm, const WadyRunOptions& options) {
  if (auto ok = checkPcm(pcm); !ok) return ok.error();
  const int ch = pcm.channels();
  const std::size_t frames = pcm.frames();
  std::vector<Bytes> blocks;
  for (int c = 0; c < ch; ++c) {
    std::vector<std::int16_t> channel(frames);
    for (std::size_t f = 0; f < frames; ++f) channel[f] = pcm.samples[f * ch + c];
    blocks.push_back(RunBlockEncoder(std::move(channel), options.tolerance).encode());
  }
  std::size_t total = kWadyHeaderSize;
  for (const Bytes& b : blocks) total += b.size() + 4;
  if (total > std::size_t{std::numeric_limits<std::int32_t>::max()})
    return Error{"", "", "the coded sound is too large for a WADY entry"};

  WadyHeader h;
  h.decodedSize = static_cast<std::int32_t>(frames * ch * 2);
  h.format = WaveFormat::pcm16(ch, pcm.rate());
  ByteWriter out;
  storeWadyHeader(out, h);
  if (ch == 1) {
    out.bytes(blocks[0]);
  } else {
    for (const Bytes& b : blocks) {
      out.i32(static_cast<std::int32_t>(b.size()));
      out.bytes(b);
    }
  }
  return out.take();
}

}  // namespace torvan
