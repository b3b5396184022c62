// The small effects of "special " and the window shake on a virtual clock: what each
// shows and for how long, how the shake moves the window and ends in place, the credits
// roll with its "endroll" data (well-formed, damaged or missing) and the completion
// figure.
#include "graphics/screen_effects.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "core/engine.h"
#include "core/quiet_host.h"
#include "headless_support.h"
#include "modes/credits_roll.h"
#include "script/interpreter.h"

namespace torvan {
namespace {

using Scripts = std::vector<std::pair<std::string, std::string>>;

// Records what the engine shows and where it puts the window; time moves only by
// sleeping, plus an optional lag on the first dispatch (a slow frame).
class RecordingHost : public QuietHost {
 public:
  RecordingHost() { now = 1000; }
  void present(const Surface& s, const Rect&) override {
    frame = s;
    if (keepFrames && (keepOnly.empty() || std::count(keepOnly.begin(), keepOnly.end(), presents)))
      frames.push_back(s);
    ++presents;
    if (engine && quitAfterPresents > 0 && presents >= quitAfterPresents) engine->run.quit = true;
  }
  void pumpEvents() override {
    now += lagOnce;
    lagOnce = 0;
  }
  void setWindowOffset(int dx, int dy) override { offsets.push_back({dx, dy}); }

  Engine* engine = nullptr;
  int presents = 0;
  int quitAfterPresents = 0;
  int lagOnce = 0;
  bool keepFrames = false;
  std::vector<int> keepOnly;  // present indices to keep (all when empty)
  Surface frame;
  std::vector<Surface> frames;
  std::vector<std::pair<int, int>> offsets;
};

std::array<int, 3> pixel(const Surface& s, int x, int y) {
  const std::uint8_t* p = s.row(y) + x * 3;
  return {p[0], p[1], p[2]};
}

// An engine started on a game folder holding the given scripts (UTF-8, "\n" lines).
class EffectsTest : public ::testing::Test {
 protected:
  void start(const Scripts& scripts) {
    game.addScripts(scripts);
    engine = std::make_unique<Engine>(host, game.options());
    host.engine = engine.get();
    testing::internal::CaptureStderr();
    engine->formCreate();
    warnings += testing::internal::GetCapturedStderr();
    engine->run.firstStep = false;
  }

  // Runs "main" from its start until it yields; returns the virtual time it took.
  std::int64_t runMain() {
    testing::internal::CaptureStderr();
    const std::int64_t t0 = host.now;
    EXPECT_TRUE(LoadScenario(*engine, "main", ScenarioTarget::Story));
    RunStep(*engine);
    warnings += testing::internal::GetCapturedStderr();
    return host.now - t0;
  }

  test::Game game;
  RecordingHost host;
  std::unique_ptr<Engine> engine;
  std::string warnings;
};

TEST_F(EffectsTest, WhiteFlashShowsSevenWhiteFramesAndEndsOnThePicture) {
  start({{"main", "*special 0\n=\n"}});
  Surfaces& s = engine->surfaces;
  s.window.fill(10, 20, 30);
  host.keepFrames = true;
  EXPECT_EQ(runMain(), 7 * 40);
  ASSERT_EQ(host.presents, 14);
  for (int i = 0; i < 14; ++i) {
    const std::array<int, 3> want = i % 2 == 0 ? std::array{255, 255, 255} : std::array{10, 20, 30};
    EXPECT_EQ(pixel(host.frames[std::size_t(i)], 400, 300), want) << i;
  }
  EXPECT_EQ(host.frame.pixels, s.work.pixels);
  EXPECT_EQ(engine->run.busy, 0);
}

TEST(DarkenBand, RowsOutsideTheBandTakeTheLevelInSixteenths) {
  struct Case {
    int top, bottom, level;
    std::vector<std::pair<int, int>> rowValue;  // row, expected byte (all start at 160)
  };
  const Case cases[] = {
      {100, 200, 8, {{0, 80}, {99, 80}, {100, 160}, {199, 160}, {200, 80}, {599, 80}}},
      {100, 200, 0, {{50, 0}, {150, 160}}},
      {100, 200, 32, {{50, 255}, {150, 160}}},  // brightened, capped rather than wrapped
      {100, 200, -4, {{50, 0}}},
      {300, 100, 8, {{50, 80}, {200, 80}, {350, 80}}},  // inverted: no band
      {-50, 5000, 4, {{0, 160}, {599, 160}}},           // clipped: all inside
      {590, 700, 12, {{589, 120}, {590, 160}, {599, 160}}},
  };
  for (const Case& c : cases) {
    Surface s;
    s.resize(800, 600);
    s.fill(160, 160, 160);
    DarkenOutsideRows(s, c.top, c.bottom, c.level);
    for (auto [row, value] : c.rowValue) {
      EXPECT_EQ(pixel(s, 0, row), (std::array{value, value, value}))
          << c.top << "," << c.bottom << "," << c.level << " row " << row;
      EXPECT_EQ(pixel(s, 799, row), (std::array{value, value, value})) << row;
    }
  }
}

TEST_F(EffectsTest, DarkenCommandReadsItsRowsAndShowsTheBackBuffer) {
  start({{"main", "*special 2 100,200,8\n=\n"}});
  engine->surfaces.screen.fill(160, 160, 160);
  EXPECT_EQ(runMain(), 0);
  EXPECT_EQ(pixel(host.frame, 5, 99), (std::array{80, 80, 80}));
  EXPECT_EQ(pixel(host.frame, 5, 150), (std::array{160, 160, 160}));
  EXPECT_EQ(host.frame.pixels, engine->surfaces.screen.pixels);
}

TEST_F(EffectsTest, SepiaFadeTonesTheSceneAndFadesFromWhatTheWindowShowed) {
  start({{"main", "*special 3\n=\n"}});
  Surfaces& s = engine->surfaces;
  s.scene.fill(30, 60, 90);      // blue, green, red: a = 60
  s.window.fill(200, 200, 200);  // on the window now
  s.previous.fill(0, 0, 255);    // an older picture that must not show
  host.keepFrames = true;
  EXPECT_EQ(runMain(), 26 * 20);  // a = 48, 56, ... 248 at 20 ms each
  const std::array<int, 3> sepia{15, 45, 60};
  EXPECT_EQ(pixel(s.scene, 123, 45), sepia);
  EXPECT_EQ(pixel(s.screen, 123, 45), sepia);
  EXPECT_EQ(pixel(host.frame, 123, 45), sepia);
  ASSERT_EQ(host.frames.size(), 27u);
  const Surface& first = host.frames.front();
  EXPECT_EQ(pixel(first, 0, 0), (std::array{(15 * 48 + 200 * 208) >> 8, (45 * 48 + 200 * 208) >> 8,
                                            (60 * 48 + 200 * 208) >> 8}));
  EXPECT_EQ(engine->run.busy, 0);
}

TEST(SepiaTone, KnownPixels) {
  Surface s;
  s.resize(3, 1);
  const std::uint8_t in[9] = {255, 255, 255, 0, 0, 0, 10, 20, 31};
  std::copy(in, in + 9, s.row(0));
  SepiaTone(s);
  EXPECT_EQ(pixel(s, 0, 0), (std::array{63, 191, 255}));
  EXPECT_EQ(pixel(s, 1, 0), (std::array{0, 0, 0}));
  EXPECT_EQ(pixel(s, 2, 0), (std::array{5, 15, 20}));  // a = 61 / 3 = 20
}

TEST_F(EffectsTest, ShakeMovesByBitOneOfTheOffsetAndEndsInPlace) {
  struct Case {
    const char* line;
    std::int64_t ms;
    std::vector<std::pair<int, int>> offsets;
  };
  const Case cases[] = {
      {"*shake 0",
       500,
       {{0, -20},
        {0, 18},
        {0, -16},
        {0, 14},
        {0, -12},
        {0, 10},
        {0, -8},
        {0, 6},
        {0, -4},
        {0, 2},
        {0, 0}}},
      {"*shake 1,7,30", 120, {{7, 0}, {-5, 0}, {3, 0}, {-1, 0}, {0, 0}}},
      {"*shake 5,6,10", 30, {{0, 0}}},  // other types only wait
      {"*shake 0,0", 0, {{0, 0}}},
      {"*special 1",
       500,
       {{0, -20},
        {0, 18},
        {0, -16},
        {0, 14},
        {0, -12},
        {0, 10},
        {0, -8},
        {0, 6},
        {0, -4},
        {0, 2},
        {0, 0}}},
  };
  Scripts scripts;
  for (std::size_t i = 0; i < std::size(cases); ++i)
    scripts.push_back({"s" + std::to_string(i), std::string(cases[i].line) + "\n=\n"});
  scripts.push_back({"main", "=\n"});
  start(scripts);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    host.offsets.clear();
    const std::int64_t t0 = host.now;
    ASSERT_TRUE(LoadScenario(*engine, "s" + std::to_string(i), ScenarioTarget::Story));
    RunStep(*engine);
    EXPECT_EQ(host.now - t0, cases[i].ms) << cases[i].line;
    EXPECT_EQ(host.offsets, cases[i].offsets) << cases[i].line;
    EXPECT_EQ(engine->run.busy, 0);
  }
}

TEST_F(EffectsTest, DiagonalShakeTakesEightDirectionsAndALateFrameDropsSteps) {
  start({{"main", "*shake 2,16,40\n=\n"}});
  EXPECT_EQ(runMain(), 8 * 40);
  ASSERT_EQ(host.offsets.size(), 9u);
  for (std::size_t i = 0; i < 8; ++i) {
    const int p = 16 - 2 * int(i);
    const auto [dx, dy] = host.offsets[i];
    EXPECT_TRUE((dx == 0 || std::abs(dx) == p) && (dy == 0 || std::abs(dy) == p) &&
                (dx != 0 || dy != 0))
        << i << ": " << dx << "," << dy;
  }
  EXPECT_EQ(host.offsets.back(), (std::pair{0, 0}));

  // 100 ms lost in the first frame: three periods have passed, so the next offset is 14.
  host.offsets.clear();
  host.lagOnce = 100;
  ShakeWindow(*engine, 0, 20, 50);
  ASSERT_GE(host.offsets.size(), 2u);
  EXPECT_EQ(host.offsets[1], (std::pair{0, 14}));
  EXPECT_EQ(host.offsets.back(), (std::pair{0, 0}));
}

TEST_F(EffectsTest, ShakeIsLeftOutWhileSkippingWithEffectCutOnly) {
  start({{"main", "*shake 0\n=\n"}});
  engine->run.skipState = 1;
  engine->settings.efxCut = 1;
  EXPECT_EQ(runMain(), 0);
  EXPECT_TRUE(host.offsets.empty());
  EXPECT_NE(engine->script.pc, 0);  // went past the line and yielded

  engine->settings.efxCut = 0;
  EXPECT_EQ(runMain(), 500);
  EXPECT_EQ(host.offsets.size(), 11u);
}

TEST(EndrollData, LinesBetweenTheStarsAndTheirFaults) {
  auto parse = [](const std::string& text) {
    std::vector<std::uint8_t> bytes;
    for (char c : text) bytes.push_back(c == '\n' ? 0 : std::uint8_t(c));
    return ParseEndroll(bytes);
  };
  struct Case {
    std::string text;
    int frameMs;
    std::vector<std::string> lines;
    std::size_t faults;
  };
  const Case cases[] = {
      {"40\nA,1\nB,2\n*\nfirst\n\nthird\n*\nafter\n", 40, {"first", "", "third"}, 0},
      {"25\r\n*\r\none\r\n*", 25, {"one"}, 0},
      {"-7\n*\nx", -7, {"x"}, 1},     // no closing "*": to the end
      {"30\nA,1\nB,2\n", 30, {}, 1},  // no "*" at all
      {"", 0, {}, 1},
      {"*\none\n*\n", 0, {}, 1},  // the first line is the frame time, not a "*"
      {"99999999999\n*\n*\n", 2147483647, {}, 0},
  };
  for (const Case& c : cases) {
    const EndrollScript s = parse(c.text);
    EXPECT_EQ(s.frameMs, c.frameMs) << c.text;
    EXPECT_EQ(s.lines, c.lines) << c.text;
    EXPECT_EQ(s.faults.size(), c.faults) << c.text;
  }

  std::string many = "30\n*\n";
  for (int i = 0; i < 1500; ++i) many += "line\n";
  const EndrollScript s = parse(many + "*\n");
  EXPECT_EQ(s.lines.size(), kMaxCreditLines);
  EXPECT_EQ(s.faults.size(), 1u);

  const std::pair<int, int> frameTimes[] = {{0, 30},  {-5, 30},   {1, 1},
                                            {45, 45}, {100, 100}, {5000, 100}};
  for (auto [written, used] : frameTimes) EXPECT_EQ(CreditsFrameMs(written), used) << written;
}

TEST(CreditsPanel, StripWindowWithFadedRows) {
  CreditsStrip strip;
  strip.height = 700;
  strip.lit.assign(std::size_t(strip.height) * CreditsStrip::kWidth, 1);
  for (int x = 0; x < CreditsStrip::kWidth; ++x)
    strip.lit[std::size_t(300 * CreditsStrip::kWidth + x)] = 0;
  strip.lit[std::size_t(250 * CreditsStrip::kWidth + 63)] = 0;  // left of the window: unseen
  strip.lit[std::size_t(250 * CreditsStrip::kWidth + 64)] = 0;  // the window's first column
  Surface panel;
  panel.resize(256, 600);
  DrawCreditsPanel(strip, 200, panel);
  const std::pair<int, int> rowValue[] = {
      {0, 0},     {10, 20}, {127, 254}, {128, 255}, {100, 0}, {351, 255}, {352, 254},
      {400, 158}, {479, 0}, {480, 255}, {499, 255}, {500, 0}, {599, 0}};
  // Row 100 is strip row 300 (dark); rows from 500 lie past the strip's end.
  for (auto [row, value] : rowValue)
    EXPECT_EQ(pixel(panel, 128, row), (std::array{value, value, value})) << row;
  EXPECT_EQ(pixel(panel, 0, 50)[0], 0);
  EXPECT_EQ(pixel(panel, 1, 50)[0], 100);
}

class CreditsRollTest : public EffectsTest {
 protected:
  static std::string endroll(const std::string& frameTime, int lines) {
    std::string s = frameTime + "\n監督,1\n音楽,2\n*\n";
    for (int i = 0; i < lines; ++i) s += "　　スタッフ" + std::to_string(i) + "\n";
    return s + "*\n";
  }
  // Lit pixels in the panel's column range of a frame.
  static int litPixels(const Surface& f) {
    int n = 0;
    for (int y = 0; y < 600; ++y)
      for (int x = 544; x < 800; ++x) n += f.row(y)[x * 3] != 0;
    return n;
  }
};

TEST_F(CreditsRollTest, RollsEveryLineThroughTheWindowInItsFrameTime) {
  start({{"main", "*special 5\n=\n"}, {"endroll", endroll("40", 3)}});
  engine->surfaces.background.fill(1, 2, 3);
  host.keepFrames = true;
  const int frames = (32 * 3 + 600) / 2;
  host.keepOnly = {0, frames / 2};
  EXPECT_EQ(runMain(), std::int64_t(frames) * 40);
  ASSERT_EQ(host.presents, frames);
  ASSERT_EQ(host.frames.size(), 2u);
  EXPECT_EQ(litPixels(host.frames.front()), 0);  // the strip starts with a blank screen
  // Half way the lines stand in the middle of the panel, drawn at full white.
  const Surface& middle = host.frames[1];
  EXPECT_GT(litPixels(middle), 100);
  bool fullWhite = false;
  for (int y = 128; y < 352; ++y)
    for (int x = 544; x < 800; ++x) fullWhite |= pixel(middle, x, y) == std::array{255, 255, 255};
  EXPECT_TRUE(fullWhite);
  EXPECT_EQ(litPixels(host.frame), 0);  // and all of them have gone by the end
  EXPECT_EQ(pixel(middle, 543, 300), (std::array{1, 2, 3}));
  EXPECT_EQ(engine->run.busy, 0);
  EXPECT_TRUE(warnings.empty()) << warnings;
}

TEST_F(CreditsRollTest, StopsAtOnceWhenTheGameIsClosing) {
  start({{"main", "*special 5\n=\n"}, {"endroll", endroll("30", 20)}});
  host.quitAfterPresents = 5;
  EXPECT_EQ(runMain(), 5 * 30);  // the frame being shown still has its time
  EXPECT_EQ(host.presents, 5);
  EXPECT_EQ(engine->run.busy, 0);
}

TEST_F(CreditsRollTest, DamagedOrMissingDataNeverHangs) {
  struct Case {
    const char* what;
    std::string data;  // empty: no "endroll" entry
    std::int64_t ms;
  };
  const Case cases[] = {
      {"missing", "", 0},
      {"no star", "30\nA,1\n", 0},
      {"only a frame time", "30", 0},
      {"zero frame time", endroll("0", 2), 332 * 30},  // the usual pace instead
      {"negative frame time", endroll("-40", 2), 332 * 30},
      {"huge frame time", endroll("999999999", 2), 332 * 100},  // cut to 100 ms
      {"no closing star", "20\n*\n　　終わりのない", 316 * 20},
  };
  for (const Case& c : cases) {
    test::Game g;
    RecordingHost h;
    Scripts scripts = {{"main", "*special 5\n=\n"}};
    if (!c.data.empty()) scripts.push_back({"endroll", c.data});
    g.addScripts(scripts);
    Engine e(h, g.options());
    testing::internal::CaptureStderr();
    e.formCreate();
    ASSERT_TRUE(LoadScenario(e, "main", ScenarioTarget::Story));
    const std::int64_t t0 = h.now;
    RunStep(e);
    const std::string stderrText = testing::internal::GetCapturedStderr();
    EXPECT_EQ(h.now - t0, c.ms) << c.what;
    EXPECT_NE(stderrText.find("endroll"), std::string::npos) << c.what << ": " << stderrText;
    EXPECT_EQ(e.run.busy, 0) << c.what;
  }
}

TEST(Completion, CountsTheStoryFlagsOnly) {
  struct Case {
    std::vector<std::pair<int, int>> ranges;  // flags set, inclusive
    int percent;
  };
  const Case cases[] = {
      {{}, 0},
      {{{1, 38}}, 16},                                    // 38 * 100 / 228
      {{{0, 0}, {39, 100}, {132, 200}, {608, 1023}}, 0},  // all outside the ranges
      {{{1, 38}, {101, 131}, {201, 250}, {301, 337}, {401, 444}, {501, 521}, {601, 607}}, 100},
      {{{601, 607}, {1, 1}}, 3},  // 8 * 100 / 228
      {{{0, 1023}}, 100},
  };
  for (const Case& c : cases) {
    FlagBank<128> evr;
    for (auto [a, b] : c.ranges)
      for (int n = a; n <= b; ++n) evr.set(std::size_t(n), true);
    EXPECT_EQ(CompletionPercent(evr), c.percent);
  }
}

TEST_F(EffectsTest, CompletionFigureIsDrawnWhiteEndingAtX570) {
  start({{"main", "*special 6\n=\n"}});
  for (int n = 1; n <= 38; ++n) engine->vars.evr.set(std::size_t(n), true);  // 16 %
  engine->surfaces.window.fill(0, 0, 0);
  runMain();
  const Surface& f = engine->surfaces.window;
  int lit = 0, white = 0, minX = 800, maxX = -1, minY = 600;
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      const int b = f.row(y)[x * 3];
      if (b == 0) continue;
      ++lit;
      white += b >= 250 && f.row(y)[x * 3 + 1] >= 250 && f.row(y)[x * 3 + 2] >= 250;
      minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y);
    }
  ASSERT_GT(lit, 50);
  EXPECT_GT(white, 20);
  EXPECT_LE(maxX, 570);
  EXPECT_GE(maxX, 555);  // right-aligned, not left
  EXPECT_GT(minX, 500);  // two digits, not more
  EXPECT_GE(minY, 12);
  EXPECT_EQ(host.frame.pixels, f.pixels);
}

}  // namespace
}  // namespace torvan
