// A message window in state 2 waits for the transition: the transition runs from the
// bare scene and the window with its page joins the frame afterwards. Full-screen text
// (the one style that reaches state 2 from a script) has no panel to add.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/engine.h"
#include "core/sjis.h"
#include "graphics/scene.h"
#include "headless_support.h"
#include "platform/headless/headless_host.h"
#include "text/glyph_draw.h"
#include "text/message_window.h"
#include "text/page_text.h"

namespace torvan {
namespace {

int brightIn(const Surface& f, int x0, int y0, int x1, int y1) {
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += f.row(y)[x * 3 + 2] > 200;
  return n;
}

TEST(WindowAfterTransition, WindowStyleStateTwoShowsThePanelAndPageAfterTheNewScene) {
  HeadlessHost host{HeadlessOptions{}};
  Engine e(host, EngineOptions{});
  e.surfaces.create();
  RebuildGlyphCache(e);
  BuildPanelSource(e);
  e.surfaces.background.fill(100, 100, 100);
  Redraw(e, 0);
  NewPage(e);
  const std::string text = *utf8ToSjis("かき");
  for (std::size_t i = 0; i < text.size(); i += 2) PutChar(e, std::string_view(text).substr(i, 2));
  const Surface oldScene = e.surfaces.scene;

  e.page.windowShown = false;
  e.page.windowState = 2;
  e.surfaces.background.fill(160, 160, 160);
  Redraw(e, 0);

  // The transition started from the scene without the window.
  EXPECT_EQ(e.surfaces.previous.pixels, oldScene.pixels);
  const Surface& f = host.frame();
  EXPECT_EQ(f.row(300)[0], 160);                   // the new scene
  EXPECT_EQ(f.row(500)[10 * 3], (160 * 55) >> 8);  // under the black panel at 200
  EXPECT_GT(brightIn(f, 80, 473, 200, 508), 40);   // the page's text
  EXPECT_EQ(f.pixels, e.surfaces.screen.pixels);   // window and frame agree
  EXPECT_TRUE(e.page.windowShown);                 // so closing takes it away again
}

TEST(WindowAfterTransition, FullScreenTextKeepsItsDarkenedSceneWithoutAPanel) {
  test::Game g;
  // The window-style page builds a panel over grey; the full-screen page then turns
  // the window state to 2 and a cut to white follows.
  g.addScripts({{"main", "*gra S888\n>Ａ\nかき\n*mode 1\nあ\n*gra Sggg 0\n\\\nend\n"}});
  g.setSettings("[KANOVELLA]\nDelay=1\n");
  auto r = test::runGame(g, "until-idle\n");
  ASSERT_EQ(r.engine->page.windowState, 2);
  const Surface& f = r.host->frame();
  ASSERT_EQ(f.height, 600);
  // White darkened by S008 = 8 everywhere, the bottom rows included.
  for (int y : {10, 300, 420, 500, 599}) EXPECT_EQ(f.row(y)[700 * 3], (255 * 128) >> 8) << y;
  EXPECT_FALSE(r.engine->page.windowShown);
}

}  // namespace
}  // namespace torvan
