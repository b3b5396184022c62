// Message glyphs against the 30 ms idle pass they must fit in: one cached glyph drawn
// into the back buffer, and a page of 100 characters typed out (rasterised on a cold
// cache, as the first page with new kanji is). The counter "of_idle_pass" is the share
// of one 30 ms pass the measured work takes.
#include <benchmark/benchmark.h>

#include <string>

#include "core/sjis.h"
#include "text/glyph_font.h"

namespace {

using namespace torvan;

constexpr double kIdlePassSeconds = 0.030;

std::string sjis(const char* utf8) {
  auto r = utf8ToSjis(utf8);
  return r.ok() ? *r : std::string();
}

// 100 characters of ordinary prose: kana, kanji and punctuation.
const std::string& page() {
  static const std::string text = [] {
    std::string t = sjis(
        "霧の向こうに灯がひとつ揺れていた。誰かが呼んでいる気がして、私は足を止める。"
        "「こんな夜に、どこへ行くの？」振り返ると、古い石段の上に彼女が立っていた。"
        "風が冷たい。月は雲に隠れ、町の音も遠くなる。けれど");
    return t.substr(0, 200);
  }();
  return text;
}

void report(benchmark::State& state) {
  state.counters["of_idle_pass"] =
      benchmark::Counter(kIdlePassSeconds, benchmark::Counter::kIsIterationInvariantRate |
                                               benchmark::Counter::kInvert);
}

void BM_CachedGlyphToBackBuffer(benchmark::State& state) {
  GlyphRenderer r;
  r.font.open(sjis("ＭＳ 明朝"), 24, false);
  Surface screen;
  screen.resize(800, 600);
  const std::string ch = sjis("あ");
  r.render(ch);
  for (auto _ : state) {
    r.render(ch);
    DrawGlyph(r, screen, 80, 473, 0);
    benchmark::DoNotOptimize(screen.pixels.data());
  }
  report(state);
}
BENCHMARK(BM_CachedGlyphToBackBuffer);

void BM_PageOf100CharactersColdCache(benchmark::State& state) {
  GlyphRenderer r;
  r.font.open(sjis("ＭＳ 明朝"), 24, false);
  Surface screen;
  screen.resize(800, 600);
  const std::string& text = page();
  for (auto _ : state) {
    r.cache.clear();
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
      const int n = int(i / 2);
      r.render(std::string_view(text).substr(i, 2));
      DrawGlyph(r, screen, 80 + 32 * (n % 21), 473 + 41 * (n / 21 % 3), 0);
    }
    benchmark::DoNotOptimize(screen.pixels.data());
  }
  report(state);
}
BENCHMARK(BM_PageOf100CharactersColdCache)->Unit(benchmark::kMillisecond);

}  // namespace
