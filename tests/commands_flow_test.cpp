// Branches, choices, click maps and the game-state commands, run headless.
#include <gtest/gtest.h>

#include "core/settings_store.h"
#include "interpreter_support.h"
#include "script/interpreter.h"

namespace torvan {
namespace {

using test::Game;
using test::pageRow;
using test::play;
using test::stateOf;

std::int32_t val(const test::Run& r, int i) {
  return r.engine->vars.val[std::size_t(i)];
}

TEST(IfCommand, ActionsRunInTheSameLineOrJump) {
  struct Case {
    const char* line;
    int v1, v2, v3;
  };
  // V001 is 1; V002 marks the line after the "if ", V003 the label's line.
  const Case cases[] = {
      {"*if (V001=1) *go END", 1, 0, 1}, {"*if (V001=1) END", 1, 0, 1},
      {"*if (V001=2) *go END", 1, 1, 1}, {"*if (V001=1) !V001=5", 5, 1, 1},
      {"*if (V001=1 *go END", 1, 1, 1},  // no ")": a condition without an action
  };
  for (const Case& c : cases) {
    Game g;
    auto r =
        play(g, {{"main", std::string("!V001=1\n") + c.line + "\n!V002=1\n:END\n!V003=1\n=\n"}},
             "until-idle\n");
    EXPECT_EQ(val(r, 1), c.v1) << c.line;
    EXPECT_EQ(val(r, 2), c.v2) << c.line;
    EXPECT_EQ(val(r, 3), c.v3) << c.line;
  }
}

TEST(Cjmp, PicksTheAlternativeOrLeavesAfterTheBlock) {
  const char* body = "{\n!V010=1\n{\n!V011=1\n{\n!V012=1\n}\n!V020=1\n=\n";
  struct Case {
    const char* head;
    int taken;  // 10..12, or 0 for none
  };
  const Case cases[] = {{"!V002=5\n*cjmp V002\n", 0},
                        {"!V002=1\n*cjmp V002\n", 11},
                        {"*cjmp\n", 10},  // SYS 6: the player kept the default names
                        {"!S006=1\n*cjmp\n", 11}};
  for (const Case& c : cases) {
    Game g;
    auto r = play(g, {{"main", std::string(c.head) + body}}, "until-idle\n");
    for (int v = 10; v <= 12; ++v) EXPECT_EQ(val(r, v), v == c.taken ? 1 : 0) << c.head << v;
    EXPECT_EQ(val(r, 20), 1) << c.head;
  }
}

TEST(Switch, ConditionsDefaultsAndNamedBlocks) {
  struct Case {
    const char* source;
    int taken;
  };
  const Case cases[] = {
      {"!V001=2\n*switch\n{(V001=1)\n!V010=1\n{(V001=2)\n!V011=1\n{\n!V012=1\n}\n", 11},
      {"!V001=3\n*switch\n{(V001=1)\n!V010=1\n{(V001=2)\n!V011=1\n{\n!V012=1\n}\n", 12},
      {"!V001=3\n*switch\n{(V001=1)\n!V010=1\n{x\n!V011=1\n}\n", 0},
      {"!V001=1\n*switch sw\n{:sw(V001=1)\n!V010=1\n{:sw\n!V011=1\n}:sw\n", 10},
      {"!V001=2\n*switch sw\n{:sw(V001=1)\n!V010=1\n{:sw\n!V011=1\n}:sw\n", 11},
  };
  for (const Case& c : cases) {
    Game g;
    auto r = play(g, {{"main", std::string(c.source) + "!V020=1\n=\n"}}, "until-idle\n");
    for (int v = 10; v <= 12; ++v) EXPECT_EQ(val(r, v), v == c.taken ? 1 : 0) << c.source << v;
    EXPECT_EQ(val(r, 20), 1) << c.source;
  }
}

const char* kSelect =
    "*select\n{Yes\nyes text\n{(F005=1)Secret\nsecret text\n{$0\nname text\n}\n"
    "!V001=1\n=\n";

TEST(Select, ListsChoicesWithConditionsAndNames) {
  for (bool secret : {false, true}) {
    Game g;
    auto r = play(g, {{"main", std::string(secret ? "!F005=1\n" : "") + kSelect}}, "until-idle\n");
    QJsonObject s = stateOf(r);
    EXPECT_EQ(s["choiceState"].toInt(), 1);
    QJsonArray choices = s["choices"].toArray();
    ASSERT_EQ(choices.size(), secret ? 3 : 2);
    EXPECT_EQ(choices[0].toObject()["text"].toString(), "Yes");
    if (secret) {
      EXPECT_EQ(choices[1].toObject()["text"].toString(), "Secret");
    }
    EXPECT_EQ(choices.last().toObject()["text"].toString(), "蒼真");
    // The window: rows 45 pixels apart from 190 - 22 x n.
    QJsonArray area = choices[0].toObject()["area"].toArray();
    EXPECT_EQ(area[1].toInt(), 190 - 22 * choices.size());
  }
}

TEST(Select, TakingAChoiceRunsItsLinesAndSkipsTheOthers) {
  Game g;
  // Two choices: the window's rows start at y 146.
  auto r = play(g, {{"main", kSelect}}, "until-idle\nclick 400 150\nuntil-idle\n", "Delay=1\n");
  QJsonObject s = stateOf(r);
  EXPECT_EQ(s["choiceState"].toInt(), 0);
  EXPECT_EQ(s["waitMode"].toInt(), 2);
  EXPECT_EQ(val(r, 1), 1);
  EXPECT_EQ(pageRow(s, 1), "  yes text");
  EXPECT_EQ(pageRow(s, 2), "");
  EXPECT_EQ(s["sys"].toArray()[10].toInt(), 0);
}

TEST(Select, AClickOutsideTheWindowTakesNothingAndAnEmptyListWaits) {
  Game g;
  auto r = play(g, {{"main", kSelect}}, "until-idle\nclick 10 10\nwait 300\n");
  EXPECT_EQ(r.engine->run.choiceState, 1);
  Game g2;
  auto r2 = play(g2, {{"main", "*select\n}\n!V001=1\n"}}, "until-idle\nclick 400 190\nwait 300\n");
  EXPECT_EQ(r2.engine->run.choiceState, 1);
  EXPECT_EQ(r2.engine->script.choices.count, 0);
  EXPECT_EQ(val(r2, 1), 0);
}

TEST(Select, AtMost32ChoicesOf63Bytes) {
  std::string source = "*select\n";
  for (int i = 0; i < 33; ++i) source += "{" + std::string(70, char('a' + i % 26)) + "\n";
  source += "}\n";
  Game g;
  auto r = play(g, {{"main", source}}, "until-idle\n");
  QJsonArray choices = stateOf(r)["choices"].toArray();
  ASSERT_EQ(choices.size(), 32);
  EXPECT_EQ(choices[0].toObject()["text"].toString().size(), 63);
  EXPECT_NE(r.stderrText.find("more than 32"), std::string::npos);
}

TEST(Select, RecordedChoicesAreReplayed) {
  Game g;
  const char* source = "*rec\n*select\n{A\n!V001=V001+1\n{B\n!V002=V002+1\n}\n=\n";
  auto r = play(g, {{"main", source}}, "until-idle\nclick 400 200\nuntil-idle\n");
  Engine& e = *r.engine;
  ASSERT_EQ(val(r, 2), 1);
  EXPECT_EQ(e.vars.sys[151], 1);
  EXPECT_EQ(e.vars.sys[152], 1);
  EXPECT_EQ(e.script.record[0], 2);

  // Replaying: "rec" keeps the mode, the list takes the recorded choice by itself, and
  // recording resumes once the record is used up.
  e.vars.sys[151] = 2;
  ASSERT_TRUE(LoadScenario(e, "main", ScenarioTarget::Story));
  e.run.waitMode = 0;
  RunStep(e);
  RunStep(e);
  EXPECT_EQ(e.run.choiceState, 0);
  EXPECT_EQ(e.vars.val[2], 1);  // "rec" cleared VAL, then B ran again
  EXPECT_EQ(e.vars.val[1], 0);
  EXPECT_EQ(e.vars.sys[151], 1);
  EXPECT_EQ(e.vars.sys[152], 1);
  EXPECT_EQ(e.vars.sys[153], 1);
}

TEST(Clickmap, AreasFromTheMapScenarioWithConditionsAndLabels) {
  const char* map =
      ";maps\n:room\n3\n*door,100,100,200,200\nlamp,300,300,250,250\n"
      "#box,400,400,500,500,0,0,50,50\n";
  const char* main = "*clickmap room\n{\n!V001=1\n{(F001=1)\n!V002=1\n{Chest\n!V003=1\n}\n=\n";
  Game g;
  auto r = play(g, {{"main", main}, {"map", map}}, "until-idle\n");
  QJsonObject s = stateOf(r);
  EXPECT_EQ(s["choiceState"].toInt(), 4);
  QJsonArray c = s["choices"].toArray();
  ASSERT_EQ(c.size(), 3);
  EXPECT_EQ(c[1].toObject()["area"].toArray(), (QJsonArray{250, 250, 300, 300}));
  EXPECT_FALSE(c[1].toObject()["enabled"].toBool());
  // "lamp": 4 bytes of 8 pixels plus 32, centred in its area.
  EXPECT_EQ(c[1].toObject()["labelBox"].toArray(), (QJsonArray{243, 263, 307, 287}));
  EXPECT_EQ(c[2].toObject()["text"].toString(), "Chest");
  EXPECT_EQ(c[2].toObject()["labelBox"].toArray()[0].toInt(), 400 + (100 - 72) / 2);

  for (const char* click : {"click 150 150", "click 150 150 right", "click 275 275",
                            "click 100 150", "click 450 450"}) {
    Game g2;
    auto r2 = play(g2, {{"main", main}, {"map", map}},
                   std::string("until-idle\n") + click + "\nuntil-idle\n");
    const bool door = std::string(click).find("150 150") != std::string::npos;
    const bool chest = std::string(click).find("450") != std::string::npos;
    EXPECT_EQ(val(r2, 1), door ? 1 : 0) << click;  // strictly inside only
    EXPECT_EQ(val(r2, 2), 0) << click;             // disabled by its condition
    EXPECT_EQ(val(r2, 3), chest ? 1 : 0) << click;
  }
}

TEST(GameState, GetMaxGameinitTitleMusic) {
  Game g;
  auto r =
      play(g,
           {{"main",
             "!V002=3;V003=9;V004=-1;V005=-3;F001=1;T0005=1\n*get_max V001,V002,V003,V004\n"
             "*get_max V006,V004,V005\n!S190=V001;S191=V006\n*gameinit\n*title 第一章\n*music 3\n"
             "*music -200\n!V008=S005\n*spr a,b\n=\n"}},
           "until-idle\n");
  const Engine& e = *r.engine;
  EXPECT_EQ(e.vars.sys[190], 9);
  EXPECT_EQ(e.vars.sys[191], 0);  // the largest of 0 and the operands
  EXPECT_EQ(e.vars.val[1], 0);    // cleared by "gameinit", as the flags are
  EXPECT_FALSE(e.vars.flg.get(1));
  EXPECT_FALSE(e.vars.t.get(5));
  EXPECT_EQ(stateOf(r)["chapterTitle"].toString(), "第一章");
  EXPECT_EQ(e.vars.sys[3], 0);
  EXPECT_EQ(e.vars.sys[5], 0);
  EXPECT_EQ(fieldString(e.script.sprites), "a,b");
}

TEST(GameState, MarksStopSkippingAtUnreadText) {
  Game g;
  auto r = play(g, {{"main", "*mark 5\n*mark 80001\n!V001=1\n=\n"}}, "key ctrl down\nwait 300\n");
  const Engine& e = *r.engine;
  EXPECT_TRUE(e.vars.readMarks.get(5));
  EXPECT_EQ(e.run.skipState, 0);
  EXPECT_EQ(e.run.waitMode, 2);  // no longer skipped

  // Read before: skipping runs on through the "=" wait.
  Game g2;
  auto r2 = play(g2, {{"main", "*mark 5\n!V001=1\n=\n!V002=1\n=\n"}},
                 "wait 100\nkey ctrl down\nwait 300\n");
  EXPECT_EQ(r2.engine->run.skipState, 1);
  EXPECT_EQ(val(r2, 2), 1);
}

TEST(GameState, GameclrCountsInTheSiblingStore) {
  Game g;
  auto r = play(g, {{"main", "*gameclr\n*gameclr\n=\n"}}, "until-idle\n");
  EXPECT_EQ(r.engine->vars.sys[100], 2);
  EXPECT_TRUE(r.engine->vars.evr.get(999));
  SettingsStore lumo(SettingsStore::siblingFile(g.settingsFile()), "lumo");
  EXPECT_EQ(lumo.readInt("Clear", 0), 2);
}

TEST(GameState, ExitgameClosesAfterTheQuestion) {
  Game g;
  auto r = play(g, {{"main", "*exitgame\n=\n"}}, "answer ok\nwait 200\n");
  EXPECT_TRUE(r.engine->closed());
}

}  // namespace
}  // namespace torvan
