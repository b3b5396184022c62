#include "graphics/screen_effects.h"

#include <algorithm>
#include <string>

#include "core/engine.h"
#include "core/log.h"
#include "graphics/blend.h"
#include "graphics/frame_clock.h"
#include "graphics/scene.h"
#include "text/message_window.h"

namespace torvan {

namespace {

constexpr int kFlashCount = 7;
constexpr int kFlashHalfMs = 20;
constexpr int kSepiaPeriodMs = 20;
// Beyond these a shake moves the picture off any screen or takes minutes; the clamps
// keep the longest possible shake under half a minute.
constexpr int kMaxShakeAmplitude = 200;
constexpr int kMaxShakeStepMs = 250;

// Holds the busy flag for the length of a sequence and gives back the value it had.
class BusyScope {
 public:
  explicit BusyScope(Engine& e) : e_(e), saved_(e.run.busy) { e.run.busy = 1; }
  ~BusyScope() { e_.run.busy = saved_; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  Engine& e_;
  std::int32_t saved_;
};

bool sameSize(const Surface& a, const Surface& b) {
  return a.width == b.width && a.height == b.height && a.stride == b.stride;
}

}  // namespace

void WhiteFlash(Engine& e) {
  BusyScope busy(e);
  Surfaces& s = e.surfaces;
  s.work = s.window;
  for (int i = 0; i < kFlashCount && !e.run.quit; ++i) {
    s.window.fill(255, 255, 255);
    ShowSurface(e, s.window);
    WaitUntil(e.host, e.host.tickCount() + kFlashHalfMs);
    ShowSurface(e, s.work);
    WaitUntil(e.host, e.host.tickCount() + kFlashHalfMs);
  }
  // A close in the middle must not leave the window white.
  if (e.run.quit) ShowSurface(e, s.work);
}

void DarkenOutsideRows(Surface& s, int top, int bottom, int level) {
  top = std::clamp(top, 0, s.height);
  bottom = std::clamp(bottom, 0, s.height);
  if (bottom < top) bottom = top;
  level = std::max(level, 0);
  const std::size_t rowBytes = static_cast<std::size_t>(s.width) * 3;
  for (int y = 0; y < s.height; ++y) {
    if (y >= top && y < bottom) continue;
    std::uint8_t* p = s.row(y);
    for (std::size_t i = 0; i < rowBytes; ++i)
      p[i] = static_cast<std::uint8_t>(std::min(255, (p[i] * level) >> 4));
  }
}

void DarkenBand(Engine& e, int top, int bottom, int level) {
  DarkenOutsideRows(e.surfaces.screen, top, bottom, level);
  ShowSurface(e, e.surfaces.screen);
}

void SepiaTone(Surface& s) {
  for (int y = 0; y < s.height; ++y) {
    std::uint8_t* p = s.row(y);
    for (int x = 0; x < s.width; ++x, p += 3) {
      const int a = (p[0] + p[1] + p[2]) / 3;
      p[0] = static_cast<std::uint8_t>(a >> 2);
      p[1] = static_cast<std::uint8_t>((3 * a) >> 2);
      p[2] = static_cast<std::uint8_t>(a);
    }
  }
}

void SepiaFade(Engine& e) {
  BusyScope busy(e);
  Surfaces& s = e.surfaces;
  // The fade starts from what the window shows. The previous surface still holds the
  // picture from before the last scene change, and fading from that would flash an old
  // scene back for a moment.
  s.previous = s.window;
  SepiaTone(s.scene);
  s.screen = s.scene;
  // In the full-screen style the page belongs to the darkened scene this replaces, so
  // only the windowed style gets its window and text back on top.
  if (e.vars.sys[sys::kFullScreenText] == 0) ComposeMessageWindow(e);

  if (sameSize(s.screen, s.previous) && sameSize(s.screen, s.work)) {
    const std::size_t groups = static_cast<std::size_t>(s.screen.stride) / 8;
    FrameClock clock;
    FrameStart(e.host, clock);
    for (int a = 48; a < 256 && !e.run.quit;) {
      for (int y = 0; y < s.screen.height; ++y)
        BlendLevel(s.screen.row(y), s.previous.row(y), s.work.row(y), a, groups);
      ShowSurface(e, s.work);
      a += 8 * FrameWait(e.host, clock, kSepiaPeriodMs);
    }
  }
  ShowSurface(e, s.screen);
}

ShakeOffset ShakeStep(int type, int p, Random& rng) {
  const int signedP = (p & 2) ? p : -p;
  switch (type) {
    case 0:
      return {0, signedP};
    case 1:
      return {signedP, 0};
    case 2: {
      static constexpr int kDirections[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {-1, 0},
                                                {1, 0},   {-1, 1}, {0, 1},  {1, 1}};
      const auto* d = kDirections[rng.below(8)];
      return {d[0] * p, d[1] * p};
    }
    default:
      return {};
  }
}

void ShakeWindow(Engine& e, int type, int amplitude, int stepMs) {
  if (amplitude > kMaxShakeAmplitude || stepMs > kMaxShakeStepMs || stepMs < 1)
    warn("shake: amplitude " + std::to_string(amplitude) + " and step " + std::to_string(stepMs) +
         " ms kept within " + std::to_string(kMaxShakeAmplitude) + " and 1.." +
         std::to_string(kMaxShakeStepMs) + " ms");
  amplitude = std::min(amplitude, kMaxShakeAmplitude);
  stepMs = std::clamp(stepMs, 1, kMaxShakeStepMs);

  BusyScope busy(e);
  FrameClock clock;
  FrameStart(e.host, clock);
  for (int p = amplitude; p >= 1 && !e.run.quit;) {
    const ShakeOffset o = ShakeStep(type, p, e.rng);
    if (type >= 0 && type <= 2) e.host.setWindowOffset(o.dx, o.dy);
    p -= 2 * FrameWait(e.host, clock, stepMs);
  }
  e.host.setWindowOffset(0, 0);
}

}  // namespace torvan
