#include "text/glyph_draw.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/engine.h"
#include "core/sjis.h"
#include "text/page_text.h"

namespace torvan {

namespace {

std::size_t charLength(std::string_view s, std::size_t i) {
  return isSjisLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

std::string_view untilNul(std::string_view s) {
  return s.substr(0, std::min(s.find('\0'), s.size()));
}

std::u32string codePoints(std::string_view sjis) {
  const std::string utf8 = sjisToUtf8(sjis);
  std::u32string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto b = static_cast<unsigned char>(utf8[i]);
    int n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
    if (i + std::size_t(n) > utf8.size()) n = 1;
    char32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (int k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    out.push_back(c);
    i += std::size_t(n);
  }
  return out;
}

void appendRange(std::string& out, unsigned from, unsigned to) {
  for (unsigned c = from; c <= to; ++c) {
    // 0x7F is no trail byte in Shift-JIS: the katakana block jumps over it.
    if ((c & 0xFF) == 0x7F) continue;
    out.push_back(char(c >> 8));
    out.push_back(char(c & 0xFF));
  }
}

}  // namespace

void RebuildGlyphCache(Engine& e) {
  GlyphRenderer& r = e.glyphs;
  r.font.open(e.settings.fontName, e.settings.fontSize, e.settings.fontBold != 0);
  r.cache.clear();
  std::string common;
  appendRange(common, 0x829F, 0x82F1);  // hiragana
  appendRange(common, 0x8340, 0x8396);  // katakana
  appendRange(common, 0x824F, 0x8258);  // full-width digits
  // Ideographic space 「 」 （ ） … 。 、 ・ ！ ？ 日 『 』
  for (unsigned c : {0x8140u, 0x8175u, 0x8176u, 0x8169u, 0x816Au, 0x8163u, 0x8142u, 0x8141u,
                     0x8145u, 0x8149u, 0x8148u, 0x93FAu, 0x8177u, 0x8178u})
    appendRange(common, c, c);
  for (std::size_t i = 0; i + 1 < common.size(); i += 2)
    r.render(std::string_view(common).substr(i, 2));
}

int MeasurePlainText(Engine& e, std::string_view sjis, int pixelHeight) {
  return e.glyphs.font.measurePlain(codePoints(untilNul(sjis)), pixelHeight);
}

void PresentArea(Engine& e, int x, int y, int w, int h) {
  Surface& from = e.surfaces.screen;
  Surface& win = e.surfaces.window;
  if (win.empty()) return;
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min({x + w, from.width, win.width}),
            y1 = std::min({y + h, from.height, win.height});
  if (x0 >= x1 || y0 >= y1) return;
  for (int r = y0; r < y1; ++r)
    std::memcpy(win.row(r) + x0 * 3, from.row(r) + x0 * 3, std::size_t(x1 - x0) * 3);
  e.host.present(win, Rect{x0, y0, x1 - x0, y1 - y0});
}

void DrawCharacter(Engine& e, Surface& target, int x, int y, std::string_view character,
                   int colour) {
  if (character.empty()) return;
  e.glyphs.render(character);
  e.glyphs.colour = colour & 7;
  DrawGlyph(e.glyphs, target, x, y, colour);
}

void DrawGlyphToScreen(Engine& e, int x, int y, std::string_view character, int colour) {
  DrawCharacter(e, e.surfaces.screen, x, y, character, colour);
  PresentArea(e, x, y, kCellWidth + 1, kCellHeight);
}

void DrawTextRun(Engine& e, std::string_view text, int x0, Surface& target, int colour, int y) {
  text = untilNul(text);
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = charLength(text, i);
    DrawCharacter(e, target, x0 + 16 * int(i + 1), y, text.substr(i, len), colour);
    i += len;
  }
}

void DrawTextCentred(Engine& e, std::string_view text, int centreX, Surface& target, int colour,
                     int y) {
  text = untilNul(text);
  DrawTextRun(e, text, centreX - 8 * int(text.size()), target, colour, y);
}

void DrawSpeakerName(Engine& e, std::string_view text, int colour) {
  DrawTextRun(e, text, 48, e.surfaces.screen, colour, 428);
  PresentArea(e, 48, 428, 200, 32);
}

void DrawRuby(Engine& e, std::string_view text) {
  TextPage& p = e.page;
  if (p.column == 0 && p.row == 0) p.row = 1;
  int x = 51 + 16 * p.column, y = 424 + 41 * p.row;
  if (p.column == 0) x = 83;
  if (p.column >= 42) {
    x = 83;
    y = 465 + 41 * p.row;
  }
  const int w = DrawPlainText(e, e.surfaces.screen, x, y, text, 9, TextColour(0));
  PresentArea(e, x, y, w + 1, 12);
}

void RedrawPage(Engine& e, bool present) {
  const TextPage& p = e.page;
  if (p.empty) return;
  const bool full = e.vars.sys[sys::kFullScreenText] != 0;
  int firstRow = 1, lastRow = 3, columns = 44;
  if (full) {
    firstRow = 0;
    lastRow = 15;
    columns = 40;
  } else {
    DrawTextRun(e, untilNul(std::string_view(p.speaker.data(), p.speaker.size())), 48,
                e.surfaces.screen, 0, 428);
    if (present) PresentArea(e, 48, 428, 200, 32);
  }
  for (int row = firstRow; row <= lastRow; ++row) {
    const auto& g = p.grid[std::size_t(row)];
    for (int c = 0; c < columns; ++c) {
      const std::uint8_t b = g[std::size_t(c)];
      if (b == 0) continue;
      const bool two = (b & 0x80) && c + 1 < TextPage::kColumns && isSjisLead(b);
      const std::string_view ch(reinterpret_cast<const char*>(&g[std::size_t(c)]), two ? 2 : 1);
      const Point cell = TextCellPosition(full, c, row);
      DrawCharacter(e, e.surfaces.screen, cell.x, cell.y, ch,
                    p.colours[std::size_t(row)][std::size_t(c)]);
      if (present) PresentArea(e, cell.x, cell.y, kCellWidth + 1, kCellHeight);
      if (two) ++c;
    }
  }
}

int DrawPlainText(Engine& e, Surface& target, int x, int y, std::string_view sjis, int pixelHeight,
                  Rgb colour) {
  return e.glyphs.font.drawPlain(target, x, y, codePoints(untilNul(sjis)), pixelHeight, colour);
}

}  // namespace torvan
