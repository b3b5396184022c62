// Frame pacing and the transition types on a virtual clock: how long each type runs,
// what it shows on the way, and how a click, the fast setting and skipping end it.
#include <gtest/gtest.h>

#include <vector>

#include "core/engine.h"
#include "core/quiet_host.h"
#include "graphics/frame_clock.h"
#include "graphics/transition.h"

namespace torvan {
namespace {

// Time moves only by sleeping; a click may be scheduled at a virtual time and is
// delivered by the next message dispatch after it, as the input handling does.
class ClockHost : public QuietHost {
 public:
  void present(const Surface& s, const Rect&) override {
    frame = s;
    ++presents;
    if (keepFrames) frames.push_back({now, s});
  }
  void pumpEvents() override {
    ++pumps;
    if (engine && clickAt >= 0 && now >= clickAt && engine->run.cutAllowed) {
      engine->run.cutRequest = 1;
      clickAt = -1;
    }
  }
  void sleep(int ms) override {
    sleeps.push_back(ms);
    now += ms;
  }

  struct Shot {
    std::int64_t at;
    Surface picture;
  };
  ClockHost() { now = 1000; }

  Engine* engine = nullptr;
  std::int64_t clickAt = -1;
  int presents = 0;
  int pumps = 0;
  bool keepFrames = false;
  std::vector<int> sleeps;
  std::vector<Shot> frames;
  Surface frame;
};

TEST(FramePacing, FrameWaitSleepsToTheNextPeriodAndCountsDroppedFrames) {
  ClockHost h;
  FrameClock c;
  FrameStart(h, c);
  h.now += 45;
  EXPECT_EQ(FrameWait(h, c, 20), 3);
  EXPECT_EQ(h.sleeps.back(), 15);
  EXPECT_EQ(h.now, c.frameStart);  // the frame start moved to 1060

  FrameStart(h, c);
  h.now += 5;
  EXPECT_EQ(FrameWait(h, c, 20), 1);
  EXPECT_EQ(h.sleeps.back(), 15);

  // Exactly one period late: the next period's end, two frames.
  FrameStart(h, c);
  h.now += 20;
  EXPECT_EQ(FrameWait(h, c, 20), 2);
  EXPECT_EQ(h.sleeps.back(), 20);
  EXPECT_GE(h.pumps, 3);

  const int before = int(h.sleeps.size());
  WaitUntil(h, h.now - 5);  // in the past: no sleep, messages still dispatched
  EXPECT_EQ(int(h.sleeps.size()), before);
  WaitUntil(h, h.now + 7);
  EXPECT_EQ(h.sleeps.back(), 7);
}

class TransitionTest : public ::testing::Test {
 protected:
  TransitionTest() : engine(host, EngineOptions{}) {
    host.engine = &engine;
    engine.surfaces.create();
    engine.vars.sys[20] = 250;
    engine.vars.sys[21] = 550;
    engine.rng.seed(7);
  }

  // Old picture flat, new picture a pattern, so a wrong or partial copy shows.
  void setPictures() {
    Surfaces& s = engine.surfaces;
    s.previous.fill(10, 20, 30);
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x) {
        std::uint8_t* p = s.screen.row(y) + x * 3;
        p[0] = std::uint8_t(x);
        p[1] = std::uint8_t(y);
        p[2] = std::uint8_t(x ^ y);
      }
    s.window = s.previous;
  }

  std::int64_t run(int type) {
    setPictures();
    host.presents = 0;
    const std::int64_t start = host.now;
    RunTransition(engine, type);
    return host.now - start;
  }

  ClockHost host;
  Engine engine;
};

TEST_F(TransitionTest, EveryTypeTakesItsStepsAndEndsOnTheNewPicture) {
  // Virtual milliseconds each type runs when no frame is late.
  const int duration[kTransitionCount] = {0,   240,  320,  1400, 1500, 2320, 130, 900,  800,
                                          880, 1710, 1770, 2700, 6450, 1000, 0,   1410, 3200,
                                          480, 600,  1600, 465,  465,  465,  5240};
  for (int type = 0; type < kTransitionCount; ++type) {
    EXPECT_EQ(run(type), duration[type]) << "type " << type;
    EXPECT_EQ(host.frame.pixels, engine.surfaces.screen.pixels) << "type " << type;
    if (type > 0) {
      EXPECT_GT(host.presents, 5) << "type " << type;
    }
    EXPECT_EQ(engine.run.busy, 0);
    EXPECT_EQ(engine.run.cutAllowed, 0);
    EXPECT_EQ(engine.vars.sys[19], 0);
  }
}

TEST_F(TransitionTest, IntermediatePicturesFollowEachType) {
  host.keepFrames = true;
  auto pixel = [](const Surface& s, int x, int y) { return s.row(y)[x * 3]; };

  run(2);  // after the first step rows 0, 16, 32, ... are new, the rest old
  const Surface& first = host.frames.front().picture;
  EXPECT_EQ(pixel(first, 123, 16), 123);
  EXPECT_EQ(pixel(first, 123, 17), 10);

  host.frames.clear();
  run(6);  // the first cross-fade level is 48 of 256 of the new picture
  const Surface& fade = host.frames.front().picture;
  EXPECT_EQ(pixel(fade, 200, 0), (200 * 48 + 10 * 208) >> 8);

  host.frames.clear();
  run(19);  // one frame in: the new picture's last 20 columns stand at the left
  const Surface& push = host.frames[1].picture;
  EXPECT_EQ(pixel(push, 0, 5), std::uint8_t(780));
  EXPECT_EQ(pixel(push, 25, 5), 10);
}

TEST_F(TransitionTest, RandomTypesFollowTheSeed) {
  host.keepFrames = true;
  run(14);
  std::vector<ClockHost::Shot> a = std::move(host.frames);
  host.frames.clear();
  engine.rng.seed(7);
  run(14);
  ASSERT_EQ(a.size(), host.frames.size());
  for (std::size_t i = 0; i < a.size(); ++i)
    ASSERT_EQ(a[i].picture.pixels, host.frames[i].picture.pixels) << i;
}

TEST_F(TransitionTest, AClickCutsToTheNewPicture) {
  struct Case {
    int type;
    int s019;    // types 9, 13 and 24 leave it at 0
    bool early;  // type 6 notices the click only after the fade
  };
  const Case cases[] = {{1, 1, true}, {13, 0, true}, {24, 0, true}, {12, 1, true}, {6, 1, false}};
  for (const Case& c : cases) {
    host.clickAt = host.now + 60;
    const std::int64_t took = run(c.type);
    EXPECT_EQ(host.frame.pixels, engine.surfaces.screen.pixels) << c.type;
    EXPECT_EQ(engine.vars.sys[19], c.s019) << c.type;
    if (c.early) {
      EXPECT_LE(took, 120) << c.type;
    }
    if (!c.early) {
      EXPECT_EQ(took, 130);
    }
    EXPECT_EQ(engine.run.cutRequest, 1) << "the command after the transition serves it";
    EXPECT_EQ(engine.run.busy, 0);
    host.clickAt = -1;
  }
}

TEST_F(TransitionTest, FastSettingSkippingAndBadNumbersGiveACut) {
  engine.settings.gMode = 1;
  EXPECT_EQ(run(13), 0);
  EXPECT_EQ(host.presents, 1);
  EXPECT_EQ(host.frame.pixels, engine.surfaces.screen.pixels);
  engine.settings.gMode = 0;

  engine.run.skipState = 1;
  EXPECT_EQ(run(24), 0);
  EXPECT_EQ(host.presents, 1);
  engine.run.skipState = 0;

  EXPECT_EQ(run(-3), 0);
  EXPECT_EQ(host.presents, 1);

  // Beyond 24 nothing new is shown, but the flags are still put back.
  EXPECT_EQ(run(25), 0);
  EXPECT_EQ(host.presents, 0);
  EXPECT_EQ(engine.run.busy, 0);

  // Full-screen text keeps the new frame as the next transition's start.
  engine.vars.sys[sys::kFullScreenText] = 1;
  run(0);
  EXPECT_EQ(engine.surfaces.previous.pixels, engine.surfaces.screen.pixels);
}

TEST_F(TransitionTest, CheckeredFadeUsesSixteenLevelsForOutOfRangeCounts) {
  for (int levels : {0, 200}) {
    engine.vars.sys[16] = levels;
    EXPECT_EQ(run(17), 64 * 50) << levels;
  }
  engine.vars.sys[16] = 2;
  EXPECT_EQ(run(17), 8 * 50);
}

}  // namespace
}  // namespace torvan
