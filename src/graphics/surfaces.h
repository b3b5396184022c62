// Every drawing surface the engine keeps, created once at start-up.
#pragma once

#include <array>

#include "graphics/surface.h"

namespace torvan {

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

  void create() {
    for (Surface& s : sprites) s.resize(200, kHeight);
    for (Surface* s : {&background, &scene, &screen, &previous, &work, &spare, &parts})
      s->resize(kWidth, kHeight);
    for (Surface& s : namePlate) s.resize(184, 38);
    for (Surface& s : panel) s.resize(kWidth, 200);
    panelTall.resize(kWidth, 400);
    clickIcon.resize(24, 24);
    for (Surface& s : quickButton) s.resize(48, 125);
  }
};

}  // namespace torvan
