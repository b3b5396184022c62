// One second of 44.1 kHz stereo music decoded from byte deltas: the work of one stream
// refill. "tick_share" is that time as a share of the 55 ms timer tick that performs the
// refill (it must stay far below 1); "x_memcpy" is how many times a plain copy of the
// same 176,400 output bytes, measured in this run, the decode takes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "sound/wady.h"
#include "sound/wady_encoder.h"

namespace torvan {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRate = 44100;

// Codes of a second of music-like stereo, made by the encoder so that the decoder
// sees the mix of small deltas and occasional absolute codes it meets in real music.
struct MusicSecond {
  std::uint8_t scale = 1;
  Bytes codes;

  MusicSecond() {
    Pcm pcm;
    pcm.format = WaveFormat::pcm16(2, kRate);
    std::mt19937 rng(3);
    std::normal_distribution<double> noise(0, 300);
    for (int f = 0; f < kRate; ++f)
      for (int c = 0; c < 2; ++c) {
        const double t = double(f) / kRate;
        const double v = 9000 * std::sin(2 * std::numbers::pi * (110 + 55 * c) * t) +
                         4000 * std::sin(2 * std::numbers::pi * 1760 * t) + noise(rng);
        pcm.samples.push_back(static_cast<std::int16_t>(std::lround(v)));
      }
    const Bytes entry = *encodeWadyDeltas(pcm);
    scale = entry[5];
    codes.assign(entry.begin() + kWadyHeaderSize, entry.end());
  }
};

double memcpySeconds(std::size_t bytes) {
  std::vector<std::uint8_t> from(bytes, 1), to(bytes);
  long runs = 0;
  const auto start = Clock::now();
  auto now = start;
  do {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
    ++runs;
    now = Clock::now();
  } while (now - start < std::chrono::milliseconds(200));
  return std::chrono::duration<double>(now - start).count() / double(runs);
}

void BM_DeltaDecodeOneSecond(benchmark::State& state) {
  const MusicSecond music;
  std::vector<std::int16_t> out(2 * kRate);
  const double copySeconds = memcpySeconds(out.size() * 2);

  WadyPredictor predictor;
  const auto start = Clock::now();
  for (auto _ : state) {
    if (decodeWadyDeltas(music.codes, out, music.scale, predictor, 2, kRate) != kRate)
      state.SkipWithError("short decode");
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  const double seconds =
      std::chrono::duration<double>(Clock::now() - start).count() / double(state.iterations());
  state.counters["tick_share"] = seconds / 0.055;
  state.counters["x_memcpy"] = seconds / copySeconds;
  state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(out.size() * 2));
}
BENCHMARK(BM_DeltaDecodeOneSecond)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace torvan
