#include "text/message_window.h"

#include <algorithm>
#include <cstring>

#include "core/engine.h"
#include "graphics/blend.h"
#include "graphics/scene.h"
#include "sound/sound_system.h"
#include "text/glyph_draw.h"
#include "text/page_text.h"

namespace torvan {

namespace {

constexpr int kPanelTop = 400;
constexpr int kPanelRows = 200;
constexpr int kFadeRows = 32;
constexpr int kIconSize = 24;

bool fullScreenText(const Engine& e) {
  return e.vars.sys[sys::kFullScreenText] != 0;
}

void copyRows(Surface& dst, int dstY, const Surface& src, int srcY, int rows) {
  const std::size_t bytes = std::size_t(std::min(dst.width, src.width)) * 3;
  for (int r = 0; r < rows; ++r) {
    if (dstY + r < 0 || dstY + r >= dst.height || srcY + r < 0 || srcY + r >= src.height) continue;
    std::memcpy(dst.row(dstY + r), src.row(srcY + r), bytes);
  }
}

void presentWhole(Engine& e) {
  ShowSurface(e, e.surfaces.screen);
}

void darkenedScene(Engine& e) {
  Darken(e.surfaces.scene, e.surfaces.screen, std::clamp(e.vars.sys[8] * 16, 0, 256));
}

}  // namespace

void BuildPanelSource(Engine& e) {
  Surface& src = e.surfaces.panelTall;
  if (src.width != Surfaces::kWidth || src.height != 2 * kPanelRows)
    src.resize(Surfaces::kWidth, 2 * kPanelRows);
  const Settings& s = e.settings;
  const auto byte = [](std::int32_t v) { return std::uint8_t(std::clamp(v, 0, 255)); };
  const std::uint8_t a = byte(s.txbgA);
  for (int y = 0; y < 2 * kPanelRows; ++y) {
    std::uint8_t* p = src.row(y);
    std::uint8_t b = byte(s.txbgB), g = byte(s.txbgG), r = byte(s.txbgR);
    if (y >= kPanelRows) {
      const int i = y - kPanelRows;
      b = g = r = i < kFadeRows ? std::uint8_t(a * i / kFadeRows) : a;
    }
    for (int x = 0; x < src.width; ++x, p += 3) {
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
  }
  e.messageWindow.panelBuilt = false;
}

void InvalidatePanel(Engine& e) {
  e.messageWindow.panelBuilt = false;
}

void BuildPanel(Engine& e) {
  Surfaces& s = e.surfaces;
  Surface& image = s.panel[kPanelImage];
  Surface& cache = s.panel[kPanelCache];
  if (e.messageWindow.panelBuilt) {
    image = cache;
    return;
  }
  if (fullScreenText(e)) return;
  const Surface& src = s.panelTall;
  if (s.scene.height < kPanelTop + kPanelRows || s.scene.width != Surfaces::kWidth ||
      src.height < 2 * kPanelRows || src.width != Surfaces::kWidth)
    return;
  if (image.width != Surfaces::kWidth || image.height != kPanelRows)
    image.resize(Surfaces::kWidth, kPanelRows);
  const std::size_t groups = std::size_t(Surfaces::kWidth) * 3 / 8;
  for (int r = 0; r < kPanelRows; ++r)
    BlendMasked(s.scene.row(kPanelTop + r), src.row(r), src.row(kPanelRows + r), image.row(r),
                groups);
  cache = image;
  e.messageWindow.panelBuilt = true;
}

void DrawWindow(Engine& e, bool present) {
  if (fullScreenText(e) || !e.page.windowShown) return;
  copyRows(e.surfaces.screen, kPanelTop, e.surfaces.panel[kPanelImage], 0, kPanelRows);
  RedrawPage(e, false);
  if (present) PresentArea(e, 0, kPanelTop, Surfaces::kWidth, kPanelRows);
}

void ComposeMessageWindow(Engine& e) {
  InvalidatePanel(e);
  if (fullScreenText(e)) {
    // The darkened scene is already in the back buffer; the page goes or comes back.
    if (e.vars.sys[9] == 0)
      ClearPageText(e);
    else if (e.vars.sys[9] == 1)
      RedrawPage(e, false);
    return;
  }
  BuildPanel(e);
  if (e.page.windowState == 1 || e.page.windowShown) DrawWindow(e, false);
}

void OpenWindow(Engine& e) {
  if (e.page.windowShown) return;
  e.page.windowShown = true;
  if (fullScreenText(e)) return;
  BuildPanel(e);
  DrawWindow(e, true);
}

void CloseWindow(Engine& e) {
  TextPage& p = e.page;
  p.column = 0;
  p.row = 0;
  p.colour = 0;
  p.wideSpacing = false;
  p.windowState = 0;
  if (!p.windowShown) return;
  Surfaces& s = e.surfaces;
  FrameStart(e.host, s.frameClock);
  if (e.run.skipState == 0 && s.window.pixels.size() == s.screen.pixels.size() &&
      s.scene.pixels.size() == s.screen.pixels.size()) {
    // The fade runs inside the command: a click only raises the cut request (and cuts
    // the voice unless the player keeps voices).
    const std::int32_t busy = e.run.busy, cutAllowed = e.run.cutAllowed;
    e.run.busy = 1;
    e.run.cutAllowed = 1;
    e.run.cutRequest = 0;
    int alpha = 0;
    while (alpha < 256 && e.run.cutRequest == 0 && !e.run.quit) {
      BlendLevel(s.scene.pixels.data(), s.screen.pixels.data(), s.window.pixels.data(), alpha,
                 s.window.pixels.size() / 8);
      e.host.present(s.window, Rect{0, 0, s.window.width, s.window.height});
      alpha += 8 * std::max(1, FrameWait(e.host, s.frameClock, 10));
    }
    e.run.cutRequest = 0;
    e.run.busy = busy;
    e.run.cutAllowed = cutAllowed;
  }
  s.screen = s.scene;
  presentWhole(e);
  p.windowShown = false;
  p.empty = true;
}

void DrawNewPage(Engine& e) {
  if (fullScreenText(e)) {
    e.page.windowState = 2;
    darkenedScene(e);
    presentWhole(e);
    return;
  }
  if (!e.page.windowShown) {
    e.page.windowShown = true;
    BuildPanel(e);
    DrawWindow(e, false);
    presentWhole(e);
  } else {
    if (!e.messageWindow.panelBuilt) BuildPanel(e);
    copyRows(e.surfaces.screen, kPanelTop, e.surfaces.panel[kPanelImage], 0, kPanelRows);
    PresentArea(e, 0, kPanelTop, Surfaces::kWidth, kPanelRows);
  }
  e.page.windowState = 1;
}

void RebuildScreen(Engine& e) {
  Surfaces& s = e.surfaces;
  if (fullScreenText(e)) {
    darkenedScene(e);
    if (e.vars.sys[9] == 0)
      ClearPageText(e);
    else
      RedrawPage(e, false);
  } else {
    s.screen = s.scene;
  }
  BuildPanel(e);
  DrawWindow(e, false);
  presentWhole(e);
}

void HideWindow(Engine& e) {
  if (e.vars.sys[28] == 0) return;
  e.messageWindow.hiddenScreen = e.surfaces.window;
  ShowSurface(e, e.surfaces.scene);
  e.run.gameMode = kWindowHidden;
  e.applyToolStrip();
}

void RestoreWindow(Engine& e) {
  if (!e.messageWindow.hiddenScreen.empty()) ShowSurface(e, e.messageWindow.hiddenScreen);
  e.run.gameMode = kStory;
  e.applyToolStrip();
}

void DrawClickWaitIcon(Engine& e) {
  if (e.run.skipState != 0) return;
  const Surface& pic = e.surfaces.system.sysClickw;
  int& counter = e.messageWindow.clickFrame;
  counter = counter >= 0x7FFFFFFE ? 0 : counter + 1;
  const int frame = (counter / 2) & 15;
  Point at{760, 560};
  if (fullScreenText(e)) at = TextCellPosition(true, e.page.column, e.page.row);
  if (pic.height < 2 * kIconSize || pic.width < (frame + 1) * kIconSize) return;
  const Surface& back = e.surfaces.screen;
  Surface& icon = e.surfaces.clickIcon;
  if (icon.width != kIconSize || icon.height != kIconSize) icon.resize(kIconSize, kIconSize);
  for (int r = 0; r < kIconSize; ++r) {
    const int y = std::clamp(at.y + r, 0, back.height - 1);
    const std::uint8_t* colour = pic.row(r) + frame * kIconSize * 3;
    const std::uint8_t* alpha = pic.row(kIconSize + r) + frame * kIconSize * 3;
    std::uint8_t* out = icon.row(r);
    for (int x = 0; x < kIconSize; ++x) {
      const int bx = std::clamp(at.x + x, 0, back.width - 1);
      const std::uint8_t* under = back.row(y) + bx * 3;
      for (int k = 0; k < 3; ++k) {
        const int a = alpha[x * 3 + k];
        out[x * 3 + k] =
            std::uint8_t(((under[k] * (255 - a)) >> 8) + ((colour[x * 3 + k] * a) >> 8));
      }
    }
  }
  Surface& win = e.surfaces.window;
  const int x0 = std::max(0, at.x), y0 = std::max(0, at.y);
  const int x1 = std::min(win.width, at.x + kIconSize), y1 = std::min(win.height, at.y + kIconSize);
  if (x0 >= x1 || y0 >= y1) return;
  for (int y = y0; y < y1; ++y)
    std::memcpy(win.row(y) + x0 * 3, icon.row(y - at.y) + (x0 - at.x) * 3,
                std::size_t(x1 - x0) * 3);
  e.host.present(win, Rect{x0, y0, x1 - x0, y1 - y0});
}

}  // namespace torvan
