// PNG files in and out of 24-bit surfaces, through libpng. The tools read artwork with
// it; the headless host writes screenshots with it.
#pragma once

#include <string>

#include "core/bytes.h"
#include "core/result.h"
#include "graphics/surface.h"

namespace torvan {

// Any PNG (palette, grey, 16-bit, interlaced) becomes 24-bit blue-green-red; an alpha
// channel is dropped, as surfaces carry none. Pictures beyond kMaxPictureSide a side are
// refused.
Result<Surface> decodePng(ByteSpan png, const std::string& file = {});
Result<Surface> readPng(const std::string& path);

// An 8-bit RGB PNG of the surface's pixels.
Result<Bytes> encodePng(const Surface& picture);
// encodePng, then an atomic write, so a crash never leaves half a file.
Status writePng(const std::string& path, const Surface& picture);

}  // namespace torvan
