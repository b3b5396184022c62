// The chapter title card of "subtitle": two lines faded in from black to white on the
// window, held for a moment; the back buffer is left alone, so the next redraw
// removes the card.
#pragma once

#include <string_view>

namespace torvan {

class Engine;

// argument: the first line, "," and the second line (the comma is looked for in the
// first 50 bytes; without one the whole text is the first line).
void ShowTitleCard(Engine& e, std::string_view argument);

// Font height of a card line by its length in bytes: short lines are drawn large.
int TitleCardHeight(std::size_t bytes);

}  // namespace torvan
