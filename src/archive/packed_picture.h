// Packed pictures: the engine's own lossless picture format, stored in the packed-picture
// archives. The byte layout and the three decoding stages are described at the top of
// packed_picture.cpp; packed_picture_encoder.h writes the format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/bytes.h"
#include "core/result.h"
#include "graphics/surface.h"

namespace torvan {

inline constexpr std::size_t kPackedHeaderSize = 16;
inline constexpr std::uint8_t kPackedRunLength = 0x40;  // a run-length stage follows
inline constexpr std::uint8_t kPackedDelta = 0x80;      // a delta stage follows
// Largest width or height a picture may claim; anything bigger is a damaged header.
inline constexpr int kMaxPictureSide = 16384;

struct PackedHeader {
  std::uint8_t flags = 0;
  std::uint8_t bytesPerPixel = 3;
  std::int32_t compressedSize = 0;  // C: bytes of compressed data after the header
  std::int32_t stageSize = 0;       // M: dictionary output when the run-length stage is on
  std::uint16_t width = 0;
  std::uint16_t height = 0;

  bool runLength() const { return (flags & kPackedRunLength) != 0; }
  bool delta() const { return (flags & kPackedDelta) != 0; }
  // S: the picture's raw size, W x H x 3.
  std::size_t rawSize() const { return std::size_t(width) * height * 3; }
  // T: what the dictionary stage produces.
  std::size_t dictionarySize() const {
    return runLength() ? static_cast<std::size_t>(stageSize) : rawSize();
  }
};

// Reads and checks the 16-byte header: bytes per pixel 3, a non-empty size within
// kMaxPictureSide, non-negative lengths, and sizes that the compressed data can actually
// produce (so a damaged header never makes us allocate a huge buffer). The Error names
// `file` and `entry`.
Result<PackedHeader> parsePackedHeader(ByteSpan header, std::string_view file = {},
                                       std::string_view entry = {});

// Decodes a whole packed picture (header followed by at least C bytes) into `target`,
// which becomes a W x H 24-bit surface. Damaged data fails with an Error naming `file`
// and `entry` and leaves `target` as it was.
Status decodePicture(ByteSpan packed, Surface& target, std::string_view file = {},
                     std::string_view entry = {});

}  // namespace torvan
