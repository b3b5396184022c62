// Writes packed pictures (layout in packed_picture.cpp): the stages of the decoder run
// backwards, delta first, then run-length, then the dictionary coder.
#pragma once

#include "core/bytes.h"
#include "core/result.h"
#include "graphics/surface.h"

namespace torvan {

struct PackOptions {
  bool runLength = false;  // add the run-length stage (helps flat artwork)
  bool delta = false;      // add the delta stage (helps smooth, photographic pictures)
};

// The whole entry: header and compressed data. Fails for an empty picture or one wider
// or taller than kMaxPictureSide.
Result<Bytes> encodePicture(const Surface& picture, PackOptions options = {});

// The individual stages, for tests and tools that want to look at them.
// Dictionary coder: greedy matching with one step of lazy evaluation over the whole
// 16384-byte window, using every code kind the format has.
Bytes compressDictionary(ByteSpan raw);
// Run-length coder: repeats of 1- to 4-byte units, literal runs elsewhere.
Bytes compressRunLength(ByteSpan raw);
// Replaces each byte by its difference to the previous byte of the same colour component.
void deltaEncode(std::span<std::uint8_t> pixels);

}  // namespace torvan
