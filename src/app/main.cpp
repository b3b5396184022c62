// torvan: plays a game from its resource archives, in a window or headless.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/engine.h"
#include "core/log.h"
#include "core/settings_store.h"
#include "platform/headless/headless_host.h"
#ifdef TORVAN_HAVE_QT
#include "platform/qt/qt_shell.h"
#endif

namespace {

constexpr const char* kUsage =
    "usage: torvan [OPTIONS]\n"
    "Plays a visual novel from the resource archives in its game folder.\n"
    "\n"
    "  --game DIR            the game folder with the archives (default: the current folder)\n"
    "  --save-dir DIR        where saves and global data live\n"
    "                        (default: $XDG_DATA_HOME/torvan/<game folder name>)\n"
    "  --settings FILE       the settings file (default: $XDG_CONFIG_HOME/HOLVA.ini)\n"
    "  --headless            run without a window on a virtual clock\n"
    "  --events FILE         headless: input, answers, screenshots and dumps to play\n"
    "  --seed N              seed the random generator\n"
    "  --final-state FILE    headless: write a state dump when the run ends\n"
    "  --autoplay            headless: auto mode, first choices, a screenshot per page\n"
    "  --screenshot-dir DIR  headless: where autoplay writes its screenshots\n"
    "  --help                show this text\n";

std::string dataHome() {
  if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) return x;
  if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.local/share";
  return ".";
}

std::string defaultSaveDir(const std::string& gameDir) {
  std::error_code ec;
  auto game = std::filesystem::absolute(gameDir, ec).lexically_normal();
  std::string id = game.filename().string();
  if (id.empty()) id = game.parent_path().filename().string();
  if (id.empty()) id = "game";
  return dataHome() + "/torvan/" + id;
}

int usageError(const std::string& why) {
  std::fprintf(stderr, "torvan: %s\n\n%s", why.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  torvan::EngineOptions engine;
  torvan::HeadlessOptions headless;
  bool runHeadless = false;
  std::string eventsFile;

  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (a == "--headless") {
      runHeadless = true;
    } else if (a == "--autoplay") {
      headless.autoplay = true;
    } else if (a == "--game") {
      if (!value(engine.gameDir)) return usageError("--game takes a folder");
    } else if (a == "--save-dir") {
      if (!value(engine.saveDir)) return usageError("--save-dir takes a folder");
    } else if (a == "--settings") {
      if (!value(engine.settingsFile)) return usageError("--settings takes a file");
    } else if (a == "--events") {
      if (!value(eventsFile)) return usageError("--events takes a file");
    } else if (a == "--final-state") {
      if (!value(headless.finalStateFile)) return usageError("--final-state takes a file");
    } else if (a == "--screenshot-dir") {
      if (!value(headless.screenshotDir)) return usageError("--screenshot-dir takes a folder");
    } else if (a == "--seed") {
      if (!value(v)) return usageError("--seed takes a number");
      char* end = nullptr;
      unsigned long long n = std::strtoull(v.c_str(), &end, 10);
      if (v.empty() || *end || n > 0xFFFFFFFFull) return usageError("--seed takes a number");
      engine.seed = static_cast<std::uint32_t>(n);
    } else {
      return usageError("unknown option '" + std::string(a) + "'");
    }
  }

  if (engine.saveDir.empty()) engine.saveDir = defaultSaveDir(engine.gameDir);
  if (engine.settingsFile.empty()) engine.settingsFile = torvan::SettingsStore::defaultFile();

  if (runHeadless) {
    if (!eventsFile.empty()) {
      auto events = torvan::readEventScript(eventsFile);
      if (!events) {
        std::fprintf(stderr, "torvan: %s\n", events.error().text().c_str());
        return 2;
      }
      headless.events = std::move(*events);
    }
    if (!headless.screenshotDir.empty()) {
      std::error_code ec;
      std::filesystem::create_directories(headless.screenshotDir, ec);
    }
    torvan::HeadlessHost host(std::move(headless));
    torvan::Engine game(host, engine);
    return host.run(game);
  }

#ifdef TORVAN_HAVE_QT
  return torvan::runQtShell(argc, argv, engine);
#else
  return usageError("this build has no window; use --headless");
#endif
}
