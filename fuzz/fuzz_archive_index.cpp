// Archive indexes from arbitrary bytes, in both layouts: parsing must never read out
// of bounds or allocate beyond the input, and every accepted entry must be findable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "archive/archive_index.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

void exercise(torvan::ByteSpan data, torvan::ArchiveLayout layout) {
  using namespace torvan;
  auto parsed = tryParseArchiveIndex(data, layout, "fuzz.tvn", true);
  if (!parsed) return;
  const ArchiveIndex& index = *parsed;
  const std::size_t n = index.names.size();
  check(index.n >= 0 && std::size_t(index.n) == n);
  check(index.offsets.size() == n && index.sizes.size() == n && index.storedNames.size() == n);
  for (std::size_t i = 0; i < n; ++i) {
    check(index.offsets[i] >= 0 && index.sizes[i] >= 0);
    check(std::uint64_t(index.offsets[i]) + std::uint64_t(index.sizes[i]) <= data.size());
    check(index.names[i] == upperAscii(index.storedNames[i]));
    // The first entry of a name wins, whatever case it is asked for in.
    std::int32_t found = findEntry(index, index.storedNames[i]);
    check(found >= 0 && std::size_t(found) <= i &&
          index.names[std::size_t(found)] == index.names[i]);
  }
  findEntry(index, std::string(reinterpret_cast<const char*>(data.data()),
                               data.size() < 24 ? data.size() : 24));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  torvan::ByteSpan bytes(data, size);
  exercise(bytes, torvan::ArchiveLayout::Script);
  exercise(bytes, torvan::ArchiveLayout::General);
  // The warning path as the engine uses it; it must give an empty index, never a crash.
  torvan::ArchiveIndex index = torvan::parseArchiveIndex(
      bytes, size % 2 ? torvan::ArchiveLayout::Script : torvan::ArchiveLayout::General, "fuzz.tvn");
  check(index.names.size() == index.offsets.size());
  return 0;
}
