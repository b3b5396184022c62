// Brings a new frame onto the screen: from the previous surface (the picture shown
// before the change) to the screen surface, through one of 25 timed transitions, paced
// by the host's clock and cut short by a click.
#pragma once

namespace torvan {

class Engine;

inline constexpr int kTransitionCount = 25;

// Runs transition `number` to its end. Negative numbers, the fast graphics setting and
// skipping give a plain cut; numbers above 24 show nothing new. The window ends up
// showing the screen surface whenever a type ran (or was cut).
void RunTransition(Engine& e, int number);

}  // namespace torvan
