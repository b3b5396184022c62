// The blends over a full 800 x 600 frame in every kernel set this machine runs.
// "x_memcpy" is the time as a multiple of one memcpy of the same frame measured in this
// run; the vector kernels should stay at or below 2.5.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "graphics/blend.h"

namespace torvan {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kW = 800, kH = 600;

Surface frame(int seed) {
  Surface s;
  s.resize(kW, kH);
  for (std::size_t i = 0; i < s.pixels.size(); ++i)
    s.pixels[i] = std::uint8_t((i * 7 + std::size_t(seed) * 13) ^ (i >> 9));
  return s;
}

double memcpySeconds() {
  const Surface from = frame(1);
  Surface to = frame(2);
  long runs = 0;
  const auto start = Clock::now();
  auto now = start;
  do {
    std::memcpy(to.pixels.data(), from.pixels.data(), from.pixels.size());
    benchmark::DoNotOptimize(to.pixels.data());
    benchmark::ClobberMemory();
    ++runs;
    now = Clock::now();
  } while (now - start < std::chrono::milliseconds(300));
  return std::chrono::duration<double>(now - start).count() / double(runs);
}

template <typename Body>
void measure(benchmark::State& state, Body body) {
  const auto set = static_cast<KernelSet>(state.range(0));
  if (!kernelSetSupported(set)) {
    state.SkipWithError("kernel set not supported here");
    return;
  }
  const BlendKernels& k = blendKernels(set);
  const double copy = memcpySeconds();
  const Surface x = frame(3), y = frame(4), m = frame(5);
  Surface out = frame(6);
  const auto start = Clock::now();
  for (auto _ : state) {
    for (int r = 0; r < kH; ++r) body(k, x.row(r), y.row(r), m.row(r), out.row(r));
    benchmark::DoNotOptimize(out.pixels.data());
    benchmark::ClobberMemory();
  }
  const double seconds =
      std::chrono::duration<double>(Clock::now() - start).count() / double(state.iterations());
  state.counters["x_memcpy"] = seconds / copy;
  state.SetLabel(kernelSetName(set));
}

void BM_BlendLevelFrame(benchmark::State& state) {
  measure(state,
          [](const BlendKernels& k, const std::uint8_t* x, const std::uint8_t* y,
             const std::uint8_t*, std::uint8_t* out) { k.level(x, y, out, 100, kW * 3 / 8); });
}

void BM_BlendMaskedFrame(benchmark::State& state) {
  measure(state,
          [](const BlendKernels& k, const std::uint8_t* a, const std::uint8_t* b,
             const std::uint8_t* m, std::uint8_t* out) { k.masked(a, b, m, out, kW * 3 / 8); });
}

void sets(benchmark::internal::Benchmark* b) {
  for (KernelSet s : {KernelSet::Scalar, KernelSet::Sse2, KernelSet::Avx2}) b->Arg(int(s));
}

BENCHMARK(BM_BlendLevelFrame)->Apply(sets)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BlendMaskedFrame)->Apply(sets)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace torvan
