// The text log behind the backlog viewer: 200 lines of 69 bytes plus the line count,
// 14000 bytes in all as saves store it.
#pragma once

#include <array>
#include <cstdint>

namespace torvan {

struct TextLog {
  static constexpr int kLines = 200;
  static constexpr int kLineBytes = 69;

  std::array<std::array<std::uint8_t, kLineBytes>, kLines> lines{};
  std::int32_t count = 0;

  void clear() {
    for (auto& l : lines) l.fill(0);
    count = 0;
  }
};

}  // namespace torvan
