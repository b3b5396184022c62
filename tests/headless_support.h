// Runs the engine in-process on the headless host against a small game folder.
#pragma once

#include <memory>
#include <string>

#include "core/engine.h"
#include "platform/headless/headless_host.h"
#include "test_support.h"

namespace torvan::test {

struct Game {
  TempDir dir;
  std::string gameDir() const { return dir.file("game"); }
  std::string saveDir() const { return dir.file("save"); }
  std::string settingsFile() const { return dir.file("config/HOLVA.ini"); }

  // A game folder with a "qz_data.tvn" holding the given scripts (UTF-8 source text).
  void addScripts(const std::vector<std::pair<std::string, std::string>>& scripts);
  void setSettings(const std::string& ini) { writeText(settingsFile(), ini); }

  EngineOptions options() const;
};

struct Run {
  std::unique_ptr<HeadlessHost> host;
  std::unique_ptr<Engine> engine;
  int exitCode = -1;
  std::string stderrText;
};

// Parses the events, runs the engine to the end of them and returns everything.
Run runGame(const Game& game, const std::string& events, bool autoplay = false);

}  // namespace torvan::test
