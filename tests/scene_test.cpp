// The scene as scripts build it, run headless: plain colours, background pictures,
// sprite lists and the cache, drawing order, tones and the direct-drawing commands.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "archive/archive_writer.h"
#include "archive/packed_picture_encoder.h"
#include "archive/png_io.h"
#include "interpreter_support.h"

namespace torvan {
namespace {

using test::Game;
using test::play;

Surface solid(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  Surface s;
  s.resize(w, h);
  s.fill(b, g, r);
  return s;
}

Surface gradient() {
  Surface s;
  s.resize(800, 600);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      std::uint8_t* p = s.row(y) + x * 3;
      p[0] = std::uint8_t(x);
      p[1] = std::uint8_t(y);
      p[2] = std::uint8_t(x >> 2);
    }
  return s;
}

// Sprites of one colour each with opaque masks; "P…" is the parts picture.
void addPictures(Game& g) {
  std::vector<ArchiveSource> entries;
  auto add = [&](const char* name, const Surface& s) {
    entries.push_back({name, *encodePicture(s, {})});
  };
  add("A01", gradient());
  add("B01", solid(40, 600, 200, 0, 0));
  add("M01", solid(40, 600, 255, 255, 255));
  add("B02", solid(40, 600, 0, 200, 0));
  add("M02", solid(40, 600, 255, 255, 255));
  add("B05", solid(40, 600, 0, 0, 200));
  add("M05", solid(40, 600, 255, 255, 255));
  for (int i = 0; i < 4; ++i) {
    const std::string n = std::to_string(i + 11);
    add(("B" + n).c_str(), solid(240, 600, std::uint8_t(60 * i + 20), 0, 0));
    add(("M" + n).c_str(), solid(240, 600, 255, 255, 255));
  }
  Surface parts = solid(16, 16, 255, 255, 0);  // the transparent colour
  parts.fill(255, 255, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) parts.row(y)[x * 3 + 2] = 77;  // top-left quarter opaque
  add("P01", parts);
  ASSERT_TRUE(writeArchive(g.gameDir() + "/qz_gra.tvn", entries, ArchiveLayout::General));
}

std::array<int, 3> pixelAt(const test::Run& r, int x, int y) {
  const std::uint8_t* p = r.host->frame().row(y) + x * 3;
  return {p[0], p[1], p[2]};
}

test::Run playScene(const std::string& script, const std::string& events = "until-idle\n") {
  Game g;
  addPictures(g);
  return play(g, {{"main", script + "=\n"}}, events);
}

TEST(SceneColours, ColourCodesCountInSixteenths) {
  struct Case {
    const char* code;
    std::array<int, 3> bgr;
  };
  const Case cases[] = {{"S000", {0, 0, 0}},
                        {"Sggg", {255, 255, 255}},
                        {"S00g", {0, 0, 255}},
                        {"S9a0", {144, 160, 0}},
                        {"sF1z", {240, 16, 0}}};
  for (const Case& c : cases) {
    auto r = playScene(std::string("*gra ") + c.code + "\n");
    EXPECT_EQ(pixelAt(r, 0, 0), c.bgr) << c.code;
    EXPECT_EQ(pixelAt(r, 799, 599), c.bgr) << c.code;
    EXPECT_EQ(r.engine->surfaces.layers.backgroundName, c.code);
  }
}

TEST(SceneSprites, ListsPlaceSpritesByCountAndKeepPositions) {
  // Opaque masks show 200 as 199 in whole groups of 8 pixels.
  auto r = playScene("*gra S000\n*spr B01,B02,3\n");
  const SceneLayers& l = r.engine->surfaces.layers;
  EXPECT_EQ(l.spriteCount, 2);
  EXPECT_EQ(pixelAt(r, 230, 10), (std::array<int, 3>{199, 0, 0}));  // centre 250
  EXPECT_EQ(pixelAt(r, 229, 10), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(pixelAt(r, 569, 10), (std::array<int, 3>{0, 199, 0}));  // centre 550
  EXPECT_EQ(pixelAt(r, 570, 10), (std::array<int, 3>{0, 0, 0}));

  r = playScene("*gra S000\n*spr B01,B02\n*spr -,B05\n");
  EXPECT_EQ(pixelAt(r, 230, 10), (std::array<int, 3>{199, 0, 0}));
  EXPECT_EQ(pixelAt(r, 550, 10), (std::array<int, 3>{0, 0, 199}));

  r = playScene("*gra S000\n*spr B01,\n");  // a trailing comma keeps an empty second place
  EXPECT_EQ(r.engine->surfaces.layers.spriteCount, 2);
  EXPECT_EQ(pixelAt(r, 250, 10), (std::array<int, 3>{199, 0, 0}));
  EXPECT_EQ(pixelAt(r, 400, 10), (std::array<int, 3>{0, 0, 0}));

  // A sprite on the left, another on the right, then the left one cleared.
  r = playScene("*gra S000\n*gra B01 L\n*gra B02 R\n*clrb 0L\n");
  EXPECT_EQ(pixelAt(r, 250, 10), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(pixelAt(r, 550, 10), (std::array<int, 3>{0, 199, 0}));
  EXPECT_EQ(fieldString(r.engine->script.sprites), ",B02");

  // A new background clears the sprites.
  r = playScene("*gra S000\n*spr B01,B02\n*gra S00g\n");
  EXPECT_EQ(r.engine->surfaces.layers.spriteCount, 0);
  EXPECT_EQ(pixelAt(r, 250, 10), (std::array<int, 3>{0, 0, 255}));
}

TEST(SceneSprites, DrawingOrderFollowsCountAndSys24) {
  // Four 240-pixel sprites at 100, 300, 500, 700 overlap their neighbours; at x 400
  // sprites 1 and 2 meet, and which covers the other depends on S024.
  for (int order : {0, 1}) {
    auto r = playScene("!S024=" + std::to_string(order) + "\n*gra S000\n*spr B11,B12,B13,B14\n");
    EXPECT_EQ(pixelAt(r, 400, 5)[0], order == 0 ? 139 : 79) << order;  // 140 or 80, x255/256
    EXPECT_EQ(pixelAt(r, 200, 5)[0], 79) << order;                     // 1 over 0 either way
    EXPECT_EQ(pixelAt(r, 600, 5)[0], 139) << order;                    // 2 over 3 either way
  }
  // A sprite list of five draws no sprites at all.
  auto r = playScene("*gra S000\n*spr B11,B12,B13,B14,B01\n");
  EXPECT_EQ(r.engine->surfaces.layers.spriteCount, 5);
  EXPECT_EQ(pixelAt(r, 400, 5)[0], 0);
}

TEST(SceneSprites, CacheReusesSlotsAndTheSixthNameOverwritesTheOldest) {
  auto r = playScene("*gra S000\n*spr B01,B02\n*spr B02,B01\n*spr B05,B11\n*spr B12,B13\n");
  const SceneLayers& l = r.engine->surfaces.layers;
  EXPECT_EQ(l.slotNames[0], "B13");  // B01 B02 B05 B11 B12 filled the five slots
  EXPECT_EQ(l.slotNames[1], "B02");
  EXPECT_EQ(l.nextSlot, 1);
  EXPECT_EQ(pixelAt(r, 250, 5)[0], 79);
}

TEST(SceneTones, DarkenSepiaGreyAndTurned) {
  const Surface bg = gradient();
  auto r = playScene("!S011=1\n!S013=8\n*gra A01\n");
  EXPECT_EQ(pixelAt(r, 201, 17), (std::array<int, 3>{100, 8, 25}));

  // Levels above 16 keep the low 8 bits of the product.
  r = playScene("!S011=1\n!S013=20\n*gra A01\n");
  EXPECT_EQ(pixelAt(r, 201, 17)[0], (201 * 20 >> 4) & 255);

  r = playScene("!S011=4\n*gra A01\n");
  for (auto [x, y] : {std::pair{0, 0}, {799, 599}, {123, 456}}) {
    const std::uint8_t* p = bg.row(599 - y) + (799 - x) * 3;
    EXPECT_EQ(pixelAt(r, x, y), (std::array<int, 3>{p[0], p[1], p[2]})) << x << "," << y;
  }

  r = playScene("!S011=3\n*gra A01\n");
  EXPECT_EQ(pixelAt(r, 40, 10), (std::array<int, 3>{20, 20, 20}));  // (40 + 10 + 10) / 3
  r = playScene("!S011=2\n*gra A01\n");
  EXPECT_EQ(pixelAt(r, 40, 10), (std::array<int, 3>{5, 15, 20}));
}

TEST(SceneBackgrounds, GrbWaitsForTheNextRedrawAndMissingPicturesKeepTheScene) {
  auto r = playScene("*gra S000\n*grb S00g\n*spr B01,0\n");
  EXPECT_EQ(pixelAt(r, 0, 0), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(pixelAt(r, 400, 0), (std::array<int, 3>{199, 0, 0}));  // one sprite: centre 400
  EXPECT_TRUE(r.engine->script.lastWasGrb);                        // saves remember the grb

  r = playScene("*gra S000\n*grb S00g\n");
  EXPECT_EQ(pixelAt(r, 0, 0), (std::array<int, 3>{0, 0, 0}));
  EXPECT_TRUE(r.engine->script.lastWasGrb);

  r = playScene("*gra S0g0\n*spr B01\n*gra A99\n");
  EXPECT_EQ(pixelAt(r, 0, 0), (std::array<int, 3>{0, 255, 0}));
  EXPECT_EQ(r.engine->surfaces.layers.spriteCount, 1);  // no redraw, sprites kept
}

TEST(SceneTags, GraAndClrbInsideMessageText) {
  auto r = playScene("*spr B01\nA[gra S00g]B\\\n");
  EXPECT_EQ(pixelAt(r, 0, 0), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(r.engine->surfaces.layers.spriteCount, 0);

  r = playScene("*gra S000\n*spr B01,B02\nA[clrb]B\\\n");
  EXPECT_EQ(r.engine->surfaces.layers.spriteCount, 0);
  EXPECT_EQ(pixelAt(r, 250, 10), (std::array<int, 3>{0, 0, 0}));
}

TEST(SceneSprites, Sys55TakesTheWindowOffBeforeASpriteChange) {
  auto r = playScene("!S055=1\n*gra S000\n*gra B01\n");
  EXPECT_EQ(r.engine->vars.sys[55], 1);  // 2 for the change, back to 1 after it
  EXPECT_EQ(r.engine->page.windowState, 0);
  EXPECT_EQ(pixelAt(r, 400, 10), (std::array<int, 3>{199, 0, 0}));

  r = playScene("*gra S000\n*gra B01\n");
  EXPECT_EQ(r.engine->vars.sys[55], 0);
}

TEST(SceneDirect, PartsAreDrawnOnTheWindowWithTheirKeyColourAndGoAtTheNextRedraw) {
  auto r = playScene("*gra S000\n*partsload P01\n*ptset 0,0,16,16,100,50\n");
  EXPECT_EQ(pixelAt(r, 100, 50), (std::array<int, 3>{255, 255, 77}));
  EXPECT_EQ(pixelAt(r, 108, 50), (std::array<int, 3>{0, 0, 0}));  // transparent colour
  EXPECT_EQ(r.engine->vars.sys[15], 0);

  r = playScene("*gra S000\n*direct P01,500,10,20\n!V001=1\n*update\n");
  EXPECT_EQ(pixelAt(r, 100, 50), (std::array<int, 3>{0, 0, 0}));
  EXPECT_GE(r.host->tickCount(), 500);
}

TEST(SceneHeadless, AScreenshotMidTransitionShowsThatStep) {
  test::TempDir out;
  const std::string mid = out.file("mid.png"), end = out.file("end.png");
  // Type 9 fades over 880 ms in steps of 12 levels every 40 ms.
  auto r = playScene("*gra Sg00 9\n",
                     "wait 400\nscreenshot " + mid + "\nuntil-idle\nscreenshot " + end + "\n");
  auto midShot = readPng(mid), endShot = readPng(end);
  ASSERT_TRUE(midShot && endShot);
  const int blue = midShot->row(300)[400 * 3];
  EXPECT_GT(blue, 60);
  EXPECT_LT(blue, 200);
  EXPECT_EQ(endShot->row(300)[400 * 3], 255);
}

}  // namespace
}  // namespace torvan
