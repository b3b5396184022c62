// Click maps as the player sees them, run headless over known pictures: the highlight
// of each kind of area, what moving away puts back, and the look of a taken area with
// and without a second parts picture.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "archive/packed_picture_encoder.h"
#include "interpreter_support.h"
#include "script/choices.h"

namespace torvan {
namespace {

using test::Game;
using test::play;

// The scene is flat grey; the parts picture differs at every place (blue follows x,
// red follows y, green is never the scene's), so a copy from the wrong place shows.
Surface background() {
  Surface s;
  s.resize(800, 600);
  s.fill(50, 50, 50);
  return s;
}

Surface partsPicture() {
  Surface s;
  s.resize(800, 600);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      std::uint8_t* p = s.row(y) + x * 3;
      p[0] = std::uint8_t(x);
      p[1] = 200;
      p[2] = std::uint8_t(y);
    }
  return s;
}

Surface takenPicture() {
  Surface s;
  s.resize(800, 600);
  s.fill(0, 0, 220);
  return s;
}

void addPictures(Game& g) {
  Surface small;
  small.resize(150, 120);
  small.fill(0, 0, 220);
  std::vector<ArchiveSource> entries{{"A100", *encodePicture(background())},
                                     {"P100", *encodePicture(partsPicture())},
                                     {"W100", *encodePicture(takenPicture())},
                                     {"W101", *encodePicture(small)}};
  ASSERT_TRUE(writeArchive(g.gameDir() + "/qz_gra.tvn", entries, ArchiveLayout::General));
}

// "boat" is written with its corners swapped. "#wild" and the whole of "wide" reach far
// outside the screen and the 32-bit range.
const char* kMap =
    ";click maps\n"
    ":harb\n4\n"
    "*boat,300,200,100,100\n"
    "dock,400,100,600,300\n"
    "#sign,100,350,300,450,600,400,700,450,650,500\n"
    "#wild,700,0,800,100,-50,-50,5000000,5000000,-3000000000,-20\n"
    ":wide\n1\n"
    "*huge,-3000000000,-5,99999999999,99999999999\n";

std::string scene(const std::string& parts, const std::string& map) {
  return "*gra A100 0\n*partsload " + parts + "\n*clickmap " + map +
         "\n{\n!V001=1\n*go END\n{\n!V001=2\n*go END\n{\n!V001=3\n*go END\n{\n!V001=4\n"
         "*go END\n}\n:END\n=\n";
}

struct Box {
  int x1, y1, x2, y2;
};

// Copies box of `from`, moved by (dx, dy), onto `onto`.
void paste(Surface& onto, const Surface& from, Box b, int dx = 0, int dy = 0) {
  for (int y = b.y1; y < b.y2; ++y)
    for (int x = b.x1; x < b.x2; ++x)
      std::memcpy(onto.row(y + dy) + (x + dx) * 3, from.row(y) + x * 3, 3);
}

// Pixels where the two pictures differ.
int differences(const Surface& a, const Surface& b) {
  if (a.width != b.width || a.height != b.height) return -1;
  int n = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) n += std::memcmp(a.row(y) + x * 3, b.row(y) + x * 3, 3) != 0;
  return n;
}

// Label boxes: 8 pixels a byte plus 32, 24 high, centred in the area.
constexpr Box kBoat{100, 100, 300, 200};
constexpr Box kDockLabel{468, 188, 532, 212};  // "dock": 64 wide in 400..600 x 100..300
constexpr Box kSignLabel{164, 388, 236, 412};  // "#sign": 72 wide in 100..300 x 350..450
constexpr Box kSignSecond{600, 400, 700, 450};
constexpr Box kWildLabel{714, 38, 786, 62};
constexpr Box kSignArea{100, 350, 300, 450};

TEST(ClickMap, HoverLightsEachKindOfAreaAndMovingOnPutsTheFrameBack) {
  const Surface bg = background(), parts = partsPicture();
  struct Case {
    const char* name;
    std::string moves;
    std::vector<Box> lit;  // boxes shown from the parts picture in place
    bool signSecond;       // the "#sign" second rectangle shown at (650, 500)
    int hovered;
  };
  const Case cases[] = {
      {"whole area", "move 200 150\n", {kBoat}, false, 1},
      {"plain label box", "move 500 150\n", {kDockLabel}, false, 2},
      {"label and second rectangle", "move 200 400\n", {kSignLabel}, true, 3},
      {"straight to a neighbour", "move 200 400\nmove 200 150\n", {kBoat}, false, 1},
      {"back again", "move 200 150\nmove 200 400\n", {kSignLabel}, true, 3},
      {"away from every area", "move 200 400\nmove 750 550\n", {}, false, 0},
      {"second rectangle far off the screen", "move 750 50\n", {kWildLabel}, false, 4},
      {"edge is outside", "move 100 150\n", {}, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Game g;
    addPictures(g);
    auto r = play(g, {{"main", scene("P100", "harb")}, {"map", kMap}},
                  "move 5 595\nuntil-idle\n" + c.moves);
    ASSERT_EQ(r.engine->run.choiceState, 4);
    EXPECT_EQ(r.engine->script.choices.hovered, c.hovered);
    Surface expected = bg;
    for (Box b : c.lit) paste(expected, parts, b);
    if (c.signSecond) paste(expected, parts, kSignSecond, 50, 100);
    EXPECT_EQ(differences(r.host->frame(), expected), 0);
    // Highlights are drawn on the window only; the frame stays clean.
    EXPECT_EQ(differences(r.engine->surfaces.screen, bg), 0);
  }
}

TEST(ClickMap, AnAreaBeyondTheScreenLightsAllOfItWithoutReachingPast) {
  Game g;
  addPictures(g);
  auto r = play(g, {{"main", scene("P100", "wide")}, {"map", kMap}},
                "move 5 595\nuntil-idle\nmove 10 590\n");
  EXPECT_EQ(r.engine->script.choices.hovered, 1);
  EXPECT_EQ(differences(r.host->frame(), partsPicture()), 0);
  // Autoplay's point for it stays on a 32-bit grid.
  const std::optional<Point> p = choicePoint(*r.engine, 1);
  ASSERT_TRUE(p.has_value());
  EXPECT_EQ(p->x, 0);
}

TEST(ClickMap, APointerAlreadyOnAnAreaShowsItLitWhenTheMapOpens) {
  Game g;
  addPictures(g);
  auto r = play(g, {{"main", scene("P100", "harb")}, {"map", kMap}}, "move 200 150\nuntil-idle\n");
  Surface expected = background();
  paste(expected, partsPicture(), kBoat);
  EXPECT_EQ(differences(r.host->frame(), expected), 0);
}

TEST(ClickMap, TakingAnAreaShowsItsTakenLookOnlyWithASecondPartsPicture) {
  const Surface bg = background(), taken = takenPicture();
  struct Case {
    const char* parts;
    const char* events;
    int value;
    std::vector<Box> takenBoxes;
  };
  const Case cases[] = {
      {"P100,W100", "move 200 150\nclick 200 150\n", 1, {kBoat}},
      // The second rectangle outside the area goes back to the frame.
      {"P100,W100", "move 200 400\nclick 200 400\n", 3, {kSignArea}},
      {"P100,W100", "move 500 150\nclick 500 150 right\n", 2, {{400, 100, 600, 300}}},
      {"P100", "move 200 150\nclick 200 150\n", 1, {}},
      {"P100", "move 200 400\nclick 200 400\n", 3, {}},
      // A second picture smaller than the screen: black beyond it, and the surface the
      // transitions write whole frames into keeps its size.
      {"P100,W101", "move 200 150\nclick 200 150\n", 1, {{100, 100, 150, 120}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.parts) + " " + c.events);
    Game g;
    addPictures(g);
    auto r = play(g, {{"main", scene(c.parts, "harb")}, {"map", kMap}},
                  std::string("move 5 595\nuntil-idle\n") + c.events + "until-idle\n");
    EXPECT_EQ(r.engine->run.choiceState, 0);
    EXPECT_EQ(r.engine->vars.val[1], c.value);
    EXPECT_EQ(r.engine->vars.sys[15], 0);
    Surface expected = bg;
    for (Box b : c.takenBoxes) paste(expected, taken, b);
    if (std::string(c.parts) == "P100,W101") {
      for (int y = 100; y < 200; ++y)
        for (int x = 100; x < 300; ++x)
          if (x >= 150 || y >= 120) std::memset(expected.row(y) + x * 3, 0, 3);
    }
    EXPECT_EQ(r.engine->surfaces.work.width, 800);
    EXPECT_EQ(r.engine->surfaces.work.height, 600);
    EXPECT_EQ(differences(r.host->frame(), expected), 0);
    // The taken look belongs to the frame now, so a repaint keeps it.
    EXPECT_EQ(differences(r.engine->surfaces.screen, expected), 0);
  }
}

}  // namespace
}  // namespace torvan
