// Masked drawing of pictures onto a surface: character sprites with a separate mask
// picture, and interface pictures that carry their mask in one half.
#pragma once

#include "graphics/surface.h"

namespace torvan {

// Blends `sprite` through `mask` onto `dst` with its top-left corner at (x, y), clipped
// to dst. Whole groups of 8 visible pixels per row use the masked blend; the remaining
// pixels of the row use min(255, max(0, D - M) + S). A mask smaller than the sprite
// (a mask that failed to load) limits the drawn area to what both cover.
void DrawMaskedSprite(Surface& dst, const Surface& sprite, const Surface& mask, int x, int y);

// The picture's left half is the image and its right half the mask. Returns false and
// draws nothing when the image does not fit inside dst at (x, y); the last
// (3 * half width) mod 8 bytes of every row are left as they were.
bool DrawSideMasked(Surface& dst, int x, int y, const Surface& picture);
// The same with the image in the top half and the mask in the bottom half.
bool DrawStackedMasked(Surface& dst, int x, int y, const Surface& picture);

}  // namespace torvan
