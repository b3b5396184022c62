// The desktop shell: the game window with its tool strip, driven by Qt's event loop.
#pragma once

#include <string>

#include "core/engine.h"

namespace torvan {

// Runs the player in a window until it closes. Returns the process exit code: 1 when
// another copy is already running (nothing is shown then) or the game failed.
int runQtShell(int argc, char** argv, const EngineOptions& options);

// The lock file that keeps a second copy from starting, in the temporary folder.
std::string instanceLockPath();

}  // namespace torvan
