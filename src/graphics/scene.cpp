#include "graphics/scene.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "archive/load_picture.h"
#include "core/engine.h"
#include "graphics/blend.h"
#include "graphics/sprite_draw.h"
#include "graphics/transition.h"
#include "text/glyph_draw.h"
#include "text/message_window.h"

namespace torvan {

namespace {

constexpr std::size_t kBackgroundNameMax = 29;
constexpr std::size_t kArgumentMax = 64;
constexpr int kMessageWindowTop = 400;
constexpr int kMessageWindowRows = 200;

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return out;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// A colour character of "S…": digits and a–f count in sixteenths, g is full.
std::uint8_t colourComponent(char c) {
  if (isDigit(c)) return static_cast<std::uint8_t>((c - '0') * 16);
  if (c >= 'a' && c <= 'f') return static_cast<std::uint8_t>((c - 'a' + 10) * 16);
  if (c >= 'A' && c <= 'F') return static_cast<std::uint8_t>((c - 'A' + 10) * 16);
  if (c == 'g' || c == 'G') return 255;
  return 0;
}

struct PictureCommand {
  std::string name;
  int transition = -1;
  bool left = false;
  bool right = false;
};

PictureCommand parsePictureCommand(std::string_view arg) {
  arg = arg.substr(0, std::min(arg.size(), kArgumentMax));
  arg = arg.substr(0, std::min(arg.find('\0'), arg.size()));
  PictureCommand c;
  std::size_t i = 0;
  while (i < arg.size() && arg[i] != ' ' && arg[i] != ',' && arg[i] != ']') ++i;
  c.name = std::string(arg.substr(0, i));
  if (i >= arg.size() || arg[i] == ']') return c;
  bool inNumber = false;
  for (++i; i < arg.size() && arg[i] != ']'; ++i) {
    const char ch = arg[i];
    if (isDigit(ch)) {
      // A later run of digits replaces an earlier one.
      if (!inNumber) c.transition = 0;
      inNumber = true;
      c.transition = std::min(c.transition * 10 + (ch - '0'), 1000000);
      continue;
    }
    inNumber = false;
    if (ch == 'L' || ch == 'l') c.left = true;
    if (ch == 'R' || ch == 'r') c.right = true;
  }
  return c;
}

void clearAllSprites(Engine& e) {
  SceneLayers& l = e.surfaces.layers;
  l.spriteCount = 0;
  for (auto& n : l.positionNames) n.clear();
  setField(e.script.sprites, "");
}

std::string sidesSpecification(const SceneLayers& l) {
  return l.positionNames[0] + "," + l.positionNames[1];
}

void copyInto(Surface& dst, const Surface& src, int x, int y) {
  copyRect(dst, x, y, src, 0, 0, src.width, src.height);
}

// Fills dst from src starting at (sx, sy), as much as both hold.
void copyRectFrom(Surface& dst, const Surface& src, int sx, int sy) {
  const int w = std::min(dst.width, src.width - sx), h = std::min(dst.height, src.height - sy);
  if (w <= 0 || h <= 0) return;
  for (int r = 0; r < h; ++r) std::memcpy(dst.row(r), src.row(sy + r) + sx * 3, std::size_t(w) * 3);
}

void present(Engine& e) {
  const Surface& w = e.surfaces.window;
  e.host.present(w, Rect{0, 0, w.width, w.height});
}

// The message window of state 2 joins the frame once the transition has brought the new
// scene (the transition started from the bare scene). Only the window style has a panel:
// in full-screen text the page is already part of the composed frame, and the panel,
// last built for a window-style scene, would cover its bottom rows.
void ShowWindowAfterTransition(Engine& e) {
  if (e.vars.sys[sys::kFullScreenText] != 0) return;
  Surfaces& s = e.surfaces;
  BuildPanel(e);
  const Surface& panel = s.panel[kPanelImage];
  if (panel.width != Surfaces::kWidth || panel.height != kMessageWindowRows) return;
  // From here on the window is on the screen: closing it must take it away again.
  e.page.windowShown = true;
  copyInto(s.screen, panel, 0, kMessageWindowTop);
  RedrawPage(e, false);
  PresentArea(e, 0, kMessageWindowTop, Surfaces::kWidth, kMessageWindowRows);
}

}  // namespace

void ShowSurface(Engine& e, const Surface& s) {
  if (&s != &e.surfaces.window) e.surfaces.window = s;
  present(e);
}

void LoadSystemPictures(Engine& e) {
  SystemPictures& p = e.surfaces.system;
  const std::pair<const char*, Surface*> pictures[] = {
      {"sys_sw", &p.sysSw},         {"sys_sw2", &p.sysSw2},    {"dy_base", &p.dyBase},
      {"sys_qbtn", &p.sysQbtn},     {"AUTO_BAR", &p.autoBar},  {"AUTO_CR", &p.autoCr},
      {"sys_clickw", &p.sysClickw}, {"sys_empty", &p.sysEmpty}};
  for (auto [name, target] : pictures) loadPicture(e.archives, name, *target);
  if (!p.dyBase.empty()) p.dyBaseHalf.resize(p.dyBase.width, p.dyBase.height / 2);
  copyRectFrom(e.surfaces.quickButton[0], p.sysQbtn, 48, 0);
}

void SetBackground(Engine& e, std::string_view argument, bool grb) {
  const PictureCommand c = parsePictureCommand(argument);
  if (c.name.empty()) return;
  SceneLayers& l = e.surfaces.layers;
  const char first = c.name[0];
  if (first == 'A' || first == 'a') {
    l.backgroundName = c.name.substr(0, kBackgroundNameMax);
    if (!loadPicture(e.archives, c.name, e.surfaces.background)) return;
    if (grb) return;
    clearAllSprites(e);
    Redraw(e, c.transition);
  } else if (first == 'S' || first == 's') {
    l.backgroundName = c.name.substr(0, kBackgroundNameMax);
    std::array<std::uint8_t, 3> bgr{};
    for (std::size_t k = 0; k < 3; ++k)
      bgr[k] = colourComponent(k + 1 < c.name.size() ? c.name[k + 1] : 0);
    e.surfaces.background.fill(bgr[0], bgr[1], bgr[2]);
    if (grb) return;
    clearAllSprites(e);
    Redraw(e, c.transition);
  } else if (first == 'B' || first == 'b') {
    std::string spec;
    if (c.left || c.right) {
      if (c.right && l.spriteCount == 1) l.positionNames[0].clear();
      l.positionNames[c.left ? 0 : 1] = upper(c.name);
      spec = sidesSpecification(l);
    } else {
      spec = c.name;
      for (int p = 1; p < SceneLayers::kPositions; ++p) l.positionNames[p].clear();
    }
    setField(e.script.sprites, spec);
    SetSprites(e, spec);
    if (grb) return;
    if (e.vars.sys[55] != 0) e.vars.sys[55] = 2;
    Redraw(e, c.transition);
  }
}

int SetSprites(Engine& e, std::string_view list) {
  SceneLayers& l = e.surfaces.layers;
  const std::string text = upper(list.substr(0, std::min(list.find('\0'), list.size())));
  std::array<std::string, SceneLayers::kPositions> fields;
  std::size_t fieldCount = 0;
  {
    std::size_t start = 0;
    while (fieldCount < fields.size()) {
      const std::size_t comma = text.find(',', start);
      fields[fieldCount++] =
          text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  const bool trailingComma = !text.empty() && text.back() == ',';
  for (std::size_t p = 0; p < fields.size(); ++p) {
    if (p < fieldCount && fields[p] == "-") continue;
    l.positionNames[p] = p < fieldCount ? fields[p] : std::string();
  }

  int last = -1;
  for (int p = SceneLayers::kPositions - 1; p >= 0; --p)
    if (!l.positionNames[p].empty()) {
      last = p;
      break;
    }
  if (last < 0) {
    l.spriteCount = 0;
    return 0;
  }
  int transition = 1;
  const std::string& lastName = l.positionNames[last];
  if (isDigit(lastName[0])) {
    transition = 0;
    for (char ch : lastName) {
      if (!isDigit(ch)) break;
      transition = std::min(transition * 10 + (ch - '0'), 1000000);
    }
    l.positionNames[last].clear();
    l.spriteCount = last;
  } else {
    l.spriteCount = last + 1;
  }
  if (trailingComma &&
      l.spriteCount<SceneLayers::kPositions&& static_cast<int>(fieldCount) - 1> last)
    ++l.spriteCount;

  // Fill the cache; a load may overwrite a slot an earlier position found, so the scan
  // starts again after every load until a pass loads nothing. Each pass loads at most
  // one picture and there are fewer positions than slots, so this ends.
  for (bool loaded = true; loaded;) {
    loaded = false;
    for (int p = 0; p < l.spriteCount && !loaded; ++p) {
      const std::string& name = l.positionNames[p];
      if (name.empty()) continue;
      auto it = std::find(l.slotNames.begin(), l.slotNames.end(), name);
      if (it != l.slotNames.end()) {
        l.positionSlots[p] = static_cast<std::int32_t>(it - l.slotNames.begin());
        continue;
      }
      const int slot = l.nextSlot;
      l.slotNames[slot] = name;
      loadPicture(e.archives, name, e.surfaces.spritePicture(slot));
      loadPicture(e.archives, "M" + name.substr(1), e.surfaces.spriteMask(slot));
      l.nextSlot = (slot + 1) % SceneLayers::kSlots;
      loaded = true;
    }
  }
  return transition;
}

void ClearSprites(Engine& e, std::string_view argument) {
  SceneLayers& l = e.surfaces.layers;
  argument = argument.substr(0, std::min(argument.find('\0'), argument.size()));
  int number = 0;
  std::size_t i = 0;
  while (i < argument.size() && argument[i] == ' ') ++i;
  for (; i < argument.size() && isDigit(argument[i]); ++i)
    number = std::min(number * 10 + (argument[i] - '0'), 1000000);
  const char side = i < argument.size() ? argument[i] : 0;
  if (side == 'L' || side == 'l' || side == 'R' || side == 'r') {
    l.positionNames[(side == 'L' || side == 'l') ? 0 : 1].clear();
    setField(e.script.sprites, sidesSpecification(l));
  } else {
    clearAllSprites(e);
  }
  Redraw(e, number);
}

void ComposeScene(Engine& e) {
  Surfaces& s = e.surfaces;
  SceneLayers& l = s.layers;
  copyInto(s.scene, s.background, 0, 0);
  const auto& sys = e.vars.sys;
  auto draw = [&](int position, int centre) {
    if (l.positionNames[position].empty()) return;
    const int slot = l.positionSlots[position];
    const Surface& sprite = s.spritePicture(slot);
    DrawMaskedSprite(s.scene, sprite, s.spriteMask(slot), centre - sprite.width / 2, 0);
  };
  const bool swapped = sys[24] != 0;
  switch (l.spriteCount) {
    case 1:
      draw(0, sys[80]);
      break;
    case 2:
      if (swapped) {
        draw(1, sys[82]);
        draw(0, sys[81]);
      } else {
        draw(0, sys[81]);
        draw(1, sys[82]);
      }
      break;
    case 3:
      draw(0, sys[83]);
      draw(2, sys[85]);
      draw(1, sys[84]);
      break;
    case 4:
      if (swapped) {
        draw(3, sys[89]);
        draw(2, sys[88]);
        draw(0, sys[86]);
        draw(1, sys[87]);
      } else {
        draw(0, sys[86]);
        draw(1, sys[87]);
        draw(3, sys[89]);
        draw(2, sys[88]);
      }
      break;
    default:
      break;
  }
}

void ApplyTone(Engine& e) {
  Surface& s = e.surfaces.scene;
  const auto& sys = e.vars.sys;
  switch (sys[11]) {
    case 1: {
      const std::int32_t level = sys[13];
      if (level >= 0 && level <= 16) {
        // (b * level) >> 4 is (b * level * 16) >> 8, the darken blend, and stays in range.
        Darken(s, s, level * 16);
        break;
      }
      for (int y = 0; y < s.height; ++y) {
        std::uint8_t* p = s.row(y);
        for (int i = 0; i < s.width * 3; ++i)
          p[i] = static_cast<std::uint8_t>((static_cast<std::int64_t>(p[i]) * level) >> 4);
      }
      break;
    }
    case 2:
    case 3:
      for (int y = 0; y < s.height; ++y) {
        std::uint8_t* p = s.row(y);
        for (int x = 0; x < s.width; ++x, p += 3) {
          const int a = (p[0] + p[1] + p[2]) / 3;
          if (sys[11] == 2) {
            p[0] = static_cast<std::uint8_t>(a >> 2);
            p[1] = static_cast<std::uint8_t>((3 * a) >> 2);
            p[2] = static_cast<std::uint8_t>(a);
          } else {
            p[0] = p[1] = p[2] = static_cast<std::uint8_t>(a);
          }
        }
      }
      break;
    case 4: {
      // Turned by 180 degrees: row y and row h - 1 - y change places, each reversed.
      std::vector<std::uint8_t> top(static_cast<std::size_t>(s.width) * 3);
      std::vector<std::uint8_t> bottom(top.size());
      auto reversed = [&](const std::uint8_t* from, std::uint8_t* to) {
        for (int x = 0; x < s.width; ++x) std::memcpy(to + (s.width - 1 - x) * 3, from + x * 3, 3);
      };
      for (int y = 0; y < s.height / 2; ++y) {
        reversed(s.row(y), top.data());
        reversed(s.row(s.height - 1 - y), bottom.data());
        std::memcpy(s.row(y), bottom.data(), bottom.size());
        std::memcpy(s.row(s.height - 1 - y), top.data(), top.size());
      }
      if (s.height % 2 == 1) {
        std::uint8_t* middle = s.row(s.height / 2);
        reversed(middle, top.data());
        std::memcpy(middle, top.data(), top.size());
      }
      break;
    }
    default:
      break;
  }
}

void ComposeScreen(Engine& e) {
  Surfaces& s = e.surfaces;
  const auto& sys = e.vars.sys;
  if (sys[sys::kFullScreenText] != 0) {
    // The text page itself is the message window's to clear or redraw; the scene
    // behind it is darkened here either way.
    if (sys[9] == 0 || sys[9] == 1) Darken(s.scene, s.screen, std::clamp(sys[8] * 16, 0, 256));
  } else {
    copyInto(s.screen, s.scene, 0, 0);
  }
  ComposeMessageWindow(e);
}

void Redraw(Engine& e, int number) {
  Surfaces& s = e.surfaces;
  auto& sys = e.vars.sys;
  e.run.busy = 1;
  if (sys[55] == 0 || sys[55] == 1) {
    copyInto(s.previous, e.page.windowState == 2 ? s.scene : s.screen, 0, 0);
  } else if (sys[55] == 2) {
    copyInto(s.previous, s.scene, 0, 0);
    ShowSurface(e, s.scene);
    sys[55] = 1;
    e.page.windowState = 0;
  }
  ComposeScene(e);
  ApplyTone(e);
  ComposeScreen(e);
  RunTransition(e, number);
  if (e.page.windowState == 2) ShowWindowAfterTransition(e);
}

void PartsLoad(Engine& e, std::string_view argument) {
  argument = argument.substr(0, std::min(argument.find('\0'), argument.size()));
  const std::size_t comma = argument.find(',');
  loadPicture(e.archives, argument.substr(0, comma), e.surfaces.parts);
  if (comma != std::string_view::npos) {
    // The work surface stays 800 x 600 whatever the picture's size: the transitions
    // write whole frames into it.
    Surface second;
    if (loadPicture(e.archives, argument.substr(comma + 1), second)) {
      e.surfaces.work.resize(Surfaces::kWidth, Surfaces::kHeight);
      copyInto(e.surfaces.work, second, 0, 0);
    }
    e.vars.sys[15] = 1;
  } else {
    e.vars.sys[15] = 0;
  }
}

void PartsSet(Engine& e, int x1, int y1, int x2, int y2, int dx, int dy) {
  const Surface& parts = e.surfaces.parts;
  Surface& win = e.surfaces.window;
  // Only the part of the rectangle inside the parts picture and the window is drawn.
  const CopyArea a =
      clipCopy(win, dx, dy, parts, x1, y1, std::int64_t(x2) - x1, std::int64_t(y2) - y1);
  if (a.empty()) return;
  for (int r = 0; r < a.h; ++r) {
    const std::uint8_t* src = parts.row(a.sy + r) + a.sx * 3;
    std::uint8_t* dst = win.row(a.dy + r) + a.dx * 3;
    for (int x = 0; x < a.w; ++x, src += 3, dst += 3)
      if (!(src[0] == 255 && src[1] == 255 && src[2] == 0)) std::memcpy(dst, src, 3);
  }
  present(e);
}

void DirectDraw(Engine& e, std::string_view argument) {
  const std::int64_t start = e.host.tickCount();
  argument = argument.substr(0, std::min(argument.find('\0'), argument.size()));
  std::array<int, 3> numbers{};  // time, x, y
  std::size_t comma = argument.find(',');
  const std::string_view name = argument.substr(0, comma);
  for (int& n : numbers) {
    if (comma == std::string_view::npos) break;
    std::size_t i = comma + 1;
    const std::size_t next = argument.find(',', i);
    bool negative = false;
    while (i < argument.size() && argument[i] == ' ') ++i;
    if (i < argument.size() && argument[i] == '-') negative = true, ++i;
    for (; i < argument.size() && i < next && isDigit(argument[i]); ++i)
      n = std::min(n * 10 + (argument[i] - '0'), 100000000);
    if (negative) n = -n;
    comma = next;
  }
  if (loadPicture(e.archives, name, e.surfaces.parts)) {
    copyInto(e.surfaces.window, e.surfaces.parts, numbers[1], numbers[2]);
    present(e);
  }
  const std::int64_t until = start + numbers[0];
  while (e.host.tickCount() < until && !e.run.quit) {
    e.host.pumpEvents();
    const std::int64_t left = until - e.host.tickCount();
    if (left > 0) e.host.sleep(static_cast<int>(std::min<std::int64_t>(left, 10)));
  }
}

}  // namespace torvan
