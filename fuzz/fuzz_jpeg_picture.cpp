// JPEG pictures from arbitrary bytes through libjpeg with our error handling: damaged
// data must come back as an Error (never end the process), leaving the target alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "archive/jpeg_picture.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

// The largest frame size any frame header in the data claims, so that inputs asking for
// pictures of hundreds of megapixels can be skipped.
std::uint64_t largestFrame(const std::uint8_t* data, std::size_t size) {
  std::uint64_t largest = 0;
  for (std::size_t i = 0; i + 9 <= size; ++i) {
    if (data[i] != 0xFF) continue;
    const std::uint8_t m = data[i + 1];
    if (m < 0xC0 || m > 0xCF || m == 0xC4 || m == 0xC8 || m == 0xCC) continue;
    const std::uint64_t h = std::uint64_t(data[i + 5]) << 8 | data[i + 6];
    const std::uint64_t w = std::uint64_t(data[i + 7]) << 8 | data[i + 8];
    if (w * h > largest) largest = w * h;
  }
  return largest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvan;
  if (largestFrame(data, size) > (1u << 22)) return 0;
  Surface target;
  target.resize(2, 2);
  target.fill(9, 8, 7);
  const Bytes before = target.pixels;
  Status st = decodeJpegPicture(ByteSpan(data, size), target);
  if (!st) {
    check(target.width == 2 && target.height == 2 && target.pixels == before);
    return 0;
  }
  check(target.width > 0 && target.height > 0);
  check(target.pixels.size() == std::size_t(target.stride) * std::size_t(target.height));
  return 0;
}
