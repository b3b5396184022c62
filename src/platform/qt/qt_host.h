// The Host on the desktop: the engine's pictures, dialogs, pointer and clock go through
// the game window and Qt.
#pragma once

#include <QElapsedTimer>

#include "core/host.h"

namespace torvan {

class MainWindow;

class QtHost : public Host {
 public:
  // The clock starts here, at launch.
  explicit QtHost(MainWindow& window);

  void present(const Surface& screen, const Rect& area) override;
  void pumpEvents() override;
  std::int64_t tickCount() override;
  void sleep(int ms) override;
  MessageAnswer messageBox(std::string_view caption, std::string_view text, MessageIcon icon,
                           MessageButtons buttons) override;
  Point cursorPos() override;
  void setCursorPos(Point scene) override;
  void setWindowOffset(int dx, int dy) override;
  Point desktopSize() override;
  void placeWindow(int left, int top) override;
  Point sceneToDesktop(Point scene) override;
  bool enterFullScreen(int mode) override;
  void leaveFullScreen() override;
  void setToolStrip(const ToolStripState& state) override;
  int popupMenu(const std::vector<MenuItem>& items, Point desktop) override;
  void requestClose() override;

 private:
  MainWindow& window_;
  QElapsedTimer clock_;
};

}  // namespace torvan
