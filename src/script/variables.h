// The variable banks scripts read and write, and the player's global flag areas.
// Bit flag n is bit (n & 7) of byte (n >> 3).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace torvan {

template <std::size_t Bytes>
struct FlagBank {
  std::array<std::uint8_t, Bytes> bytes{};

  static constexpr std::size_t bits() { return Bytes * 8; }
  bool get(std::size_t n) const { return n < bits() && (bytes[n >> 3] >> (n & 7)) & 1; }
  void set(std::size_t n, bool on) {
    if (n >= bits()) return;
    if (on)
      bytes[n >> 3] = std::uint8_t(bytes[n >> 3] | (1u << (n & 7)));
    else
      bytes[n >> 3] = std::uint8_t(bytes[n >> 3] & ~(1u << (n & 7)));
  }
  void clear() { bytes.fill(0); }
};

struct Variables {
  static constexpr int kStringCount = 10;
  static constexpr int kStringBytes = 32;

  FlagBank<128> flg;  // F000.. per save
  FlagBank<128> evr;  // E000.. global
  FlagBank<1250> t;   // T0000.. per save
  std::array<std::int32_t, 1000> val{};
  std::array<std::int32_t, 200> sys{};
  std::array<std::int32_t, 10> g{};
  FlagBank<256> pictureSeen;    // 2000 used
  FlagBank<256> sceneUnlocked;  // 2000 used
  FlagBank<10240> readMarks;    // bits 0..80000 used
  std::array<std::uint8_t, 1024> reserved{};
  // NUL-terminated Shift-JIS, 32 bytes each.
  std::array<std::array<char, kStringBytes>, kStringCount> strings{};

  std::string string(int i) const;
  // Stores at most 31 bytes, cutting before a split two-byte character.
  void setString(int i, std::string_view sjis);
};

// The meaningful engine parameters in SYS.
namespace sys {
constexpr int kMenuLevel = 0;
constexpr int kMusicPlaying = 5;
constexpr int kAutoSpeed = 26;
constexpr int kLastAutoSpeed = 27;
constexpr int kWindowAllowed = 28;
constexpr int kDatePanel = 50;
constexpr int kWindowStyle = 51;
constexpr int kButtonsHidden = 53;
constexpr int kSkipButton = 60;
constexpr int kAutoButton = 61;
constexpr int kClearCount = 100;
constexpr int kFullScreenText = 150;
}  // namespace sys

}  // namespace torvan
