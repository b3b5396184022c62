// A host without a window: nothing is shown, time moves only when the engine sleeps,
// and every question gets its default answer. Tests and benchmarks derive from it and
// override only what they watch.
#pragma once

#include "core/host.h"

namespace torvan {

class QuietHost : public Host {
 public:
  void present(const Surface&, const Rect&) override {}
  void pumpEvents() override {}
  std::int64_t tickCount() override { return now; }
  void sleep(int ms) override {
    if (ms > 0) now += ms;
  }
  MessageAnswer messageBox(std::string_view, std::string_view, MessageIcon,
                           MessageButtons) override {
    return MessageAnswer::Ok;
  }
  Point cursorPos() override { return {}; }
  void setCursorPos(Point) override {}
  void setWindowOffset(int, int) override {}
  Point desktopSize() override { return {1920, 1080}; }
  void placeWindow(int, int) override {}
  Point sceneToDesktop(Point scene) override { return scene; }
  bool enterFullScreen(int) override { return false; }
  void leaveFullScreen() override {}
  void setToolStrip(const ToolStripState&) override {}
  int popupMenu(const std::vector<MenuItem>&, Point) override { return -1; }
  void requestClose() override {}

  std::int64_t now = 0;  // milliseconds of virtual time
};

}  // namespace torvan
