#include "text/title_card.h"

#include <algorithm>

#include "core/engine.h"
#include "core/sjis.h"
#include "graphics/frame_clock.h"
#include "graphics/scene.h"
#include "text/glyph_font.h"

namespace torvan {

namespace {

constexpr int kFramePeriodMs = 20;
constexpr int kLeadInMs = 300;
constexpr int kHoldMs = 1500;

struct CardLine {
  std::u32string text;
  int height = 0;
  int x = 0;
  int y = 0;
};

// Sleeps until `ms` have passed, handling messages, unless the game is closing.
void hold(Engine& e, int ms) {
  const std::int64_t until = e.host.tickCount() + ms;
  while (e.host.tickCount() < until && !e.run.quit)
    WaitUntil(e.host, std::min(until, e.host.tickCount() + 10));
}

void fadeIn(Engine& e, GlyphFont& font, const CardLine& line) {
  Surface& win = e.surfaces.window;
  const Surface under = win;
  FrameClock clock;
  FrameStart(e.host, clock);
  for (int grey = 0; !e.run.quit;) {
    const auto level = std::uint8_t(std::min(grey, 255));
    win = under;
    font.drawPlain(win, line.x, line.y, line.text, line.height, Rgb{level, level, level});
    ShowSurface(e, win);
    if (grey >= 256) break;
    grey += 4 * FrameWait(e.host, clock, kFramePeriodMs);
  }
}

}  // namespace

int TitleCardHeight(std::size_t bytes) {
  if (bytes <= 15) return 72;
  if (bytes <= 23) return 48;
  return 32;
}

void ShowTitleCard(Engine& e, std::string_view argument) {
  argument = argument.substr(0, std::min(argument.find('\0'), argument.size()));
  const std::size_t comma = argument.substr(0, 50).find(',');
  const std::string_view first = argument.substr(0, comma);
  const std::string_view second =
      comma == std::string_view::npos ? std::string_view{} : argument.substr(comma + 1);

  const std::int32_t busy = e.run.busy;
  e.run.busy = 1;
  // The card always uses the serif face, whatever the message font is.
  GlyphFont font;
  font.open(*utf8ToSjis("ＭＳ 明朝"), 24, false);
  hold(e, kLeadInMs);
  const std::pair<std::string_view, std::pair<int, int>> parts[] = {{first, {640, 120}},
                                                                    {second, {800, 260}}};
  for (const auto& [text, place] : parts) {
    if (text.empty()) continue;
    CardLine line;
    line.text = SjisCodePoints(text);
    line.height = TitleCardHeight(text.size());
    line.x = (place.first - font.measurePlain(line.text, line.height)) / 2;
    line.y = place.second;
    fadeIn(e, font, line);
  }
  hold(e, kHoldMs);
  e.run.busy = busy;
  e.page.windowShown = false;
}

}  // namespace torvan
