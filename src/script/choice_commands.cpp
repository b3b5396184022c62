// Choices: "select" lists the "{" lines that follow it, "clickmap " turns areas of the
// picture into choices, and a click on the hovered choice continues the story after
// its "{" line. "rec" records the choices taken so the selection tree can replay them.
//
// The data scenario "map" holds the click maps, one per label:
//   :NAME
//   N
//   label,x1,y1,x2,y2                      (N lines; labels "*..." highlight the area,
//   #label,x1,y1,x2,y2,sx1,sy1,sx2,sy2[,dx,dy]    "#..." also a second rectangle)
#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/engine.h"
#include "core/sjis.h"
#include "script/choice_drawing.h"
#include "script/choices.h"
#include "script/commands.h"
#include "script/expression.h"
#include "script/interpreter.h"
#include "sound/sound_system.h"
#include "text/page_text.h"

namespace torvan {

namespace {

constexpr int kChoiceTextMax = 63;
constexpr int kRowPitch = 45;
constexpr int kLabelMax = 64;

std::string_view lineAt(const Bytes& buffer, std::int32_t size, std::int32_t p) {
  const auto* base = reinterpret_cast<const char*>(buffer.data());
  if (p >= size) return {};
  const void* zero = std::memchr(base + p, 0, static_cast<std::size_t>(size - p));
  std::size_t n = zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - (base + p))
                       : static_cast<std::size_t>(size - p);
  return std::string_view(base + p, n);
}

std::int32_t afterLine(const Bytes& buffer, std::int32_t size, std::int32_t p) {
  std::string_view l = lineAt(buffer, size, p);
  return std::min(p + static_cast<std::int32_t>(l.size()) + 1, size);
}

// A choice line's text after "{": a "(" condition is tested and removed. Returns false
// when the condition does not hold.
bool choiceText(Engine& e, std::string_view raw, std::string& text) {
  std::size_t open = raw.find('(');
  if (open == std::string_view::npos) {
    text = std::string(raw);
  } else {
    std::size_t close = raw.find(')', open);
    std::string_view condition = raw.substr(
        open, close == std::string_view::npos ? std::string_view::npos : close - open + 1);
    if (!TestCondition(e, condition)) return false;
    text = std::string(raw.substr(0, open));
    if (close != std::string_view::npos) text += raw.substr(close + 1);
  }
  if (text.size() >= 2 && text[0] == '$' && text[1] >= '0' && text[1] <= '9')
    text = e.vars.string(text[1] - '0');
  return true;
}

std::int32_t clampToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

void centreLabel(ChoiceList& list, int i) {
  const auto& r = list.rects[static_cast<std::size_t>(i)];
  // The label font is 16 pixels: 8 per byte. Areas come from a data file and may span
  // the whole 32-bit range, so the centring is done in 64 bits.
  const std::int64_t w =
      8 * static_cast<std::int64_t>(
              strnlen(list.texts[static_cast<std::size_t>(i)].data(), ChoiceList::kTextBytes)) +
      32;
  const std::int64_t x = r[0] + (std::int64_t(r[2]) - r[0] - w) / 2;
  const std::int64_t y = r[1] + (std::int64_t(r[3]) - r[1] - 24) / 2;
  list.labelBoxes[static_cast<std::size_t>(i)] = {clampToInt32(x), clampToInt32(y),
                                                  clampToInt32(x + w), clampToInt32(y + 24)};
}

int hoveredAt(const Engine& e, Point p) {
  const ChoiceList& list = e.script.choices;
  switch (e.run.choiceState) {
    case kChoiceWindow: {
      if (p.x < list.left || p.x >= list.left + list.width || p.y < list.top) return 0;
      int row = (p.y - list.top) / kRowPitch;
      return row < list.count ? row + 1 : 0;
    }
    case kChoiceFullScreen:
      for (int i = 0; i < list.count; ++i) {
        const auto& r = list.rects[static_cast<std::size_t>(i)];
        if (p.x >= r[0] && p.x < r[2] && p.y >= r[1] && p.y < r[3]) return i + 1;
      }
      return 0;
    case kClickMap:
      for (int i = 0; i < list.count; ++i) {
        const auto& r = list.rects[static_cast<std::size_t>(i)];
        if (list.used[static_cast<std::size_t>(i)] && p.x > r[0] && p.x < r[2] && p.y > r[1] &&
            p.y < r[3])
          return i + 1;
      }
      return 0;
    default:
      return 0;
  }
}

// Records a taken choice while recording is on. The record has a fixed size; choices
// beyond it are not recorded (a replay then ends where the record ends).
void recordChoice(Engine& e, int index) {
  auto& sys = e.vars.sys;
  if (sys[151] != 1) return;
  if (sys[152] < 0 || sys[152] >= static_cast<std::int32_t>(ScriptState::kRecordBytes)) return;
  e.script.record[static_cast<std::size_t>(sys[152])] = static_cast<std::uint8_t>(index);
  ++sys[152];
}

// While replaying, the recorded choice is taken as soon as the list is up.
void replayRecordedChoice(Engine& e) {
  auto& sys = e.vars.sys;
  if (sys[151] != 2) return;
  const std::int32_t pos = sys[153];
  int index = 0;
  if (pos >= 0 && pos < sys[152] && pos < static_cast<std::int32_t>(ScriptState::kRecordBytes))
    index = e.script.record[static_cast<std::size_t>(pos)];
  if (index < 1 || index > e.script.choices.count) {
    // The record does not fit this list: the player chooses from here on.
    sys[151] = 1;
    sys[152] = std::max(0, pos);
    return;
  }
  TakeChoice(e, index);
  sys[153] = pos + 1;
  if (sys[153] >= sys[152]) {
    sys[151] = 1;
    sys[152] = sys[153];
  }
}

}  // namespace

// The click map named name in the "map" data scenario, read into the choice list.
void ReadClickMap(Engine& e, std::string_view name) {
  ScriptState& s = e.script;
  ChoiceList& list = s.choices;
  const Bytes& aux = s.auxiliary;
  const std::int32_t size = s.auxSize;
  std::int32_t p = 0;
  for (; p < size; ++p)
    if (aux[static_cast<std::size_t>(p)] == ':' && startsWithNoCase(lineAt(aux, size, p + 1), name))
      break;
  if (p >= size) {
    scriptWarning(e, "no click map '" + std::string(name) + "' in \"map\"");
    return;
  }
  p = afterLine(aux, size, p);
  int n = parseNumber(lineAt(aux, size, p));
  if (n > ChoiceList::kMax) {
    scriptWarning(e, "click map '" + std::string(name) + "' has " + std::to_string(n) +
                         " areas; the first " + std::to_string(ChoiceList::kMax) + " are used");
    n = ChoiceList::kMax;
  }
  n = std::max(n, 0);
  p = afterLine(aux, size, p);
  for (int i = 0; i < n && p < size; ++i, p = afterLine(aux, size, p)) {
    std::string_view l = lineAt(aux, size, p);
    std::size_t comma = std::min(l.find(','), l.size());
    std::string_view label = cutSjis(l.substr(0, comma), kLabelMax);
    auto& text = list.texts[static_cast<std::size_t>(i)];
    setField(text, cutSjis(label, kChoiceTextMax));
    std::int32_t v[10] = {};
    int count = 0;
    std::size_t at = comma;
    while (at < l.size() && count < 10) {
      v[count++] = parseNumber(l.substr(at + 1));
      at = std::min(l.find(',', at + 1), l.size());
    }
    auto& r = list.rects[static_cast<std::size_t>(i)];
    r = {std::min(v[0], v[2]), std::min(v[1], v[3]), std::max(v[0], v[2]), std::max(v[1], v[3])};
    if (!label.empty() && label[0] == '#') {
      list.partsRects[static_cast<std::size_t>(i)] = {v[4], v[5], v[6], v[7]};
      list.partsAt[static_cast<std::size_t>(i)] = count >= 10
                                                      ? std::array<std::int32_t, 2>{v[8], v[9]}
                                                      : std::array<std::int32_t, 2>{v[4], v[5]};
    }
    centreLabel(list, i);
  }
  list.count = n;
}

void cmdSelect(Engine& e, CommandCall&) {
  breakOnSelect(e);
  ScriptState& s = e.script;
  s.nextLine = true;
  ChoiceList& list = s.choices;
  list.clear();
  PlaySoundCue(e, "SSE02");
  e.run.busy = 1;
  const bool fullScreen = e.vars.sys[sys::kFullScreenText] != 0;
  e.run.choiceState = fullScreen ? kChoiceFullScreen : kChoiceWindow;

  std::int32_t p = s.pc;
  for (int row = 0;;) {
    std::int32_t open = NextLineStartingWith(s, p, '{');
    std::int32_t close = NextLineStartingWith(s, p, '}');
    if (open >= close) {
      list.endOffset = close;
      break;
    }
    p = afterLine(s.scenario, s.size, open);
    if (list.count == ChoiceList::kMax) {
      scriptWarning(e, "more than " + std::to_string(ChoiceList::kMax) +
                           " choices; the rest are not offered");
      list.endOffset = close;
      break;
    }
    std::string text;
    std::string_view raw = cutSjis(lineAt(s.scenario, s.size, open).substr(1), kChoiceTextMax);
    if (!choiceText(e, raw, text)) continue;
    const auto i = static_cast<std::size_t>(list.count++);
    setField(list.texts[i], cutSjis(text, kChoiceTextMax));
    list.targets[i] = p;
    list.used[i] = 1;
    const auto len =
        static_cast<std::int32_t>(strnlen(list.texts[i].data(), ChoiceList::kTextBytes));
    list.rects[i] = {32, 32 + 36 * row, 32 + 18 * len, 56 + 36 * row};
    ++row;
  }

  e.surfaces.previous = e.surfaces.screen;
  if (!fullScreen) {
    list.width = ChoiceWindowWidth(e);
    list.left = (800 - list.width) / 2;
    list.top = 190 - 22 * list.count;
  }
  list.hovered = hoveredAt(e, e.host.cursorPos());
  DrawChoices(e);
  e.run.busy = 0;
  replayRecordedChoice(e);
}

void cmdClickmap(Engine& e, CommandCall& c) {
  breakOnSelect(e);
  ScriptState& s = e.script;
  s.nextLine = true;
  ChoiceList& list = s.choices;
  list.clear();
  if (LoadScenario(e, "map", ScenarioTarget::Auxiliary)) ReadClickMap(e, c.argument);
  e.run.choiceState = kClickMap;
  list.hovered = 0;

  // The n-th "{" line up to the "}" belongs to area n.
  std::int32_t p = s.pc;
  const std::int32_t close = NextLineStartingWith(s, p, '}');
  list.endOffset = close;
  for (int i = 0;; ++i) {
    std::int32_t open = NextLineStartingWith(s, p, '{');
    if (open >= close) break;
    p = afterLine(s.scenario, s.size, open);
    if (i >= list.count) continue;
    std::string text;
    std::string_view raw = cutSjis(lineAt(s.scenario, s.size, open).substr(1), kChoiceTextMax);
    const auto k = static_cast<std::size_t>(i);
    list.targets[k] = p;
    list.used[k] = choiceText(e, raw, text) ? 1 : 0;
    if (list.used[k] && !text.empty()) {
      setField(list.texts[k], cutSjis(text, kChoiceTextMax));
      centreLabel(list, i);
    }
  }
  list.hovered = hoveredAt(e, e.host.cursorPos());
  DrawChoices(e);
}

void cmdSeltree(Engine& e, CommandCall&) {
  breakOnSelect(e);
  // The selection tree opens here (and takes the choice state) once that screen
  // exists; until then the story goes on past the command.
}

void cmdRec(Engine& e, CommandCall&) {
  e.vars.flg.clear();
  e.vars.val.fill(0);
  e.script.recordStart = e.script.loadedName;
  auto& sys = e.vars.sys;
  if (sys[151] != 2) {
    sys[151] = 1;
    sys[152] = 0;
  }
  sys[153] = 0;
}

void UpdateChoiceHover(Engine& e, Point p) {
  if (e.run.choiceState == kNoChoice) return;
  const int previous = e.script.choices.hovered;
  e.script.choices.hovered = hoveredAt(e, p);
  RedrawChoiceHover(e, previous);
}

bool ChoiceClick(Engine& e, Point p, bool left) {
  const std::int32_t state = e.run.choiceState;
  if (state == kNoChoice || (!left && state != kClickMap)) return false;
  UpdateChoiceHover(e, p);
  const int hovered = e.script.choices.hovered;
  if (hovered < 1) return false;
  TakeChoice(e, hovered);
  return true;
}

void TakeChoice(Engine& e, int index) {
  ScriptState& s = e.script;
  ChoiceList& list = s.choices;
  if (index < 1 || index > list.count) return;
  PlaySoundCue(e, "SSE01");
  recordChoice(e, index);
  auto& sys = e.vars.sys;
  switch (e.run.choiceState) {
    case kChoiceWindow:
      // The list is closed before the blink: the busy blink is no wait for the player.
      e.run.choiceState = kNoChoice;
      BlinkChoice(e, index, sys[151] == 2 ? 14 : 4);
      sys[15] = 0;
      e.surfaces.screen = e.surfaces.previous;
      e.paint();
      if (e.page.windowShown) NewPage(e);
      break;
    case kChoiceFullScreen:
      sys[15] = 0;
      NewPage(e);
      break;
    case kClickMap:
      ShowTakenArea(e, index);
      sys[15] = 0;
      break;
    default:
      break;
  }
  s.pc = list.targets[static_cast<std::size_t>(index - 1)];
  sys[10] = 0;
  s.nextLine = true;
  e.run.choiceState = kNoChoice;
  list.hovered = -1;
}

std::optional<Point> choicePoint(const Engine& e, int index) {
  const ChoiceList& list = e.script.choices;
  if (index < 1 || index > list.count) return std::nullopt;
  const auto i = static_cast<std::size_t>(index - 1);
  switch (e.run.choiceState) {
    case kChoiceWindow:
      return Point{list.left + list.width / 2, list.top + kRowPitch * (index - 1) + kRowPitch / 2};
    case kChoiceFullScreen:
    case kClickMap: {
      const auto& r = list.rects[i];
      const std::int64_t x1 = r[0], y1 = r[1], x2 = r[2], y2 = r[3];
      if (!list.used[i] || x2 - x1 < 2 || y2 - y1 < 2) return std::nullopt;
      return Point{int((x1 + x2) / 2), int((y1 + y2) / 2)};
    }
    default:
      return std::nullopt;
  }
}

}  // namespace torvan
