// The desktop shell against a real X server: layout, the quit menu and close question,
// input reaching the engine through the scaled screen, the right-click menu, pictures,
// keys, the single-instance lock, and the demo game played with real clicks and keys.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QKeyEvent>
#include <QLockFile>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "../test_support.h"
#include "archive/archive_writer.h"
#include "core/sjis.h"
#include "graphics/surface.h"
#include "platform/qt/game_session.h"
#include "platform/qt/key_mapping.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/scene_mapping.h"
#include "platform/qt/screen_widget.h"
#include "script/choices.h"

namespace torvan {
namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "torvan_gui_tests";
    static char* argv[] = {name, nullptr};
    app_ = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
  }
  void TearDown() override { delete app_; }

 private:
  QApplication* app_ = nullptr;
};

[[maybe_unused]] const auto* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

QString utf8(const char* s) {
  return QString::fromUtf8(s);
}

// Acts on the first visible top-level widget of type W once one appears (a menu or a
// message box opened by a nested event loop). After five seconds it gives up and closes
// whatever popup or modal box is open, so that a missing window fails the test instead
// of hanging it.
template <class W>
void whenShown(std::function<void(W*)> act, bool* gaveUp = nullptr) {
  auto* timer = new QTimer;
  auto polls = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, polls, act, gaveUp] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (auto* w = qobject_cast<W*>(top); w && w->isVisible()) {
        timer->stop();
        timer->deleteLater();
        act(w);
        return;
      }
    }
    if (++*polls < 500) return;
    timer->stop();
    timer->deleteLater();
    if (gaveUp) *gaveUp = true;
    if (QWidget* popup = QApplication::activePopupWidget()) popup->close();
    if (auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget())) box->reject();
  });
  timer->start(10);
}

void clickBoxButton(QMessageBox* box, QMessageBox::StandardButton which) {
  QTest::mouseClick(box->button(which), Qt::LeftButton);
}

// A game folder with a one-entry script archive whose "main" waits for a page, and a
// fresh settings file and save folder, shown in a window with its loops running.
class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string script = ";shell test";
    script.push_back('\0');
    script += "\\";
    script.push_back('\0');
    ArchiveSource main{"main", Bytes(script.begin(), script.end())};
    ASSERT_TRUE(writeArchive(dir_.file("qz_data.tvn"), std::span(&main, 1), ArchiveLayout::Script));
    std::filesystem::create_directories(dir_.file("save"));
    options_.gameDir = dir_.path();
    options_.saveDir = dir_.file("save");
    options_.settingsFile = dir_.file("HOLVA.ini");
    options_.seed = 1;
    session_ = std::make_unique<GameSession>(options_);
    session_->start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
    // The first idle pass (the first story step) runs from the event loop.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !engine().run.firstStep; }, 2000));
  }
  void TearDown() override { session_.reset(); }

  MainWindow& window() { return session_->window(); }
  Engine& engine() { return session_->engine(); }
  ScreenWidget* pb() { return window().gameScreen(); }

  // Resizes the window and waits until the screen has its new size.
  void resizeWindow(QSize size) {
    window().resize(size);
    QSize pbSize(size.width(), size.height() - MainWindow::kToolStripHeight);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pb()->size() == pbSize; }, 2000));
  }

  test::TempDir dir_;
  EngineOptions options_;
  std::unique_ptr<GameSession> session_;
};

TEST_F(ShellTest, WindowShowsToolStripAboveTheScreen) {
  EXPECT_EQ(window().windowTitle(), utf8("霧灯姫"));
  EXPECT_EQ(window().size(), QSize(800, 624));
  EXPECT_EQ(pb()->objectName(), "PB");
  EXPECT_EQ(pb()->geometry(), QRect(0, 24, 800, 600));
  QFrame* panel = window().findChild<QFrame*>("Panel1");
  ASSERT_NE(panel, nullptr);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(panel->geometry().top(), 0);
  EXPECT_EQ(panel->height(), 24);

  // Menu level 3 at start-up: only quitting is offered (the settings button waits for
  // its dialog).
  struct Expected {
    const char* name;
    const char* caption;
    bool enabled;
  };
  const Expected buttons[] = {{"SpeedButton1", "終了", true},
                              {"SpeedButton4", "ロード", false},
                              {"SpeedButton3", "セーブ", false},
                              {"SpeedButton2", "設定", false}};
  int lastRight = -1;
  for (const Expected& e : buttons) {
    SCOPED_TRACE(e.name);
    auto* b = window().findChild<QToolButton*>(e.name);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(b->isVisible());
    EXPECT_EQ(b->text(), utf8(e.caption));
    EXPECT_EQ(b->isEnabled(), e.enabled);
    EXPECT_TRUE(panel->geometry().contains(b->mapTo(&window(), b->rect().center())));
    EXPECT_GT(b->x(), lastRight);  // left to right in this order
    lastRight = b->geometry().right();
  }
  auto* saveEdit = window().findChild<QToolButton*>("SpeedButton5");
  ASSERT_NE(saveEdit, nullptr);
  EXPECT_EQ(saveEdit->text(), utf8("セーブ編集"));
  EXPECT_FALSE(saveEdit->isVisible());
  auto* trackBar = window().findChild<QSlider*>("TrackBar1");
  ASSERT_NE(trackBar, nullptr);
  EXPECT_FALSE(trackBar->isVisible());
  EXPECT_EQ(trackBar->minimum(), 1);
  EXPECT_EQ(trackBar->maximum(), 10);
  auto* timer1 = window().findChild<QTimer*>("Timer1");
  ASSERT_NE(timer1, nullptr);
  EXPECT_TRUE(timer1->isActive());
  EXPECT_EQ(timer1->interval(), 55);

  // The engine's button states reach the strip: greying quitting shows there.
  engine().run.gameMode = kWindowHidden;
  engine().applyToolStrip();
  EXPECT_FALSE(window().findChild<QToolButton*>("SpeedButton1")->isEnabled());
  engine().run.gameMode = kStory;
  engine().applyToolStrip();
  EXPECT_TRUE(window().findChild<QToolButton*>("SpeedButton1")->isEnabled());
}

TEST_F(ShellTest, QuitMenuThenConfirmationClosesTheWindow) {
  QStringList shownItems;
  bool menuGaveUp = false, boxGaveUp = false;
  QString question;
  whenShown<QMenu>(
      [&](QMenu* menu) {
        QAction* quit = nullptr;
        for (QAction* a : menu->actions()) {
          if (a->isVisible()) shownItems << a->text();
          if (a->text() == utf8("ゲーム終了")) quit = a;
        }
        if (!quit) {
          ADD_FAILURE() << "the quit menu has no item ゲーム終了";
          menu->close();
          return;
        }
        // The close question is asked from inside the menu's answer.
        whenShown<QMessageBox>(
            [&](QMessageBox* box) {
              question = box->text();
              clickBoxButton(box, QMessageBox::Ok);
            },
            &boxGaveUp);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(quit).center());
      },
      &menuGaveUp);
  QTest::mouseClick(window().toolButton(ToolButton::Quit), Qt::LeftButton);

  EXPECT_FALSE(menuGaveUp);
  EXPECT_FALSE(boxGaveUp);
  EXPECT_EQ(shownItems, QStringList({utf8("タイトルへ戻る"), utf8("ゲーム終了")}));
  EXPECT_EQ(question, utf8("ゲームを終了しますか？"));
  EXPECT_TRUE(engine().closed());
  EXPECT_FALSE(window().isVisible());
  EXPECT_FALSE(window().looping());
}

TEST_F(ShellTest, IdlePassIsNotNestedInsideAMenuButTimer1Ticks) {
  std::int64_t framesInMenu = -1, ticksInMenu = -1;
  bool gaveUp = false;
  whenShown<QMenu>(
      [&](QMenu* menu) {
        const auto frame = engine().run.frame;
        const auto tick = engine().run.tick;
        QTest::qWait(200);  // several idle passes and timer ticks would fall due
        framesInMenu = engine().run.frame - frame;
        ticksInMenu = engine().run.tick - tick;
        menu->close();
      },
      &gaveUp);
  QTest::mouseClick(window().toolButton(ToolButton::Quit), Qt::LeftButton);
  EXPECT_FALSE(gaveUp);
  EXPECT_EQ(framesInMenu, 0);
  EXPECT_GE(ticksInMenu, 1);
  // The pass that fell due meanwhile runs once the menu's engine call has returned.
  const auto frame = engine().run.frame;
  EXPECT_TRUE(QTest::qWaitFor([&] { return engine().run.frame > frame; }, 1000));
  EXPECT_FALSE(engine().closed());
}

TEST_F(ShellTest, CancelledCloseKeepsTheGameRunning) {
  bool gaveUp = false;
  whenShown<QMessageBox>([](QMessageBox* box) { clickBoxButton(box, QMessageBox::Cancel); },
                         &gaveUp);
  EXPECT_FALSE(window().close());
  EXPECT_FALSE(gaveUp);
  EXPECT_FALSE(engine().closed());
  EXPECT_TRUE(window().isVisible());
  EXPECT_TRUE(window().looping());
  // The loop goes on after the refusal.
  const auto frame = engine().run.frame;
  EXPECT_TRUE(QTest::qWaitFor([&] { return engine().run.frame > frame; }, 1000));
}

TEST_F(ShellTest, ClickOnTheScreenReachesTheEngine) {
  auto& sys = engine().vars.sys;
  sys[sys::kWindowStyle] = 1;
  sys[sys::kAutoSpeed] = 5;
  QTest::mouseClick(pb(), Qt::LeftButton, {}, QPoint(400, 300));
  EXPECT_EQ(sys[sys::kAutoSpeed], 0);  // a click stops auto

  engine().run.sleepTicks = -1;
  QTest::mouseClick(pb(), Qt::RightButton, {}, QPoint(10, 10));
  EXPECT_EQ(engine().run.sleepTicks, 0);  // a click ends a sleep that waits for one
}

TEST_F(ShellTest, ScaledScreenKeepsAspectAndMapsClicksToTheScene) {
  // 700 x 450 for the screen: the picture is 600 x 450 (scale 0.75) with 50-pixel bars.
  resizeWindow(QSize(700, 474));
  const QRect picture = pb()->pictureRect();
  EXPECT_EQ(picture, QRect(50, 0, 600, 450));
  EXPECT_EQ(
      pb()->toScene(QPoint(picture.x() + picture.width() / 2, picture.y() + picture.height() / 2)),
      QPoint(400, 300));

  // Through real clicks: the auto bar (x 750..773) picks the speed from the scene y.
  auto& sys = engine().vars.sys;
  sys[sys::kWindowStyle] = 1;
  sys[sys::kAutoSpeed] = 5;
  for (int speed : {7, 1, 10}) {
    SCOPED_TRACE(speed);
    const int sceneY = 444 + 9 * (speed - 1) + 4;  // the middle of the speed's band
    QTest::mouseClick(pb(), Qt::LeftButton, {}, pb()->fromScene(QPoint(760, sceneY)));
    EXPECT_EQ(sys[sys::kAutoSpeed], speed);
  }
  // A click on the bars beside the picture still reaches the scene.
  QTest::mouseClick(pb(), Qt::LeftButton, {}, QPoint(5, 200));
  EXPECT_EQ(sys[sys::kAutoSpeed], 0);
}

// Finds a menu's action by its caption, or fails the test.
QAction* menuAction(QMenu* menu, const char* caption) {
  for (QAction* a : menu->actions())
    if (a->text() == utf8(caption)) return a;
  ADD_FAILURE() << "the menu has no item " << caption;
  return nullptr;
}

TEST_F(ShellTest, RightClickMenuOpensBesideThePointerOnAScaledScreen) {
  resizeWindow(QSize(700, 474));  // scale 0.75
  const QPoint clicked = pb()->fromScene(QPoint(100, 200));
  QPoint menuAt;
  bool shownChecked = false, checkable = false, backlogEnabled = true, titleEnabled = true;
  bool gaveUp = false;
  whenShown<QMenu>(
      [&](QMenu* menu) {
        menuAt = menu->pos();
        QAction* buttons = menuAction(menu, "ボタン表示");
        QAction* backlog = menuAction(menu, "バックログ");
        QAction* title = menuAction(menu, "タイトルへ戻る");
        QAction* autoPlay = menuAction(menu, "オートプレイ");
        if (!buttons || !backlog || !title || !autoPlay) {
          menu->close();
          return;
        }
        checkable = buttons->isCheckable();
        shownChecked = buttons->isChecked();
        backlogEnabled = backlog->isEnabled();
        titleEnabled = title->isEnabled();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(autoPlay).center());
      },
      &gaveUp);
  QTest::mouseClick(pb(), Qt::RightButton, {}, clicked);
  EXPECT_FALSE(gaveUp);
  // 16 scene pixels right of the pointer, through the scaling.
  EXPECT_EQ(menuAt, pb()->mapToGlobal(pb()->fromScene(QPoint(116, 200))));
  EXPECT_TRUE(checkable);
  EXPECT_TRUE(shownChecked);
  EXPECT_FALSE(backlogEnabled);
  EXPECT_FALSE(titleEnabled);
  EXPECT_EQ(engine().vars.sys[sys::kAutoSpeed], 5);
  EXPECT_FALSE(engine().run.popupOpen);

  // Hiding the buttons takes the check away the next time.
  engine().vars.sys[sys::kButtonsHidden] = 1;
  whenShown<QMenu>(
      [&](QMenu* menu) {
        if (QAction* buttons = menuAction(menu, "ボタン表示")) shownChecked = buttons->isChecked();
        menu->close();
      },
      &gaveUp);
  QTest::keyClick(&window(), Qt::Key_X);
  EXPECT_FALSE(gaveUp);
  EXPECT_FALSE(shownChecked);
}

TEST_F(ShellTest, PresentedAreaIsPaintedInItsColours) {
  Surface red;
  red.resize(800, 600);
  red.fill(0, 0, 255);  // blue, green, red
  session_->host().present(red, Rect{10, 20, 30, 40});
  QImage shown = pb()->grab().toImage();
  EXPECT_EQ(QColor(shown.pixel(10, 20)), QColor(255, 0, 0));
  EXPECT_EQ(QColor(shown.pixel(39, 59)), QColor(255, 0, 0));
  EXPECT_EQ(QColor(shown.pixel(9, 20)), QColor(0, 0, 0));
  EXPECT_EQ(QColor(shown.pixel(40, 60)), QColor(0, 0, 0));

  // A width whose rows are padded: the stride, not the width, steps from row to row.
  Surface odd;
  odd.resize(801, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 801; ++x) odd.row(y)[x * 3 + 1] = static_cast<std::uint8_t>(80 * y + 40);
  session_->host().present(odd, Rect{0, 0, 801, 3});
  for (int y = 0; y < 3; ++y)
    EXPECT_EQ(QColor(pb()->picture().pixel(799, y)), QColor(0, 80 * y + 40, 0)) << y;

  // The shake shifts the picture inside PB and uncovers black.
  session_->host().setWindowOffset(5, 0);
  shown = pb()->grab().toImage();
  EXPECT_EQ(QColor(shown.pixel(15, 20)), QColor(255, 0, 0));
  EXPECT_EQ(QColor(shown.pixel(2, 300)), QColor(0, 0, 0));
}

TEST_F(ShellTest, KeysReachTheEngine) {
  auto send = [&](QEvent::Type type, int key, Qt::KeyboardModifiers mods, bool repeat,
                  const QString& text = {}) {
    QKeyEvent e(type, key, mods, text, repeat);
    QApplication::sendEvent(&window(), &e);
  };
  // Holding Ctrl skips; the repeats of a held Ctrl must not toggle skipping off again.
  send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, false);
  EXPECT_EQ(engine().run.skipState, 1);
  send(QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier, true);
  send(QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier, true);
  EXPECT_EQ(engine().run.skipState, 1);
  send(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier, false);
  EXPECT_EQ(engine().run.skipState, 0);

  // Space is a character: auto on at the last speed. Held, its repeats do not switch
  // it off again.
  QTest::keyClick(&window(), Qt::Key_Space);
  EXPECT_EQ(engine().vars.sys[sys::kAutoSpeed], 5);
  send(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, true, " ");
  EXPECT_EQ(engine().vars.sys[sys::kAutoSpeed], 5);

  // Tab is the game's, not focus navigation: with right-click mode 2 it starts skipping.
  engine().settings.rcMode = 2;
  engine().vars.sys[sys::kAutoSpeed] = 0;
  QTest::keyClick(&window(), Qt::Key_Tab);
  EXPECT_EQ(engine().run.skipState, 1);
}

TEST_F(ShellTest, FullScreenLayoutsHideTheToolStripUntilCalled) {
  QFrame* panel = window().findChild<QFrame*>("Panel1");
  ASSERT_TRUE(session_->host().enterFullScreen(2));
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  EXPECT_EQ(window().pos(), QPoint(0, 0));
  EXPECT_TRUE(window().windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(pb()->geometry(), QRect(0, 0, 800, 600));
  EXPECT_FALSE(panel->isVisible());

  QTest::mouseMove(pb(), QPoint(100, 10));
  EXPECT_TRUE(QTest::qWaitFor([&] { return panel->isVisible(); }, 1000));
  QTest::mouseMove(pb(), QPoint(100, 300));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !panel->isVisible(); }, 1000));

  session_->host().leaveFullScreen();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window()));
  EXPECT_FALSE(window().windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_EQ(pb()->geometry(), QRect(0, 24, 800, 600));

  // F11 from the shell: full screen with the picture fitted, and back.
  QTest::keyClick(&window(), Qt::Key_F11);
  EXPECT_TRUE(window().windowState() & Qt::WindowFullScreen);
  EXPECT_EQ(engine().display.fullScreen, 1);
  EXPECT_FALSE(panel->isVisible());
  EXPECT_TRUE(QTest::qWaitFor([&] { return pb()->geometry() == window().rect(); }, 1000));
  // The strip is called up by the top-left corner of the scene, judged in scene pixels
  // however large the picture is shown.
  struct Hover {
    QPoint scene;
    bool shown;
  };
  for (const Hover& h : {Hover{{399, 29}, true}, Hover{{401, 10}, false}, Hover{{10, 12}, true},
                         Hover{{10, 31}, false}}) {
    SCOPED_TRACE(h.scene.x() * 1000 + h.scene.y());
    QTest::mouseMove(pb(), pb()->fromScene(h.scene));
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel->isVisible() == h.shown; }, 1000));
  }
  QTest::keyClick(&window(), Qt::Key_F11);
  EXPECT_FALSE(window().windowState() & Qt::WindowFullScreen);
  EXPECT_EQ(engine().display.fullScreen, 0);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_TRUE(QTest::qWaitFor([&] { return window().size() == QSize(800, 624); }, 1000));
  EXPECT_EQ(pb()->geometry(), QRect(0, 24, 800, 600));
}

// The demo game, built once from its sources, played in the window.
class DemoTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new test::TempDir;
    const std::string cmd = std::string("bash ") + TORVAN_DEMO_SOURCE + "/build-demo.sh " +
                            TORVAN_TOOL + " " + folder_->file("game") + " >/dev/null";
    built_ = std::system(cmd.c_str()) == 0;
  }
  static void TearDownTestSuite() {
    delete folder_;
    folder_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(built_) << "the demo game could not be built";
    std::filesystem::create_directories(saves_.file("save"));
    EngineOptions options;
    options.gameDir = folder_->file("game");
    options.saveDir = saves_.file("save");
    options.settingsFile = saves_.file("HOLVA.ini");
    options.seed = 1;
    session_ = std::make_unique<GameSession>(options);
    session_->start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&session_->window()));
  }
  void TearDown() override { session_.reset(); }

  Engine& engine() { return session_->engine(); }
  ScreenWidget* pb() { return session_->window().gameScreen(); }

  // The story waits for the player and no sequence is running that a click would cut.
  bool waitsForPlayer() {
    return !engine().run.firstStep && engine().waitingForPlayer() && !engine().run.cutAllowed &&
           !engine().run.busy;
  }

  // Reads on as a player does, by clicks on the scene and the Enter key in turn, until a
  // choice is offered. False when none comes within the time.
  bool readToChoice(int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    bool byKey = false;
    while (clock.elapsed() < timeoutMs) {
      if (engine().closed()) return false;
      if (engine().run.choiceState != 0) return true;
      if (waitsForPlayer()) {
        if (byKey)
          QTest::keyClick(&session_->window(), Qt::Key_Return);
        else
          QTest::mouseClick(pb(), Qt::LeftButton, {}, pb()->fromScene(QPoint(400, 300)));
        byKey = !byKey;
      }
      QTest::qWait(30);
    }
    return false;
  }

  static test::TempDir* folder_;
  static bool built_;
  test::TempDir saves_;
  std::unique_ptr<GameSession> session_;
};

test::TempDir* DemoTest::folder_ = nullptr;
bool DemoTest::built_ = false;

TEST_F(DemoTest, ClicksAndKeysReadToTheFirstChoiceAndAClickTakesIt) {
  ASSERT_TRUE(readToChoice(90000));
  ASSERT_EQ(engine().run.choiceState, kChoiceWindow);
  const ChoiceList& list = engine().script.choices;
  ASSERT_EQ(list.count, 2);
  auto text = [&](int i) {
    return sjisToUtf8(std::string(list.texts[static_cast<std::size_t>(i)].data()));
  };
  EXPECT_EQ(text(0), "海へ向かう");
  EXPECT_EQ(text(1), "町へ戻る");

  // The pointer onto the first choice lights it; a click there takes it once the
  // click that showed the list has settled.
  const std::optional<Point> first = choicePoint(engine(), 1);
  ASSERT_TRUE(first);
  const QPoint at = pb()->fromScene(QPoint(first->x, first->y));
  QTest::mouseMove(pb(), at);
  EXPECT_TRUE(QTest::qWaitFor([&] { return list.hovered == 1; }, 2000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return engine().run.clickDebounce == 0; }, 2000));
  QTest::mouseClick(pb(), Qt::LeftButton, {}, at);
  EXPECT_EQ(engine().run.choiceState, 0);
  // The line after "海へ向かう" runs: V001 counts the trip to the sea.
  EXPECT_TRUE(QTest::qWaitFor([&] { return engine().vars.val[1] == 1; }, 5000));
  EXPECT_EQ(engine().vars.val[2], 0);

  // The story goes on to its next wait; there the right-click menu turns auto on.
  ASSERT_TRUE(QTest::qWaitFor([&] { return waitsForPlayer(); }, 30000));
  bool gaveUp = false;
  whenShown<QMenu>(
      [&](QMenu* menu) {
        QAction* autoPlay = menuAction(menu, "オートプレイ");
        if (!autoPlay) {
          menu->close();
          return;
        }
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(autoPlay).center());
      },
      &gaveUp);
  QTest::mouseClick(pb(), Qt::RightButton, {}, pb()->fromScene(QPoint(300, 200)));
  EXPECT_FALSE(gaveUp);
  EXPECT_NE(engine().vars.sys[sys::kAutoSpeed], 0);
  EXPECT_FALSE(engine().closed());
}

TEST(SceneMapping, FitsTheSceneWithItsAspectKept) {
  struct Case {
    QSize area;
    QRect picture;
  };
  const Case cases[] = {
      {{800, 600}, {0, 0, 800, 600}},       {{1600, 1200}, {0, 0, 1600, 1200}},
      {{1000, 600}, {100, 0, 800, 600}},    {{800, 700}, {0, 50, 800, 600}},
      {{1920, 1080}, {240, 0, 1440, 1080}}, {{0, 600}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.area.width());
    EXPECT_EQ(fitScene(c.area), c.picture);
  }
}

TEST(SceneMapping, MapsWidgetPixelsToScenePixels) {
  struct Case {
    QRect picture;
    QPoint widget;
    QPoint scene;
  };
  const Case cases[] = {
      {{0, 0, 800, 600}, {0, 0}, {0, 0}},          // 1:1 is the identity
      {{0, 0, 800, 600}, {799, 599}, {799, 599}},  //
      {{240, 0, 1440, 1080}, {240, 0}, {0, 0}},    // scaled and letterboxed
      {{240, 0, 1440, 1080}, {1679, 1079}, {799, 599}},
      {{240, 0, 1440, 1080}, {960, 540}, {400, 300}},
      {{240, 0, 1440, 1080}, {239, 500}, {-1, 278}},  // on the bar: outside the scene
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.widget.x());
    EXPECT_EQ(widgetToScene(c.widget, c.picture), c.scene);
  }
  EXPECT_EQ(widgetToSceneClamped(QPoint(239, 500), QRect(240, 0, 1440, 1080)), QPoint(0, 278));
  EXPECT_EQ(widgetToSceneClamped(QPoint(5000, -3), QRect(240, 0, 1440, 1080)), QPoint(799, 0));
  // Enlarged, every scene pixel is reached by the widget pixel the shell warps to.
  for (QPoint s : {QPoint(0, 0), QPoint(399, 299), QPoint(799, 599), QPoint(123, 456)})
    EXPECT_EQ(widgetToScene(sceneToWidget(s, QRect(240, 0, 1440, 1080)), QRect(240, 0, 1440, 1080)),
              s);
}

TEST(KeyMapping, KeysAndCharacters) {
  EXPECT_EQ(gameKey(Qt::Key_Control)->key, Key::Ctrl);
  EXPECT_EQ(gameKey(Qt::Key_Backtab)->key, Key::Tab);
  EXPECT_EQ(gameKey(Qt::Key_Enter)->key, Key::Enter);
  EXPECT_EQ(gameKey(Qt::Key_F2)->key, Key::F2);
  EXPECT_EQ(gameKey(Qt::Key_Q)->letter, 'Q');
  EXPECT_FALSE(gameKey(Qt::Key_F5));

  struct Case {
    int key;
    Qt::KeyboardModifiers mods;
    const char* text;
    char ch;
  };
  const Case cases[] = {
      {Qt::Key_Return, Qt::NoModifier, "\r", '\r'},
      {Qt::Key_Backspace, Qt::NoModifier, "\b", '\b'},
      {Qt::Key_Escape, Qt::NoModifier, "\x1b", 0x1B},
      {Qt::Key_Space, Qt::NoModifier, " ", ' '},
      {Qt::Key_Z, Qt::NoModifier, "z", 'z'},
      {Qt::Key_Z, Qt::ShiftModifier, "Z", 'Z'},
      {Qt::Key_Z, Qt::NoModifier, "", 'z'},         // no text from the layout
      {Qt::Key_Z, Qt::ControlModifier, "\x1a", 0},  // Ctrl+Z is no letter
      {Qt::Key_Return, Qt::AltModifier, "\r", 0},   // Alt+Enter is the shell's
      {Qt::Key_1, Qt::NoModifier, "1", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    EXPECT_EQ(gameCharacter(c.key, c.mods, QString::fromLatin1(c.text)), c.ch);
  }
  EXPECT_TRUE(actsOnRepeat(Qt::Key_Up));
  EXPECT_TRUE(actsOnRepeat(Qt::Key_Down));
  for (int key : {Qt::Key_Return, Qt::Key_Z, Qt::Key_Space, Qt::Key_W, Qt::Key_Tab, Qt::Key_Shift})
    EXPECT_FALSE(actsOnRepeat(key)) << key;
  EXPECT_TRUE(isFullScreenToggle(Qt::Key_F11, Qt::NoModifier));
  EXPECT_TRUE(isFullScreenToggle(Qt::Key_Return, Qt::AltModifier));
  EXPECT_FALSE(isFullScreenToggle(Qt::Key_Return, Qt::NoModifier));
}

TEST(SingleInstance, SecondCopyEndsAtOnceWithCode1) {
  test::TempDir tmp;
  const QByteArray oldTmp = qgetenv("TMPDIR");
  const bool hadTmp = qEnvironmentVariableIsSet("TMPDIR");
  qputenv("TMPDIR", QByteArray::fromStdString(tmp.path()));
  const std::string lockPath = instanceLockPath();
  EXPECT_EQ(lockPath, tmp.file("TORVANENGINE.lock"));
  {
    QLockFile first(QString::fromStdString(lockPath));
    ASSERT_TRUE(first.tryLock(0));
    const int windowsBefore = static_cast<int>(QApplication::topLevelWidgets().size());
    char name[] = "torvan";
    char* argv[] = {name, nullptr};
    EXPECT_EQ(runQtShell(1, argv, EngineOptions{}), 1);
    EXPECT_EQ(static_cast<int>(QApplication::topLevelWidgets().size()), windowsBefore);
  }
  if (hadTmp)
    qputenv("TMPDIR", oldTmp);
  else
    qunsetenv("TMPDIR");
}

}  // namespace
}  // namespace torvan
