// The credits roll of "special " 5 and the completion figure of "special " 6.
//
// "endroll" data scenario (lines end with a 0 byte):
//   line 0        the frame time in milliseconds (a decimal number at its start)
//   lines 1..     name "," number records, read over
//   "*..."        the first line starting with "*" ends them
//   credit lines  up to the next line starting with "*" (or the end of the data)
//
// The credit lines are drawn once, white on black, into a two-colour strip 320 pixels
// wide: line i at (0, 600 + 32 i), 30 pixels high, the strip 32 x lines + 600 rows high.
// Each frame shows a 256 x 600 window of the strip from (64, p), p = 0, 2, 4, ..., at
// x 544 beside the left 544 columns of the background; the window's rows 0..127 and
// 479 down to 352 are faded towards their outer edge, so the lines dim in and out.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "graphics/surface.h"
#include "script/variables.h"

namespace torvan {

class Engine;
class GlyphFont;

struct EndrollScript {
  int frameMs = 0;                  // as written
  std::vector<std::string> lines;   // Shift-JIS, without line ends
  std::vector<std::string> faults;  // what was wrong with the data, one line each
};

// Reads the data as "endroll" holds it. Never fails: damaged data gives fewer lines
// and a fault for each repair.
EndrollScript ParseEndroll(std::span<const std::uint8_t> data);

// The frame time the roll runs at: missing, zero and negative times give 30 ms, times
// above 100 ms are cut to 100 ms so that a roll always moves.
int CreditsFrameMs(int written);

// The most credit lines a roll shows; the strip of more would take tens of megabytes.
inline constexpr std::size_t kMaxCreditLines = 1000;

// The two-colour strip: one byte per pixel, 1 for a lit pixel.
struct CreditsStrip {
  static constexpr int kWidth = 320;
  int height = 0;
  std::vector<std::uint8_t> lit;
  bool at(int x, int y) const {
    return x >= 0 && x < kWidth && y >= 0 && y < height &&
           lit[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] != 0;
  }
};

// Draws the lines into a strip (at most kMaxCreditLines of them).
CreditsStrip BuildCreditsStrip(GlyphFont& font, const std::vector<std::string>& lines);

// Rows of the strip the roll scrolls through: p runs 0, 2, ... below this.
int CreditsScrollEnd(std::size_t lines);

// One frame's 256 x 600 panel: the strip's window at (64, p), rows past the strip
// black, then the faded rows. panel must be 256 x 600.
void DrawCreditsPanel(const CreditsStrip& strip, int p, Surface& panel);

// "special " 5: loads "endroll" and rolls its credits to the end, or until the game
// is closing.
void PlayCreditsRoll(Engine& e);

// The share of the 228 story flags in E001..E038, E101..E131, E201..E250, E301..E337,
// E401..E444, E501..E521 and E601..E607 that are set, in whole percent (rounded down).
int CompletionPercent(const FlagBank<128>& evr);

// "special " 6: the percentage drawn white, 32 pixels high, ending at x 570, top at y 12,
// on the window only (the next redraw removes it).
void DrawCompletion(Engine& e);

}  // namespace torvan
