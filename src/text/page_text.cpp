// The layout of message text and the histories it feeds.
//
// Layout, in half-width columns:
//   window style (S150 = 0)  rows 1..3 (row 0 holds the name), cell (48 + 16c, 432 + 41r),
//                            wrap once past column 41, line-start exceptions up to 43,
//                            a line not opened by 「 or （ indented to column 2,
//                            wide spacing: every character advances 3 columns
//   full screen (S150 = 1)   rows 0..15, cell (32 + 18c, 32 + 36r), wrap past 37,
//                            exceptions up to 39, no indent, no wide spacing
// The grid has 20 rows of 100 bytes. A script that overfills a page keeps counting rows,
// but characters below the grid's last row (or beyond its columns) are not recorded:
// nothing would ever draw them, and a page wait is expected to clear the page first.
#include "text/page_text.h"

#include <algorithm>
#include <cstring>

#include "core/engine.h"
#include "core/sjis.h"
#include "text/glyph_draw.h"
#include "text/message_window.h"

namespace torvan {

namespace {

struct Layout {
  int wrapAfter;
  int exceptionUpTo;
};

constexpr Layout kWindowLayout{41, 43};
constexpr Layout kFullScreenLayout{37, 39};

// Two-byte Shift-JIS codes.
constexpr std::uint16_t kOpenBracket = 0x8175;  // 「
constexpr std::uint16_t kOpenParen = 0x8169;    // （
// Characters that may not start a line: 、 。 ， ． ？ ！ ’ ） 〉 》 」 』 】
constexpr std::uint16_t kNoLineStart[] = {0x8141, 0x8142, 0x8143, 0x8144, 0x8148, 0x8149, 0x8166,
                                          0x816A, 0x8172, 0x8174, 0x8176, 0x8178, 0x817A};
// Drawn on the page but kept out of the log: ◆ § √
constexpr std::uint16_t kNotLogged[] = {0x819F, 0x8198, 0x81E3};

std::uint16_t code(std::string_view ch) {
  if (ch.size() < 2) return ch.empty() ? 0 : static_cast<unsigned char>(ch[0]);
  return std::uint16_t(static_cast<unsigned char>(ch[0]) << 8 | static_cast<unsigned char>(ch[1]));
}

template <std::size_t N>
bool isOneOf(std::uint16_t c, const std::uint16_t (&set)[N]) {
  return std::find(std::begin(set), std::end(set), c) != std::end(set);
}

bool fullScreenText(const Engine& engine) {
  return engine.vars.sys[sys::kFullScreenText] != 0;
}

// The length of the Shift-JIS character starting at s[i].
std::size_t charLength(std::string_view s, std::size_t i) {
  return isSjisLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

}  // namespace

Point TextCellPosition(bool fullScreen, int column, int row) {
  if (fullScreen) return {32 + 18 * column, 32 + 36 * row};
  return {48 + 16 * column, 432 + 41 * row};
}

void PutChar(Engine& engine, std::string_view character) {
  if (character.empty()) return;
  character = character.substr(0, charLength(character, 0));
  const int width = int(character.size());
  const std::uint16_t c = code(character);
  const bool full = fullScreenText(engine);
  const Layout& layout = full ? kFullScreenLayout : kWindowLayout;
  TextPage& p = engine.page;

  if (!full && p.column == 0 && p.row == 0) p.row = 1;

  if (p.column > layout.wrapAfter &&
      !(isOneOf(c, kNoLineStart) && p.column <= layout.exceptionUpTo)) {
    p.column = 0;
    if (p.row < TextPage::kRows) ++p.row;
    EndLogLine(engine);
  }

  if (!full && p.column == 0 && p.row != 0 && c != kOpenBracket && c != kOpenParen) p.column = 2;

  if (p.row >= 0 && p.row < TextPage::kRows && p.column >= 0 &&
      p.column + width <= TextPage::kColumns) {
    auto& row = p.grid[std::size_t(p.row)];
    std::memcpy(&row[std::size_t(p.column)], character.data(), character.size());
    p.colours[std::size_t(p.row)][std::size_t(p.column)] = std::uint8_t(p.colour & 7);
  }
  p.empty = false;

  const Point cell = TextCellPosition(full, p.column, p.row);
  p.cellX = cell.x;
  p.cellY = cell.y;
  DrawGlyphToScreen(engine, cell.x, cell.y, character, p.colour);

  p.column += (!full && p.wideSpacing) ? 3 : width;
  ++engine.run.charsOnPage;
}

void ClearPageText(Engine& engine) {
  TextPage& p = engine.page;
  p.clearGrid();
  p.empty = true;
  p.colour = 0;
  p.wideSpacing = false;
  engine.run.charsOnPage = 0;
}

void NewPage(Engine& engine) {
  TextPage& p = engine.page;
  ClearPageText(engine);
  DrawNewPage(engine);
  if (!fullScreenText(engine)) p.speaker.fill(0);
}

void LogChar(Engine& engine, std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size() && bytes[i] != 0) {
    const std::size_t len = charLength(bytes, i);
    const std::string_view ch = bytes.substr(i, len);
    if (len == 1 || !isOneOf(code(ch), kNotLogged)) engine.log.append(ch);
    i += len;
  }
}

void EndLogLine(Engine& engine) {
  engine.log.endLine();
}

void LogVoice(Engine& engine, std::string_view name) {
  engine.log.append("@");
  LogChar(engine, name);
  engine.log.endLine();
}

void NotePageVoice(Engine& engine, std::string_view name) {
  name = name.substr(0, std::min(name.find('\0'), name.size()));
  if (name.empty()) return;
  auto& list = engine.history.voices;
  const std::size_t used = strnlen(list.data(), list.size());
  // The name, its blank and the terminating zero must all fit.
  if (used + name.size() + 2 > list.size()) return;
  std::memcpy(list.data() + used, name.data(), name.size());
  list[used + name.size()] = ' ';
}

void CommitPage(Engine& engine, std::string_view picture) {
  PageHistory& h = engine.history;
  // A damaged save; near the top of the range the count keeps its slot and its "ring
  // is full" meaning without overflowing.
  if (h.counter < 0) h.counter = 0;
  if (h.counter > 0x7FFF0000) h.counter = h.counter % PageHistory::kSlots + PageHistory::kSlots;
  PageSlot& slot = h.ring[std::size_t(h.counter % PageHistory::kSlots)];
  slot.grid = engine.page.grid;
  slot.colours = engine.page.colours;
  slot.speaker = engine.page.speaker;
  slot.picture.fill(0);
  picture = picture.substr(0, std::min(picture.find('\0'), picture.size()));
  std::size_t n = 0;
  while (n < picture.size()) {
    const std::size_t len = charLength(picture, n);
    if (n + len > slot.picture.size() - 1) break;
    n += len;
  }
  if (n > 0) std::memcpy(slot.picture.data(), picture.data(), n);
  slot.sys23 = engine.vars.sys[23];
  slot.textMode = engine.vars.sys[sys::kFullScreenText];
  slot.voices = h.voices;
  h.voices.fill(0);
  ++h.counter;
}

}  // namespace torvan
