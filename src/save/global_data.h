// The player's recollection playlists and their names, kept in "kaiso.dat".
//
// "kaiso.dat", 2640 bytes:
//   0      2000  10 slots x 50 i32: recollection-list line numbers, each list ending at
//                its first 0
//   2000   640   10 x 64 bytes: NUL-terminated slot names (empty: the default name)
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/result.h"

namespace torvan {

struct Playlists {
  static constexpr int kSlots = 10;
  static constexpr int kEntries = 50;
  static constexpr std::size_t kFileBytes = 2640;

  std::array<std::array<std::int32_t, kEntries>, kSlots> entries{};
  std::array<std::array<char, 64>, kSlots> names{};

  void clear() {
    for (auto& e : entries) e.fill(0);
    for (auto& n : names) n.fill(0);
  }
};

// Creates a zero-filled "kaiso.dat" when missing, then reads both blocks. A file of the
// wrong size is read as far as it goes and warned about.
Status loadPlaylists(const std::string& path, Playlists& out);
Status savePlaylists(const std::string& path, const Playlists& in);

}  // namespace torvan
