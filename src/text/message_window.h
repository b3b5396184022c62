// The message window: the translucent panel behind the text, opening and closing it,
// clearing it for a new page in both text styles, hiding it on request and the
// click-wait icon.
//
// Panel source, 800 x 400: rows 0..199 the tint ("TXBG_R/G/B"); rows 200..399 the
// opacity as grey, "TXBG_A" from row 232 on and A * i / 32 on row 200 + i (i < 32), so
// the panel fades in over its top 32 rows. Panel image, 800 x 200: the scene's rows
// 400..599 blended towards the tint row by row with that opacity; panel cache: the
// same kept clean while the scene stays.
#pragma once

#include <cstdint>

#include "graphics/surface.h"

namespace torvan {

class Engine;

struct MessageWindow {
  bool panelBuilt = false;
  // Timer ticks the click-wait icon has been shown for.
  std::int32_t clickFrame = 0;
  // The screen as it was when the player hid the window.
  Surface hiddenScreen;
};

// Index of the panel images among the engine's window surfaces.
inline constexpr int kPanelImage = 0;
inline constexpr int kPanelCache = 1;

void BuildPanelSource(Engine& e);
// Makes the panel image for the current scene unless the cached one is still valid.
void BuildPanel(Engine& e);
// The scene changed: the panel is built again at its next use.
void InvalidatePanel(Engine& e);
// The window and the page's text on the back buffer; presented to the window when asked.
void DrawWindow(Engine& e, bool present);
// The message window's share of composing a frame: the page of a full-screen style is
// cleared or redrawn over the darkened scene, the panel is built for the new scene and
// drawn with the text when the window is shown. Draws into the back buffer only.
void ComposeMessageWindow(Engine& e);

void OpenWindow(Engine& e);
// Fades the window away (not while skipping); a click ends the fade at once.
void CloseWindow(Engine& e);
// The drawing of a new page: the darkened scene in full-screen style, the clean panel in
// window style (opening the window when it is closed).
void DrawNewPage(Engine& e);
void RebuildScreen(Engine& e);
void HideWindow(Engine& e);
void RestoreWindow(Engine& e);
// One step of the click-wait icon animation; draws on the window only.
void DrawClickWaitIcon(Engine& e);

}  // namespace torvan
