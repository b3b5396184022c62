// Every drawing surface the engine keeps, created once at start-up.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "graphics/frame_clock.h"
#include "graphics/surface.h"

namespace torvan {

// The sprite cache and the scene the script asked for: what the redraw builds from and
// what a save records (with the script's last sprite list and grb flag).
struct SceneLayers {
  static constexpr int kSlots = 5;
  static constexpr int kPositions = 5;

  // The name each cache slot was loaded under; "0" matches no sprite name.
  std::array<std::string, kSlots> slotNames{"0", "0", "0", "0", "0"};
  std::int32_t nextSlot = 0;
  std::int32_t spriteCount = 0;
  std::array<std::string, kPositions> positionNames;  // empty: no sprite there
  std::array<std::int32_t, kPositions> positionSlots{};
  std::string backgroundName;  // the last background picture name or colour code
};

// The interface pictures loaded once at start-up; a missing one stays empty.
struct SystemPictures {
  Surface sysSw;
  Surface sysSw2;
  Surface dyBase;
  Surface dyBaseHalf;  // dy_base's width and half its height, for the window parts
  Surface sysQbtn;
  Surface autoBar;
  Surface autoCr;
  Surface sysClickw;
  Surface sysEmpty;
};

struct Surfaces {
  static constexpr int kWidth = 800;
  static constexpr int kHeight = 600;

  std::array<Surface, 10> sprites;  // five pairs of 200 x 600: picture and mask
  Surface background;
  Surface scene;
  Surface screen;  // the complete frame, message text included
  Surface previous;
  Surface work;
  Surface spare;
  Surface parts;
  std::array<Surface, 2> namePlate;    // 184 x 38
  std::array<Surface, 2> panel;        // 800 x 200
  Surface panelTall;                   // 800 x 400
  Surface clickIcon;                   // 24 x 24
  std::array<Surface, 2> quickButton;  // 48 x 125
  // What the window shows right now. Transitions and the direct-drawing commands draw
  // here and present it, so partial drawing keeps whatever was on the screen before.
  Surface window;

  SystemPictures system;
  SceneLayers layers;
  FrameClock frameClock;

  Surface& spritePicture(int slot) { return sprites[static_cast<std::size_t>(slot) * 2]; }
  Surface& spriteMask(int slot) { return sprites[static_cast<std::size_t>(slot) * 2 + 1]; }

  void create() {
    for (Surface& s : sprites) s.resize(200, kHeight);
    for (Surface* s : {&background, &scene, &screen, &previous, &work, &spare, &parts, &window})
      s->resize(kWidth, kHeight);
    for (Surface& s : namePlate) s.resize(184, 38);
    for (Surface& s : panel) s.resize(kWidth, 200);
    panelTall.resize(kWidth, 400);
    clickIcon.resize(24, 24);
    for (Surface& s : quickButton) s.resize(48, 125);
  }
};

}  // namespace torvan
