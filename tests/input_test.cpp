// The story's own input on the headless host: swapped modifier keys, the right-click
// actions and their menu, the letter keys, and walking a choice list with Up and Down.
#include <gtest/gtest.h>

#include "interpreter_support.h"
#include "script/choices.h"

namespace torvan {
namespace {

using test::Game;
using test::pageRow;
using test::play;
using test::stateOf;

// One page waiting for a click, in window style 1, with hiding the window allowed.
constexpr const char* kPage = "!S051=1\n!S028=1\n>A\nabc\n\\\n!V001=1\ndef\n\\\n=\n";

TEST(StoryInput, EdgeCasesOfClicksAndModifierKeys) {
  struct Case {
    const char* name;
    const char* settings;
    const char* script;
    const char* events;
    int autoSpeed;
    int skipState;
  };
  const Case cases[] = {
      // Swapped: Shift held skips, Ctrl toggles auto.
      {"swapped shift skips", "CS_SWAP=1\n", kPage, "key shift down\n", 0, 1},
      {"swapped ctrl toggles auto", "CS_SWAP=1\n", kPage, "key ctrl\n", 5, 0},
      {"swapped shift released stops", "CS_SWAP=1\n", kPage, "key shift down\nkey shift up\n", 0,
       0},
      // Right-click mode 2 starts skipping, a left click stops it again.
      {"rc mode 2 skips", "RC_MODE=2\n", kPage, "click 400 300 right\n", 0, 1},
      {"rc mode 2 then left click", "RC_MODE=2\n", kPage, "click 400 300 right\nclick 400 300\n", 0,
       0},
      {"rc mode 3 starts auto", "RC_MODE=3\n", kPage, "click 400 300 right\n", 5, 0},
      // The auto bar: the ends of the band give the slowest and the fastest speed, above
      // and below it one step.
      {"auto bar top", "", "!S026=5\n!S051=1\n>A\nabc\n\\\n", "click 760 444\n", 1, 0},
      {"auto bar bottom", "", "!S026=5\n!S051=1\n>A\nabc\n\\\n", "click 760 533\n", 10, 0},
      {"auto bar above", "", "!S026=5\n!S051=1\n>A\nabc\n\\\n", "click 760 441\n", 4, 0},
      {"auto bar below", "", "!S026=5\n!S051=1\n>A\nabc\n\\\n", "click 760 536\n", 6, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Game g;
    auto r = play(g, {{"main", c.script}}, std::string("until-idle\n") + c.events,
                  std::string("Delay=1\n") + c.settings);
    EXPECT_EQ(r.engine->vars.sys[sys::kAutoSpeed], c.autoSpeed);
    EXPECT_EQ(r.engine->run.skipState, c.skipState);
    EXPECT_EQ(r.engine->vars.val[1], 0);  // none of them turned the page
  }
}

TEST(StoryInput, PanicModeAndTheWheelLeaveTheStoryAsItIs) {
  // The panic screen and the screens the wheel opens do not exist: nothing may change,
  // and above all the page wait must hold.
  Game g;
  auto r = play(g, {{"main", kPage}}, "until-idle\nclick 400 300 right\nwheel up\nwheel down\n",
                "Delay=1\nRC_MODE=4\n");
  EXPECT_EQ(r.engine->run.gameMode, kStory);
  EXPECT_EQ(r.engine->run.waitMode, 1);
  EXPECT_EQ(r.engine->vars.val[1], 0);
  EXPECT_TRUE(r.host->menusShown().empty());
}

std::vector<std::string> captions(const std::vector<MenuItem>& items) {
  std::vector<std::string> out;
  for (const MenuItem& i : items) out.push_back(i.caption);
  return out;
}

const MenuItem& item(const std::vector<MenuItem>& items, const std::string& caption) {
  for (const MenuItem& i : items)
    if (i.caption == caption) return i;
  static const MenuItem none;
  ADD_FAILURE() << "no item " << caption;
  return none;
}

TEST(RightClickMenu, OffersEveryItemAtThePointerAndOnlyWorkingOnesEnabled) {
  Game g;
  auto r = play(g, {{"main", kPage}}, "until-idle\nclick 100 200 right\nkey x\nkey tab\n",
                "Delay=1\nLeft=30\nTop=40\n");
  const auto& menus = r.host->menusShown();
  ASSERT_EQ(menus.size(), 3u);  // right click, "X" and Tab
  const auto& items = menus[0].items;
  EXPECT_EQ(captions(items),
            (std::vector<std::string>{
                "オートプレイ", "メッセージスキップ", "バックログ", "テキストウィンドウ消去",
                "直前の音声を再生", "クイックロード", "クイックセーブ", "ロード", "セーブ",
                "ボタン表示", "設定", "シーン設定", "タイトルへ戻る", "ゲーム終了"}));
  for (const MenuItem& i : items) {
    SCOPED_TRACE(i.caption);
    const bool working = i.caption == "オートプレイ" || i.caption == "メッセージスキップ" ||
                         i.caption == "テキストウィンドウ消去" || i.caption == "直前の音声を再生" ||
                         i.caption == "ボタン表示" || i.caption == "ゲーム終了";
    EXPECT_EQ(i.enabled, working);
    EXPECT_TRUE(i.visible);
    EXPECT_EQ(i.checkable, i.caption == "ボタン表示");
  }
  EXPECT_TRUE(item(items, "ボタン表示").checked);  // SYS 53 is 0: the buttons show
  // 16 pixels right of the pointer, on a headless window at Left/Top.
  EXPECT_EQ(menus[0].at.x, 30 + 100 + 16);
  EXPECT_EQ(menus[0].at.y, 40 + 200);
  EXPECT_FALSE(r.engine->run.popupOpen);
  // Nothing was chosen: the page still waits.
  EXPECT_EQ(r.engine->vars.val[1], 0);

  // Without permission to hide the window its item cannot be chosen.
  Game g2;
  auto r2 = play(g2, {{"main", ">A\nabc\n\\\n"}}, "until-idle\nclick 5 5 right\n", "Delay=1\n");
  ASSERT_EQ(r2.host->menusShown().size(), 1u);
  EXPECT_FALSE(item(r2.host->menusShown()[0].items, "テキストウィンドウ消去").enabled);
}

TEST(RightClickMenu, ChosenItemsAct) {
  struct Case {
    const char* item;
    int autoSpeed;
    int skipState;
    int gameMode;
  };
  const Case cases[] = {
      {"オートプレイ", 5, 0, kStory},
      {"メッセージスキップ", 0, 1, kStory},
      {"テキストウィンドウ消去", 0, 0, kWindowHidden},
      {"バックログ", 0, 0, kStory},  // disabled: choosing it does nothing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item);
    Game g;
    auto r = play(g, {{"main", kPage}},
                  std::string("until-idle\nclick 5 5 right\nmenu ") + c.item + "\n", "Delay=1\n");
    EXPECT_EQ(r.engine->vars.sys[sys::kAutoSpeed], c.autoSpeed);
    EXPECT_EQ(r.engine->run.skipState, c.skipState);
    EXPECT_EQ(r.engine->run.gameMode, c.gameMode);
    EXPECT_EQ(r.engine->vars.val[1], 0);
    EXPECT_FALSE(r.engine->run.popupOpen);
  }
}

TEST(RightClickMenu, ButtonDisplayTogglesSys53AndItsCheck) {
  Game g;
  auto r = play(g, {{"main", kPage}},
                "until-idle\nclick 5 5 right\nmenu ボタン表示\nclick 5 5 right\n", "Delay=1\n");
  EXPECT_EQ(r.engine->vars.sys[sys::kButtonsHidden], 1);
  const auto& menus = r.host->menusShown();
  ASSERT_EQ(menus.size(), 2u);
  EXPECT_FALSE(item(menus[1].items, "ボタン表示").checked);

  Game g2;
  auto r2 = play(g2, {{"main", kPage}},
                 "until-idle\nclick 5 5 right\nmenu ボタン表示\nclick 5 5 right\nmenu ボタン表示\n",
                 "Delay=1\n");
  EXPECT_EQ(r2.engine->vars.sys[sys::kButtonsHidden], 0);
}

TEST(RightClickMenu, GameEndAsksAndCloses) {
  Game g;
  auto r = play(g, {{"main", kPage}}, "until-idle\nclick 5 5 right\nmenu ゲーム終了\nanswer ok\n",
                "Delay=1\n");
  EXPECT_TRUE(r.engine->closed());
  ASSERT_FALSE(r.engine->messages.empty());
  EXPECT_EQ(r.engine->messages.back().text, "ゲームを終了しますか？");
}

TEST(QuitMenu, SitsUnderTheStripButton) {
  Game g;
  auto r = play(g, {{"main", kPage}}, "until-idle\nmenu 終了\n", "Delay=1\nLeft=30\nTop=40\n");
  ASSERT_EQ(r.host->menusShown().size(), 1u);
  EXPECT_EQ(r.host->menusShown()[0].at.x, 30);
  EXPECT_EQ(r.host->menusShown()[0].at.y, 40 - 3);
}

TEST(LetterKeys, WHidesAndRestoresTheWindowInEitherCase) {
  Game g;
  auto r = play(g, {{"main", kPage}}, "until-idle\nkey w\n", "Delay=1\n");
  Engine& e = *r.engine;
  EXPECT_EQ(e.run.gameMode, kWindowHidden);
  e.keyPress('W');
  EXPECT_EQ(e.run.gameMode, kStory);
  EXPECT_EQ(e.vars.val[1], 0);  // restoring did not turn the page
  e.keyPress('W');
  EXPECT_EQ(e.run.gameMode, kWindowHidden);

  // Not while the script forbids hiding, nor while a sequence may be cut.
  Game g2;
  auto r2 = play(g2, {{"main", ">A\nabc\n\\\n"}}, "until-idle\nkey w\n", "Delay=1\n");
  EXPECT_EQ(r2.engine->run.gameMode, kStory);
  e.keyPress('w');
  e.run.cutAllowed = 1;
  e.keyPress('w');
  EXPECT_EQ(e.run.gameMode, kStory);
}

TEST(LetterKeys, LoadSaveAndQuickSaveDoNothingYet) {
  Game g;
  auto r = play(g, {{"main", "!S000=0\n" + std::string(kPage)}},
                "until-idle\nkey l\nkey s\nkey q\nkey L\n", "Delay=1\n");
  EXPECT_EQ(r.engine->run.gameMode, kStory);
  EXPECT_EQ(r.engine->run.waitMode, 1);
  EXPECT_EQ(r.engine->run.busy, 0);
  EXPECT_TRUE(r.host->menusShown().empty());
}

// Three choices in the choice window; each takes V001.
constexpr const char* kThreeChoices = "*select\n{あ\n!V001=1\n{い\n!V001=2\n{う\n!V001=3\n}\n=\n";

TEST(ChoiceKeys, UpAndDownWarpThePointerOntoTheChoices) {
  Game g;
  auto r = play(g, {{"main", kThreeChoices}}, "until-idle\nmove 5 5\n");
  Engine& e = *r.engine;
  ASSERT_EQ(e.run.choiceState, kChoiceWindow);
  const ChoiceList& list = e.script.choices;
  const int x = list.left + list.width - 7;
  auto rowY = [&](int row) { return list.top + 31 + 42 * row; };

  struct Step {
    Key key;
    int hovered;  // 1-based
  };
  // Nothing hovered: Down goes to the last, Up to the first; both stop at the ends.
  const Step steps[] = {{Key::Down, 3}, {Key::Down, 3}, {Key::Up, 2},
                        {Key::Up, 1},   {Key::Up, 1},   {Key::Down, 2}};
  for (const Step& s : steps) {
    e.keyDown({s.key});
    EXPECT_EQ(list.hovered, s.hovered);
    EXPECT_EQ(e.host.cursorPos().x, x);
    EXPECT_EQ(e.host.cursorPos().y, rowY(s.hovered - 1));
  }
  e.mouseMove({5, 5});
  e.keyDown({Key::Up});
  EXPECT_EQ(list.hovered, 1);

  // Enter then takes the choice the pointer is on.
  e.run.clickDebounce = 0;
  e.keyDown({Key::Down});
  e.keyPress('\r');
  EXPECT_EQ(e.run.choiceState, 0);
  e.idlePass();
  EXPECT_EQ(e.vars.val[1], 2);
}

TEST(ChoiceKeys, DownReachesRowsPastTheFourteenth) {
  std::string script = "*select\n";
  for (int i = 1; i <= 16; ++i)
    script += "{c" + std::to_string(i) + "\n!V001=" + std::to_string(i) + "\n";
  script += "}\n=\n";
  Game g;
  auto r = play(g, {{"main", script}}, "until-idle\n");
  Engine& e = *r.engine;
  ASSERT_EQ(e.script.choices.count, 16);
  e.keyDown({Key::Up});
  for (int expected = 2; expected <= 16; ++expected) {
    e.keyDown({Key::Down});
    ASSERT_EQ(e.script.choices.hovered, expected);
  }
}

TEST(ChoiceKeys, UpAndDownOutsideAChoiceListLeaveThePointer) {
  Game g;
  auto r = play(g, {{"main", kPage}}, "until-idle\nmove 50 60\nkey down\nkey up\n", "Delay=1\n");
  EXPECT_EQ(r.host->cursorPos().x, 50);
  EXPECT_EQ(r.host->cursorPos().y, 60);
}

}  // namespace
}  // namespace torvan
