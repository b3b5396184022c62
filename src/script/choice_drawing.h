// The look of an open choice list: the choice window's buttons from "sys_sw" (left
// half the face, right half its mask; rows of 40 pixels), the full-screen list of text
// lines, the hover highlight and the blink of the row taken.
#pragma once

namespace torvan {

class Engine;

// The window's width: half of "sys_sw", or the usual 560 while that picture is missing.
int ChoiceWindowWidth(const Engine& e);
// Draws the open list. Window style: the normal look into the back buffer, the
// highlighted look into the spare surface, then the rows onto the window.
void DrawChoices(Engine& e);
// The hovered choice changed from `previous`: the rows or lines drawn again.
void RedrawChoiceHover(Engine& e, int previous);
// The taken row of the window alternates between its two looks `times` times. Input
// and the story wait meanwhile (the busy flag).
void BlinkChoice(Engine& e, int index, int times);

}  // namespace torvan
