// Builds resource archives in either index layout (see archive_index.h) from named
// entries. Entries are laid out in the order given, right after the index.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "archive/archive_index.h"
#include "core/bytes.h"
#include "core/result.h"

namespace torvan {

struct ArchiveSource {
  std::string name;  // Shift-JIS, stored as given; look-ups ignore ASCII case
  Bytes data;        // plain bytes; script-layout entries are negated on the way out
};

// The default general-layout name field.
constexpr std::int32_t kDefaultNameField = 32;

// Fails, naming the entry, on a name that is empty, holds a NUL, does not fit its field
// (15 bytes in the script layout, nameField - 1 in the general one) or equals an
// earlier name without regard to case (the player would never reach it), and when the
// archive would pass the 2 GiB that its signed offsets can address.
Result<Bytes> buildArchive(std::span<const ArchiveSource> entries, ArchiveLayout layout,
                           std::int32_t nameField = kDefaultNameField);

// buildArchive, then an atomic write to `path`.
Status writeArchive(const std::string& path, std::span<const ArchiveSource> entries,
                    ArchiveLayout layout, std::int32_t nameField = kDefaultNameField);

}  // namespace torvan
