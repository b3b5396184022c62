// What the message window shows: the page as a grid of Shift-JIS bytes with a colour
// index per cell, the layout counters and the window's state.
#pragma once

#include <array>
#include <cstdint>

namespace torvan {

struct TextPage {
  static constexpr int kRows = 20;
  static constexpr int kColumns = 100;

  std::array<std::array<std::uint8_t, kColumns>, kRows> grid{};     // TextGrid
  std::array<std::array<std::uint8_t, kColumns>, kRows> colours{};  // ColourGrid
  std::int32_t column = 0;
  std::int32_t row = 0;
  std::int32_t colour = 0;
  bool wideSpacing = false;
  bool windowShown = false;
  std::int32_t windowState = 0;
  std::array<char, 64> speaker{};
  std::array<char, 64> chapterTitle{};
  // No character put since the page was cleared; redraws skip an empty page.
  bool empty = true;
  // Where the last character put stands on the screen (top-left of its cell).
  std::int32_t cellX = 0;
  std::int32_t cellY = 0;

  void clearGrid() {
    for (auto& r : grid) r.fill(0);
    for (auto& r : colours) r.fill(0);
    column = 0;
    row = 0;
  }
};

}  // namespace torvan
