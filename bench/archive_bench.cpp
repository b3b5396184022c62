// Entry look-up in a large index: the name map against the plain scan over the names
// list that a look-up without it would do.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "archive/archive_index.h"
#include "archive/archive_writer.h"

namespace {

using namespace torvan;

constexpr int kEntries = 50000;

struct LookupFixture {
  ArchiveIndex index;
  std::vector<std::string> queries;  // mixed case, a tenth of them missing

  LookupFixture() {
    std::vector<ArchiveSource> sources;
    sources.reserve(kEntries);
    for (int i = 0; i < kEntries; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "B%05d_%c", i, 'A' + i % 26);
      sources.push_back({name, Bytes{std::uint8_t(i)}});
    }
    auto file = buildArchive(sources, ArchiveLayout::General, 32);
    index = parseArchiveIndex(*file, ArchiveLayout::General, "bench.tvn");
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pick(0, kEntries - 1);
    for (int q = 0; q < 1000; ++q) {
      char name[32];
      int i = pick(rng);
      if (q % 10 == 9)
        std::snprintf(name, sizeof name, "missing%d", i);
      else
        std::snprintf(name, sizeof name, "b%05d_%c", i, 'a' + i % 26);
      queries.push_back(name);
    }
  }
};

const LookupFixture& fixture() {
  static const LookupFixture f;
  return f;
}

std::int32_t linearFind(const ArchiveIndex& index, const std::string& name) {
  std::string upper = upperAscii(name);
  for (std::size_t i = 0; i < index.names.size(); ++i)
    if (index.names[i] == upper) return static_cast<std::int32_t>(i);
  return -1;
}

template <class Find>
double nanosPerLookup(const LookupFixture& f, Find find, int rounds) {
  auto start = std::chrono::steady_clock::now();
  for (int r = 0; r < rounds; ++r)
    for (const std::string& q : f.queries) benchmark::DoNotOptimize(find(f.index, q));
  std::chrono::duration<double, std::nano> took = std::chrono::steady_clock::now() - start;
  return took.count() / (double(rounds) * double(f.queries.size()));
}

void BM_LinearScan(benchmark::State& state) {
  const LookupFixture& f = fixture();
  for (auto _ : state)
    for (const std::string& q : f.queries) benchmark::DoNotOptimize(linearFind(f.index, q));
  state.SetItemsProcessed(state.iterations() * std::int64_t(f.queries.size()));
}
BENCHMARK(BM_LinearScan)->Unit(benchmark::kMillisecond);

// "speedup" is the scan's time per look-up divided by findEntry's, both measured here.
void BM_FindEntry(benchmark::State& state) {
  const LookupFixture& f = fixture();
  for (auto _ : state)
    for (const std::string& q : f.queries) benchmark::DoNotOptimize(findEntry(f.index, q));
  state.SetItemsProcessed(state.iterations() * std::int64_t(f.queries.size()));
  double scan = nanosPerLookup(f, linearFind, 3);
  double mapped = nanosPerLookup(f, findEntry, 300);
  state.counters["scan_ns"] = scan;
  state.counters["find_ns"] = mapped;
  state.counters["speedup"] = scan / mapped;
}
BENCHMARK(BM_FindEntry)->Unit(benchmark::kMicrosecond);

}  // namespace
