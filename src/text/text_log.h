// The text log behind the backlog viewer: 200 lines of 69 bytes plus the line count,
// 14000 bytes in all as saves store it, and the line being written.
//
// Lines hold Shift-JIS text padded with zeros; a full line has no terminator. A line
// is a row of text as drawn, a speaker's name, or "@" and a voice entry name.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace torvan {

struct TextLog {
  static constexpr int kLines = 200;
  static constexpr int kLineBytes = 69;

  std::array<std::array<std::uint8_t, kLineBytes>, kLines> lines{};
  std::int32_t count = 0;  // complete lines, oldest first
  // The line being written; it joins lines when it ends.
  std::array<std::uint8_t, kLineBytes> pending{};
  std::int32_t pendingLength = 0;

  void clear() {
    for (auto& l : lines) l.fill(0);
    count = 0;
    pending.fill(0);
    pendingLength = 0;
  }

  // Appends one character. A line that is full is cut there: the character that does
  // not fit whole and everything after it up to the line's end are dropped, so a line
  // never runs into the next and never ends in half a character.
  void append(std::string_view character) {
    if (pendingLength < 0 || pendingLength > kLineBytes) pendingLength = 0;  // a damaged save
    if (character.empty()) return;
    if (pendingLength + character.size() > std::size_t(kLineBytes)) {
      pendingLength = kLineBytes;
      return;
    }
    for (char c : character) pending[std::size_t(pendingLength++)] = std::uint8_t(c);
  }

  // Completes the pending line; the oldest line goes once 200 are kept.
  void endLine() {
    if (count < 0) count = 0;
    if (count < kLines) {
      lines[std::size_t(count++)] = pending;
    } else {
      for (int i = 1; i < kLines; ++i) lines[std::size_t(i - 1)] = lines[std::size_t(i)];
      lines[kLines - 1] = pending;
    }
    pending.fill(0);
    pendingLength = 0;
  }

  // Line i (0 = oldest kept) as Shift-JIS text.
  std::string line(int i) const {
    if (i < 0 || i >= count || i >= kLines) return {};
    const auto& l = lines[std::size_t(i)];
    std::size_t n = 0;
    while (n < l.size() && l[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(l.data()), n);
  }
  std::string pendingText() const {
    std::size_t n = 0;
    while (n < pending.size() && pending[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(pending.data()), n);
  }
};

}  // namespace torvan
