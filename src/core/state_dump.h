// A JSON picture of the engine state, for tests and the headless runner.
#pragma once

#include <string>

namespace torvan {

class Engine;

// The dump as UTF-8 JSON. Taking it empties the lists of sounds started and message
// boxes shown, which hold what happened since the previous dump.
std::string takeStateDump(Engine& engine);

}  // namespace torvan
