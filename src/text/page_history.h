// The page history behind the scene rewind: the last 20 committed pages, each with its
// text, the scene it was read over, two engine parameters and the voices started on it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/text_page.h"

namespace torvan {

struct PageSlot {
  static constexpr std::size_t kPictureBytes = 128;
  static constexpr std::size_t kVoiceBytes = 256;

  std::array<std::array<std::uint8_t, TextPage::kColumns>, TextPage::kRows> grid{};
  std::array<std::array<std::uint8_t, TextPage::kColumns>, TextPage::kRows> colours{};
  std::array<char, 64> speaker{};
  // The scene picture name, "," and the sprite specification; NUL-terminated.
  std::array<char, kPictureBytes> picture{};
  std::int32_t sys23 = 0;
  std::int32_t textMode = 0;  // S150 when the page was committed
  // Each voice started on the page followed by one blank; NUL-terminated.
  std::array<char, kVoiceBytes> voices{};
};

struct PageHistory {
  static constexpr int kSlots = 20;

  // Pages committed since the game started; counter mod 20 is the next slot.
  std::int32_t counter = 0;
  std::array<PageSlot, kSlots> ring{};  // not "slots": Qt reserves that word
  // The voices of the page being read, handed to its slot at the commit.
  std::array<char, PageSlot::kVoiceBytes> voices{};

  void clear() { *this = PageHistory{}; }

  // Slot of the page committed `back` commits ago (1 = the newest), or nullptr when
  // there is no such page in the ring.
  const PageSlot* committed(int back) const {
    if (back < 1 || back > kSlots || back > counter) return nullptr;
    return &ring[std::size_t((counter - back) % kSlots)];
  }
};

}  // namespace torvan
