// Packed picture decoding against libpng decoding the same 800x600 picture as PNG.
// The "x_png" counter is how many times faster the packed decode is than the PNG one,
// both measured in this run in CPU time; the target is at least 3.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <ctime>

#include "archive/packed_picture.h"
#include "archive/packed_picture_encoder.h"
#include "archive/png_io.h"

namespace torvan {
namespace {

// What a painted background looks like to a compressor: smooth gradients, a little
// grain, flat shapes with hard edges. Deterministic, so runs compare.
Surface naturalPicture() {
  const int w = 800, h = 600;
  Surface s;
  s.resize(w, h);
  std::uint32_t seed = 12345;
  for (int y = 0; y < h; ++y) {
    std::uint8_t* p = s.row(y);
    for (int x = 0; x < w; ++x, p += 3) {
      seed = seed * 1664525u + 1013904223u;
      const int noise = int(seed >> 29) - 4;
      const double fx = x / double(w), fy = y / double(h);
      int b = int(90 + 80 * fy + 40 * std::sin(fx * 6.0)) + noise;
      int g = int(60 + 120 * fx * fy + 20 * std::cos(fx * fy * 20.0)) + noise;
      int r = int(200 - 100 * fx + 30 * std::cos(fy * 9.0)) + noise;
      const int dx = x - 260, dy = y - 300;
      if (dx * dx + dy * dy < 150 * 150) b = 30, g = 160, r = 220;
      if (x > 420 && x < 600 && y > 120 && y < 300) b = g = r = 245;
      if ((x - y) > 500 && (x - y) < 540) b = 20, g = 40, r = 60;
      p[0] = std::uint8_t(std::clamp(b, 0, 255));
      p[1] = std::uint8_t(std::clamp(g, 0, 255));
      p[2] = std::uint8_t(std::clamp(r, 0, 255));
    }
  }
  return s;
}

// This thread's CPU time: other work on a shared machine does not count against either
// side of the comparison.
double cpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Mean CPU seconds per PNG decode over about a third of a second.
double pngDecodeSeconds(const Bytes& png) {
  int runs = 0;
  const double start = cpuSeconds();
  double now = start;
  do {
    auto s = decodePng(png);
    benchmark::DoNotOptimize(s->pixels.data());
    ++runs;
    now = cpuSeconds();
  } while (now - start < 0.3);
  return (now - start) / runs;
}

void BM_PackedDecode(benchmark::State& state) {
  const Surface picture = naturalPicture();
  const auto flags = static_cast<std::uint8_t>(state.range(0));
  const Bytes packed =
      *encodePicture(picture, {(flags & kPackedRunLength) != 0, (flags & kPackedDelta) != 0});
  const Bytes png = *encodePng(picture);
  const double pngSeconds = pngDecodeSeconds(png);

  Surface out;
  const double start = cpuSeconds();
  for (auto _ : state) {
    if (!decodePicture(packed, out)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.pixels.data());
  }
  const double packedSeconds = (cpuSeconds() - start) / double(state.iterations());
  if (out.pixels != picture.pixels) state.SkipWithError("decoded picture differs");
  state.counters["x_png"] = pngSeconds / packedSeconds;
  state.counters["packed_kB"] = double(packed.size()) / 1000;
  state.counters["png_kB"] = double(png.size()) / 1000;
  state.SetBytesProcessed(std::int64_t(state.iterations()) * 800 * 600 * 3);
}
BENCHMARK(BM_PackedDecode)
    ->ArgName("flags")
    ->Arg(0x00)
    ->Arg(0x40)
    ->Arg(0x80)
    ->Arg(0xC0)
    ->Unit(benchmark::kMillisecond);

void BM_PngDecode(benchmark::State& state) {
  const Bytes png = *encodePng(naturalPicture());
  for (auto _ : state) {
    auto s = decodePng(png);
    benchmark::DoNotOptimize(s->pixels.data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * 800 * 600 * 3);
}
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond);

void BM_PackedEncode(benchmark::State& state) {
  const Surface picture = naturalPicture();
  for (auto _ : state) {
    auto packed = encodePicture(picture, {false, true});
    benchmark::DoNotOptimize(packed->data());
  }
  state.SetBytesProcessed(std::int64_t(state.iterations()) * 800 * 600 * 3);
}
BENCHMARK(BM_PackedEncode)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace torvan
