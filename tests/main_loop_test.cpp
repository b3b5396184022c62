// The idle pass and the timer: waits, their release by clicks, auto and skipping, and
// the pacing of text, on the headless host's virtual clock.
#include <gtest/gtest.h>

#include "core/main_loop.h"
#include "interpreter_support.h"

namespace torvan {
namespace {

using test::Game;
using test::pageRow;
using test::play;
using test::stateOf;

TEST(Waits, AutoCountdownFollowsThePageAndReleasesOnTheLastTick) {
  EXPECT_EQ(autoCountdownTicks(28, 5), 21);
  EXPECT_EQ(autoCountdownTicks(26, 1), 8);
  EXPECT_EQ(autoCountdownTicks(26, 10), 39);
  EXPECT_EQ(autoCountdownTicks(26, 20), 26 + 63);  // no division by zero or below

  Game g;
  auto r = play(g, {{"main", "!S026=5\n>A\nabcdefghijklmnopqrstuvwxyz01\n\\\n!V001=1\n=\n"}},
                "until-idle\n", "Delay=1\n");
  Engine& e = *r.engine;
  ASSERT_EQ(e.run.waitMode, 1);
  EXPECT_EQ(e.run.autoCountdown, 21);
  for (int i = 0; i < 20; ++i) e.timerTick();
  EXPECT_EQ(e.run.waitMode, 1);
  e.timerTick();
  EXPECT_EQ(e.run.waitMode, 0);
  EXPECT_TRUE(e.page.empty);  // the window is shown, so the page was cleared
}

TEST(Waits, LineWaitUnderAutoKeepsThePage) {
  Game g;
  auto r = play(g, {{"main", "!S026=1\n>A\nabc\n=\n"}}, "until-idle\n", "Delay=1\n");
  Engine& e = *r.engine;
  ASSERT_EQ(e.run.waitMode, 2);
  EXPECT_EQ(e.run.autoCountdown, 6);
  for (int i = 0; i < 6; ++i) e.timerTick();
  EXPECT_EQ(e.run.waitMode, 0);
  EXPECT_EQ(pageRow(stateOf(r), 1), "  abc");
}

TEST(Waits, PercentAloneWaitsTenTicks) {
  Game g;
  auto r = play(g, {{"main", "%\n%3\n=\n"}}, "wait 45\n");
  Engine& e = *r.engine;
  EXPECT_EQ(e.run.waitTicks, 10);
  for (int i = 0; i < 10; ++i) e.timerTick();
  EXPECT_EQ(e.run.waitTicks, 0);
}

TEST(Waits, SleepCountsIdlePassesOrWaitsForAClick) {
  Game g;
  auto r = play(g, {{"main", "*sleep 300\n!V001=1\n=\n"}}, "wait 345\n");
  EXPECT_EQ(r.engine->run.sleepTicks, 0);
  EXPECT_EQ(r.engine->vars.val[1], 0);
  Game g2;
  auto r2 = play(g2, {{"main", "*sleep 300\n!V001=1\n=\n"}}, "wait 375\n");
  EXPECT_EQ(r2.engine->vars.val[1], 1);

  // 20 ms is no whole pass: a click ends it and does nothing else.
  Game g3;
  auto r3 = play(g3, {{"main", "*sleep 20\n!V001=1\n=\n"}}, "until-idle\nwait 1000\n");
  EXPECT_EQ(r3.engine->run.sleepTicks, -1);
  EXPECT_EQ(r3.engine->vars.val[1], 0);
  Game g4;
  auto r4 = play(g4, {{"main", "*sleep 20\n!V001=1\n=\n"}}, "until-idle\nclick 5 5\nwait 100\n");
  EXPECT_EQ(r4.engine->vars.val[1], 1);
  EXPECT_EQ(r4.engine->run.waitMode, 2);
}

TEST(Waits, AClickReleasesAPageWaitAndClearsThePage) {
  Game g;
  auto r = play(g, {{"main", ">A\nabc\n\\\n!V001=1\ndef\n=\n"}},
                "until-idle\nclick 5 5\nuntil-idle\n", "Delay=1\n");
  QJsonObject s = stateOf(r);
  EXPECT_EQ(r.engine->vars.val[1], 1);
  EXPECT_EQ(s["waitMode"].toInt(), 2);
  EXPECT_EQ(pageRow(s, 1), "  def");
}

TEST(Waits, CtrlDuringAPageWaitClearsThePageAtTheNextPass) {
  Game g;
  auto r = play(g, {{"main", ">A\nabc\n\\\n!V001=1\n"}}, "until-idle\nkey ctrl down\nwait 35\n",
                "Delay=1\n");
  EXPECT_EQ(r.engine->vars.val[1], 1);
  EXPECT_EQ(pageRow(stateOf(r), 1), "");
}

TEST(Pacing, OneCharacterPerPassOrAWholeLinePerPass) {
  // Per-character display: the first step runs at 30 ms, then one character a pass.
  Game g;
  auto r = play(g, {{"main", "abc\ndef\n=\n"}}, "wait 75\n");
  EXPECT_EQ(pageRow(stateOf(r), 1), "  ab");
  // Display off: the whole line in one pass, the next line in the next.
  Game g2;
  auto r2 = play(g2, {{"main", "abc\ndef\n=\n"}}, "wait 45\n", "Delay=1\n");
  QJsonObject s = stateOf(r2);
  EXPECT_EQ(pageRow(s, 1), "  abc");
  EXPECT_EQ(pageRow(s, 2), "");
  // A click while text is drawn shows the rest of the page at once.
  Game g3;
  auto r3 = play(g3, {{"main", "abcdef\nghi\n=\n"}}, "wait 45\nclick 5 5\nwait 100\n");
  QJsonObject s3 = stateOf(r3);
  EXPECT_EQ(pageRow(s3, 1), "  abcdef");
  EXPECT_EQ(pageRow(s3, 2), "  ghi");
}

TEST(Pacing, CharDelayAddsTicksPerCharacter) {
  Game g;
  auto r = play(g, {{"main", "[delay 3]ab\n=\n"}}, "wait 45\n");
  EXPECT_EQ(r.engine->run.waitTicks, 2);
  EXPECT_EQ(r.engine->run.charDelay, 3);
  // Delay 0 draws the rest of the line in one step even with per-character display.
  Game g2;
  auto r2 = play(g2, {{"main", "[delay 0]abc\n=\n"}}, "wait 45\n");
  EXPECT_EQ(pageRow(stateOf(r2), 1), "  abc");
}

}  // namespace
}  // namespace torvan
