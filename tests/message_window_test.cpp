// The message window: its panel, new pages in both styles, closing, hiding and the
// click-wait icon.
#include "text/message_window.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "archive/png_io.h"
#include "core/engine.h"
#include "core/sjis.h"
#include "headless_support.h"
#include "platform/headless/headless_host.h"
#include "text/glyph_draw.h"
#include "text/page_text.h"
#include "text/title_card.h"

namespace torvan {
namespace {

class MessageWindowTest : public ::testing::Test {
 protected:
  MessageWindowTest()
      : host(HeadlessOptions{}), e(std::make_unique<Engine>(host, EngineOptions{})) {
    e->surfaces.create();
    e->surfaces.scene.fill(200, 200, 200);
    e->surfaces.screen = e->surfaces.scene;
    e->surfaces.window = e->surfaces.scene;
    RebuildGlyphCache(*e);
    BuildPanelSource(*e);
  }

  void put(const std::string& utf8) {
    const std::string s = *utf8ToSjis(utf8);
    for (std::size_t i = 0; i < s.size(); i += 2) PutChar(*e, std::string_view(s).substr(i, 2));
  }

  HeadlessHost host;
  std::unique_ptr<Engine> e;
};

TEST_F(MessageWindowTest, PanelSourceFadesInOverItsTopRows) {
  e->settings.txbgR = 10;
  e->settings.txbgG = 20;
  e->settings.txbgB = 30;
  e->settings.txbgA = 200;
  BuildPanelSource(*e);
  const Surface& s = e->surfaces.panelTall;
  const std::pair<int, int> opacity[] = {{0, 0}, {1, 6}, {31, 193}, {32, 200}, {199, 200}};
  for (auto [row, a] : opacity) {
    EXPECT_EQ(s.row(200 + row)[0], a) << row;
    EXPECT_EQ(s.row(200 + row)[799 * 3 + 2], a) << row;
  }
  const std::uint8_t* tint = s.row(150) + 400 * 3;
  EXPECT_EQ(tint[0], 30);
  EXPECT_EQ(tint[1], 20);
  EXPECT_EQ(tint[2], 10);
}

TEST_F(MessageWindowTest, PanelBlendsTheSceneTowardsTheTintAndIsKeptUntilTheSceneChanges) {
  BuildPanel(*e);
  const Surface& panel = e->surfaces.panel[kPanelImage];
  EXPECT_EQ(panel.row(0)[0], (200 * 255) >> 8);            // top row: fully transparent
  EXPECT_EQ(panel.row(100)[0], (200 * (255 - 200)) >> 8);  // tint black at 200

  e->surfaces.scene.fill(0, 0, 0);
  BuildPanel(*e);  // still the cached panel
  EXPECT_EQ(panel.row(100)[0], (200 * 55) >> 8);
  InvalidatePanel(*e);
  BuildPanel(*e);
  EXPECT_EQ(panel.row(100)[0], 0);
}

TEST_F(MessageWindowTest, NewPageWipesTheTextAndOpensTheWindow) {
  NewPage(*e);
  EXPECT_TRUE(e->page.windowShown);
  EXPECT_EQ(e->page.windowState, 1);
  const Surface clean = e->surfaces.screen;
  EXPECT_EQ(clean.row(500)[0], (200 * 55) >> 8);
  put("あいう");
  EXPECT_NE(e->surfaces.screen.pixels, clean.pixels);
  NewPage(*e);
  EXPECT_EQ(e->surfaces.screen.pixels, clean.pixels);
  EXPECT_EQ(e->surfaces.window.pixels, clean.pixels);
  EXPECT_TRUE(e->page.empty);
}

TEST_F(MessageWindowTest, FullScreenPageDarkensTheScene) {
  e->vars.sys[150] = 1;
  e->vars.sys[8] = 8;
  NewPage(*e);
  EXPECT_EQ(e->page.windowState, 2);
  EXPECT_EQ(e->surfaces.screen.row(10)[0], (200 * 128) >> 8);
  put("本");  // full screen: row 0, column 0, no indent
  int lit = 0;
  for (int y = 32; y < 32 + 35; ++y)
    for (int x = 32; x < 64; ++x) lit += e->surfaces.window.row(y)[x * 3] > 200;
  EXPECT_GT(lit, 20);
}

TEST_F(MessageWindowTest, CloseWindowWhileSkippingLeavesTheBareScene) {
  NewPage(*e);
  put("あ");
  e->run.skipState = 1;
  const std::int64_t before = host.tickCount();
  CloseWindow(*e);
  EXPECT_EQ(host.tickCount(), before);  // no fade
  EXPECT_FALSE(e->page.windowShown);
  EXPECT_EQ(e->page.windowState, 0);
  EXPECT_EQ(e->surfaces.window.pixels, e->surfaces.scene.pixels);
  EXPECT_EQ(e->surfaces.screen.pixels, e->surfaces.scene.pixels);
}

TEST_F(MessageWindowTest, CloseWindowFadesOverTimeAndEndsOnTheScene) {
  NewPage(*e);
  const std::int64_t before = host.tickCount();
  CloseWindow(*e);
  // 256 / 8 steps of 10 ms at most; at least a few slots when frames are on time.
  EXPECT_GT(host.tickCount(), before);
  EXPECT_LE(host.tickCount() - before, 330);
  EXPECT_EQ(e->surfaces.window.pixels, e->surfaces.scene.pixels);
  EXPECT_EQ(e->run.busy, 0);
}

// Clicks on the scene at its third message pump, as a player would during a fade.
class ClickingHost : public HeadlessHost {
 public:
  ClickingHost() : HeadlessHost(HeadlessOptions{}) {}
  void pumpEvents() override {
    HeadlessHost::pumpEvents();
    if (++pumps == 3 && engine) engine->mouseDown({400, 300}, MouseButton::Left);
  }
  Engine* engine = nullptr;
  int pumps = 0;
};

TEST(MessageWindowClose, AClickEndsTheFadeAtOnce) {
  ClickingHost host;
  Engine e(host, EngineOptions{});
  host.engine = &e;
  e.surfaces.create();
  e.surfaces.scene.fill(200, 200, 200);
  BuildPanelSource(e);
  NewPage(e);
  const std::int64_t before = host.tickCount();
  CloseWindow(e);
  EXPECT_LE(host.tickCount() - before, 40);  // three 10 ms slots, not the whole fade
  EXPECT_GE(host.pumps, 3);
  EXPECT_LE(host.pumps, 4);
  EXPECT_EQ(e.run.cutRequest, 0);
  EXPECT_EQ(e.run.cutAllowed, 0);
  EXPECT_EQ(e.surfaces.window.pixels, e.surfaces.scene.pixels);
  EXPECT_FALSE(e.page.windowShown);
}

TEST_F(MessageWindowTest, HideAndRestoreKeepTheScreen) {
  NewPage(*e);
  put("あ");
  const Surface shown = e->surfaces.window;
  HideWindow(*e);  // S028 = 0: not allowed
  EXPECT_EQ(e->run.gameMode, kStory);
  e->vars.sys[28] = 1;
  HideWindow(*e);
  EXPECT_EQ(e->run.gameMode, kWindowHidden);
  EXPECT_EQ(e->surfaces.window.pixels, e->surfaces.scene.pixels);
  RestoreWindow(*e);
  EXPECT_EQ(e->run.gameMode, kStory);
  EXPECT_EQ(e->surfaces.window.pixels, shown.pixels);
}

TEST_F(MessageWindowTest, ClickIconStepsEverySecondTickWithoutTouchingTheBackBuffer) {
  // Sixteen frames of 24 x 24, frame f coloured (f * 10) on every channel, opaque.
  Surface& pic = e->surfaces.system.sysClickw;
  pic.resize(16 * 24, 48);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 16 * 24; ++x)
      std::fill_n(pic.row(y) + x * 3, 3, y < 24 ? std::uint8_t(x / 24 * 10) : std::uint8_t(255));
  NewPage(*e);
  const Surface back = e->surfaces.screen;
  const int expectedFrame[] = {0, 1, 1, 2, 2, 3};
  for (int frame : expectedFrame) {
    DrawClickWaitIcon(*e);
    EXPECT_EQ(e->surfaces.window.row(570)[770 * 3], (frame * 10 * 255) >> 8);
  }
  EXPECT_EQ(e->surfaces.screen.pixels, back.pixels);

  e->run.skipState = 1;  // no icon while skipping
  const Surface before = e->surfaces.window;
  DrawClickWaitIcon(*e);
  EXPECT_EQ(e->surfaces.window.pixels, before.pixels);
}

TEST(MessageWindowCommands, ModeShowsFullScreenTextAndWinCloseTheBareScene) {
  auto play = [](const std::string& script) {
    test::Game g;
    g.addScripts({{"main", script}});
    g.setSettings("[KANOVELLA]\nDelay=1\n");
    return test::runGame(g, "until-idle\n");
  };
  auto full = play("*gra S888\n*mode 1\nあいう\n\\\nend\n");
  const Surface& f = full.host->frame();
  ASSERT_EQ(f.height, 600);
  EXPECT_EQ(f.row(300)[700 * 3], (128 * 128) >> 8);  // the scene darkened by S008 = 8
  int lit = 0;
  for (int y = 32; y < 32 + 35; ++y)
    for (int x = 32; x < 32 + 3 * 36; ++x) lit += f.row(y)[x * 3] > 200;
  EXPECT_GT(lit, 60);

  auto closed = play("*gra S888\n>Ａ\nかき\n*win_close\n\\\nend\n");
  const Surface& c = closed.host->frame();
  ASSERT_EQ(c.height, 600);
  for (int y : {420, 480, 590}) EXPECT_EQ(c.row(y)[100 * 3], 128) << y;
  EXPECT_FALSE(closed.engine->page.windowShown);
}

TEST(MessageWindowCommands, RightClickHidesTheWindowAndTheNextClickBringsItBack) {
  test::Game g;
  g.addScripts({{"main", "*gra S888\n!S028=1\n>Ａ\nかき\n\\\nおわり\n\\\nend\n"}});
  g.setSettings("[KANOVELLA]\nDelay=1\nRC_MODE=1\n");
  const std::string hidden = g.dir.file("hidden.png"), back = g.dir.file("back.png");
  auto r = test::runGame(g, "until-idle\nclick 400 300 right\nwait 100\nscreenshot " + hidden +
                                "\nclick 400 300\nwait 100\nscreenshot " + back + "\n");
  auto hiddenShot = readPng(hidden), backShot = readPng(back);
  ASSERT_TRUE(hiddenShot.ok() && backShot.ok());
  EXPECT_EQ(hiddenShot->row(500)[100 * 3], 128);  // the bare scene
  EXPECT_LT(backShot->row(500)[100 * 3], 60);     // the panel again
  // The click that restored the window did not also turn the page.
  EXPECT_EQ(
      sjisToUtf8(std::string(reinterpret_cast<const char*>(r.engine->page.grid[1].data() + 2), 4)),
      "かき");
}

TEST(TitleCard, FadesTwoCentredLinesInAndHoldsThem) {
  const std::pair<std::size_t, int> heights[] = {{1, 72}, {15, 72}, {16, 48}, {23, 48}, {24, 32}};
  for (auto [bytes, height] : heights) EXPECT_EQ(TitleCardHeight(bytes), height) << bytes;

  test::Game g;
  g.addScripts({{"main", "*gra S000\n*subtitle 第一章,霧の夜\n>Ａ\nあ\n\\\nend\n"}});
  g.setSettings("[KANOVELLA]\nDelay=1\n");
  const std::string shot = g.dir.file("card.png");
  auto r = test::runGame(
      g, "wait 3500\nscreenshot " + shot + "\nuntil-idle\nstate " + g.dir.file("s.json") + "\n");
  auto card = readPng(shot);
  ASSERT_TRUE(card.ok());
  auto litColumns = [&](int y0, int y1) {
    int left = 800, right = -1;
    for (int y = y0; y < y1; ++y)
      for (int x = 0; x < 800; ++x)
        if (card->row(y)[x * 3] > 200) left = std::min(left, x), right = std::max(right, x);
    return std::pair{left, right};
  };
  // Six bytes: 72 pixels high, centred in the left 640 pixels at y 120.
  auto [l1, r1] = litColumns(110, 210);
  EXPECT_NEAR((l1 + r1) / 2, 320, 12);
  EXPECT_GT(r1 - l1, 150);
  auto [l2, r2] = litColumns(250, 350);
  EXPECT_NEAR((l2 + r2) / 2, 400, 12);
  EXPECT_EQ(litColumns(0, 100).second, -1);
  // The story went on once the card had been held.
  EXPECT_TRUE(r.engine->page.windowShown);
  EXPECT_GE(r.host->tickCount(), 300 + 2 * 1280 + 1500);  // 64 frames of 20 ms per line
}

}  // namespace
}  // namespace torvan
