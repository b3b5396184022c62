// Every transition type once on a host whose clock and sleep are real, against the
// time its pacing allows ("x_nominal": wall time over nominal time; at most about 1, as
// late frames are dropped rather than drawn late). Type 15 has no pacing and reports
// its wall time only.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "core/engine.h"
#include "core/quiet_host.h"
#include "graphics/transition.h"

namespace torvan {
namespace {

using Clock = std::chrono::steady_clock;

// Shows a frame by copying it, as a window's back buffer would.
class WallClockHost : public QuietHost {
 public:
  WallClockHost() : origin_(Clock::now()) {}
  void present(const Surface& s, const Rect&) override {
    shown_.resize(s.pixels.size());
    std::memcpy(shown_.data(), s.pixels.data(), s.pixels.size());
  }
  std::int64_t tickCount() override {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - origin_).count();
  }
  void sleep(int ms) override {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
  }

 private:
  Clock::time_point origin_;
  std::vector<std::uint8_t> shown_;
};

// Milliseconds each type's pacing takes when no frame is dropped.
constexpr int kNominal[kTransitionCount] = {0,   240,  320,  1400, 1500, 2320, 130, 900,  800,
                                            880, 1710, 1770, 2700, 6450, 1000, 0,   1410, 3200,
                                            480, 600,  1600, 465,  465,  465,  5240};

void BM_Transition(benchmark::State& state) {
  const int type = static_cast<int>(state.range(0));
  WallClockHost host;
  Engine e(host, EngineOptions{});
  e.surfaces.create();
  e.vars.sys[20] = 250;
  e.vars.sys[21] = 550;
  e.rng.seed(1);
  double seconds = 0;
  for (auto _ : state) {
    state.PauseTiming();
    e.surfaces.previous.fill(20, 40, 60);
    for (std::size_t i = 0; i < e.surfaces.screen.pixels.size(); ++i)
      e.surfaces.screen.pixels[i] = std::uint8_t(i * 13 >> 6);
    state.ResumeTiming();
    const auto start = Clock::now();
    RunTransition(e, type);
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  seconds /= double(state.iterations());
  state.counters["wall_ms"] = seconds * 1000;
  if (kNominal[type] > 0) state.counters["x_nominal"] = seconds * 1000 / kNominal[type];
}
BENCHMARK(BM_Transition)
    ->DenseRange(0, kTransitionCount - 1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace torvan
