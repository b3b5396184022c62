// The choice list offered by "select" and "clickmap ": hover and taking a choice.
#pragma once

#include <optional>
#include <string_view>

#include "core/host.h"

namespace torvan {

class Engine;

enum ChoiceKind : int {
  kNoChoice = 0,
  kChoiceWindow = 1,      // the choice window over the scene
  kChoiceFullScreen = 2,  // choices as lines of full-screen text
  kClickMap = 4,
  kSelectionTree = 6,
};

// Reads the click map `name` from the "map" data scenario in the auxiliary buffer into
// the choice list: its areas, labels and highlight rectangles (targets come from the
// script's "{" lines afterwards).
void ReadClickMap(Engine& engine, std::string_view name);
// Recomputes the choice under the pointer.
void UpdateChoiceHover(Engine& engine, Point p);
// A click while a choice is shown: a left click takes the hovered choice, a right
// click only takes a click-map area. Returns true when a choice was taken.
bool ChoiceClick(Engine& engine, Point p, bool left);
// Takes choice index (1-based) as a click on it does.
void TakeChoice(Engine& engine, int index);
// A point inside the click area of choice index (1-based), if it has one.
std::optional<Point> choicePoint(const Engine& engine, int index);

}  // namespace torvan
