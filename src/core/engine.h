// The engine object: it owns every subsystem's state from window creation to
// destruction and reaches the outside only through the Host.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archive/archives.h"
#include "core/host.h"
#include "core/input.h"
#include "core/random.h"
#include "core/run_state.h"
#include "core/settings.h"
#include "graphics/surfaces.h"
#include "save/global_data.h"
#include "script/script_state.h"
#include "script/variables.h"
#include "sound/mixer.h"
#include "sound/sound_output.h"
#include "sound/sound_state.h"
#include "text/glyph_font.h"
#include "text/message_window.h"
#include "text/page_history.h"
#include "text/text_log.h"
#include "text/text_page.h"

namespace torvan {

struct EngineOptions {
  std::string gameDir = ".";          // archives and "panic.bmp" are read here
  std::string saveDir;                // "kaiso.dat", "save0.dat", "save/saveNN.dat"
  std::string settingsFile;           // the ini file of the settings store
  std::optional<std::uint32_t> seed;  // fixed seed for the random generator
  // The sound device; null runs without any (the headless host only records sounds).
  std::shared_ptr<AudioDevice> audio;
};

// The title of the game window and the application.
inline constexpr const char* kGameTitle = "霧灯姫";

struct MessageRecord {
  std::string caption;  // UTF-8
  std::string text;     // UTF-8
};

class Engine {
 public:
  Engine(Host& host, EngineOptions options);
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Window creation: reads the settings, checks the installation and the main archive,
  // sets up every subsystem and raises the first-step flag.
  void formCreate();
  // One pass of the idle handler. Returns the host time at which the next pass is due.
  std::int64_t idlePass();
  // The 55 ms timer.
  void timerTick();
  // The window is asked to close. Returns true when it may close.
  bool formCloseQuery();
  // The window is going away.
  void formDestroy();
  // The screen needs repainting.
  void paint();

  // Input, routed to whatever owns the screen at the moment. Positions are in scene
  // coordinates.
  void mouseMove(Point p);
  void mouseDown(Point p, MouseButton button);
  void mouseUp(Point p, MouseButton button);
  void wheel(int steps);  // positive: turned up (away from the user)
  void keyDown(KeyCode key);
  void keyUp(KeyCode key);
  void keyPress(char ch);
  void toolButton(ToolButton button);

  // True once a close was allowed; hosts stop their loops then.
  bool closed() const { return closed_; }
  void markClosed() { closed_ = true; }

  // A message box through the host, recorded for state dumps. UTF-8 texts.
  MessageAnswer showMessage(std::string_view caption, std::string_view text, MessageIcon icon,
                            MessageButtons buttons = MessageButtons::Ok);
  // The tool strip's enabled states from the menu level and the window permission,
  // sent to the host.
  void applyToolStrip();
  // What the menu level and the window permission allow, before buttons whose screens
  // the engine does not have yet are taken away.
  ToolStripState toolStripRules() const;
  // A file of the engine's own (saves, global data) in the save folder.
  std::string savePath(std::string_view name) const;
  // A file of the game folder (archives, "panic.bmp").
  std::string gamePath(std::string_view name) const;

  // True while the interpreter waits for the player: a page or line wait, a choice, a
  // click-waiting sleep.
  bool waitingForPlayer() const;
  // True when the story cannot move on by itself (nothing loaded, or it has ended).
  bool storyStandsStill() const;

  Host& host;
  const EngineOptions options;

  Settings settings;
  Variables vars;
  TextPage page;
  GlyphRenderer glyphs;
  MessageWindow messageWindow;
  Surfaces surfaces;
  RunState run;
  DisplayState display;
  ScriptState script;
  Archives archives;
  Playlists playlists;
  TextLog log;
  PageHistory history;
  SoundState sound;
  Mixer mixer;
  Random rng;
  std::vector<MessageRecord> messages;  // message boxes since the last state dump

 private:
  void initialise();
  void firstStoryStep();
  void enterFullScreen();
  void leaveFullScreen();
  KeyCode swapCtrlShift(KeyCode key) const;
  void rightClickAction();
  void openRightClickMenu();
  // Up/Down in a choice window: the pointer onto the previous or next choice.
  void pointAtChoice(int direction);
  void startAuto();
  void startSkipping();
  void stopSkipAndAuto();
  void toggleAuto();
  void openQuitMenu();

  Point cursor_;
  bool closed_ = false;
};

}  // namespace torvan
