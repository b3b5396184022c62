// Whole-file reads and writes. Anything the player owns is written to a temporary
// file beside the target and renamed into place, so a crash never leaves half a file.
#pragma once

#include <cstdint>
#include <string>

#include "core/bytes.h"
#include "core/result.h"

namespace torvan {

bool fileExists(const std::string& path);
// Reads at most maxBytes; a larger file is an error rather than a huge allocation.
Result<Bytes> readFile(const std::string& path, std::uint64_t maxBytes = 1ull << 31);
// Writes through "path.tmp" and rename; creates missing parent folders.
Status writeFileAtomic(const std::string& path, ByteSpan data);

}  // namespace torvan
