#include "script/choice_drawing.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/engine.h"
#include "graphics/blend.h"
#include "script/choices.h"
#include "text/glyph_draw.h"
#include "text/glyph_font.h"

namespace torvan {

namespace {

constexpr int kRowPitch = 45;
constexpr int kButtonRows = 40;
constexpr int kFallbackWidth = 560;
constexpr int kLineFont = 24;

std::string_view choiceText(const ChoiceList& list, int i) {
  const auto& t = list.texts[static_cast<std::size_t>(i)];
  return std::string_view(t.data(), strnlen(t.data(), t.size()));
}

// Copies a rectangle of `from` onto the window and presents it.
void showArea(Engine& e, const Surface& from, int x, int y, int w, int h) {
  Surface& win = e.surfaces.window;
  if (win.empty()) return;
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min({x + w, from.width, win.width});
  const int y1 = std::min({y + h, from.height, win.height});
  if (x0 >= x1 || y0 >= y1) return;
  for (int r = y0; r < y1; ++r)
    std::memcpy(win.row(r) + x0 * 3, from.row(r) + x0 * 3, std::size_t(x1 - x0) * 3);
  e.host.present(win, Rect{x0, y0, x1 - x0, y1 - y0});
}

// The button face blended through its mask onto target with its top-left at (left, top).
// Only the part inside the target is drawn, so a face wider than the screen is cut.
void blendButton(const Surface& picture, int w, Surface& target, int left, int top) {
  const int rows = std::min(kButtonRows, picture.height);
  const int x0 = std::max(0, left), x1 = std::min(left + w, target.width);
  if (x0 >= x1) return;
  const std::size_t bytes = std::size_t(x1 - x0) * 3;
  std::vector<std::uint8_t> face(bytes), mask(bytes);
  for (int r = 0; r < rows; ++r) {
    const int y = top + r;
    if (y < 0 || y >= target.height) continue;
    const std::uint8_t* src = picture.row(r) + std::size_t(x0 - left) * 3;
    std::memcpy(face.data(), src, bytes);
    std::memcpy(mask.data(), src + std::size_t(w) * 3, bytes);
    std::uint8_t* out = target.row(y) + x0 * 3;
    BlendMasked(out, face.data(), mask.data(), out, bytes / 8);
  }
}

int rowTop(const ChoiceList& list, int i) {
  return list.top + kRowPitch * i;
}

void showRow(Engine& e, int i, bool highlighted) {
  const ChoiceList& list = e.script.choices;
  showArea(e, highlighted ? e.surfaces.spare : e.surfaces.screen, list.left, rowTop(list, i),
           list.width, kButtonRows);
}

void drawWindow(Engine& e) {
  const ChoiceList& list = e.script.choices;
  Surfaces& s = e.surfaces;
  s.spare = s.screen;
  const Surface& picture = s.system.sysSw;
  // A picture too narrow for its face and mask halves has no button to draw.
  const bool face = !picture.empty() && picture.width >= 2 * list.width && list.width > 0;
  for (int i = 0; i < list.count; ++i) {
    const int top = rowTop(list, i);
    if (face) {
      blendButton(picture, list.width, s.screen, list.left, top);
      blendButton(picture, list.width, s.spare, list.left, top);
    }
    const std::string_view text = choiceText(list, i);
    const int x0 = list.left + list.width / 2 - 8 * int(text.size()) - 14;
    DrawTextRun(e, text, x0, s.screen, 0, top + 4);
    DrawTextRun(e, text, x0, s.spare, 2, top + 4);
  }
  for (int i = 0; i < list.count; ++i) showRow(e, i, i + 1 == list.hovered);
}

// Full-screen text: lines drawn straight onto the window over what the back buffer holds.
void drawLines(Engine& e) {
  const ChoiceList& list = e.script.choices;
  Surface& win = e.surfaces.window;
  if (win.empty() || list.count == 0) return;
  int right = 0, bottom = 0;
  for (int i = 0; i < list.count; ++i) {
    const auto& r = list.rects[static_cast<std::size_t>(i)];
    right = std::max(right, r[2]);
    bottom = std::max(bottom, r[3]);
  }
  // Restoring first keeps the anti-aliased edges from piling up over repeated hovers;
  // the extra width covers glyphs wider than the nominal 18 pixels per byte.
  const int x = 32, y = 32, w = std::min(win.width, right + 64) - x, h = bottom + 8 - y;
  const Surface& back = e.surfaces.screen;
  for (int r = std::max(0, y); r < std::min({y + h, back.height, win.height}); ++r)
    std::memcpy(win.row(r) + x * 3, back.row(r) + x * 3,
                std::size_t(std::max(0, std::min(w, back.width - x))) * 3);
  for (int i = 0; i < list.count; ++i) {
    const auto& r = list.rects[static_cast<std::size_t>(i)];
    const std::string_view text = choiceText(list, i);
    DrawPlainText(e, win, r[0] + 2, r[1] + 2, text, kLineFont, Rgb{0, 0, 0});
    const Rgb colour = i + 1 == list.hovered ? Rgb{255, 255, 255} : Rgb{192, 192, 192};
    DrawPlainText(e, win, r[0], r[1], text, kLineFont, colour);
  }
  e.host.present(win, Rect{x, y, w, h});
}

// The same rectangle of src copied onto the window in place, and presented.
void showFrom(Engine& e, const Surface& src, const std::array<std::int32_t, 4>& box) {
  const Rect shown = copyRect(e.surfaces.window, box[0], box[1], src, box[0], box[1],
                              std::int64_t(box[2]) - box[0], std::int64_t(box[3]) - box[1]);
  if (shown.w > 0) e.host.present(e.surfaces.window, shown);
}

enum class AreaLook { Plain, Whole, Second };

AreaLook areaLook(const ChoiceList& list, int i) {
  const char first = list.texts[static_cast<std::size_t>(i)][0];
  return first == '*' ? AreaLook::Whole : first == '#' ? AreaLook::Second : AreaLook::Plain;
}

// A "#" area's second rectangle of the parts picture and the place it is shown, as the
// source box and the destination's top-left corner.
std::array<std::int32_t, 4> secondSource(const ChoiceList& list, int i) {
  const auto& r = list.partsRects[static_cast<std::size_t>(i)];
  return {std::min(r[0], r[2]), std::min(r[1], r[3]), std::max(r[0], r[2]), std::max(r[1], r[3])};
}

std::array<std::int32_t, 4> secondDestination(const ChoiceList& list, int i) {
  const auto src = secondSource(list, i);
  const auto& at = list.partsAt[static_cast<std::size_t>(i)];
  const auto clamp = [](std::int64_t v) {
    return std::int32_t(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
  };
  return {at[0], at[1], clamp(std::int64_t(at[0]) + src[2] - src[0]),
          clamp(std::int64_t(at[1]) + src[3] - src[1])};
}

bool validArea(const ChoiceList& list, int index) {
  return index >= 1 && index <= list.count;
}

// Puts back from the frame what lighting area i changed on the window. The second
// rectangle of a "#" area is put back too: it may stand outside the area, and moving
// straight to a neighbouring area would otherwise leave it lit.
void restoreArea(Engine& e, int i) {
  const ChoiceList& list = e.script.choices;
  const Surface& frame = e.surfaces.screen;
  const auto k = static_cast<std::size_t>(i);
  switch (areaLook(list, i)) {
    case AreaLook::Whole:
      showFrom(e, frame, list.rects[k]);
      break;
    case AreaLook::Second:
      showFrom(e, frame, secondDestination(list, i));
      [[fallthrough]];
    case AreaLook::Plain:
      showFrom(e, frame, list.labelBoxes[k]);
      break;
  }
}

// Lights area i from the parts picture: a "*" area its whole rectangle, any other its
// label box, and a "#" area its second rectangle at that rectangle's place.
void highlightArea(Engine& e, int i) {
  const ChoiceList& list = e.script.choices;
  const Surface& parts = e.surfaces.parts;
  const auto k = static_cast<std::size_t>(i);
  if (areaLook(list, i) == AreaLook::Whole) {
    showFrom(e, parts, list.rects[k]);
    return;
  }
  showFrom(e, parts, list.labelBoxes[k]);
  if (areaLook(list, i) != AreaLook::Second) return;
  const auto src = secondSource(list, i);
  const auto& at = list.partsAt[k];
  const Rect shown = copyRect(e.surfaces.window, at[0], at[1], parts, src[0], src[1],
                              std::int64_t(src[2]) - src[0], std::int64_t(src[3]) - src[1]);
  if (shown.w > 0) e.host.present(e.surfaces.window, shown);
}

void showWholeFrame(Engine& e) {
  Surface& win = e.surfaces.window;
  const Rect shown = copyRect(win, 0, 0, e.surfaces.screen, 0, 0, win.width, win.height);
  if (shown.w > 0) e.host.present(win, shown);
}

}  // namespace

int ChoiceWindowWidth(const Engine& e) {
  const Surface& picture = e.surfaces.system.sysSw;
  return picture.empty() || picture.width < 2 ? kFallbackWidth : picture.width / 2;
}

void DrawChoices(Engine& e) {
  switch (e.run.choiceState) {
    case kChoiceWindow:
      drawWindow(e);
      break;
    case kChoiceFullScreen:
      drawLines(e);
      break;
    case kClickMap:
      // A pointer already on an area when the map opens shows it lit at once.
      if (validArea(e.script.choices, e.script.choices.hovered))
        highlightArea(e, e.script.choices.hovered - 1);
      break;
    default:
      break;
  }
}

void RedrawChoiceHover(Engine& e, int previous) {
  const ChoiceList& list = e.script.choices;
  if (list.hovered == previous) return;
  switch (e.run.choiceState) {
    case kChoiceWindow:
      if (previous >= 1 && previous <= list.count) showRow(e, previous - 1, false);
      if (list.hovered >= 1 && list.hovered <= list.count) showRow(e, list.hovered - 1, true);
      break;
    case kChoiceFullScreen:
      drawLines(e);
      break;
    case kClickMap:
      if (!validArea(list, list.hovered)) {
        if (validArea(list, previous)) showWholeFrame(e);
        break;
      }
      if (validArea(list, previous)) restoreArea(e, previous - 1);
      highlightArea(e, list.hovered - 1);
      break;
    default:
      break;
  }
}

void ShowTakenArea(Engine& e, int index) {
  const ChoiceList& list = e.script.choices;
  if (!validArea(list, index)) return;
  if (e.vars.sys[15] == 0) {
    showWholeFrame(e);
    return;
  }
  // The highlight may reach beyond the area (a label wider than it, a second
  // rectangle elsewhere); that part goes back to the frame first.
  if (validArea(list, list.hovered)) restoreArea(e, list.hovered - 1);
  const auto& r = list.rects[static_cast<std::size_t>(index - 1)];
  const std::int64_t w = std::int64_t(r[2]) - r[0], h = std::int64_t(r[3]) - r[1];
  copyRect(e.surfaces.screen, r[0], r[1], e.surfaces.work, r[0], r[1], w, h);
  const Rect shown = copyRect(e.surfaces.window, r[0], r[1], e.surfaces.work, r[0], r[1], w, h);
  if (shown.w > 0) e.host.present(e.surfaces.window, shown);
}

void BlinkChoice(Engine& e, int index, int times) {
  const ChoiceList& list = e.script.choices;
  if (index < 1 || index > list.count) return;
  // Input waits while the row blinks: a move would repaint it, a click take it again.
  const std::int32_t busy = e.run.busy;
  e.run.busy = 1;
  for (int k = 0; k < times && !e.run.quit; ++k) {
    for (bool highlighted : {true, false}) {
      showRow(e, index - 1, highlighted);
      e.host.pumpEvents();
      e.host.sleep(100);
    }
  }
  e.run.busy = busy;
}

}  // namespace torvan
