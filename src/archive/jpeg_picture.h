// JPEG pictures: entries of the JPEG archive are complete JPEG files, decoded at full
// scale to 24-bit blue-green-red through libjpeg.
#pragma once

#include <string_view>

#include "core/bytes.h"
#include "core/result.h"
#include "graphics/surface.h"

namespace torvan {

// Decodes a whole JPEG file into `target`, which becomes a picture of the JPEG's size.
// Fails, naming `file` and `entry` and leaving `target` as it was, on data that libjpeg
// rejects, on a picture larger than kMaxPictureSide a side, and on data that ends before
// the last row (libjpeg would fill the missing rows with grey). A single-scan file that
// lacks only its end marker is complete and decodes; a progressive one cannot be told
// from a file cut between two scans, so it fails.
Status decodeJpegPicture(ByteSpan jpeg, Surface& target, std::string_view file = {},
                         std::string_view entry = {});

}  // namespace torvan
