// Window creation, engine initialisation, closing and painting.
#include "core/engine.h"

#include <chrono>
#include <filesystem>

#include "core/file_io.h"
#include "core/log.h"
#include "core/settings_store.h"
#include "graphics/scene.h"
#include "script/interpreter.h"
#include "sound/sound_system.h"
#include "text/glyph_draw.h"

namespace torvan {

namespace {

constexpr const char* kSection = "KANOVELLA";

std::string absoluteFolder(const std::string& dir) {
  std::error_code ec;
  auto p = std::filesystem::absolute(dir.empty() ? "." : dir, ec).lexically_normal().string();
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return p;
}

}  // namespace

Engine::Engine(Host& h, EngineOptions o) : host(h), options(std::move(o)) {}

std::string Engine::savePath(std::string_view name) const {
  return options.saveDir + "/" + std::string(name);
}

std::string Engine::gamePath(std::string_view name) const {
  return absoluteFolder(options.gameDir) + "/" + std::string(name);
}

MessageAnswer Engine::showMessage(std::string_view caption, std::string_view text, MessageIcon icon,
                                  MessageButtons buttons) {
  messages.push_back({std::string(caption), std::string(text)});
  return host.messageBox(caption, text, icon, buttons);
}

void Engine::formCreate() {
  run.quit = false;
  {
    SettingsStore store(options.settingsFile, kSection);
    readPaths(store, settings, absoluteFolder(options.gameDir));
  }
  if (settings.gameDir == "NULL") {
    showMessage("Warning", "先にセットアップを実行してください。", MessageIcon::Stop);
    run.quit = true;
  }
  initialise();
}

void Engine::initialise() {
  if (options.seed)
    rng.seed(*options.seed);
  else
    rng.seed(
        static_cast<std::uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
  vars.sys.fill(0);

  // Without a wave output device "wait_v_end" does not wait.
  sound.waveOutput = options.audio && options.audio->outputExists();

  if (!fileExists(gamePath("qz_data.tvn"))) {
    showMessage("Error!", "ゲームデータを読み込めません。", MessageIcon::Stop);
    run.quit = true;
  }

  Point desktop = host.desktopSize();
  {
    SettingsStore store(options.settingsFile, kSection);
    readSettings(store, settings, desktop.x, desktop.y);
  }
  host.placeWindow(settings.left, settings.top);
  display.mode = settings.sMode;
  if (settings.sMode == 0 && desktop.x <= 600) display.mode = 2;

  surfaces.create();
  surfaces.screen.fill(0, 0, 0);

  archives.scratch.clear();
  archives.openScriptArchives(absoluteFolder(options.gameDir));
  archives.openArchives(absoluteFolder(options.gameDir), settings.cdDir);
  LoadSystemPictures(*this);
  RebuildGlyphCache(*this);
  BuildPanelSource(*this);

  script.allocate();
  ResetPageState(*this);

  // The banks start cleared; SYS was cleared above and gets its values below.
  vars.flg.clear();
  vars.evr.clear();
  vars.t.clear();
  vars.val.fill(0);
  vars.pictureSeen.clear();
  vars.sceneUnlocked.clear();
  vars.readMarks.clear();
  vars.reserved.fill(0);
  vars.g = settings.gv;

  if (Status s = loadPlaylists(savePath("kaiso.dat"), playlists); !s) warn(s.error());

  log.clear();

  auto& sys = vars.sys;
  sys[sys::kMenuLevel] = 3;
  sys[sys::kMusicPlaying] = 0;
  sys[8] = 8;
  sys[20] = 250;
  sys[21] = 550;
  sys[sys::kLastAutoSpeed] = 5;
  const std::int32_t positions[] = {400, 250, 550, 200, 400, 600, 100, 300, 500, 700};
  for (int i = 0; i < 10; ++i) sys[80 + i] = positions[i];
  sys[sys::kClearCount] = settings.clear;
  for (int i = 150; i <= 153; ++i) sys[i] = 0;
  applyToolStrip();
  page.windowShown = false;
  run.cutRequest = 0;

  for (auto& s : vars.strings) s.fill(0);
  vars.setString(0, settings.playerName);
  vars.setString(1, settings.playerName2);
  run.firstStep = true;
}

void Engine::firstStoryStep() {
  if (run.quit) {
    host.requestClose();
    return;
  }
  surfaces.screen.fill(0, 0, 0);
  paint();
  if (display.mode != 0) enterFullScreen();
  script.depth = 0;
  script.setCurrentName("main");
  LoadScenario(*this, "main", ScenarioTarget::Story);
  InitSound(*this);
}

ToolStripState Engine::toolStripRules() const {
  ToolStripState s;
  std::int32_t level = vars.sys[sys::kMenuLevel];
  bool windowAllowed = vars.sys[sys::kWindowAllowed] != 0;
  if (run.gameMode == kWindowHidden || run.gameMode == kPageHistory) {
    s.quit = s.load = s.save = s.settings = s.saveEdit = false;
  } else {
    s.quit = s.settings = true;
    s.load = level <= 1;
    s.save = level == 0 && windowAllowed;
  }
  return s;
}

void Engine::applyToolStrip() {
  ToolStripState s = toolStripRules();
  // The save and load list and the configuration dialog are not part of the engine
  // yet: their buttons stay greyed rather than doing nothing when pressed.
  s.load = s.save = s.settings = s.saveEdit = false;
  host.setToolStrip(s);
}

bool Engine::formCloseQuery() {
  if (run.quit) return true;
  if (run.cutAllowed) {
    run.cutRequest = 2;
    return false;
  }
  if (run.busy) return false;
  run.interpreterEnabled = 0;
  MessageAnswer a = showMessage("確認", "ゲームを終了しますか？", MessageIcon::Question,
                                MessageButtons::OkCancel);
  bool allow = a == MessageAnswer::Ok;
  if (allow) run.cutRequest = 1;
  run.interpreterEnabled = 1;
  return allow;
}

void Engine::formDestroy() {
  leaveFullScreen();
  mixer.shutdown();
}

void Engine::paint() {
  const Surface& shown = run.gameMode == kWindowHidden ? surfaces.scene : surfaces.screen;
  ShowSurface(*this, shown);
}

void Engine::enterFullScreen() {
  if (display.fullScreen || display.mode == 0) return;
  if (host.enterFullScreen(display.mode) && display.mode == 1) display.fullScreen = 1;
}

void Engine::leaveFullScreen() {
  host.leaveFullScreen();
  display.fullScreen = 0;
}

}  // namespace torvan
