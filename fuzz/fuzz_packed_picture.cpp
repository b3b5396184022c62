// Packed pictures from arbitrary bytes: decoding must never read or write out of bounds,
// must leave the target alone when it fails, and whatever it accepts must survive the
// encoder and decode again to the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "archive/packed_picture.h"
#include "archive/packed_picture_encoder.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvan;
  const ByteSpan input(data, size);
  auto header = parsePackedHeader(input);
  // Huge but plausible pictures only cost the fuzzer memory and time.
  if (header && (header->rawSize() > (16u << 20) || header->dictionarySize() > (16u << 20)))
    return 0;

  Surface target;
  target.resize(3, 2);
  target.fill(1, 2, 3);
  const Bytes before = target.pixels;
  Status st = decodePicture(input, target);
  if (!st) {
    check(target.width == 3 && target.height == 2 && target.pixels == before);
    return 0;
  }
  check(header.ok());
  check(target.width == header->width && target.height == header->height);
  check(target.stride == Surface::strideFor(target.width));
  check(target.pixels.size() == std::size_t(target.stride) * std::size_t(target.height));

  if (std::size_t(target.width) * std::size_t(target.height) > 65536) return 0;
  for (PackOptions options : {PackOptions{false, false}, PackOptions{true, true}}) {
    auto packed = encodePicture(target, options);
    check(packed.ok());
    Surface again;
    check(decodePicture(*packed, again).ok());
    check(again.width == target.width && again.height == target.height);
    for (int y = 0; y < target.height; ++y)
      for (int x = 0; x < target.width * 3; ++x) check(again.row(y)[x] == target.row(y)[x]);
  }
  return 0;
}
