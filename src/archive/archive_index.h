// Resource archives: one file, an index at its start, the entries' bytes after it.
//
// Script layout ("qz_data.tvn", "qz_data2.tvn"):
//   0            i32   N, number of entries
//   4 + 24*i     16    name, NUL-terminated, NUL-padded (at most 15 characters)
//   4 + 24*i+16  i32   offset of the entry's data from the start of the file
//   4 + 24*i+20  i32   size of the entry's data
//   Every byte of a script entry is stored negated: stored = (256 - plain) mod 256.
//
// General layout (every other archive):
//   0            i32   N, number of entries
//   4            i32   L, length of the name field
//   8 + (L+8)*i  L     name, NUL-terminated, NUL-padded (at most L - 1 characters)
//   ... + L      i32   offset
//   ... + L + 4  i32   size
//
// All integers are little-endian and signed. Names are Shift-JIS; look-ups compare
// them with ASCII letters upper-cased, and the first of two equal names wins.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/bytes.h"
#include "core/result.h"

namespace torvan {

enum class ArchiveLayout { Script, General };

// The longest general-layout name field accepted. Real archives use a few dozen bytes;
// the bound keeps a damaged L from being taken for a layout.
constexpr std::int32_t kMaxNameField = 4096;

struct ArchiveIndex {
  std::string path;  // the file as finally chosen; empty when the archive was not found
  std::int32_t n = 0;
  std::int32_t l = 0;              // the name field's length (16 for the script layout)
  std::vector<std::string> names;  // upper-cased, index order
  // Names exactly as written in the file; filled only when asked for (tools list them).
  std::vector<std::string> storedNames;
  std::vector<std::int32_t> offsets;
  std::vector<std::int32_t> sizes;
  // Upper-cased name -> position of its first occurrence, so look-ups keep the
  // first-match rule without a linear scan.
  std::unordered_map<std::string, std::int32_t> firstByName;

  bool empty() const { return names.empty(); }
};

// ASCII letters a-z to A-Z, every other byte unchanged (Shift-JIS trail bytes included).
std::string upperAscii(std::string_view name);

// Parses an index from the file's bytes. An index whose N, L, offsets or sizes do not
// fit the file gives an empty index and one warning naming the file.
ArchiveIndex parseArchiveIndex(ByteSpan file, ArchiveLayout layout, const std::string& path);

// Reads the index of the archive at `path`; a missing file gives an empty index with an
// empty path and no warning (every archive but "qz_data.tvn" is optional).
ArchiveIndex readArchiveIndex(const std::string& path, ArchiveLayout layout);

// The same two without the fallback: a missing, unreadable or damaged archive is an
// Error naming the file and the fault, for callers that must report it (the tools).
Result<ArchiveIndex> tryParseArchiveIndex(ByteSpan file, ArchiveLayout layout,
                                          const std::string& path, bool keepStoredNames = false);
Result<ArchiveIndex> loadArchiveIndex(const std::string& path, ArchiveLayout layout,
                                      bool keepStoredNames = false);

// Position of the entry with that name (compared upper-cased), or -1.
std::int32_t findEntry(const ArchiveIndex& index, std::string_view name);

// The entry's bytes as stored (script entries still negated).
Result<Bytes> readEntry(const ArchiveIndex& index, std::int32_t position);

// Negates every byte in place: the transformation of script entries, its own inverse.
void negateBytes(std::span<std::uint8_t> data);

}  // namespace torvan
