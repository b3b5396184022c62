#include "graphics/sprite_draw.h"

#include <algorithm>

#include "graphics/blend.h"

namespace torvan {

void DrawMaskedSprite(Surface& dst, const Surface& sprite, const Surface& mask, int x, int y) {
  int width = std::min(sprite.width, mask.width);
  int height = std::min(sprite.height, mask.height);
  int sx = 0, sy = 0;
  if (x < 0) {
    sx = -x;
    width -= sx;
    x = 0;
  }
  if (y < 0) {
    sy = -y;
    height -= sy;
    y = 0;
  }
  if (x >= dst.width || y >= dst.height) return;
  width = std::min(width, dst.width - x);
  height = std::min(height, dst.height - y);
  if (width <= 0 || height <= 0) return;

  const std::size_t groups = static_cast<std::size_t>(width) / 8;
  const std::size_t groupBytes = groups * 24, rowBytes = static_cast<std::size_t>(width) * 3;
  const BlendKernels& k = activeKernels();
  for (int r = 0; r < height; ++r) {
    std::uint8_t* d = dst.row(y + r) + x * 3;
    const std::uint8_t* s = sprite.row(sy + r) + sx * 3;
    const std::uint8_t* m = mask.row(sy + r) + sx * 3;
    k.masked(d, s, m, d, groups * 3);
    for (std::size_t i = groupBytes; i < rowBytes; ++i) {
      const int v = std::max(0, d[i] - m[i]) + s[i];
      d[i] = static_cast<std::uint8_t>(std::min(255, v));
    }
  }
}

namespace {

// One row of an interface picture: image bytes and mask bytes of the same length.
void blendRow(std::uint8_t* d, const std::uint8_t* image, const std::uint8_t* mask, int width) {
  activeKernels().masked(d, image, mask, d, static_cast<std::size_t>(width) * 3 / 8);
}

bool fits(const Surface& dst, int x, int y, int w, int h) {
  return x >= 0 && y >= 0 && w > 0 && h > 0 && x + w <= dst.width && y + h <= dst.height;
}

}  // namespace

bool DrawSideMasked(Surface& dst, int x, int y, const Surface& picture) {
  const int w = picture.width / 2, h = picture.height;
  if (!fits(dst, x, y, w, h)) return false;
  for (int r = 0; r < h; ++r)
    blendRow(dst.row(y + r) + x * 3, picture.row(r), picture.row(r) + w * 3, w);
  return true;
}

bool DrawStackedMasked(Surface& dst, int x, int y, const Surface& picture) {
  const int w = picture.width, h = picture.height / 2;
  if (!fits(dst, x, y, w, h)) return false;
  for (int r = 0; r < h; ++r)
    blendRow(dst.row(y + r) + x * 3, picture.row(r), picture.row(h + r), w);
  return true;
}

}  // namespace torvan
