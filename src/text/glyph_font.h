// Message glyphs: the face behind "FontName", glyph masks in the 32 x 35 cell with
// their soft shadow, the cache of rendered masks and the text colours.
//
// Cell mask: 35 rows of 32 coverage bytes (1120 bytes), 0 = nothing, otherwise
// 3 * g + 90 capped at 255 for the rasteriser's grey level g in 1..64, so the faintest
// pixel is 93 and levels from 55 up are opaque. A glyph's black box lands at row
// 2 + ascent - top bearing, column left bearing; whatever falls outside is clipped.
// Shadow mask: row i + 1, column j (i in 1..33, j in 1..30) = the mean of the four
// neighbours of mask pixel (i, j); it is drawn one pixel to the right of the glyph.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/surface.h"

namespace torvan {

inline constexpr int kCellWidth = 32;
inline constexpr int kCellHeight = 35;

struct GlyphMask {
  std::array<std::uint8_t, kCellWidth * kCellHeight> pixels{};
  std::uint8_t at(int row, int column) const {
    return pixels[std::size_t(row * kCellWidth + column)];
  }
};

// The rasteriser's grey level (0..64) as drawn coverage.
constexpr std::uint8_t CoverageFromLevel(int level) {
  if (level <= 0) return 0;
  const int c = 3 * level + 90;
  return std::uint8_t(c > 255 ? 255 : c);
}

// Shift-JIS text as Unicode code points (U+FFFD for what CP932 does not map).
std::u32string SjisCodePoints(std::string_view sjis);

// A Shift-JIS character (one or two bytes) as the cache keys it.
std::uint16_t GlyphCode(std::string_view character);

// The installed font file for a face name (UTF-8). The Windows faces scripts and
// settings name, and any face that is not installed, map to an installed Japanese face:
// a sans (gothic) one when the name asks for it, otherwise a serif (mincho) one. Empty
// when fontconfig finds nothing at all.
std::string ResolveFontFile(std::string_view faceName);

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
};
// The eight text colours; an index is taken modulo 8.
Rgb TextColour(int index);

// One FreeType face, sized for the message glyphs. Not copyable: it owns the library.
class GlyphFont {
 public:
  GlyphFont() = default;
  ~GlyphFont();
  GlyphFont(const GlyphFont&) = delete;
  GlyphFont& operator=(const GlyphFont&) = delete;

  // Opens the face named in Shift-JIS at `points` (as at 96 dots per inch), emboldened
  // when asked. False when no font could be opened; glyphs then draw as nothing.
  bool open(std::string_view sjisFaceName, int points, bool bold);
  bool isOpen() const { return face_ != nullptr; }
  const std::string& file() const { return file_; }

  // The cell mask of a Unicode code point; all zero when the face has no glyph.
  void renderCell(char32_t codePoint, GlyphMask& out);

  // Ordinary text output: the coverage of `utf32` at `pixelHeight` drawn with its top
  // at (x, y) in `colour` over the target, background left as it is. Returns the width.
  int drawPlain(Surface& target, int x, int y, std::u32string_view text, int pixelHeight,
                Rgb colour);
  // The width drawPlain would take.
  int measurePlain(std::u32string_view text, int pixelHeight);

 private:
  void close();
  void applyCellSize();

  void* library_ = nullptr;  // FT_Library
  void* face_ = nullptr;     // FT_Face
  std::string file_;
  int points_ = 24;
  bool bold_ = false;
};

struct GlyphCache {
  static constexpr std::size_t kEntries = 1000;

  std::vector<std::uint16_t> codes;
  std::vector<GlyphMask> masks;

  const GlyphMask* find(std::uint16_t code) const;
  // False once the cache is full: the glyph is then rendered at every use.
  bool add(std::uint16_t code, const GlyphMask& mask);
  void clear() {
    codes.clear();
    masks.clear();
  }
  std::size_t size() const { return codes.size(); }
};

// The drawer's state: the face, the cache, the masks of the current glyph and the
// colour index last applied.
struct GlyphRenderer {
  GlyphFont font;
  GlyphCache cache;
  GlyphMask glyph;
  GlyphMask shadow;
  int colour = 0;
  // Counts rasterisations, so that tests and benchmarks can see cache hits.
  std::uint64_t rendered = 0;

  // Makes the glyph and shadow masks of one Shift-JIS character.
  void render(std::string_view character);
};

// Builds the shadow mask from a glyph mask.
void MakeShadow(const GlyphMask& glyph, GlyphMask& shadow);

// Blends the current glyph (shadow first) into target with its cell at (x, y), in text
// colour index `colour`; pixels outside the target are left out.
void DrawGlyph(const GlyphRenderer& r, Surface& target, int x, int y, int colour);

}  // namespace torvan
