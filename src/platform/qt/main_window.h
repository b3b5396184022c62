// The game window: the tool strip `Panel1` above the 800 x 600 screen `PB`, the 55 ms
// `Timer1`, and the idle pass scheduled from the event loop. It turns Qt's events into
// the engine's input and keeps the engine from being re-entered where it must not be.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <utility>

#include "core/host.h"
#include "core/input.h"

class QAbstractButton;
class QFrame;
class QSlider;
class QToolButton;

namespace torvan {

class Engine;
class ScreenWidget;

class MainWindow : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kToolStripHeight = 24;
  static constexpr int kTimerMs = 55;

  explicit MainWindow(QWidget* parent = nullptr);
  ~MainWindow() override;

  // The engine that receives input, ticks and idle passes; nullptr detaches it.
  void attach(Engine* engine);
  // Starts Timer1 and the idle passes (the first one at once); stopLoop ends both.
  void startLoop();
  void stopLoop();
  bool looping() const { return running_; }

  ScreenWidget* gameScreen() const { return screen_; }
  QFrame* toolStrip() const { return panel_; }
  QToolButton* toolButton(ToolButton which) const;

  void setToolStrip(const ToolStripState& state);
  // 1: full screen with the picture scaled to fit; 2: borderless at the desktop origin.
  bool enterFullScreen(int mode);
  void leaveFullScreen();
  int fullScreenMode() const { return fullMode_; }

  // The engine wants the window closed; its close query still decides.
  void requestClose();

  // An exception escaped the engine: its text, shown to the player before the end.
  bool failed() const { return failed_; }
  const QString& failure() const { return failure_; }

 Q_SIGNALS:
  // The window has closed for good (the engine allowed it, or the engine failed).
  void finished();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool focusNextPrevChild(bool next) override;  // Tab belongs to the game
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs an engine entry point. Exceptions end the game with a message instead of
  // unwinding through Qt. Returns false when no engine is attached or it has failed.
  template <class F>
  bool call(F&& f);
  void fail(const QString& why);

  void runIdlePass();
  void runTimerTick();
  void scheduleIdle(std::int64_t due);
  void layoutChildren();
  // In full screen the tool strip shows only while the pointer is in the top-left strip.
  void updateToolStripHover(QPoint scene);
  void toggleFullScreen();

  void onMouseMoved(Point scene);
  void onMousePressed(Point scene, MouseButton button);
  void onMouseReleased(Point scene, MouseButton button);
  void onWheel(int step);
  void onToolButton(ToolButton which);

  Engine* engine_ = nullptr;
  ScreenWidget* screen_ = nullptr;
  QFrame* panel_ = nullptr;
  QToolButton* buttons_[5] = {};  // in ToolButton order
  QSlider* trackBar_ = nullptr;
  QTimer timer1_;
  QTimer idleTimer_;

  bool running_ = false;
  int depth_ = 0;             // engine calls on the stack
  bool idlePending_ = false;  // an idle pass fell due inside another engine call
  bool inTick_ = false;
  bool closeQuery_ = false;
  bool failed_ = false;
  QString failure_;

  int fullMode_ = 0;
  QRect savedGeometry_;
};

}  // namespace torvan
