#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>
#include <filesystem>

#include "headless_support.h"

namespace torvan {
namespace {

using test::Game;
using test::runGame;

TEST(EventScript, ParsesEveryCommand) {
  auto r = parseEventScript(
      "# comment\n"
      "wait 250\n"
      "until-idle\n"
      "until-idle 500  # trailing comment\n"
      "click 10 20\n"
      "press 1 2 right\n"
      "release 3 4 left\n"
      "move 5 6\n"
      "wheel down\n"
      "key ctrl down\n"
      "key Z\n"
      "answer cancel\n"
      "menu ゲーム 終了\n"
      "screenshot a.png\n"
      "state s.json\n"
      "quit\n",
      "f");
  ASSERT_TRUE(r.ok()) << r.error().text();
  const auto& c = *r;
  ASSERT_EQ(c.size(), 15u);
  using K = EventCommand::Kind;
  EXPECT_EQ(c[0].kind, K::Wait);
  EXPECT_EQ(c[0].ms, 250);
  EXPECT_EQ(c[1].ms, 60000);
  EXPECT_EQ(c[2].ms, 500);
  EXPECT_EQ(c[3].at.x, 10);
  EXPECT_EQ(c[4].button, MouseButton::Right);
  EXPECT_EQ(c[7].wheel, -1);
  EXPECT_EQ(c[8].key.key, Key::Ctrl);
  EXPECT_EQ(c[8].keyAction, EventCommand::KeyAction::Down);
  EXPECT_EQ(c[9].key.letter, 'Z');
  EXPECT_EQ(c[10].answer, MessageAnswer::Cancel);
  EXPECT_EQ(c[11].text, "ゲーム 終了");
  EXPECT_EQ(c[12].text, "a.png");
  EXPECT_EQ(c[14].kind, K::Quit);
}

TEST(EventScript, BadLinesNameTheLine) {
  const char* bad[] = {"wait\n",           "wait x\n",    "click 1\n",    "click 1 2 middle\n",
                       "wheel sideways\n", "key hyper\n", "key a left\n", "answer maybe\n",
                       "menu\n",           "state\n",     "jump 3\n"};
  for (const char* line : bad) {
    auto r = parseEventScript(std::string("wait 1\n") + line, "ev.txt");
    ASSERT_FALSE(r.ok()) << line;
    EXPECT_EQ(r.error().file, "ev.txt");
    EXPECT_EQ(r.error().entry, "line 2") << line;
  }
}

TEST(VirtualClock, IdlePassesAndTimerTicksKeepTheirPeriods) {
  Game g;
  g.addScripts({{"main", "end\n"}});
  auto r = runGame(g, "wait 1100\n");
  // 1100 ms: 20 ticks of 55 ms; idle passes every 30 ms from time 0.
  EXPECT_EQ(r.engine->run.tick, 20);
  EXPECT_EQ(r.engine->run.frame, 1100 / 30 + 1);
  EXPECT_EQ(r.engine->host.tickCount(), 1100);
}

TEST(VirtualClock, AutoModePacesPassesByItsSpeed) {
  Game g;
  g.addScripts({{"main", "end\n"}});
  auto r = runGame(g, "wait 10\n");
  Engine& e = *r.engine;
  e.vars.sys[26] = 10;  // 5 x 10 + 15 = 65 ms a pass
  std::int64_t t = e.host.tickCount();
  EXPECT_EQ(e.idlePass(), t + 65);
  e.vars.sys[26] = 0;
  EXPECT_EQ(e.idlePass(), t + 30);
}

TEST(StateDump, HoldsTheDocumentedMembers) {
  Game g;
  g.addScripts({{"main", "end\n"}});
  std::string file = g.dir.file("state.json");
  auto r = runGame(g, "wait 200\nstate " + file + "\n");
  QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(test::readText(file))).object();
  for (const char* key : {"gameMode",
                          "waitMode",
                          "waitTicks",
                          "sleepTicks",
                          "voiceWait",
                          "choiceState",
                          "skipState",
                          "busy",
                          "interpreterEnabled",
                          "quit",
                          "autoCountdown",
                          "charsOnPage",
                          "textSkip",
                          "nextLine",
                          "frame",
                          "tick",
                          "clockMs",
                          "scenario",
                          "sys",
                          "val",
                          "flg",
                          "evr",
                          "t",
                          "g",
                          "strings",
                          "page",
                          "choices",
                          "music",
                          "lastVoice",
                          "loopSe",
                          "sounds",
                          "messages"})
    EXPECT_TRUE(o.contains(key)) << key;
  EXPECT_EQ(o["sys"].toArray().size(), 200);
  EXPECT_EQ(o["val"].toArray().size(), 1000);
  EXPECT_EQ(o["g"].toArray().size(), 10);
  EXPECT_EQ(o["clockMs"].toInt(), 200);
  EXPECT_EQ(o["strings"].toArray()[0].toString(), QString("蒼真"));
  QJsonObject page = o["page"].toObject();
  ASSERT_EQ(page["rows"].toArray().size(), 20);
  EXPECT_EQ(page["rows"].toArray()[0].toString(), QString(100, ' '));
  EXPECT_EQ(o["scenario"].toObject()["current"].toString(), QString("main"));
}

// The player program itself: options, the final dump after a start-up message, exit code.
TEST(PlayerProgram, FinalStateIsWrittenHoweverTheRunEnds) {
  test::TempDir dir;
  std::string game = dir.file("game");
  std::filesystem::create_directories(game);
  std::string state = dir.file("final.json");
  std::string cmd = std::string(TORVAN_PLAYER) + " --headless --game " + game + " --save-dir " +
                    dir.file("save") + " --settings " + dir.file("HOLVA.ini") +
                    " --seed 7 --final-state " + state + " 2>/dev/null";
  EXPECT_EQ(std::system(cmd.c_str()), 0);
  QJsonObject o =
      QJsonDocument::fromJson(QByteArray::fromStdString(test::readText(state))).object();
  QJsonArray messages = o["messages"].toArray();
  ASSERT_EQ(messages.size(), 1);
  EXPECT_EQ(messages[0].toObject()["caption"].toString(), QString("Error!"));
  EXPECT_EQ(messages[0].toObject()["text"].toString(), QString("ゲームデータを読み込めません。"));
  EXPECT_TRUE(o["quit"].toBool());

  std::string badOption = std::string(TORVAN_PLAYER) + " --headless --frobnicate 2>/dev/null";
  EXPECT_EQ(WEXITSTATUS(std::system(badOption.c_str())), 2);
}

}  // namespace
}  // namespace torvan
