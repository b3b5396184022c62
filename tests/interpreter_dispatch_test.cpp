// Scenario storage, line dispatch, the text-output loop, labels, blocks and calls, run
// headless and checked through the state dump.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/archive_writer.h"
#include "interpreter_support.h"
#include "script/command_table.h"

namespace torvan {
namespace {

using test::Game;
using test::pageRow;
using test::play;
using test::scenarioOf;
using test::stateOf;

std::int32_t val(const test::Run& r, int i) {
  return r.engine->vars.val[std::size_t(i)];
}

TEST(CommandTable, EveryWordDispatchesToItselfAndArgumentsAreCut) {
  for (const Command& c : commandTable()) {
    CommandCall call;
    EXPECT_EQ(matchCommand(c.word, call), &c) << c.word << " is shadowed by an earlier word";
  }
  struct Case {
    const char* text;
    const char* word;  // nullptr: no command
    const char* argument;
  };
  const Case cases[] = {
      {"GRA bg01,1", "gra ", "bg01,1"},
      {"grb x", "grb ", "x"},
      {"gra", nullptr, ""},
      {"endless", "end", "ess"},
      {"exitgame", "exitgame", ""},
      {"exit", "exit", ""},
      {"recstart", "rec", "tart"},
      {"sleep 300", "sleep ", "300"},
      {"switch", "switch", ""},
      {"switch blk", "switch", "blk"},
      {"SeLoop SEH4", "seloop ", "SEH4"},
      {"nonsense", nullptr, ""},
      {"cjmp V002", "cjmp", "V002"},
  };
  for (const Case& c : cases) {
    CommandCall call;
    const Command* m = matchCommand(c.text, call);
    if (!c.word) {
      EXPECT_EQ(m, nullptr) << c.text;
      continue;
    }
    ASSERT_NE(m, nullptr) << c.text;
    EXPECT_STREQ(m->word, c.word) << c.text;
    EXPECT_EQ(call.argument, c.argument) << c.text;
  }
}

TEST(Dispatch, TextLinesAndEmptyLinesAdvanceTheRow) {
  Game g;
  auto r = play(g, {{"main", "abc\n\nxyz\n\\\n"}}, "until-idle\n", "Delay=1\n");
  QJsonObject s = stateOf(r);
  EXPECT_EQ(s["waitMode"].toInt(), 1);
  EXPECT_EQ(pageRow(s, 1), "  abc");
  EXPECT_EQ(pageRow(s, 2), "");
  EXPECT_EQ(pageRow(s, 3), "  xyz");
  ASSERT_FALSE(s["log"].toArray().isEmpty());
  EXPECT_EQ(s["log"].toArray()[0].toString(), "abc");
}

TEST(Dispatch, UnknownCommandsAndCommentsAreSkippedAndAssignmentsRun) {
  Game g;
  auto r = play(g, {{"main", "; comment\n*frobnicate 1\n@calc V001=2+3*4\n!V002=5 0;F010=1\n=\n"}},
                "until-idle\n");
  EXPECT_EQ(val(r, 1), 20);
  EXPECT_EQ(val(r, 2), 50);
  EXPECT_TRUE(r.engine->vars.flg.get(10));
  EXPECT_EQ(r.engine->run.waitMode, 2);
}

TEST(Dispatch, ScenarioInTheSecondArchiveWins) {
  Game g;
  g.addScripts({{"main", "!V001=1\n=\n"}});
  std::vector<ArchiveSource> second = {
      {"MAIN", Bytes{'!', 'V', '0', '0', '1', '=', '2', 0, '=', 0}}};
  ASSERT_TRUE(writeArchive(g.gameDir() + "/qz_data2.tvn", second, ArchiveLayout::Script).ok());
  auto r = test::runGame(g, "until-idle\n");
  EXPECT_EQ(val(r, 1), 2);
}

TEST(Labels, FirstOccurrenceWinsAndAMissingLabelFallsThrough) {
  Game g;
  auto r = play(
      g,
      {{"main", "*go L\n!V009=9\n:L\n!V001=V001+1\n*go NOWHERE\n!V002=1\n=\n:l\n!V001=V001+10\n"}},
      "until-idle\n");
  EXPECT_EQ(val(r, 1), 1);
  EXPECT_EQ(val(r, 9), 0);
  EXPECT_EQ(val(r, 2), 1);
  EXPECT_NE(r.stderrText.find("no label 'NOWHERE'"), std::string::npos);
}

TEST(Blocks, PlainAndNamedBlocksAreSkippedInNormalFlow) {
  Game g;
  auto r = play(g, {{"main", "{\n!V001=1\n}\n{:blk(cond\n!V002=1\n}:BLK\n!V003=1\n=\n"}},
                "until-idle\n");
  EXPECT_EQ(val(r, 1), 0);
  EXPECT_EQ(val(r, 2), 0);
  EXPECT_EQ(val(r, 3), 1);
}

TEST(Blocks, AMissingBlockEndEndsTheScenario) {
  Game g;
  auto r = play(g, {{"main", "{:nope\n!V001=1\n"}}, "until-idle 1000\n");
  EXPECT_EQ(val(r, 1), 0);
  EXPECT_TRUE(r.engine->storyStandsStill());
}

TEST(Calls, RunningOffACalledScenarioReturnsAfterTheCallLine) {
  Game g;
  g.setSettings("[KANOVELLA]\nPlayerName=sub3\n");
  auto r = play(g,
                {{"main",
                  "*go START\n:C\n!V008=8\n=\n:START\n*call sub\n!V003=V002+1\n*call sub2:B\n"
                  "*call $0\n*call nothere:C\n!V009=1\n=\n"},
                 {"sub", "!V002=5\n"},
                 {"sub2", ":A\n!V004=1\n:B\n!V005=1\n*end\n!V006=1\n"},
                 {"sub3", "!V007=7\n"}},
                "until-idle\n");
  EXPECT_EQ(val(r, 3), 6);
  EXPECT_EQ(val(r, 4), 0);
  EXPECT_EQ(val(r, 5), 1);
  EXPECT_EQ(val(r, 6), 0);
  EXPECT_EQ(val(r, 7), 7);
  // The label of a missing scenario is searched in the caller.
  EXPECT_EQ(val(r, 8), 8);
  EXPECT_EQ(val(r, 9), 0);
  QJsonObject sc = scenarioOf(stateOf(r));
  EXPECT_EQ(sc["current"].toString(), "main");
  EXPECT_EQ(sc["depth"].toInt(), 0);
}

TEST(Calls, ATenthNestedCallIsRefused) {
  test::Scripts scripts = {{"main", "*call c1\n!V200=1\n=\n"}};
  for (int n = 1; n <= 10; ++n)
    scripts.push_back(
        {"c" + std::to_string(n), "!V0" + std::string(n < 10 ? "0" : "") + std::to_string(n) +
                                      "=1\n*call c" + std::to_string(n + 1) + "\n!V1" +
                                      (n < 10 ? "0" : "") + std::to_string(n) + "=1\n"});
  Game g;
  auto r = play(g, scripts, "until-idle\n");
  for (int n = 1; n <= 9; ++n) {
    EXPECT_EQ(val(r, n), 1) << n;
    EXPECT_EQ(val(r, 100 + n), 1) << n;
  }
  EXPECT_EQ(val(r, 10), 0);
  EXPECT_EQ(val(r, 200), 1);
  EXPECT_NE(r.stderrText.find("refused"), std::string::npos);
  EXPECT_EQ(r.engine->script.currentName(), "main");
}

TEST(Guards, OverlongLinesAreCutAndOversizeScenariosRefused) {
  Game g;
  std::string big;
  while (big.size() <= 262144) big += ";" + std::string(1000, 'x') + "\n";
  auto r = play(
      g,
      {{"main", ";" + std::string(3000, 'a') + "\n!V001=1\n*call big\n!V002=1\n=\n"}, {"big", big}},
      "until-idle\n");
  EXPECT_EQ(val(r, 1), 1);
  EXPECT_EQ(val(r, 2), 1);
  EXPECT_EQ(r.engine->script.depth, 0);
  EXPECT_NE(r.stderrText.find("cut to 2047"), std::string::npos);
  EXPECT_NE(r.stderrText.find("not loaded"), std::string::npos);
}

TEST(TextOutput, NameSequenceInlineTagsAndRuby) {
  struct Case {
    const char* source;
    const char* row1;
  };
  const Case cases[] = {
      {"!F028=1\n＄０と＄２\n\\\n", "  へたれと"},
      {"＄０と\n\\\n", "  蒼真と"},
      {"!V001=-7\nA[?V001]B[zzz]C<ruby>D[$1]\n\\\n", "  A-7BCD蒼真"},
  };
  for (const Case& c : cases) {
    Game g;
    auto r = play(g, {{"main", c.source}}, "until-idle\n", "Delay=1\n");
    EXPECT_EQ(pageRow(stateOf(r), 1), QString(c.row1)) << c.source;
  }
}

TEST(TextOutput, ColourWideSpacingAndSpeakerName) {
  Game g;
  auto r = play(g, {{"main", ">＄１\n[col 9]あ[2]いう\n\\\n"}}, "until-idle\n", "Delay=1\n");
  const Engine& e = *r.engine;
  EXPECT_EQ(e.page.colours[1][2], 1);  // 9 & 7
  EXPECT_EQ(e.page.grid[1][4], 0x82);  // "い" after a 2-column advance...
  EXPECT_EQ(e.page.grid[1][7], 0x82);  // ...and "う" three columns later
  EXPECT_EQ(stateOf(r)["page"].toObject()["speaker"].toString(), "蒼真");
}

TEST(TextOutput, MarksInTextWaitClearOrWaitForALine) {
  struct Case {
    const char* source;
    int waitMode;
    bool pageCleared;
  };
  const Case cases[] = {
      {"ab▼cd\n!V001=1\n", 1, false},
      {"ab〓cd\n!V001=1\n", 2, false},
      {"ab▽cd\n=\n", 2, true},
  };
  for (const Case& c : cases) {
    Game g;
    auto r = play(g, {{"main", c.source}}, "until-idle\n", "Delay=1\n");
    QJsonObject s = stateOf(r);
    EXPECT_EQ(s["waitMode"].toInt(), c.waitMode) << c.source;
    EXPECT_EQ(pageRow(s, 1), c.pageCleared ? "" : "  ab") << c.source;
    EXPECT_EQ(val(r, 1), 0) << c.source;  // the rest of the line is dropped
  }
}

}  // namespace
}  // namespace torvan
