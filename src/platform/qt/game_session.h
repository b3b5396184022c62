// One run of the game on the desktop: the window, its host and the engine, created in
// that order and wired together. runQtShell uses it inside QApplication; tests drive it
// directly.
#pragma once

#include "core/engine.h"
#include "platform/qt/main_window.h"
#include "platform/qt/qt_host.h"

namespace torvan {

class GameSession {
 public:
  explicit GameSession(const EngineOptions& options);
  ~GameSession();
  GameSession(const GameSession&) = delete;
  GameSession& operator=(const GameSession&) = delete;

  // Window creation (the engine's formCreate, whose messages may show before the
  // window), then the window is shown and Timer1 and the idle passes start.
  void start();
  // The window is going away: the loops stop and the engine's formDestroy runs, once.
  void finish();

  // formCreate threw, or an exception later ended the game.
  bool failed() const { return createFailed_ || window_.failed(); }

  MainWindow& window() { return window_; }
  QtHost& host() { return host_; }
  Engine& engine() { return engine_; }

 private:
  MainWindow window_;
  QtHost host_;
  Engine engine_;
  bool started_ = false;
  bool finished_ = false;
  bool createFailed_ = false;
};

}  // namespace torvan
