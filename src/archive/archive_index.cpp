#include "archive/archive_index.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/file_io.h"
#include "core/log.h"
#include "core/sjis.h"

namespace torvan {

namespace {

constexpr std::int64_t kScriptNameField = 16;
constexpr std::int64_t kScriptRecord = 24;

struct Header {
  std::int32_t n = 0;
  std::int32_t l = 0;
  std::int64_t headerSize = 0;  // bytes before the first record
  std::int64_t nameField = 0;
  std::int64_t recordSize = 0;
};

std::int64_t headerSizeOf(ArchiveLayout layout) {
  return layout == ArchiveLayout::Script ? 4 : 8;
}

// Checks N and L against the file's size before anything is allocated, so a damaged
// count can never ask for more memory than the file itself could hold.
Result<Header> checkHeader(ByteSpan head, ArchiveLayout layout, std::int64_t fileSize,
                           const std::string& path) {
  Header h;
  h.headerSize = headerSizeOf(layout);
  if (static_cast<std::int64_t>(head.size()) < h.headerSize)
    return Error{path, "",
                 "index header truncated (file of " + std::to_string(fileSize) + " bytes)"};
  ByteReader r(head);
  h.n = r.i32();
  if (layout == ArchiveLayout::Script) {
    h.l = static_cast<std::int32_t>(kScriptNameField);
    h.nameField = kScriptNameField;
    h.recordSize = kScriptRecord;
  } else {
    h.l = r.i32();
    h.nameField = h.l;
    h.recordSize = std::int64_t(h.l) + 8;
  }
  if (h.n < 0) return Error{path, "", "negative entry count " + std::to_string(h.n)};
  if (h.n == 0) return h;  // an empty archive never looks at L
  if (layout == ArchiveLayout::General && (h.l <= 0 || h.l > kMaxNameField))
    return Error{path, "", "name field length " + std::to_string(h.l) + " out of range"};
  std::int64_t need = h.headerSize + std::int64_t(h.n) * h.recordSize;
  if (need > fileSize)
    return Error{path, "",
                 "index of " + std::to_string(h.n) + " entries needs " + std::to_string(need) +
                     " bytes, file has " + std::to_string(fileSize)};
  return h;
}

// Fills the index from the record block; the first faulty record rejects the archive.
Status parseRecords(ArchiveIndex& index, const Header& h, ByteSpan records, std::int64_t fileSize,
                    bool keepStoredNames) {
  const auto n = static_cast<std::size_t>(h.n);
  index.n = h.n;
  index.l = h.l;
  index.names.reserve(n);
  index.offsets.reserve(n);
  index.sizes.reserve(n);
  index.firstByName.reserve(n);
  if (keepStoredNames) index.storedNames.reserve(n);
  ByteReader r(records);
  for (std::size_t i = 0; i < n; ++i) {
    ByteSpan field = r.bytes(static_cast<std::size_t>(h.nameField));
    std::int32_t offset = r.i32();
    std::int32_t size = r.i32();
    if (r.failed()) return Error{index.path, "", "index truncated at record " + std::to_string(i)};
    std::string entry = "record " + std::to_string(i);
    if (!std::memchr(field.data(), 0, field.size()))
      return Error{index.path, entry, "name field has no terminating NUL"};
    std::string stored = fieldText(field);
    if (offset < 0 || size < 0)
      return Error{
          index.path, stored,
          "negative offset or size (" + std::to_string(offset) + ", " + std::to_string(size) + ")"};
    if (std::int64_t(offset) + size > fileSize)
      return Error{index.path, stored,
                   "data at " + std::to_string(offset) + " + " + std::to_string(size) +
                       " runs past the end of the file (" + std::to_string(fileSize) + " bytes)"};
    std::string upper = upperAscii(stored);
    index.firstByName.emplace(upper, static_cast<std::int32_t>(i));
    index.names.push_back(std::move(upper));
    index.offsets.push_back(offset);
    index.sizes.push_back(size);
    if (keepStoredNames) index.storedNames.push_back(std::move(stored));
  }
  return success();
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

std::string upperAscii(std::string_view name) {
  std::string out(name);
  for (std::size_t i = 0; i < out.size(); ++i) {
    auto c = static_cast<unsigned char>(out[i]);
    // The second byte of a two-byte character can fall in 'a'..'z'; it is not a letter.
    if (isSjisLead(c))
      ++i;
    else if (c >= 'a' && c <= 'z')
      out[i] = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

Result<ArchiveIndex> tryParseArchiveIndex(ByteSpan file, ArchiveLayout layout,
                                          const std::string& path, bool keepStoredNames) {
  auto fileSize = static_cast<std::int64_t>(file.size());
  auto header = checkHeader(file.first(std::min<std::size_t>(file.size(), headerSizeOf(layout))),
                            layout, fileSize, path);
  if (!header) return header.error();
  ArchiveIndex index;
  index.path = path;
  ByteSpan records = file.subspan(static_cast<std::size_t>(header->headerSize));
  Status parsed = parseRecords(index, *header, records, fileSize, keepStoredNames);
  if (!parsed) return parsed.error();
  return index;
}

ArchiveIndex parseArchiveIndex(ByteSpan file, ArchiveLayout layout, const std::string& path) {
  auto index = tryParseArchiveIndex(file, layout, path, false);
  if (index) return std::move(*index);
  warn(index.error());
  ArchiveIndex empty;
  empty.path = path;
  return empty;
}

Result<ArchiveIndex> loadArchiveIndex(const std::string& path, ArchiveLayout layout,
                                      bool keepStoredNames) {
  FilePtr f(std::fopen(path.c_str(), "rb"));
  if (!f) return Error{path, "", "cannot open: " + std::string(std::strerror(errno))};
  if (std::fseek(f.get(), 0, SEEK_END) != 0) return Error{path, "", "cannot seek"};
  std::int64_t fileSize = ftello(f.get());
  if (fileSize < 0 || std::fseek(f.get(), 0, SEEK_SET) != 0)
    return Error{path, "", "cannot find the file's size"};

  std::uint8_t head[8] = {};
  std::size_t headSize = static_cast<std::size_t>(headerSizeOf(layout));
  std::size_t got = std::fread(head, 1, headSize, f.get());
  auto header = checkHeader(ByteSpan(head, got), layout, fileSize, path);
  if (!header) return header.error();

  // The whole record block in one read; its size was checked against the file above.
  Bytes records(static_cast<std::size_t>(std::int64_t(header->n) * header->recordSize));
  if (!records.empty() && std::fread(records.data(), 1, records.size(), f.get()) != records.size())
    return Error{path, "", "index read failed"};
  f.reset();

  ArchiveIndex index;
  index.path = path;
  Status parsed = parseRecords(index, *header, records, fileSize, keepStoredNames);
  if (!parsed) return parsed.error();
  return index;
}

ArchiveIndex readArchiveIndex(const std::string& path, ArchiveLayout layout) {
  if (!fileExists(path)) return ArchiveIndex{};
  auto index = loadArchiveIndex(path, layout, false);
  if (index) return std::move(*index);
  warn(index.error());
  // A damaged archive stays out of every search, exactly like a missing one.
  ArchiveIndex empty;
  empty.path = path;
  return empty;
}

std::int32_t findEntry(const ArchiveIndex& index, std::string_view name) {
  auto it = index.firstByName.find(upperAscii(name));
  return it == index.firstByName.end() ? -1 : it->second;
}

Result<Bytes> readEntry(const ArchiveIndex& index, std::int32_t position) {
  if (position < 0 || static_cast<std::size_t>(position) >= index.names.size())
    return Error{index.path, "", "no entry at position " + std::to_string(position)};
  const auto at = static_cast<std::size_t>(position);
  const std::string& name = index.names[at];
  FilePtr f(std::fopen(index.path.c_str(), "rb"));
  if (!f) return Error{index.path, name, "cannot open: " + std::string(std::strerror(errno))};
  if (fseeko(f.get(), index.offsets[at], SEEK_SET) != 0)
    return Error{index.path, name, "cannot seek to " + std::to_string(index.offsets[at])};
  // The size was checked against the file when the index was read; a file that has
  // shrunk since then shows up as a short read below.
  Bytes data(static_cast<std::size_t>(index.sizes[at]));
  std::size_t got = data.empty() ? 0 : std::fread(data.data(), 1, data.size(), f.get());
  if (got != data.size())
    return Error{
        index.path, name,
        "short read: " + std::to_string(got) + " of " + std::to_string(data.size()) + " bytes"};
  return data;
}

void negateBytes(std::span<std::uint8_t> data) {
  for (std::uint8_t& b : data) b = static_cast<std::uint8_t>(0u - b);
}

}  // namespace torvan
