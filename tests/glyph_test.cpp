// Glyph masks, the cache and drawing, with the IPA faces the set-up script installs so
// that the pixels are the same on every machine.
#include "text/glyph_font.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "core/engine.h"
#include "core/sjis.h"
#include "headless_support.h"
#include "platform/headless/headless_host.h"
#include "text/glyph_draw.h"
#include "text/page_text.h"

namespace torvan {
namespace {

std::string sjis(const std::string& utf8) {
  auto r = utf8ToSjis(utf8);
  EXPECT_TRUE(r.ok());
  return r.ok() ? *r : std::string();
}

int countNonZero(const GlyphMask& m) {
  int n = 0;
  for (std::uint8_t v : m.pixels) n += v != 0;
  return n;
}

TEST(GlyphLevels, MapToCoverage) {
  const std::pair<int, int> cases[] = {{0, 0}, {1, 93}, {2, 96}, {54, 252}, {55, 255}, {64, 255}};
  for (auto [level, coverage] : cases) EXPECT_EQ(CoverageFromLevel(level), coverage) << level;
}

TEST(GlyphFontFaces, WindowsFacesAndUnknownFacesMapToInstalledJapaneseFaces) {
  const std::pair<const char*, const char*> cases[] = {
      {"ＭＳ 明朝", "ipam"},     {"ＭＳ ゴシック", "ipag"}, {"ＭＳ Ｐゴシック", "ipag"},
      {"IPAGothic", "ipag.ttf"}, {"No Such Face", "ipam"},  {"", "ipam"}};
  for (auto [name, file] : cases) {
    // The set-up's alternatives links point at the IPA files.
    const std::string found = std::filesystem::canonical(ResolveFontFile(name)).string();
    EXPECT_NE(found.find(file), std::string::npos) << name << " -> " << found;
  }
}

TEST(GlyphMasks, HoldOnlyMappedLevelsAndAShadowOfTheFourNeighbours) {
  GlyphRenderer r;
  ASSERT_TRUE(r.font.open(sjis("ＭＳ 明朝"), 24, false));
  r.render(sjis("あ"));
  ASSERT_GT(countNonZero(r.glyph), 50);
  for (std::uint8_t v : r.glyph.pixels) EXPECT_TRUE(v == 0 || v >= 93) << int(v);

  GlyphMask dot, shadow;
  dot.pixels[10 * kCellWidth + 10] = 255;
  MakeShadow(dot, shadow);
  // The neighbours of (10, 10) are (9, 10), (10, 9), (10, 11), (11, 10); each gets a
  // quarter, one row lower.
  EXPECT_EQ(shadow.at(10, 10), 63);
  EXPECT_EQ(shadow.at(11, 9), 63);
  EXPECT_EQ(shadow.at(11, 11), 63);
  EXPECT_EQ(shadow.at(12, 10), 63);
  EXPECT_EQ(shadow.at(11, 10), 0);
  EXPECT_EQ(countNonZero(shadow), 4);

  // A character the face lacks draws as nothing.
  r.font.renderCell(0x10FFFD, r.glyph);
  EXPECT_EQ(countNonZero(r.glyph), 0);
}

TEST(GlyphDrawing, StaysInItsCellAndUsesTheColourModuloEight) {
  GlyphRenderer r;
  ASSERT_TRUE(r.font.open(sjis("ＭＳ ゴシック"), 24, false));
  r.render(sjis("■"));
  Surface target;
  target.resize(100, 100);
  DrawGlyph(r, target, 30, 40, 9);
  int lit = 0, maxGreen = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) {
      const std::uint8_t* p = target.row(y) + x * 3;
      if (p[0] == 0 && p[1] == 0 && p[2] == 0) continue;
      ++lit;
      EXPECT_TRUE(x >= 30 && x < 30 + kCellWidth && y >= 40 && y < 40 + kCellHeight)
          << x << "," << y;
      EXPECT_EQ(p[0], 0);
      EXPECT_EQ(p[2], 0);
      maxGreen = std::max<int>(maxGreen, p[1]);
    }
  EXPECT_GT(lit, 200);
  EXPECT_EQ(maxGreen, 127);  // green (0, 128, 0) at full coverage: (128 * 255) >> 8

  // A cell at the target's edge is clipped, not written past it.
  Surface small;
  small.resize(20, 20);
  DrawGlyph(r, small, 5, -10, 0);
  DrawGlyph(r, small, -40, 50, 0);
}

TEST(GlyphCacheLimits, TheThousandAndFirstCharacterIsDrawnButNotCached) {
  GlyphRenderer r;
  ASSERT_TRUE(r.font.open(sjis("ＭＳ 明朝"), 24, false));
  // Distinct level-one kanji, two-byte codes from 0x889F on.
  std::vector<std::string> kanji;
  for (int lead = 0x88; lead <= 0x97 && kanji.size() < GlyphCache::kEntries + 1; ++lead)
    for (int trail = lead == 0x88 ? 0x9F : 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      kanji.push_back(std::string{char(lead), char(trail)});
      if (kanji.size() == GlyphCache::kEntries + 1) break;
    }
  for (std::size_t i = 0; i < GlyphCache::kEntries; ++i) r.render(kanji[i]);
  EXPECT_EQ(r.cache.size(), GlyphCache::kEntries);
  EXPECT_EQ(r.rendered, GlyphCache::kEntries);

  r.render(kanji.back());
  EXPECT_GT(countNonZero(r.glyph), 30);
  const GlyphMask first = r.glyph;
  EXPECT_EQ(r.cache.size(), GlyphCache::kEntries);
  EXPECT_EQ(r.cache.find(GlyphCode(kanji.back())), nullptr);
  r.render(kanji.back());
  EXPECT_EQ(r.rendered, GlyphCache::kEntries + 2);  // rasterised again
  EXPECT_EQ(r.glyph.pixels, first.pixels);

  r.render(kanji.front());  // a cached one costs no rasterising
  EXPECT_EQ(r.rendered, GlyphCache::kEntries + 2);
}

TEST(GlyphCacheLimits, RebuildPreRendersTheCommonCharacters) {
  HeadlessHost host{HeadlessOptions{}};
  Engine e(host, EngineOptions{});
  RebuildGlyphCache(e);
  // 83 hiragana, 86 katakana, 10 digits, 14 punctuation marks.
  EXPECT_EQ(e.glyphs.cache.size(), 83u + 86u + 10u + 14u);
  EXPECT_NE(e.glyphs.cache.find(0x82A0), nullptr);  // あ
  EXPECT_NE(e.glyphs.cache.find(0x93FA), nullptr);  // 日
}

TEST(PageGlyphs, PutCharDrawsInTheCellAndRedrawRepeatsIt) {
  HeadlessHost host{HeadlessOptions{}};
  Engine e(host, EngineOptions{});
  e.surfaces.create();
  RebuildGlyphCache(e);
  PutChar(e, sjis("本"));
  // Window style: row 1, indented to column 2.
  const int x0 = 48 + 16 * 2, y0 = 432 + 41;
  int lit = 0;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      const std::uint8_t* p = e.surfaces.screen.row(y) + x * 3;
      if (!p[0] && !p[1] && !p[2]) continue;
      ++lit;
      EXPECT_TRUE(x >= x0 && x < x0 + kCellWidth && y >= y0 && y < y0 + kCellHeight)
          << x << "," << y;
    }
  EXPECT_GT(lit, 50);
  // The cell reached the window too.
  EXPECT_EQ(e.surfaces.window.pixels, e.surfaces.screen.pixels);

  const Surface drawn = e.surfaces.screen;
  e.surfaces.screen.fill(0, 0, 0);
  RedrawPage(e);
  EXPECT_EQ(e.surfaces.screen.pixels, drawn.pixels);
}

TEST(PageGlyphs, HeadlessPageShowsTheSpeakerAndTheTextInTheWindow) {
  test::Game g;
  g.addScripts({{"main", "*gra S888\n>ＡＢ\nこんにちは、世界。\n\\\nend\n"}});
  g.setSettings("[KANOVELLA]\nDelay=1\n");
  auto r = test::runGame(g, "until-idle\n");
  const Surface& f = r.host->frame();
  ASSERT_EQ(f.height, 600);
  auto brightIn = [&](int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += f.row(y)[x * 3 + 2] > 200;
    return n;
  };
  // The scene is a mid grey under a dark translucent panel: only glyphs are bright.
  EXPECT_GT(brightIn(48, 428, 248, 460), 40);   // the name
  EXPECT_GT(brightIn(80, 473, 400, 508), 200);  // the first text row
  EXPECT_EQ(brightIn(0, 0, 800, 400), 0);       // nothing above the window
  // The panel darkens the scene's bottom rows, apart from its soft top edge.
  EXPECT_LT(f.row(590)[2], f.row(300)[2]);
}

}  // namespace
}  // namespace torvan
