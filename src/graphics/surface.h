// A 24-bit picture: bytes blue, green, red; rows top to bottom, each row padded to a
// multiple of 4 bytes as device-independent bitmaps are, reached through row().
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/bytes.h"
#include "core/host.h"

namespace torvan {

struct Surface {
  int width = 0;
  int height = 0;
  int stride = 0;  // bytes per row
  Bytes pixels;

  static int strideFor(int width) { return (width * 3 + 3) & ~3; }

  // Sets the size and clears every pixel to black. Callers check sizes first.
  void resize(int w, int h) {
    width = w;
    height = h;
    stride = strideFor(w);
    pixels.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(h), 0);
  }
  bool empty() const { return width <= 0 || height <= 0; }

  std::uint8_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * stride; }
  const std::uint8_t* row(int y) const {
    return pixels.data() + static_cast<std::size_t>(y) * stride;
  }

  void fill(std::uint8_t b, std::uint8_t g, std::uint8_t r) {
    for (int y = 0; y < height; ++y) {
      std::uint8_t* p = row(y);
      for (int x = 0; x < width; ++x, p += 3) {
        p[0] = b;
        p[1] = g;
        p[2] = r;
      }
    }
  }
};

// The part of a w x h copy from (sx, sy) of src to (dx, dy) of dst that lies inside both
// surfaces; w or h is 0 or less when nothing does. The arithmetic is 64-bit because
// rectangles also come from data files and may be anywhere.
struct CopyArea {
  int sx = 0, sy = 0, dx = 0, dy = 0, w = 0, h = 0;
  bool empty() const { return w <= 0 || h <= 0; }
};

inline CopyArea clipCopy(const Surface& dst, std::int64_t dx, std::int64_t dy, const Surface& src,
                         std::int64_t sx, std::int64_t sy, std::int64_t w, std::int64_t h) {
  if (sx < 0) w += sx, dx -= sx, sx = 0;
  if (sy < 0) h += sy, dy -= sy, sy = 0;
  if (dx < 0) w += dx, sx -= dx, dx = 0;
  if (dy < 0) h += dy, sy -= dy, dy = 0;
  w = std::min({w, std::int64_t(src.width) - sx, std::int64_t(dst.width) - dx});
  h = std::min({h, std::int64_t(src.height) - sy, std::int64_t(dst.height) - dy});
  if (w <= 0 || h <= 0) return {};
  return {int(sx), int(sy), int(dx), int(dy), int(w), int(h)};
}

// Copies that part and returns where in dst it went (empty when nothing was copied).
// Source and destination may be the same surface.
inline Rect copyRect(Surface& dst, std::int64_t dx, std::int64_t dy, const Surface& src,
                     std::int64_t sx, std::int64_t sy, std::int64_t w, std::int64_t h) {
  const CopyArea a = clipCopy(dst, dx, dy, src, sx, sy, w, h);
  for (int r = 0; r < a.h; ++r)
    std::memmove(dst.row(a.dy + r) + a.dx * 3, src.row(a.sy + r) + a.sx * 3, std::size_t(a.w) * 3);
  return a.empty() ? Rect{} : Rect{a.dx, a.dy, a.w, a.h};
}

}  // namespace torvan
