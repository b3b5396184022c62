// The choice window as the player sees it, run headless with a small "sys_sw": where
// the buttons stand, the hover highlight, and the story going on after a click.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "archive/archive_writer.h"
#include "archive/packed_picture_encoder.h"
#include "interpreter_support.h"

namespace torvan {
namespace {

using test::Game;
using test::play;
using test::stateOf;

// A 400-wide face of blue 200 beside an opaque white mask, except that the mask leaves
// the face's first 10 columns transparent.
constexpr int kFaceWidth = 400;

void addButtonPicture(Game& g) {
  Surface sw;
  sw.resize(2 * kFaceWidth, 40);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 2 * kFaceWidth; ++x) {
      std::uint8_t* p = sw.row(y) + x * 3;
      if (x < kFaceWidth) {
        p[0] = 200;
      } else {
        const std::uint8_t m = x - kFaceWidth < 10 ? 0 : 255;
        p[0] = p[1] = p[2] = m;
      }
    }
  std::vector<ArchiveSource> entries{{"sys_sw", *encodePicture(sw, {})}};
  ASSERT_TRUE(writeArchive(g.gameDir() + "/qz_gra.tvn", entries, ArchiveLayout::General));
}

std::array<int, 3> pixelAt(const test::Run& r, int x, int y) {
  const std::uint8_t* p = r.host->frame().row(y) + x * 3;
  return {p[0], p[1], p[2]};
}

// Counts pixels of the row's text area that are mostly red (colour index 2).
int redPixels(const test::Run& r, int left, int top) {
  int n = 0;
  for (int y = top; y < top + 40; ++y)
    for (int x = left + 10; x < left + kFaceWidth; ++x) {
      auto p = pixelAt(r, x, y);
      if (p[2] > 150 && p[0] < 150 && p[1] < 100) ++n;
    }
  return n;
}

const char* kTwoChoices = "*gra S000\n*select\n{Left\n!V001=1\n{Right\n!V001=2\n}\n=\n";

// Two choices: the window is 400 wide from x 200, its rows start at 190 - 44 = 146
// and at 191, 40 pixels each.
constexpr int kLeft = (800 - kFaceWidth) / 2;
constexpr int kTop = 190 - 22 * 2;

TEST(ChoiceDrawing, WindowStandsWhereItsRowsAre) {
  Game g;
  addButtonPicture(g);
  auto r = play(g, {{"main", kTwoChoices}}, "move 5 5\nuntil-idle\n");
  ASSERT_EQ(r.engine->run.choiceState, 1);
  EXPECT_EQ(r.engine->script.choices.width, kFaceWidth);
  EXPECT_EQ(r.engine->script.choices.left, kLeft);
  // The blend through an opaque mask scales by 255 / 256, as the blend kernel does.
  const std::array<int, 3> face{200 * 255 >> 8, 0, 0}, scene{0, 0, 0};
  for (int top : {kTop, kTop + 45}) {
    // The corners of each button, away from the centred text.
    EXPECT_EQ(pixelAt(r, kLeft + 12, top), face) << top;
    EXPECT_EQ(pixelAt(r, kLeft + kFaceWidth - 1, top + 39), face) << top;
    // The mask's transparent columns, and the gap, edges and surroundings are scene.
    EXPECT_EQ(pixelAt(r, kLeft + 5, top + 20), scene) << top;
    EXPECT_EQ(pixelAt(r, kLeft + kFaceWidth, top + 20), scene) << top;
    EXPECT_EQ(pixelAt(r, kLeft + 20, top + 40), scene) << top;
    EXPECT_EQ(pixelAt(r, kLeft + 20, top - 1), scene) << top;
  }
  // Neither row is highlighted while the pointer is away.
  EXPECT_EQ(redPixels(r, kLeft, kTop), 0);
  EXPECT_EQ(redPixels(r, kLeft, kTop + 45), 0);
}

TEST(ChoiceDrawing, HoverHighlightsOneRowAndLeavingRestoresIt) {
  Game g;
  addButtonPicture(g);
  auto r = play(g, {{"main", kTwoChoices}}, "move 5 5\nuntil-idle\nmove 400 200\n");
  EXPECT_EQ(r.engine->script.choices.hovered, 2);
  EXPECT_EQ(redPixels(r, kLeft, kTop), 0);
  EXPECT_GT(redPixels(r, kLeft, kTop + 45), 0);
  // The highlighted look keeps the button face.
  EXPECT_EQ(pixelAt(r, kLeft + 12, kTop + 45), (std::array<int, 3>{200 * 255 >> 8, 0, 0}));

  Game g2;
  addButtonPicture(g2);
  auto r2 = play(g2, {{"main", kTwoChoices}},
                 "move 5 5\nuntil-idle\nmove 400 200\nmove 400 150\nmove 5 5\n");
  EXPECT_EQ(r2.engine->script.choices.hovered, 0);
  EXPECT_EQ(redPixels(r2, kLeft, kTop), 0);
  EXPECT_EQ(redPixels(r2, kLeft, kTop + 45), 0);
}

TEST(ChoiceDrawing, ClickBlinksThenRestoresTheSceneAndContinuesAtTheChoice) {
  Game g;
  addButtonPicture(g);
  auto r = play(g, {{"main", kTwoChoices}}, "move 5 5\nuntil-idle\nclick 400 200\nuntil-idle\n");
  QJsonObject s = stateOf(r);
  EXPECT_EQ(s["choiceState"].toInt(), 0);
  EXPECT_EQ(r.engine->vars.val[1], 2);
  EXPECT_EQ(r.engine->run.busy, 0);
  // The blink ran on the host's clock: 4 times two looks of 100 ms.
  EXPECT_GE(r.host->tickCount(), 800);
  // The window is gone from the screen.
  EXPECT_EQ(pixelAt(r, kLeft + 12, kTop), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(pixelAt(r, kLeft + 12, kTop + 45), (std::array<int, 3>{0, 0, 0}));
}

TEST(ChoiceDrawing, WithoutThePictureTheUsualWidthIsUsed) {
  Game g;
  auto r = play(g, {{"main", kTwoChoices}}, "until-idle\n");
  EXPECT_EQ(r.engine->script.choices.width, 560);
  EXPECT_EQ(r.engine->script.choices.left, 120);
}

}  // namespace
}  // namespace torvan
