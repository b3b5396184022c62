#include "archive/archive_writer.h"

#include <limits>
#include <unordered_set>

#include "core/file_io.h"

namespace torvan {

Result<Bytes> buildArchive(std::span<const ArchiveSource> entries, ArchiveLayout layout,
                           std::int32_t nameField) {
  const bool script = layout == ArchiveLayout::Script;
  const std::int64_t field = script ? 16 : nameField;
  if (!script && (nameField < 2 || nameField > kMaxNameField))
    return Error{"", "",
                 "name field length " + std::to_string(nameField) + " must be 2 to " +
                     std::to_string(kMaxNameField)};
  if (entries.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
    return Error{"", "", "too many entries"};

  std::int64_t total = (script ? 4 : 8) + std::int64_t(entries.size()) * (field + 8);
  std::unordered_set<std::string> seen;
  for (const ArchiveSource& e : entries) {
    if (e.name.empty()) return Error{"", "", "an entry has an empty name"};
    if (e.name.find('\0') != std::string::npos)
      return Error{"", e.name, "entry name contains a NUL byte"};
    if (static_cast<std::int64_t>(e.name.size()) > field - 1)
      return Error{"", e.name,
                   "entry name is " + std::to_string(e.name.size()) + " bytes; this layout holds " +
                       std::to_string(field - 1) + " at most"};
    if (!seen.insert(upperAscii(e.name)).second)
      return Error{"", e.name, "entry name given twice (names ignore case)"};
    total += static_cast<std::int64_t>(e.data.size());
    if (total > std::numeric_limits<std::int32_t>::max())
      return Error{"", e.name, "archive would exceed 2 GiB, beyond what its offsets can address"};
  }

  ByteWriter w;
  w.buffer().reserve(static_cast<std::size_t>(total));
  w.i32(static_cast<std::int32_t>(entries.size()));
  if (!script) w.i32(nameField);
  std::int64_t offset = (script ? 4 : 8) + std::int64_t(entries.size()) * (field + 8);
  for (const ArchiveSource& e : entries) {
    w.fixedText(e.name, static_cast<std::size_t>(field));
    w.i32(static_cast<std::int32_t>(offset));
    w.i32(static_cast<std::int32_t>(e.data.size()));
    offset += static_cast<std::int64_t>(e.data.size());
  }
  for (const ArchiveSource& e : entries) {
    std::size_t start = w.buffer().size();
    w.bytes(e.data);
    if (script) negateBytes(std::span(w.buffer()).subspan(start));
  }
  return w.take();
}

Status writeArchive(const std::string& path, std::span<const ArchiveSource> entries,
                    ArchiveLayout layout, std::int32_t nameField) {
  auto bytes = buildArchive(entries, layout, nameField);
  if (!bytes) {
    Error e = bytes.error();
    e.file = path;
    return e;
  }
  return writeFileAtomic(path, *bytes);
}

}  // namespace torvan
