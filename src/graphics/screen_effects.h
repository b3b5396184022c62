// The small timed effects scripts call by number: the white flash, the darkened band,
// the sepia fade and the window shake. Each runs to its end inside its command with the
// busy flag set, dispatching messages at every step, and leaves the window showing a
// complete picture (and the window back in its place).
#pragma once

#include <cstdint>

#include "graphics/surface.h"

namespace torvan {

class Engine;
class Random;

// Seven white flashes over what the window shows, 20 ms white and 20 ms picture each;
// the picture is kept in the work surface meanwhile.
void WhiteFlash(Engine& e);

// Every byte of the rows outside [top, bottom) times level / 16, capped at 255 (levels
// above 16 brighten instead of wrapping; negative levels give black). The rows are
// clipped to the surface; an empty or inverted band darkens every row.
void DarkenOutsideRows(Surface& s, int top, int bottom, int level);
// The same on the back buffer, then shown.
void DarkenBand(Engine& e, int top, int bottom, int level);

// Sepia toning in place: a = (B + G + R) / 3, then B = a / 4, G = 3a / 4, R = a.
void SepiaTone(Surface& s);
// Tones the scene to sepia, puts the message window back over it and fades the window
// from what it showed to the toned frame.
void SepiaFade(Engine& e);

// The offset of one shake step: type 0 vertical, 1 horizontal, both by p up/left or
// down/right by bit 1 of p; type 2 one of the eight directions at random; any other
// type stays in place.
struct ShakeOffset {
  int dx = 0;
  int dy = 0;
};
ShakeOffset ShakeStep(int type, int p, Random& rng);

// The window shake: the offset starts at `amplitude` and falls by 2 per elapsed
// `stepMs` frame while it is at least 1; the window is put back at the end. Amplitudes
// and steps far outside what a screen can show are clamped (with a warning) so that a
// shake always ends within a minute.
void ShakeWindow(Engine& e, int type, int amplitude, int stepMs);

}  // namespace torvan
