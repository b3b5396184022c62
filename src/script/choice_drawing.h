// The look of an open choice list: the choice window's buttons from "sys_sw" (left
// half the face, right half its mask; rows of 40 pixels), the full-screen list of text
// lines, the click map's highlights from the parts picture, the hover highlight and the
// blink of the row taken.
#pragma once

namespace torvan {

class Engine;

// The window's width: half of "sys_sw", or the usual 560 while that picture is missing.
int ChoiceWindowWidth(const Engine& e);
// Draws the open list. Window style: the normal look into the back buffer, the
// highlighted look into the spare surface, then the rows onto the window.
void DrawChoices(Engine& e);
// The hovered choice changed from `previous`: the rows or lines drawn again. A click
// map puts back what the area left behind had lit (its whole area for a "*" label,
// otherwise its label box and, for "#", its second rectangle) and lights the new
// area from the parts picture; with no area under the pointer the whole frame is shown.
void RedrawChoiceHover(Engine& e, int previous);
// The click-map area index (1-based) was taken: with a second parts picture loaded
// (S015) the area takes its look from it, in the frame as on the window; otherwise the
// frame is shown again without highlights.
void ShowTakenArea(Engine& e, int index);
// The taken row of the window alternates between its two looks `times` times. Input
// and the story wait meanwhile (the busy flag).
void BlinkChoice(Engine& e, int index, int times);

}  // namespace torvan
