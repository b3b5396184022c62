#include <gtest/gtest.h>

#include <filesystem>

#include "core/sjis.h"
#include "headless_support.h"

namespace torvan {
namespace {

using test::Game;
using test::runGame;

bool hasMessage(const Engine& e, const std::string& caption, const std::string& text) {
  for (const MessageRecord& m : e.messages)
    if (m.caption == caption && m.text == text) return true;
  return false;
}

TEST(StartUp, MissingMainArchiveShowsErrorAndEnds) {
  Game g;
  auto r = runGame(g, "wait 5000\n");
  EXPECT_TRUE(hasMessage(*r.engine, "Error!", "ゲームデータを読み込めません。"));
  EXPECT_TRUE(r.engine->closed());
  EXPECT_EQ(r.exitCode, 0);
  // It closed at the first idle pass, long before the events ran out.
  EXPECT_LT(r.engine->run.frame, 3);
}

TEST(StartUp, SetupNotRunShowsWarningAndNeverStartsTheStory) {
  Game g;
  g.addScripts({{"main", "テキスト\n\\\n"}});
  g.setSettings("[KANOVELLA]\nGameDir=NULL\n");
  auto r = runGame(g, "wait 1000\n");
  EXPECT_TRUE(hasMessage(*r.engine, "Warning", "先にセットアップを実行してください。"));
  EXPECT_TRUE(r.engine->closed());
  EXPECT_FALSE(r.engine->script.loaded);
}

TEST(StartUp, StateGroupsTakeTheirInitialValues) {
  Game g;
  g.addScripts({{"main", "end\n"}});
  g.setSettings("[KANOVELLA]\nClear=4\nGV03=-12\nPlayerName2=千早\n");
  auto r = runGame(g, "wait 100\n");
  const Engine& e = *r.engine;
  EXPECT_TRUE(e.messages.empty());
  const auto& sys = e.vars.sys;
  EXPECT_EQ(sys[0], 3);
  EXPECT_EQ(sys[8], 8);
  EXPECT_EQ(sys[20], 250);
  EXPECT_EQ(sys[21], 550);
  EXPECT_EQ(sys[27], 5);
  EXPECT_EQ(sys[100], 4);
  const std::int32_t positions[] = {400, 250, 550, 200, 400, 600, 100, 300, 500, 700};
  for (int i = 0; i < 10; ++i) EXPECT_EQ(sys[80 + i], positions[i]) << i;
  EXPECT_EQ(e.vars.g[3], -12);
  EXPECT_EQ(e.vars.string(0), *utf8ToSjis("蒼真"));
  EXPECT_EQ(e.vars.string(1), *utf8ToSjis("千早"));
  EXPECT_FALSE(e.page.windowShown);
  EXPECT_EQ(e.surfaces.screen.width, 800);
  EXPECT_EQ(e.surfaces.sprites[9].width, 200);
  EXPECT_EQ(e.script.scenario.size(), 262144u);
  EXPECT_EQ(e.script.currentName(), "main");
  EXPECT_EQ(e.archives.script[0].names.size(), 1u);
  // Menu level 3 leaves only quitting and the settings on the tool strip; the settings
  // button stays greyed while there is no configuration dialog behind it.
  EXPECT_TRUE(e.toolStripRules().quit);
  EXPECT_TRUE(e.toolStripRules().settings);
  EXPECT_FALSE(e.toolStripRules().load);
  EXPECT_FALSE(e.toolStripRules().save);
  EXPECT_TRUE(r.host->toolStrip().quit);
  EXPECT_FALSE(r.host->toolStrip().settings);
}

TEST(StartUp, MissingPlaylistsFileIsCreatedZeroFilled) {
  Game g;
  g.addScripts({{"main", "end\n"}});
  runGame(g, "wait 10\n");
  Bytes kaiso = test::readBytes(g.saveDir() + "/kaiso.dat");
  ASSERT_EQ(kaiso.size(), 2640u);
  for (std::uint8_t b : kaiso) ASSERT_EQ(b, 0);
}

TEST(StartUp, ExistingPlaylistsAreReadNotReplaced) {
  Game g;
  g.addScripts({{"main", "end\n"}});
  Bytes kaiso(2640, 0);
  kaiso[4] = 7;            // slot 0, entry 1
  kaiso[2000 + 64] = 'A';  // name of slot 1
  test::writeBytes(g.saveDir() + "/kaiso.dat", kaiso);
  auto r = runGame(g, "wait 10\n");
  EXPECT_EQ(r.engine->playlists.entries[0][1], 7);
  EXPECT_EQ(r.engine->playlists.names[1][0], 'A');
  EXPECT_EQ(test::readBytes(g.saveDir() + "/kaiso.dat"), kaiso);
}

TEST(StartUp, FullScreenSettingEntersFullScreen) {
  Game g;
  g.addScripts({{"main", "end\n"}});
  g.setSettings("[KANOVELLA]\nSMode=1\n");
  std::string state = g.dir.file("state.json");
  auto r = runGame(g, "wait 100\nstate " + state + "\n");
  EXPECT_NE(test::readText(state).find("\"fullScreen\": 1"), std::string::npos);
  EXPECT_FALSE(r.host->fullScreen());  // left again when the window went away
}

TEST(Closing, QuestionDecidesAndCancelKeepsPlaying) {
  Game g;
  g.addScripts({{"main", "end\n"}});
  auto r = runGame(g,
                   "wait 100\n"
                   "answer cancel\n"
                   "quit\n"
                   "wait 100\n");
  EXPECT_FALSE(r.engine->closed());
  EXPECT_EQ(r.engine->run.interpreterEnabled, 1);

  auto closed = runGame(g, "wait 100\nquit\nanswer ok\nwait 100\n");
  EXPECT_TRUE(closed.engine->closed());
  EXPECT_EQ(closed.engine->run.cutRequest, 1);
  EXPECT_TRUE(hasMessage(*closed.engine, "確認", "ゲームを終了しますか？"));
}

TEST(Closing, QuitMenuOfTheToolStrip) {
  Game g;
  g.addScripts({{"main", "end\n"}});
  auto r = runGame(g, "wait 100\nmenu 終了\nmenu ゲーム終了\nanswer ok\nwait 1000\n");
  EXPECT_TRUE(r.engine->closed());
  EXPECT_LT(r.engine->host.tickCount(), 1000);
}

TEST(Closing, CloseDuringACuttableSequenceIsDeferred) {
  Game g;
  g.addScripts({{"main", "end\n"}});
  auto r = runGame(g, "wait 10\n");
  Engine& e = *r.engine;
  e.run.cutAllowed = 1;
  e.run.busy = 1;
  EXPECT_FALSE(e.formCloseQuery());
  EXPECT_EQ(e.run.cutRequest, 2);
  e.run.cutAllowed = 0;
  EXPECT_FALSE(e.formCloseQuery());  // busy: refused without a question
  e.run.quit = true;
  EXPECT_TRUE(e.formCloseQuery());
}

}  // namespace
}  // namespace torvan
