#include "text/page_text.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <memory>
#include <string>

#include "core/engine.h"
#include "core/sjis.h"
#include "core/state_dump.h"
#include "platform/headless/headless_host.h"

namespace torvan {
namespace {

std::string sjis(const std::string& utf8) {
  auto r = utf8ToSjis(utf8);
  EXPECT_TRUE(r.ok());
  return r.ok() ? *r : std::string();
}

class PageTextTest : public ::testing::Test {
 protected:
  PageTextTest()
      : host(HeadlessOptions{}), engine(std::make_unique<Engine>(host, EngineOptions{})) {}

  // Puts and logs every character of a UTF-8 text, as the text-output loop does.
  void put(const std::string& utf8) {
    std::string s = sjis(utf8);
    for (std::size_t i = 0; i < s.size();) {
      std::size_t len = isSjisLead(static_cast<unsigned char>(s[i])) ? 2 : 1;
      std::string_view ch(s.data() + i, len);
      PutChar(*engine, ch);
      LogChar(*engine, ch);
      i += len;
    }
  }

  void fullScreen(bool on) { engine->vars.sys[150] = on ? 1 : 0; }

  // The UTF-8 text recorded at (row, column) for a character of the given width.
  std::string at(int row, int column, int width = 2) const {
    const auto& r = engine->page.grid[std::size_t(row)];
    return sjisToUtf8(
        std::string(reinterpret_cast<const char*>(&r[std::size_t(column)]), std::size_t(width)));
  }
  std::string rowText(int row) const {
    std::string out;
    for (std::uint8_t c : engine->page.grid[std::size_t(row)])
      if (c) out += char(c);
    return sjisToUtf8(out);
  }

  HeadlessHost host;
  std::unique_ptr<Engine> engine;
};

TEST_F(PageTextTest, WindowStyleStartsOnRowOneIndentedUnlessOpenedByABracket) {
  struct Case {
    std::string first;
    int column;
  };
  const Case cases[] = {{"あ", 2}, {"A", 2}, {"」", 2}, {"「", 0}, {"（", 0}};
  for (const Case& c : cases) {
    NewPage(*engine);
    put(c.first);
    EXPECT_EQ(engine->page.row, 1) << c.first;
    EXPECT_EQ(at(1, c.column, int(sjis(c.first).size())), c.first) << c.first;
    EXPECT_EQ(engine->page.cellX, 48 + 16 * c.column) << c.first;
    EXPECT_EQ(engine->page.cellY, 432 + 41) << c.first;
  }
}

TEST_F(PageTextTest, WindowStyleWrapsPastColumn41WithLineStartExceptions) {
  // Twenty full-width characters fill columns 2..41; the cursor then stands at 42.
  const std::string row20 = "ああああああああああああああああああああ";
  struct Case {
    std::string prefix;  // leaves the cursor at the column named
    int column;
    std::string next;
    bool staysOnRow;
  };
  const Case cases[] = {
      {row20, 42, "」", true},
      {row20, 42, "。", true},
      {row20, 42, "】", true},
      {row20, 42, "い", false},
      {row20, 42, "a", false},
      {row20, 42, "「", false},
      {std::string(39, 'a') + "あ", 43, "」", true},
      {std::string(39, 'a') + "あ", 43, "い", false},
      {row20 + "」", 44, "」", false},
      {row20 + "、", 44, "！", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.next + " at column " + std::to_string(c.column));
    NewPage(*engine);
    engine->log.clear();
    put(c.prefix);
    ASSERT_EQ(engine->page.column, c.column);
    ASSERT_EQ(engine->page.row, 1);
    put(c.next);
    if (c.staysOnRow) {
      EXPECT_EQ(engine->page.row, 1);
      EXPECT_EQ(at(1, c.column), c.next);
      EXPECT_EQ(engine->log.count, 0);
    } else {
      EXPECT_EQ(engine->page.row, 2);
      // The new row is indented unless the character opens a quotation.
      int column = c.next == "「" ? 0 : 2;
      EXPECT_EQ(at(2, column, int(sjis(c.next).size())), c.next);
      // The wrap ended the log line: the log holds the rows as they stand on the page.
      ASSERT_EQ(engine->log.count, 1);
      EXPECT_EQ(sjisToUtf8(engine->log.line(0)), rowText(1));
      EXPECT_EQ(sjisToUtf8(engine->log.pendingText()), c.next);
    }
  }
}

TEST_F(PageTextTest, WideSpacingPutsCharactersThreeColumnsApart) {
  NewPage(*engine);
  engine->page.wideSpacing = true;
  put("あ");
  const int x1 = engine->page.cellX;
  put("い");
  EXPECT_EQ(engine->page.cellX - x1, 48);
  put("a");
  EXPECT_EQ(engine->page.column, 11);
  EXPECT_EQ(at(1, 5), "い");

  // Full-screen text ignores wide spacing.
  NewPage(*engine);
  fullScreen(true);
  engine->page.wideSpacing = true;
  put("あい");
  EXPECT_EQ(engine->page.column, 4);
}

TEST_F(PageTextTest, FullScreenStyleUsesRowZeroNoIndentAndWrapsPast37) {
  fullScreen(true);
  NewPage(*engine);
  put("あ");
  EXPECT_EQ(engine->page.row, 0);
  EXPECT_EQ(at(0, 0), "あ");
  EXPECT_EQ(engine->page.cellX, 32);
  EXPECT_EQ(engine->page.cellY, 32);
  put("いいいいいいいいいいいいいいいいいい");  // 19 characters in all: cursor at 38
  ASSERT_EQ(engine->page.column, 38);
  put("」");  // an exception up to column 39
  EXPECT_EQ(engine->page.row, 0);
  put("う");
  EXPECT_EQ(engine->page.row, 1);
  EXPECT_EQ(at(1, 0), "う");
  EXPECT_EQ(engine->page.cellX, 32);
  EXPECT_EQ(engine->page.cellY, 32 + 36);
}

TEST_F(PageTextTest, ColoursCountsAndNewPage) {
  NewPage(*engine);
  EXPECT_TRUE(engine->page.windowShown);
  EXPECT_EQ(engine->page.windowState, 1);
  engine->page.colour = 9;  // only the low three bits select a colour
  put("あb");
  EXPECT_EQ(engine->page.colours[1][2], 1);
  EXPECT_EQ(engine->page.colours[1][3], 0);  // the second byte carries no colour
  EXPECT_EQ(engine->page.colours[1][4], 1);
  EXPECT_EQ(engine->run.charsOnPage, 2);
  EXPECT_FALSE(engine->page.empty);

  engine->page.wideSpacing = true;
  engine->page.speaker[0] = 'X';
  NewPage(*engine);
  EXPECT_EQ(rowText(1), "");
  EXPECT_EQ(engine->page.colours[1][2], 0);
  EXPECT_EQ(engine->page.column, 0);
  EXPECT_EQ(engine->page.row, 0);
  EXPECT_EQ(engine->page.colour, 0);
  EXPECT_FALSE(engine->page.wideSpacing);
  EXPECT_EQ(engine->run.charsOnPage, 0);
  EXPECT_TRUE(engine->page.empty);
  EXPECT_EQ(engine->page.speaker[0], 0);

  // In full-screen text the page is cleared without opening the window.
  engine->page.windowShown = false;
  fullScreen(true);
  put("あ");
  NewPage(*engine);
  EXPECT_FALSE(engine->page.windowShown);
  EXPECT_EQ(engine->page.windowState, 2);
  EXPECT_EQ(rowText(0), "");
}

TEST_F(PageTextTest, AnOverfilledPageStaysInsideTheGrid) {
  NewPage(*engine);
  for (int i = 0; i < 2000; ++i) put("あ");
  EXPECT_EQ(engine->page.row, TextPage::kRows);
  EXPECT_EQ(engine->run.charsOnPage, 2000);
  EXPECT_EQ(at(19, 2), "あ");
  // A cursor put out of range (a damaged save) records nothing.
  engine->page.row = 5;
  engine->page.column = -7;
  put("い");
  engine->page.row = -1;
  engine->page.column = 3;
  put("う");
  EXPECT_EQ(rowText(5).find("い"), std::string::npos);
}

TEST_F(PageTextTest, TextLogKeepsTheNewest200LinesOf69Bytes) {
  for (int i = 0; i < 230; ++i) {
    LogChar(*engine, "line " + std::to_string(i));
    EndLogLine(*engine);
  }
  EXPECT_EQ(engine->log.count, 200);
  EXPECT_EQ(engine->log.line(0), "line 30");
  EXPECT_EQ(engine->log.line(199), "line 229");

  // A line is cut at 69 bytes and never ends in half a character.
  engine->log.clear();
  std::string wide;
  for (int i = 0; i < 35; ++i) wide += "あ";
  LogChar(*engine, sjis(wide));
  LogChar(*engine, "z");
  EndLogLine(*engine);
  EXPECT_EQ(engine->log.line(0).size(), 68u);
  EXPECT_EQ(engine->log.line(0), sjis(wide.substr(0, 34 * 3)));
}

TEST_F(PageTextTest, LogDropsThreeMarksAndWritesVoiceLines) {
  put("あ◆い§う√え");
  EXPECT_EQ(rowText(1), "あ◆い§う√え");  // drawn on the page
  EndLogLine(*engine);
  LogChar(*engine, sjis("◆名前§"));  // a speaker's name
  EndLogLine(*engine);
  LogVoice(*engine, "V0012");
  ASSERT_EQ(engine->log.count, 3);
  EXPECT_EQ(sjisToUtf8(engine->log.line(0)), "あいうえ");
  EXPECT_EQ(sjisToUtf8(engine->log.line(1)), "名前");
  EXPECT_EQ(engine->log.line(2), "@V0012");
  EXPECT_EQ(engine->log.pendingText(), "");

  // The state dump shows the log as the player reads it.
  QJsonObject dump =
      QJsonDocument::fromJson(QByteArray::fromStdString(takeStateDump(*engine))).object();
  QJsonArray log = dump["log"].toArray();
  ASSERT_EQ(log.size(), 3);
  EXPECT_EQ(log[0].toString().toStdString(), "あいうえ");
  EXPECT_EQ(log[2].toString().toStdString(), "@V0012");
}

TEST_F(PageTextTest, CommitPageFillsTheTwentySlotRing) {
  auto& h = engine->history;
  for (int i = 0; i < 25; ++i) {
    NewPage(*engine);
    engine->vars.sys[23] = 100 + i;
    put(std::string(1, char('A' + i)));
    if (i == 24) {
      NotePageVoice(*engine, "V01");
      NotePageVoice(*engine, "V02");
      engine->vars.sys[150] = 1;
    }
    CommitPage(*engine, "BG01,spr");
  }
  EXPECT_EQ(h.counter, 25);
  const PageSlot* newest = h.committed(1);
  ASSERT_NE(newest, nullptr);
  EXPECT_EQ(newest->grid[1][2], 'Y');
  EXPECT_EQ(newest->sys23, 124);
  EXPECT_EQ(newest->textMode, 1);
  EXPECT_STREQ(newest->voices.data(), "V01 V02 ");
  EXPECT_STREQ(newest->picture.data(), "BG01,spr");
  EXPECT_EQ(h.voices[0], 0);  // emptied by the commit
  const PageSlot* oldest = h.committed(20);
  ASSERT_NE(oldest, nullptr);
  EXPECT_EQ(oldest->grid[1][2], 'F');
  EXPECT_EQ(oldest->voices[0], 0);
  EXPECT_EQ(h.committed(21), nullptr);
  EXPECT_EQ(h.committed(0), nullptr);
}

TEST_F(PageTextTest, PageHistoryFieldsAreCutToTheirSize) {
  // 100 names of 5 bytes with their blanks overrun 256 bytes; whole names are left out.
  for (int i = 0; i < 100; ++i) NotePageVoice(*engine, "V" + std::to_string(1000 + i));
  const std::string voices = engine->history.voices.data();
  EXPECT_EQ(voices.size(), 42u * 6);
  EXPECT_EQ(voices.substr(voices.size() - 6), "V1041 ");

  std::string picture = "BG01," + std::string(121, 'x') + sjis("あ");  // 128 bytes
  CommitPage(*engine, picture);
  EXPECT_EQ(std::string(engine->history.committed(1)->picture.data()), picture.substr(0, 126));
}

}  // namespace
}  // namespace torvan
