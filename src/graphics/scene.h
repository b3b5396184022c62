// The scene the script builds: background, up to five character sprites from a
// five-slot cache, a tone filter, and the frame on top; the redraw that hands old and
// new frame to the transition engine; the commands that draw straight on the window.
#pragma once

#include <cstdint>
#include <string_view>

namespace torvan {

class Engine;
struct Surface;

// "gra "/"grb " and the "[gra" tag: a background picture "A…", a plain colour "S…" or
// a sprite "B…" (with L or R for the left or right position), then a transition
// number. With `grb` the change waits unseen for the next redraw.
void SetBackground(Engine& e, std::string_view argument, bool grb);
// A comma-separated sprite list ("-" keeps a position); loads what the cache lacks and
// returns the transition number the list ends with (1 when it names none, 0 for an
// empty list).
int SetSprites(Engine& e, std::string_view list);
// "clrb": a transition number, optionally followed by L or R to clear one side only.
void ClearSprites(Engine& e, std::string_view argument);

void ComposeScene(Engine& e);
void ApplyTone(Engine& e);
void ComposeScreen(Engine& e);
// Rebuilds the frame and brings it onto the window with transition `number`.
void Redraw(Engine& e, int number);

// Start-up: the system pictures, and the middle 48 x 125 piece of "sys_qbtn" as the
// first quick-button picture.
void LoadSystemPictures(Engine& e);

// Shows a surface on the window as it is (the window keeps a copy for partial drawing).
void ShowSurface(Engine& e, const Surface& s);

// "partsload " name[,name2]: the parts picture, and a second one into the work surface.
void PartsLoad(Engine& e, std::string_view argument);
// "ptset " x1,y1,x2,y2,dx,dy: a rectangle of the parts picture drawn on the window at
// (dx, dy), blue 255 green 255 red 0 counting as transparent.
void PartsSet(Engine& e, int x1, int y1, int x2, int y2, int dx, int dy);
// "direct " name,time,x,y: the picture drawn on the window at (x, y), then the story
// holds while messages are dispatched until `time` ms have passed.
void DirectDraw(Engine& e, std::string_view argument);

}  // namespace torvan
