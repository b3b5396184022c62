#include "platform/qt/main_window.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScreen>
#include <QSlider>
#include <QToolButton>
#include <algorithm>
#include <exception>

#include "core/engine.h"
#include "platform/qt/key_mapping.h"
#include "platform/qt/scene_mapping.h"
#include "platform/qt/screen_widget.h"

namespace torvan {

namespace {

// The top-left strip that reveals the tool strip in full screen, in scene pixels.
constexpr int kHoverStripHeight = 30;
constexpr int kHoverStripWidth = 400;

// The longest the idle timer is set for; a pass is never due later than this.
constexpr std::int64_t kLongestIdleWaitMs = 10000;

struct ButtonSpec {
  ToolButton which;
  const char* objectName;
  const char* caption;
};

// Left to right as the strip shows them.
constexpr ButtonSpec kButtons[] = {
    {ToolButton::Quit, "SpeedButton1", "終了"},
    {ToolButton::Load, "SpeedButton4", "ロード"},
    {ToolButton::Save, "SpeedButton3", "セーブ"},
    {ToolButton::Settings, "SpeedButton2", "設定"},
    {ToolButton::SaveEdit, "SpeedButton5", "セーブ編集"},
};

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent), timer1_(this), idleTimer_(this) {
  setObjectName("Form1");
  setWindowTitle(QString::fromUtf8(kGameTitle));
  setFocusPolicy(Qt::StrongFocus);

  panel_ = new QFrame(this);
  panel_->setObjectName("Panel1");
  panel_->setFrameShape(QFrame::NoFrame);
  panel_->setAutoFillBackground(true);
  panel_->setMouseTracking(true);
  panel_->installEventFilter(this);
  auto* row = new QHBoxLayout(panel_);
  row->setContentsMargins(2, 1, 2, 1);
  row->setSpacing(2);
  for (const ButtonSpec& spec : kButtons) {
    auto* b = new QToolButton(panel_);
    b->setObjectName(spec.objectName);
    b->setText(QString::fromUtf8(spec.caption));
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setFocusPolicy(Qt::NoFocus);
    b->setMinimumWidth(64);
    b->setFixedHeight(kToolStripHeight - 2);
    const ToolButton which = spec.which;
    connect(b, &QToolButton::clicked, this, [this, which] { onToolButton(which); });
    row->addWidget(b);
    buttons_[static_cast<int>(spec.which)] = b;
  }
  buttons_[static_cast<int>(ToolButton::SaveEdit)]->hide();
  trackBar_ = new QSlider(Qt::Horizontal, panel_);
  trackBar_->setObjectName("TrackBar1");
  trackBar_->setRange(1, 10);
  trackBar_->setFocusPolicy(Qt::NoFocus);
  trackBar_->setFixedWidth(120);
  trackBar_->hide();
  row->addWidget(trackBar_);
  row->addStretch(1);

  screen_ = new ScreenWidget(this);
  connect(screen_, &ScreenWidget::mouseMoved, this, &MainWindow::onMouseMoved);
  connect(screen_, &ScreenWidget::mousePressed, this, &MainWindow::onMousePressed);
  connect(screen_, &ScreenWidget::mouseReleased, this, &MainWindow::onMouseReleased);
  connect(screen_, &ScreenWidget::wheelTurned, this, &MainWindow::onWheel);

  timer1_.setObjectName("Timer1");
  timer1_.setInterval(kTimerMs);
  timer1_.setTimerType(Qt::PreciseTimer);
  connect(&timer1_, &QTimer::timeout, this, &MainWindow::runTimerTick);
  idleTimer_.setSingleShot(true);
  idleTimer_.setTimerType(Qt::PreciseTimer);
  connect(&idleTimer_, &QTimer::timeout, this, &MainWindow::runIdlePass);

  // The whole game stays usable at half size; below that text becomes unreadable.
  setMinimumSize(kSceneWidth / 2, kSceneHeight / 2 + kToolStripHeight);
  resize(kSceneWidth, kSceneHeight + kToolStripHeight);
  layoutChildren();
}

MainWindow::~MainWindow() {
  stopLoop();
}

void MainWindow::attach(Engine* engine) {
  if (!engine) stopLoop();
  engine_ = engine;
}

void MainWindow::startLoop() {
  if (!engine_ || failed_ || engine_->closed()) return;
  running_ = true;
  timer1_.start();
  idleTimer_.start(0);
}

void MainWindow::stopLoop() {
  running_ = false;
  idlePending_ = false;
  timer1_.stop();
  idleTimer_.stop();
}

QToolButton* MainWindow::toolButton(ToolButton which) const {
  return buttons_[static_cast<int>(which)];
}

template <class F>
bool MainWindow::call(F&& f) {
  if (!engine_ || failed_) return false;
  ++depth_;
  try {
    f();
  } catch (const std::exception& e) {
    fail(QString::fromLocal8Bit(e.what()));
  } catch (...) {
    fail(QStringLiteral("unknown error"));
  }
  --depth_;
  // A pass that fell due while the engine was busy elsewhere runs as soon as it is free.
  if (depth_ == 0 && idlePending_ && running_) {
    idlePending_ = false;
    idleTimer_.start(0);
  }
  return !failed_;
}

void MainWindow::fail(const QString& why) {
  if (failed_) return;
  failed_ = true;
  failure_ = why;
  // The engine's state is unknown after an exception, so the game ends here rather
  // than run on with it.
  stopLoop();
  QMessageBox::critical(isVisible() ? this : nullptr, windowTitle(), why);
  hide();
  Q_EMIT finished();
}

void MainWindow::runIdlePass() {
  if (!running_ || !engine_) return;
  // Inside a long operation or a modal loop (pumpEvents, a menu, a message box) the
  // pass must not run nested; it runs once the outer engine call has returned.
  if (depth_ > 0) {
    idlePending_ = true;
    return;
  }
  std::int64_t due = 0;
  if (!call([&] { due = engine_->idlePass(); })) return;
  if (!running_ || engine_->closed()) return;
  scheduleIdle(due);
}

void MainWindow::scheduleIdle(std::int64_t due) {
  std::int64_t wait =
      std::clamp<std::int64_t>(due - engine_->host.tickCount(), 0, kLongestIdleWaitMs);
  idleTimer_.start(static_cast<int>(wait));
}

void MainWindow::runTimerTick() {
  if (!running_ || inTick_) return;
  inTick_ = true;
  call([&] { engine_->timerTick(); });
  inTick_ = false;
}

void MainWindow::requestClose() {
  if (closeQuery_) return;
  close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (!engine_ || failed_ || engine_->closed()) {
    stopLoop();
    event->accept();
    if (!failed_) Q_EMIT finished();
    return;
  }
  // A second close request while the question is open waits for its answer.
  if (closeQuery_) {
    event->ignore();
    return;
  }
  closeQuery_ = true;
  bool allow = false;
  call([&] { allow = engine_->formCloseQuery(); });
  closeQuery_ = false;
  if (failed_) {
    event->accept();
    return;
  }
  if (!allow) {
    event->ignore();
    return;
  }
  engine_->markClosed();
  stopLoop();
  event->accept();
  Q_EMIT finished();
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  event->accept();
  if (isFullScreenToggle(event->key(), event->modifiers())) {
    if (!event->isAutoRepeat()) toggleFullScreen();
    return;
  }
  if (event->isAutoRepeat() && !actsOnRepeat(event->key())) return;
  std::optional<KeyCode> key = gameKey(event->key());
  const char ch = gameCharacter(event->key(), event->modifiers(), event->text());
  if (!key && !ch) return;
  call([&] {
    if (key) engine_->keyDown(*key);
    if (ch) engine_->keyPress(ch);
  });
}

void MainWindow::keyReleaseEvent(QKeyEvent* event) {
  event->accept();
  // Repeats come as release-press pairs; only the last release is a real one.
  if (event->isAutoRepeat()) return;
  if (std::optional<KeyCode> key = gameKey(event->key())) call([&] { engine_->keyUp(*key); });
}

bool MainWindow::focusNextPrevChild(bool) {
  return false;
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutChildren();
}

void MainWindow::layoutChildren() {
  const int w = width();
  const int h = height();
  if (fullMode_ == 0) {
    panel_->setGeometry(0, 0, w, kToolStripHeight);
    panel_->show();
    screen_->setGeometry(0, kToolStripHeight, w, std::max(0, h - kToolStripHeight));
  } else {
    // The screen takes the whole window; the strip floats over it when called up.
    screen_->setGeometry(0, 0, w, h);
    panel_->setGeometry(0, 0, w, kToolStripHeight);
    panel_->raise();
  }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  // The pointer over the floating strip no longer reaches PB; keep judging it by the
  // scene position under it so that the strip hides when the pointer moves away.
  if (watched == panel_ && fullMode_ != 0) {
    if (event->type() == QEvent::MouseMove) {
      auto* m = static_cast<QMouseEvent*>(event);
      // The strip and PB are siblings: go through the window they share.
      const QPoint inWindow = panel_->mapTo(this, m->position().toPoint());
      updateToolStripHover(screen_->toScene(screen_->mapFrom(this, inWindow)));
    } else if (event->type() == QEvent::Leave) {
      updateToolStripHover(screen_->toScene(screen_->mapFromGlobal(QCursor::pos())));
    }
  }
  return QWidget::eventFilter(watched, event);
}

void MainWindow::updateToolStripHover(QPoint scene) {
  if (fullMode_ == 0) return;
  const bool inside = scene.y() < kHoverStripHeight && scene.x() < kHoverStripWidth;
  if (inside == panel_->isVisible()) return;
  panel_->setVisible(inside);
  if (inside) panel_->raise();
}

void MainWindow::setToolStrip(const ToolStripState& state) {
  toolButton(ToolButton::Quit)->setEnabled(state.quit);
  toolButton(ToolButton::Load)->setEnabled(state.load);
  toolButton(ToolButton::Save)->setEnabled(state.save);
  toolButton(ToolButton::Settings)->setEnabled(state.settings);
  toolButton(ToolButton::SaveEdit)->setEnabled(state.saveEdit);
  toolButton(ToolButton::SaveEdit)->setVisible(state.saveEditVisible);
}

bool MainWindow::enterFullScreen(int mode) {
  if (mode != 1 && mode != 2) return false;
  if (fullMode_ == mode) return true;
  if (fullMode_ != 0) leaveFullScreen();
  QScreen* display = QWidget::screen();
  if (!display) display = QGuiApplication::primaryScreen();
  if (!display) return false;

  const bool shown = isVisible();
  savedGeometry_ = geometry();
  fullMode_ = mode;
  panel_->hide();
  if (mode == 2) {
    // Changing the flags re-creates the native window, hiding it.
    setWindowFlag(Qt::FramelessWindowHint, true);
    setGeometry(QRect(display->geometry().topLeft(), QSize(kSceneWidth, kSceneHeight)));
  } else {
    setWindowState(windowState() | Qt::WindowFullScreen);
  }
  layoutChildren();
  if (shown) show();
  return true;
}

void MainWindow::leaveFullScreen() {
  if (fullMode_ == 0) return;
  const bool shown = isVisible();
  const int mode = fullMode_;
  fullMode_ = 0;
  if (mode == 2)
    setWindowFlag(Qt::FramelessWindowHint, false);
  else
    setWindowState(windowState() & ~Qt::WindowFullScreen);
  setGeometry(savedGeometry_);
  layoutChildren();
  if (shown) show();
}

void MainWindow::toggleFullScreen() {
  // The engine's display state follows, so that what it places by the layout (the quit
  // menu under the strip's button) finds the strip where it now is.
  if (fullMode_ != 0) {
    leaveFullScreen();
    if (engine_) {
      engine_->display.fullScreen = 0;
      engine_->display.mode = 0;
    }
  } else if (enterFullScreen(1) && engine_) {
    engine_->display.fullScreen = 1;
    engine_->display.mode = 1;
  }
}

void MainWindow::onMouseMoved(Point scene) {
  // A sequence or dialog in progress takes no tool-strip clicks, so the strip is not
  // called up then; it still goes away when the pointer leaves.
  const bool engineBusy = engine_ && (engine_->run.busy || engine_->run.cutAllowed);
  if (!engineBusy || toolStrip()->isVisible()) updateToolStripHover(QPoint(scene.x, scene.y));
  call([&] { engine_->mouseMove(scene); });
}

void MainWindow::onMousePressed(Point scene, MouseButton button) {
  call([&] { engine_->mouseDown(scene, button); });
}

void MainWindow::onMouseReleased(Point scene, MouseButton button) {
  call([&] { engine_->mouseUp(scene, button); });
}

void MainWindow::onWheel(int step) {
  call([&] { engine_->wheel(step); });
}

void MainWindow::onToolButton(ToolButton which) {
  call([&] { engine_->toolButton(which); });
}

}  // namespace torvan
