// The transition types. Pieces are drawn into the window surface (what the screen shows)
// and presented once per step, so the picture between pieces is whatever the screen
// showed when the transition began.
#include "graphics/transition.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <vector>

#include "core/engine.h"
#include "graphics/blend.h"
#include "graphics/frame_clock.h"

namespace torvan {

namespace {

constexpr int kW = Surfaces::kWidth;
constexpr int kH = Surfaces::kHeight;
constexpr std::size_t kRowGroups = kW * 3 / 8;
constexpr std::int64_t kLatencySlackMs = 5;

void copyWhole(Surface& dst, const Surface& src) {
  copyRect(dst, 0, 0, src, 0, 0, kW, kH);
}

class Transition {
 public:
  explicit Transition(Engine& e)
      : e_(e),
        old_(e.surfaces.previous),
        new_(e.surfaces.screen),
        work_(e.surfaces.work),
        pb_(e.surfaces.window),
        host_(e.host) {}

  // Returns true when the type ended through a cut.
  bool run(int type) {
    type_ = type;
    switch (type) {
      case 0:
        break;
      case 1:
        return blinds(true);
      case 2:
        return blinds(false);
      case 3:
        return sweepingColumns();
      case 4:
        return iris();
      case 5:
        return tileDissolve();
      case 6:
        return crossFade();
      case 7:
        return interlaced(true);
      case 8:
        return interlaced(false);
      case 9:
        return slowFade(12, 40);
      case 10:
        return growingSquares(64, 32, 10, 57, true);
      case 11:
        return growingSquares(32, 16, 19, 59, false);
      case 12:
        return softWipe();
      case 13:
        return slowFade(2, 50);
      case 14:
        return splitLines();
      case 15:
        return colourFlow();
      case 16:
        return diagonalStripes();
      case 17:
        return checkeredFade();
      case 18:
        return doors();
      case 19:
        return pushRight();
      case 20:
        return pixelate();
      case 21:
        return zoomFade();
      case 22:
      case 23:
        return slideFade(type == 23);
      case 24:
        return star();
      default:
        return false;
    }
    return false;
  }

  void showNew() {
    copyWhole(pb_, new_);
    flush();
  }

 private:
  void flush() { host_.present(pb_, Rect{0, 0, kW, kH}); }

  // The cut check of a step: on a click the new picture goes up at once.
  bool cutNow() {
    if (e_.run.cutRequest == 0) return false;
    showNew();
    if (type_ != 9 && type_ != 13 && type_ != 24) e_.vars.sys[19] = 1;
    return true;
  }

  // The start of a tick-paced step. A sleep that overslept by a few milliseconds
  // (scheduler latency) would push every later step back; counting the step from the
  // previous step's end keeps the whole sequence on time. Longer delays (a slow
  // machine) still stretch the step, as the pacing asks.
  std::int64_t stepStart() {
    const std::int64_t t = now();
    if (deadline_ >= 0 && t >= deadline_ && t - deadline_ <= kLatencySlackMs) return deadline_;
    return t;
  }

  // Ends a tick-paced step: flush, check for a cut, wait until start + t.
  bool tickStep(std::int64_t start, int t) {
    flush();
    if (cutNow()) return true;
    deadline_ = start + t;
    WaitUntil(host_, deadline_);
    return false;
  }

  // Ends a frame-paced step; `frames` receives the count FrameWait returns.
  bool frameStep(int period, int& frames) {
    flush();
    if (cutNow()) return true;
    frames = FrameWait(host_, clock(), period);
    return false;
  }

  FrameClock& clock() { return e_.surfaces.frameClock; }
  std::int64_t now() { return host_.tickCount(); }

  void blendRows(Surface& out, const Surface& x, const Surface& y, int a) {
    const BlendKernels& k = activeKernels();
    for (int r = 0; r < kH; ++r) k.level(x.row(r), y.row(r), out.row(r), a, kRowGroups);
  }

  bool blinds(bool vertical) {
    for (int k = 0; k < 16; ++k) {
      const std::int64_t start = stepStart();
      if (vertical)
        for (int x0 = 0; x0 < kW; x0 += 16) copyRect(pb_, x0 + k, 0, new_, x0 + k, 0, 1, kH);
      else
        for (int y0 = 0; y0 < kH; y0 += 16) copyRect(pb_, 0, y0 + k, new_, 0, y0 + k, kW, 1);
      if (tickStep(start, vertical ? 15 : 20)) return true;
    }
    return false;
  }

  bool sweepingColumns() {
    for (int i = 0; i < 70; ++i) {
      const std::int64_t start = stepStart();
      for (int j = 0; j < 16; ++j) {
        const int c = i + j - 15;
        if (c >= 0 && c < 80) copyRect(pb_, 16 * c, 0, new_, 16 * c, 0, 16 - j, kH);
      }
      if (tickStep(start, 20)) return true;
    }
    return false;
  }

  // One pixel-high span of the new picture, columns x1 .. x2 inclusive.
  void span(int y, int x1, int x2) {
    if (y < 0 || y >= kH) return;
    x1 = std::max(x1, 0);
    x2 = std::min(x2, kW - 1);
    if (x2 >= x1) copyRect(pb_, x1, y, new_, x1, y, x2 - x1 + 1, 1);
  }

  bool iris() {
    const auto& sys = e_.vars.sys;
    const int rmax = std::max(std::abs(sys[20] - 400) + 500, std::abs(sys[21] - 300) + 500);
    for (int r = 5; r < rmax; r += 10) {
      const std::int64_t start = stepStart();
      int x = r, y = 0, d = r;
      while (y <= x) {
        if (y <= 300) {
          const int half = std::min(x, 400);
          span(300 - y, 400 - half, 400 + half);
          span(300 + y, 400 - half, 400 + half);
        }
        if (x <= 300) {
          const int half = std::min(y, 400);
          span(300 - x, 400 - half, 400 + half);
          span(300 + x, 400 - half, 400 + half);
        }
        d -= 2 * y - 1;
        ++y;
        if (d < 0) {
          d += 2 * (x - 1);
          --x;
        }
      }
      if (tickStep(start, 20)) return true;
    }
    return false;
  }

  bool tileDissolve() {
    copyWhole(work_, old_);
    std::array<int, 100> order;
    for (int i = 0; i < 100; ++i) order[i] = i;
    for (int i = 0; i < 100; ++i) std::swap(order[i], order[e_.rng.below(100)]);
    // Positions -16 .. 115; the 16 at each end are "none".
    auto entry = [&](int pos) { return pos >= 0 && pos < 100 ? order[pos] : -1; };
    auto drawTile = [&](int tile, int a) {
      if (tile < 0) return;
      const int tx = 80 * (tile % 10), ty = 60 * (tile / 10);
      const BlendKernels& k = activeKernels();
      for (int r = ty; r < ty + 60; ++r)
        k.level(old_.row(r) + tx * 3, new_.row(r) + tx * 3, work_.row(r) + tx * 3, a, 30);
      copyRect(pb_, tx, ty, work_, tx, ty, 80, 60);
    };
    FrameStart(host_, clock());
    for (int i = 0; i < 116;) {
      if (i >= 4)
        for (int j = -3; j <= 0; ++j) drawTile(entry(i + j - 16), 0);
      for (int j = 0; j < 16; ++j) drawTile(entry(i + j - 16), 16 * j);
      int frames = 1;
      if (frameStep(20, frames)) return true;
      i += frames;
    }
    return false;
  }

  bool crossFade() {
    FrameStart(host_, clock());
    for (int a = 48; a < 256;) {
      blendRows(work_, new_, old_, a);
      copyWhole(pb_, work_);
      flush();
      a += 16 * FrameWait(host_, clock(), 10);
    }
    showNew();
    return cutNow();
  }

  bool interlaced(bool rows) {
    const int limit = rows ? kH : kW;
    for (int i = 0; i < limit;) {
      const std::int64_t start = stepStart();
      for (int n = 0; n < 5 && i < limit; ++n, i += 2) {
        if (rows) {
          copyRect(pb_, 0, i, new_, 0, i, kW, 1);
          copyRect(pb_, 0, kH - 1 - i, new_, 0, kH - 1 - i, kW, 1);
        } else {
          copyRect(pb_, i, 0, new_, i, 0, 1, kH);
          copyRect(pb_, kW - 1 - i, 0, new_, kW - 1 - i, 0, 1, kH);
        }
      }
      if (tickStep(start, rows ? 15 : 10)) return true;
    }
    return false;
  }

  bool slowFade(int increment, int period) {
    FrameStart(host_, clock());
    int a = 0;
    do {
      blendRows(work_, new_, old_, a);
      copyWhole(pb_, work_);
      flush();
      host_.pumpEvents();
      if (cutNow()) return true;
      a += increment * FrameWait(host_, clock(), period);
    } while (a <= 256);
    showNew();
    return false;
  }

  bool growingSquares(int g, int m, int rows, int steps, bool large) {
    for (int s = 0; s < steps; ++s) {
      const std::int64_t start = stepStart();
      for (int j = 0; j < m; ++j) {
        const int h = m - j;
        const int d = large ? s + j - m : s + j - 15;
        for (int c = 0; c < rows; ++c) {
          const int r = d - c;
          if (r < 0 || r >= 25) continue;
          const int x = g * r + g / 2 - h, y = g * c + g / 2 - h;
          copyRect(pb_, x, y, new_, x, y, 2 * h, 2 * h);
        }
      }
      if (tickStep(start, 30)) return true;
    }
    return false;
  }

  bool softWipe() {
    copyWhole(work_, old_);
    std::array<std::uint8_t, 288 * 3> mask{};
    for (int i = 0; i < 256; ++i)
      for (int c = 0; c < 3; ++c) mask[(32 + i) * 3 + c] = static_cast<std::uint8_t>(i);
    const BlendKernels& k = activeKernels();
    FrameStart(host_, clock());
    for (int p = -280; p < kW;) {
      int x = p, maskStart = 0, width = 288;
      if (p < 0) {
        x = 0;
        maskStart = -p;
        width = 288 + p;
      } else if (p > 512) {
        width = kW - p;
      }
      const std::size_t groups = std::size_t(width) * 3 / 8;
      for (int r = 0; r < kH; ++r)
        k.masked(new_.row(r) + x * 3, old_.row(r) + x * 3, mask.data() + maskStart * 3,
                 work_.row(r) + x * 3, groups);
      copyWhole(pb_, work_);
      int frames = 1;
      if (frameStep(20, frames)) return true;
      p += 8 * frames;
    }
    return false;
  }

  bool splitLines() {
    struct Piece {
      int y, x, w;
    };
    std::vector<Piece> pieces(1200);
    for (int y = 0; y < kH; ++y) {
      const int q = e_.rng.below(600) + 20;
      pieces[y] = {y, 0, q};
      pieces[600 + y] = {y, q, kW - q};
    }
    for (int i = 0; i < 1200; ++i) std::swap(pieces[i], pieces[2 * e_.rng.below(600)]);
    for (int i = 0; i < 1200; i += 24) {
      // A sleep of 20 ms after each step, counted from the step's start so that the
      // drawing does not add to it.
      const std::int64_t start = stepStart();
      for (int j = i; j < i + 24; ++j)
        copyRect(pb_, pieces[j].x, pieces[j].y, new_, pieces[j].x, pieces[j].y, pieces[j].w, 1);
      if (tickStep(start, 20)) return true;
    }
    return false;
  }

  bool colourFlow() {
    for (int b = -124; b < 664; b += 8) {
      for (int y = std::max(b, 0); y < std::min(b + 128, kH); ++y) {
        std::uint8_t* o = old_.row(y);
        const std::uint8_t* n = new_.row(y);
        for (int i = 0; i < kW * 3; ++i) {
          // Up by at most 16 toward a higher target, down by at most 16 toward a lower.
          const int up = std::min(o[i] + 16, int(n[i]));
          o[i] = static_cast<std::uint8_t>(std::max(up, o[i] - 16));
        }
      }
      copyWhole(pb_, old_);
      flush();
      host_.pumpEvents();
      if (cutNow()) return true;
    }
    return false;
  }

  bool diagonalStripes() {
    std::int64_t start = now();
    for (int s = 0; s < 95; ++s) {
      if (s % 2 == 0) start = stepStart();
      for (int j = 0; j < 20; ++j) {
        const int w = 20 - j, k = s + j - 19;
        for (int y = 0; y < kH; ++y) {
          const int x = 20 * k - y;
          if (x + w < 0 || x >= kW) continue;
          const int x1 = std::max(x, 0), x2 = std::min(x + w, kW);
          if (x2 > x1) copyRect(old_, x1, y, new_, x1, y, x2 - x1, 1);
        }
      }
      if (s % 2 == 1) {
        copyWhole(pb_, old_);
        if (tickStep(start, 30)) return true;
      }
    }
    return false;
  }

  bool checkeredFade() {
    copyWhole(work_, old_);
    int n = e_.vars.sys[16];
    if (n < 1 || n > 128) n = 16;
    std::vector<std::uint8_t> table(65536);
    for (int k = 1; k <= n; ++k) {
      for (int nv = 0; nv < 256; ++nv)
        for (int ov = 0; ov < 256; ++ov)
          table[nv * 256 + ov] = static_cast<std::uint8_t>((ov * (n - k) + nv * k) / n);
      for (int q = 0; q < 4; ++q) {
        const std::int64_t start = stepStart();
        const int firstRow = (q == 1 || q == 3) ? 1 : 0;
        const int firstPixel = (q == 1 || q == 2) ? 1 : 0;
        for (int y = firstRow; y < kH; y += 2) {
          std::uint8_t* w = work_.row(y);
          const std::uint8_t *o = old_.row(y), *nw = new_.row(y);
          for (int x = firstPixel; x < kW; x += 2)
            for (int c = x * 3; c < x * 3 + 3; ++c) w[c] = table[nw[c] * 256 + o[c]];
        }
        copyWhole(pb_, work_);
        if (tickStep(start, 50)) return true;
      }
    }
    return false;
  }

  bool doors() {
    FrameStart(host_, clock());
    for (int i = 32; i < 401;) {
      copyRect(pb_, 0, 0, new_, 400 - i, 0, i, kH);
      copyRect(pb_, kW - i, 0, new_, 400, 0, i, kH);
      int frames = 1;
      if (frameStep(40, frames)) return true;
      i += 32 * frames;
    }
    showNew();
    return false;
  }

  bool pushRight() {
    FrameStart(host_, clock());
    for (int i = 0; i < kW;) {
      copyRect(pb_, 0, 0, new_, kW - i, 0, i + 1, kH);
      copyRect(pb_, i, 0, old_, 0, 0, kW - i, kH);
      int frames = 1;
      if (frameStep(15, frames)) return true;
      i += 20 * frames;
    }
    showNew();
    return false;
  }

  void pixelated(const Surface& src, int b) {
    for (int y0 = 0; y0 < kH; y0 += b)
      for (int x0 = 0; x0 < kW; x0 += b) {
        const std::uint8_t* c = src.row(y0) + x0 * 3;
        for (int y = y0; y < std::min(y0 + b, kH); ++y) {
          std::uint8_t* p = work_.row(y) + x0 * 3;
          for (int x = x0; x < std::min(x0 + b, kW); ++x, p += 3) std::memcpy(p, c, 3);
        }
      }
    copyWhole(pb_, work_);
  }

  bool pixelate() {
    static constexpr int kBlocks[10] = {2, 3, 4, 6, 8, 12, 16, 20, 28, 40};
    FrameStart(host_, clock());
    for (int i = 0; i < 10;) {
      pixelated(old_, kBlocks[i]);
      int frames = 1;
      if (frameStep(80, frames)) return true;
      i += frames;
    }
    for (int i = 9; i >= 0;) {
      pixelated(new_, kBlocks[i]);
      int frames = 1;
      if (frameStep(80, frames)) return true;
      i -= frames;
    }
    showNew();
    return false;
  }

  bool zoomFade() {
    std::array<int, kW> sx{};
    std::vector<std::uint8_t> row(kW * 3);
    const BlendKernels& k = activeKernels();
    FrameStart(host_, clock());
    for (int z = 8; z < 256;) {
      for (int x = 0; x < kW; ++x) sx[x] = 400 + ((x - 400) * 76800 / (z + 300)) / 256;
      for (int y = 0; y < kH; ++y) {
        const int sy = 300 + ((y - 300) * 76800 / (z + 300)) / 256;
        const std::uint8_t* o = old_.row(sy);
        for (int x = 0; x < kW; ++x) std::memcpy(&row[x * 3], o + sx[x] * 3, 3);
        k.level(new_.row(y), row.data(), work_.row(y), z, kRowGroups);
      }
      copyWhole(pb_, work_);
      int frames = 1;
      if (frameStep(15, frames)) return true;
      z += 8 * frames;
    }
    showNew();
    return false;
  }

  bool slideFade(bool right) {
    // Row buffers of 1056 pixels; type 23 reads the new row from 245 - z, which goes up
    // to 3 pixels before the buffer at the last levels, so both carry a black margin in
    // front instead of reading outside.
    constexpr int kMargin = 16, kPixels = 1056;
    std::vector<std::uint8_t> a((kMargin + kPixels) * 3), b((kMargin + kPixels) * 3);
    std::uint8_t* A = a.data() + kMargin * 3;
    std::uint8_t* B = b.data() + kMargin * 3;
    const BlendKernels& k = activeKernels();
    FrameStart(host_, clock());
    for (int z = 8; z < 256;) {
      for (int y = 0; y < kH; ++y) {
        std::memcpy(A + (right ? 256 : 0) * 3, old_.row(y), kW * 3);
        std::memcpy(B + (right ? 0 : 256) * 3, new_.row(y), kW * 3);
        const int fromB = right ? 245 - z : z, fromA = right ? 256 - z : z;
        k.level(B + fromB * 3, A + fromA * 3, work_.row(y), z, kRowGroups);
      }
      copyWhole(pb_, work_);
      int frames = 1;
      if (frameStep(15, frames)) return true;
      z += 8 * frames;
    }
    showNew();
    return false;
  }

  // Fills the polygon into the mask with grey g, sampling pixel centres (even-odd rule).
  static void fillPolygon(Surface& mask, const std::array<std::array<double, 2>, 10>& pts,
                          std::uint8_t g) {
    std::vector<double> xs;
    for (int y = 0; y < mask.height; ++y) {
      const double cy = y + 0.5;
      xs.clear();
      for (std::size_t i = 0; i < pts.size(); ++i) {
        const auto& p = pts[i];
        const auto& q = pts[(i + 1) % pts.size()];
        if ((p[1] <= cy) == (q[1] <= cy)) continue;
        xs.push_back(p[0] + (cy - p[1]) * (q[0] - p[0]) / (q[1] - p[1]));
      }
      std::sort(xs.begin(), xs.end());
      for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
        const int x1 = std::max(0, int(std::ceil(xs[i] - 0.5)));
        const int x2 = std::min(mask.width, int(std::ceil(xs[i + 1] - 0.5)));
        if (x2 > x1) std::memset(mask.row(y) + x1 * 3, g, std::size_t(x2 - x1) * 3);
      }
    }
  }

  bool star() {
    Surface mask;
    mask.resize(kW, kH);
    const BlendKernels& k = activeKernels();
    FrameStart(host_, clock());
    int r = 5, s = 0;
    while (r < 660) {
      std::memset(mask.pixels.data(), 0, mask.pixels.size());
      std::array<std::array<double, 2>, 10> pts{};
      auto point = [](double deg, int rho) {
        const double t = deg * std::numbers::pi / 180.0;
        return std::array<double, 2>{std::trunc(400 - rho * std::cos(t)),
                                     std::trunc(300 + rho * std::sin(t))};
      };
      for (int j = 0; j < 5; ++j) {
        pts[2 * j] = point(72.0 * j + r, r);
        pts[2 * j + 1] = point(72.0 * j + 36 + r, (r + s) / 2);
      }
      fillPolygon(mask, pts, static_cast<std::uint8_t>(std::min(255, r / 2)));
      for (int y = 0; y < kH; ++y)
        k.masked(old_.row(y), new_.row(y), mask.row(y), work_.row(y), kRowGroups);
      copyWhole(pb_, work_);
      int n = 1;
      if (frameStep(40, n)) return true;
      s += n + 2;
      r += 5 * n;
    }
    showNew();
    return false;
  }

  Engine& e_;
  Surface& old_;
  Surface& new_;
  Surface& work_;
  Surface& pb_;
  Host& host_;
  int type_ = 0;
  std::int64_t deadline_ = -1;  // end of the last tick-paced step
};

}  // namespace

void RunTransition(Engine& e, int number) {
  e.run.busy = 1;
  e.run.cutAllowed = 1;
  e.run.cutRequest = 0;
  e.vars.sys[19] = 0;
  if (number < 0 || e.settings.gMode != 0 || e.run.skipState != 0) number = 0;

  if (number < kTransitionCount) {
    Transition t(e);
    // Every type ends on the complete new picture, also when dropped frames skipped
    // its last pieces.
    if (!t.run(number)) t.showNew();
  }

  if (e.vars.sys[sys::kFullScreenText] != 0) e.surfaces.previous = e.surfaces.screen;
  e.run.busy = 0;
  e.run.cutAllowed = 0;
}

}  // namespace torvan
