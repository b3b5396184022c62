// The engine's only way to the outside world. The desktop shell (Qt) and the headless
// host (virtual clock, scripted input) both implement it, so everything the engine does
// runs the same way in both and is testable without a display.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torvan {

struct Surface;

struct Point {
  int x = 0;
  int y = 0;
};

struct Rect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
};

enum class MessageIcon { None, Stop, Warning, Question, Information };
enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

// The tool strip above the screen.
enum class ToolButton { Quit, Load, Save, Settings, SaveEdit };

struct ToolStripState {
  bool quit = true;
  bool load = true;
  bool save = true;
  bool settings = true;
  bool saveEdit = true;
  bool saveEditVisible = false;
};

// One item of a popup menu. Captions are UTF-8 (converted at the edge).
struct MenuItem {
  int id = 0;
  std::string caption;
  bool enabled = true;
  bool checked = false;
  bool visible = true;
  // Shows a check box even while unchecked (a setting the item switches).
  bool checkable = false;
};

class Host {
 public:
  virtual ~Host() = default;

  // Shows the engine's 800 x 600 screen picture, or just the given rectangle of it.
  virtual void present(const Surface& screen, const Rect& area) = 0;

  // Processes pending window messages: input events and timer ticks are delivered to
  // the engine from inside this call. Long operations call it while they run.
  virtual void pumpEvents() = 0;

  // Milliseconds on the host's clock (wall time, or virtual time when headless).
  virtual std::int64_t tickCount() = 0;
  // Blocks for ms milliseconds; no events are delivered meanwhile.
  virtual void sleep(int ms) = 0;

  // A modal message box. caption and text are UTF-8.
  virtual MessageAnswer messageBox(std::string_view caption, std::string_view text,
                                   MessageIcon icon, MessageButtons buttons) = 0;

  // The pointer in scene coordinates (the screen's top-left is 0, 0).
  virtual Point cursorPos() = 0;
  virtual void setCursorPos(Point scene) = 0;

  // Moves the picture (or the window) by an offset; 0, 0 puts it back. Used by shakes.
  virtual void setWindowOffset(int dx, int dy) = 0;

  // Screen size of the desktop, for centring the window and the narrow-screen rule.
  virtual Point desktopSize() = 0;
  // Places the window's top-left corner on the desktop.
  virtual void placeWindow(int left, int top) = 0;
  // The desktop position of a scene point, wherever the window is and however the
  // picture is scaled in it. Points off the scene (negative, or past 800 x 600) map
  // the same way; popup menus are placed with it.
  virtual Point sceneToDesktop(Point scene) = 0;

  // Full-screen display: mode 1 full screen with the picture scaled to fit, mode 2 a
  // borderless window at the desktop origin. Returns false and keeps the windowed
  // layout when the display refuses.
  virtual bool enterFullScreen(int mode) = 0;
  virtual void leaveFullScreen() = 0;

  virtual void setToolStrip(const ToolStripState& state) = 0;

  // Shows a popup menu at a desktop position and returns the chosen item's id, or -1.
  virtual int popupMenu(const std::vector<MenuItem>& items, Point desktop) = 0;

  // Asks the window to close; the engine's close query decides.
  virtual void requestClose() = 0;
};

}  // namespace torvan
