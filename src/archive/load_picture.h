// Pictures by name: the JPEG archive first, then the packed-picture archives 3, 2, 1.
#pragma once

#include <string_view>

#include "archive/archives.h"
#include "graphics/surface.h"

namespace torvan {

// Loads the picture called `name` (compared upper-cased) from the first archive that
// holds it into `target`, which becomes a 24-bit picture of exactly its size. Returns
// false when no picture archive has the name, and also when the entry that has it cannot
// be read or decoded; that entry is not skipped for an older copy elsewhere, and a
// warning names its archive file and entry. On false `target` is left as it was. The
// archives' scratch stream carries the entry's bytes and is cleared afterwards.
bool loadPicture(Archives& archives, std::string_view name, Surface& target);

}  // namespace torvan
