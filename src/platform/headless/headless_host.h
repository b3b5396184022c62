// The headless host: a virtual clock, input and answers from an events file, and
// screenshots and state dumps on request. No display, no sound device, no wall-clock
// waits: sleeping advances virtual time at once, and the idle pass and the 55 ms timer
// run on virtual time exactly as they would on wall time.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/host.h"
#include "graphics/surface.h"
#include "platform/headless/event_script.h"

namespace torvan {

class Engine;

struct HeadlessOptions {
  std::vector<EventCommand> events;
  bool autoplay = false;
  std::string screenshotDir;   // autoplay screenshots go here
  std::string finalStateFile;  // written when the run ends, however it ends
  std::int64_t autoplayLimitMs = 30 * 60 * 1000;
};

class HeadlessHost : public Host {
 public:
  explicit HeadlessHost(HeadlessOptions options);

  // Creates the window's engine state and runs until the events end, the window closes
  // or autoplay finishes. Returns the process exit code.
  int run(Engine& engine);

  // The picture last presented, as a screenshot shows it.
  const Surface& frame() const { return frame_; }
  bool fullScreen() const { return fullScreenMode_ != 0; }
  const ToolStripState& toolStrip() const { return toolStrip_; }
  // Every popup menu opened so far, as the engine offered it.
  struct ShownMenu {
    std::vector<MenuItem> items;
    Point at;  // desktop position
  };
  const std::vector<ShownMenu>& menusShown() const { return menusShown_; }

  void present(const Surface& screen, const Rect& area) override;
  void pumpEvents() override;
  std::int64_t tickCount() override { return now_; }
  void sleep(int ms) override;
  MessageAnswer messageBox(std::string_view caption, std::string_view text, MessageIcon icon,
                           MessageButtons buttons) override;
  Point cursorPos() override { return cursor_; }
  void setCursorPos(Point scene) override { cursor_ = scene; }
  void setWindowOffset(int dx, int dy) override { offset_ = {dx, dy}; }
  Point desktopSize() override { return {1920, 1080}; }
  void placeWindow(int left, int top) override { window_ = {left, top}; }
  // No frame and no scaling: the scene starts at the window's corner.
  Point sceneToDesktop(Point scene) override { return {window_.x + scene.x, window_.y + scene.y}; }
  bool enterFullScreen(int mode) override;
  void leaveFullScreen() override { fullScreenMode_ = 0; }
  void setToolStrip(const ToolStripState& state) override { toolStrip_ = state; }
  int popupMenu(const std::vector<MenuItem>& items, Point desktop) override;
  void requestClose() override;

 private:
  // Runs every command that can run now. Returns false once the events are used up.
  bool runReadyCommands();
  // Executes one instant command (input, answer, screenshot, ...).
  void execute(const EventCommand& c);
  // The deadline of the command at the front, or a far time when it has none.
  std::int64_t frontDeadline();
  // Serves a due timer tick; several missed ticks coalesce into one.
  void serveTimer();
  // The until-idle at the front ends when the story waits for the player.
  void checkUntilIdle();
  // A box or menu that opens with no answer queued takes the line that comes next when
  // that line answers it ("answer", or "menu" for menus); otherwise nullptr.
  const EventCommand* takeAnswerLine(bool wantMenu);
  void autoplayStep();
  void writeState(const std::string& file);
  void writeScreenshot(const std::string& file);
  std::string outputPath(const std::string& file) const;

  HeadlessOptions options_;
  Engine* engine_ = nullptr;
  std::deque<EventCommand> pending_;
  bool frontStarted_ = false;
  std::int64_t frontDeadline_ = 0;
  std::deque<MessageAnswer> answers_;

  std::int64_t now_ = 0;
  std::int64_t nextTick_ = 55;
  std::int64_t nextIdle_ = 0;
  Surface frame_;
  Point cursor_;
  Point offset_;
  Point window_;
  int fullScreenMode_ = 0;
  ToolStripState toolStrip_;
  std::vector<ShownMenu> menusShown_;
  EventCommand answerLine_;
  int screenshotCount_ = 0;
  std::int32_t lastWaitMode_ = 0;
  bool engineFailed_ = false;
};

}  // namespace torvan
