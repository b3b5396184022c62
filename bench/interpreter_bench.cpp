// The interpreter skipping through a 256 KiB scenario of text, assignments, conditions
// and jumps, against a baseline measured in the same process: one pass that only
// splits the same bytes into lines. The ratio says how many line splits one interpreted
// run costs, whatever the machine.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "archive/archive_writer.h"
#include "core/engine.h"
#include "core/quiet_host.h"
#include "core/sjis.h"
#include "script/interpreter.h"

namespace {

using namespace torvan;

Bytes scenarioBytes() {
  Bytes out;
  for (int block = 0;; ++block) {
    std::string n = std::to_string(block);
    std::string utf8 = "　春の終わり、町外れの坂道を上っていた。[?V001]\n!V001=V001+1;F010=1\n";
    utf8 += "*if (V001<0) NOWHERE\n";
    if (block % 8 == 0) utf8 += "*go L" + n + "\n!V002=1\n:L" + n + "\n";
    utf8 += "　振り返ると、遠くに海が光って見える。\n\\\n";
    auto sjis = utf8ToSjis(utf8);
    if (!sjis || out.size() + sjis->size() > 262144) break;
    for (char c : *sjis) out.push_back(c == '\n' ? 0 : static_cast<std::uint8_t>(c));
  }
  return out;
}

struct Game {
  std::string dir;
  QuietHost host;
  std::unique_ptr<Engine> engine;
  Bytes scenario = scenarioBytes();

  Game() {
    char pattern[] = "/tmp/interpreter_bench_XXXXXX";
    dir = mkdtemp(pattern);
    std::vector<ArchiveSource> entries = {{"main", scenario}};
    if (!writeArchive(dir + "/qz_data.tvn", entries, ArchiveLayout::Script).ok()) std::abort();
    EngineOptions o;
    o.gameDir = dir;
    o.saveDir = dir + "/save";
    o.settingsFile = dir + "/HOLVA.ini";
    o.seed = 1;
    engine = std::make_unique<Engine>(host, o);
    engine->formCreate();
  }
  ~Game() { std::filesystem::remove_all(dir); }

  // Skips through the whole scenario; returns the idle passes it took.
  std::int64_t play() {
    Engine& e = *engine;
    LoadScenario(e, "main", ScenarioTarget::Story);
    e.run.skipState = 1;
    std::int64_t passes = 0;
    while (!e.storyStandsStill()) {
      e.idlePass();
      ++passes;
    }
    return passes;
  }
};

std::size_t splitLines(const Bytes& b) {
  std::size_t lines = 0;
  for (std::uint8_t c : b) lines += c == 0;
  return lines;
}

void BM_SkipThroughScenario(benchmark::State& state) {
  static Game game;
  double interpreted = 0, baseline = 0;
  std::int64_t passes = 0;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    passes = game.play();
    auto t1 = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(splitLines(game.scenario));
    auto t2 = std::chrono::steady_clock::now();
    interpreted += std::chrono::duration<double, std::micro>(t1 - t0).count();
    baseline += std::chrono::duration<double, std::micro>(t2 - t1).count();
  }
  state.counters["passes"] = static_cast<double>(passes);
  state.counters["vs_line_split"] = interpreted / baseline;
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(game.scenario.size()));
}
BENCHMARK(BM_SkipThroughScenario)->Unit(benchmark::kMillisecond);

}  // namespace
