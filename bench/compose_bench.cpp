// Building one frame: ComposeScene with four 200 x 600 sprites, ApplyTone and
// ComposeScreen. "x_memcpy" is the time as a multiple of one memcpy of the 800 x 600
// screen measured in this run; it should stay at or below 10.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "core/engine.h"
#include "core/quiet_host.h"
#include "graphics/scene.h"

namespace torvan {
namespace {

using Clock = std::chrono::steady_clock;

double memcpySeconds(const Surface& from, Surface& to) {
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

void BM_ComposeFrameFourSprites(benchmark::State& state) {
  QuietHost host;
  Engine e(host, EngineOptions{});
  e.surfaces.create();
  auto& sys = e.vars.sys;
  const int centres[] = {100, 300, 500, 700};
  for (int i = 0; i < 4; ++i) sys[86 + i] = centres[i];
  sys[11] = static_cast<std::int32_t>(state.range(0));  // tone
  sys[13] = 8;
  for (std::size_t i = 0; i < e.surfaces.background.pixels.size(); ++i)
    e.surfaces.background.pixels[i] = std::uint8_t(i * 31 >> 4);
  SceneLayers& l = e.surfaces.layers;
  for (int p = 0; p < 4; ++p) {
    Surface& pic = e.surfaces.spritePicture(p);
    Surface& mask = e.surfaces.spriteMask(p);
    for (int y = 0; y < pic.height; ++y)
      for (int x = 0; x < pic.width * 3; ++x) {
        pic.row(y)[x] = std::uint8_t(x + y * p);
        // Opaque in the middle, soft at the sides, clear at the edges, as a figure is.
        const int d = std::abs(x / 3 - 100);
        mask.row(y)[x] = std::uint8_t(d < 60 ? 255 : d < 90 ? (90 - d) * 8 : 0);
      }
    l.positionNames[p] = "B" + std::to_string(p);
    l.positionSlots[p] = p;
  }
  l.spriteCount = 4;
  const double copy = memcpySeconds(e.surfaces.scene, e.surfaces.work);
  const auto start = Clock::now();
  for (auto _ : state) {
    ComposeScene(e);
    ApplyTone(e);
    ComposeScreen(e);
    benchmark::DoNotOptimize(e.surfaces.screen.pixels.data());
    benchmark::ClobberMemory();
  }
  const double seconds =
      std::chrono::duration<double>(Clock::now() - start).count() / double(state.iterations());
  state.counters["x_memcpy"] = seconds / copy;
}
// Tone 0 (none), the common case, and the costliest filters for comparison.
BENCHMARK(BM_ComposeFrameFourSprites)->Arg(0)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace torvan
