// A 24-bit picture: bytes blue, green, red; rows top to bottom, each row padded to a
// multiple of 4 bytes as device-independent bitmaps are, reached through row().
#pragma once

#include <cstdint>

#include "core/bytes.h"

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

}  // namespace torvan
