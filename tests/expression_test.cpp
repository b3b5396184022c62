#include "script/expression.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>

#include "core/engine.h"
#include "core/sjis.h"
#include "platform/headless/headless_host.h"

namespace torvan {
namespace {

std::string sjis(const std::string& utf8) {
  auto r = utf8ToSjis(utf8);
  EXPECT_TRUE(r.ok());
  return r.ok() ? *r : std::string();
}

class ExpressionTest : public ::testing::Test {
 protected:
  ExpressionTest()
      : host(HeadlessOptions{}), engine(std::make_unique<Engine>(host, EngineOptions{})) {
    auto& v = engine->vars;
    v.val[1] = 7;
    v.val[2] = -3;
    v.val[10] = 2;     // P010 reads V002
    v.val[11] = 5000;  // P011 points outside the bank
    v.val[7] = -1;
    v.sys[5] = 9;
    v.flg.set(10, true);
    v.evr.set(3, true);
    v.t.set(1234, true);
    v.g[3] = -12;
    engine->rng.seed(12345);
  }

  // Runs f with stderr captured and returns what it printed.
  template <class F>
  std::string stderrOf(F f) {
    ::testing::internal::CaptureStderr();
    f();
    return ::testing::internal::GetCapturedStderr();
  }

  HeadlessHost host;
  std::unique_ptr<Engine> engine;
};

TEST_F(ExpressionTest, EvaluatesLeftToRightWithWrappingArithmetic) {
  struct Case {
    std::string text;
    std::int32_t value;
  };
  const Case cases[] = {
      {"2+3*4", 20},
      {"-5", -5},
      {"7/0", 0},
      {"7%0", 0},
      {"-7%3", -1},
      {"-7/2", -3},
      {"12_&10", 8},
      {"12_|3", 15},
      {"12_X10", 6},
      {"V001", 7},
      {"V0015", 75},  // digits after an operand keep building on it
      {"V001*V002", -21},
      {"P010", -3},
      {"P011", 0},  // V011 = 5000 is outside the bank
      {"S005", 9},
      {"S250", 0},  // past the 200 engine parameters
      {"F010+F011", 1},
      {"E003", 1},
      {"T1234", 1},
      {"G3", -12},
      {"2147483647+1", INT_MIN},
      {"-2147483647-1/V007", INT_MIN},  // INT_MIN / -1 must not trap
      {"-2147483647-1%V007", 0},
      {"8/-2", -2},  // no unary minus after an operator: (8 / 0) - 2
      {"4294967297", 1},
      {"", 0},
      // Terminators end the expression.
      {"3=4", 3},
      {"5]x", 5},
      {"6,7", 6},
      {"1;2", 1},
      {"2<3", 2},
      {"2>3", 2},
      {"2!3", 2},
      {"2&3", 2},
      {"2|3", 2},
      {std::string("4\0 5", 4), 4},
  };
  for (const Case& c : cases) {
    std::string err = stderrOf([&] { EXPECT_EQ(Evaluate(*engine, c.text), c.value) << c.text; });
    EXPECT_EQ(err, "") << c.text;
  }
}

TEST_F(ExpressionTest, InvalidExpressionsAreZeroAndReported) {
  const char* cases[] = {
      "2 +3",        // blanks are not removed by the evaluator itself
      "V01",         // too few index digits
      "VX01",        // non-digit index
      "T123",        // T takes four digits
      "GA",          //
      "v001",        // evaluator input is not upper-cased
      "2_A3",        // not an operator
      "R",           // R needs a number
      "RX",          //
      "Q001",        // no such bank
      "(1)",         // no parentheses
      "1+\x82\xa0",  // a two-byte character
  };
  for (const char* text : cases) {
    std::string err = stderrOf([&] { EXPECT_EQ(Evaluate(*engine, text), 0) << text; });
    EXPECT_NE(err.find("無効数式"), std::string::npos) << text;
  }
}

TEST_F(ExpressionTest, RandomOperandDrawsFromTheEngineGenerator) {
  Random expected = engine->rng;
  std::int32_t a = Evaluate(*engine, "R10");
  EXPECT_EQ(a, expected.below(10));
  // One digit and up to six more are the limit; an eighth digit builds on the result.
  std::int32_t b = Evaluate(*engine, "R12345678");
  EXPECT_EQ(b, expected.below(1234567) * 10 + 8);
  EXPECT_EQ(engine->rng.state(), expected.state());

  // R0 is 0 like a division by zero, and draws nothing.
  std::string err = stderrOf([&] { EXPECT_EQ(Evaluate(*engine, "R0+4"), 4); });
  EXPECT_EQ(err, "");
  EXPECT_EQ(engine->rng.state(), expected.state());
}

TEST_F(ExpressionTest, AssignmentListsStoreIntoEveryBank) {
  auto& v = engine->vars;
  Assign(*engine, "V001=2+3*4");
  EXPECT_EQ(v.val[1], 20);
  Assign(*engine, "V001=7/0;V003=-7%3");
  EXPECT_EQ(v.val[1], 0);
  EXPECT_EQ(v.val[3], -1);
  v.flg.set(10, false);
  v.val[2] = 4;
  Assign(*engine, "F010=1;V002=V002+1");
  EXPECT_TRUE(v.flg.get(10));
  EXPECT_EQ(v.val[2], 5);
  Assign(*engine, "V001=5 0");
  EXPECT_EQ(v.val[1], 50);
  Assign(*engine, " v004 = 1_x3 ;\tg9=-4; s100=7;");  // upper-cased, blanks and tabs dropped
  EXPECT_EQ(v.val[4], 2);
  EXPECT_EQ(v.g[9], -4);
  EXPECT_EQ(v.sys[100], 7);
  Assign(*engine, sjis("V005=1　2"));  // a full-width blank
  EXPECT_EQ(v.val[5], 12);
  Assign(*engine, "P010=99");  // V010 = 2
  EXPECT_EQ(v.val[2], 99);
  Assign(*engine, "T9999=1;E005=1;F999=1");
  EXPECT_TRUE(v.t.get(9999));
  EXPECT_TRUE(v.evr.get(5));
  EXPECT_TRUE(v.flg.get(999));
  Assign(*engine, "F999=0");
  EXPECT_FALSE(v.flg.get(999));
}

TEST_F(ExpressionTest, FlagAssignmentsOnlyTakeZeroOrOne) {
  auto& v = engine->vars;
  // F ignores other values quietly; E and T report them.
  struct Case {
    const char* text;
    bool reported;
  };
  const Case cases[] = {{"F010=2", false}, {"F010=-1", false}, {"E003=2", true}, {"T1234=5", true}};
  for (const Case& c : cases) {
    std::string err = stderrOf([&] { Assign(*engine, c.text); });
    EXPECT_EQ(err.find("代入エラー") != std::string::npos, c.reported) << c.text;
  }
  EXPECT_TRUE(v.flg.get(10));
  EXPECT_TRUE(v.evr.get(3));
  EXPECT_TRUE(v.t.get(1234));
}

TEST_F(ExpressionTest, AssignmentGuardsRejectWhatTheBanksCannotHold) {
  auto& v = engine->vars;
  const auto valBefore = v.val;
  const auto sysBefore = v.sys;
  const auto gBefore = v.g;
  struct Case {
    const char* text;
    const char* word;
  };
  const Case cases[] = {
      {"S200=5", "代入エラー"},  // past the engine parameters
      {"S999=5", "代入エラー"},  //
      {"P011=1", "代入エラー"},  // V011 = 5000 points outside VAL
      {"V0A1=3", "代入エラー"},  // a letter among the index digits
      {"V01", "代入エラー"},     // the index runs off the statement
      {"V001", "代入エラー"},    // no "=" and no value
      {"Q001=3", "代入エラー"},  // no such bank
      {"R001=3", "代入エラー"},  // R cannot be written
      {"G=3", "代入エラー"},     //
  };
  for (const Case& c : cases) {
    std::string err = stderrOf([&] { Assign(*engine, c.text); });
    EXPECT_NE(err.find(c.word), std::string::npos) << c.text;
  }
  EXPECT_EQ(v.val, valBefore);
  EXPECT_EQ(v.sys, sysBefore);
  EXPECT_EQ(v.g, gBefore);

  // An invalid expression stores 0, and the rest of the list still runs.
  std::string err = stderrOf([&] { Assign(*engine, "V001=2+x;X;V002=4"); });
  EXPECT_EQ(v.val[1], 0);
  EXPECT_EQ(v.val[2], 4);
  EXPECT_NE(err.find("無効数式"), std::string::npos);
  EXPECT_NE(err.find("代入エラー"), std::string::npos);

  // The character after the index is taken for "=" whatever it is, as scripts expect;
  // it is only worth a line on stderr.
  err = stderrOf([&] { Assign(*engine, "V006:8"); });
  EXPECT_EQ(v.val[6], 8);
  EXPECT_NE(err.find("代入エラー"), std::string::npos);
}

TEST_F(ExpressionTest, MenuLevelAndSavePermissionReapplyTheToolStrip) {
  Assign(*engine, "S028=0");
  EXPECT_FALSE(engine->toolStripRules().save);
  EXPECT_TRUE(engine->toolStripRules().load);
  Assign(*engine, "S028=1");
  EXPECT_TRUE(engine->toolStripRules().save);
  Assign(*engine, "S000=2");
  EXPECT_FALSE(engine->toolStripRules().save);
  EXPECT_FALSE(engine->toolStripRules().load);
  Assign(*engine, "S000=1");
  EXPECT_TRUE(engine->toolStripRules().load);
  EXPECT_FALSE(engine->toolStripRules().save);
}

TEST_F(ExpressionTest, ConditionsChainLeftToRightWithEarlyExits) {
  auto& v = engine->vars;
  struct Case {
    const char* text;
    std::int32_t v1;
    bool flag10;
    bool result;
  };
  const Case cases[] = {
      {"(V001>=3&F010=1)", 3, true, true},
      {"(V001>=3&F010=1)", 2, true, false},
      {"(V001>=3&F010=1)", 5, false, false},
      {"(V001=1|V001=2)", 1, false, true},
      {"(V001=1|V001=2)", 2, false, true},
      {"(V001=1|V001=2)", 3, false, false},
      {"(F010)", 0, true, false},  // a term without a comparison is false
      {"(F010|V001=4)", 4, true, true},
      {"(V001==3)", 3, false, true},
      {"(V001!3)", 3, false, false},
      {"(V001!=3)", 4, false, true},
      {"(V001<3)", 3, false, false},
      {"(V001<=3)", 3, false, true},
      {"(V001>3)", 4, false, true},
      {"(V001>=4)", 3, false, false},
      {"( v001 >= 3 ) then go x", 3, false, true},  // lower case, blanks, text after ")"
      {"V001+1=4", 3, false, true},                 // no parenthesis
      {"(V001=3&)", 3, false, false},
      {"()", 0, false, false},
      {"(2=1|3=3&4=5)", 0, false, false},  // no grouping: ((2=1|3=3)&4=5)
      {"(2=1&3=3|1=1)", 0, false, false},  // "&" gives up at once after a false term
      {"(2=2&3=4|1=1)", 0, false, true},   // "|" after a false term goes on
  };
  for (const Case& c : cases) {
    v.val[1] = c.v1;
    v.flg.set(10, c.flag10);
    EXPECT_EQ(TestCondition(*engine, c.text), c.result)
        << c.text << " with V001=" << c.v1 << " F010=" << c.flag10;
  }
}

TEST_F(ExpressionTest, ConditionStopsEvaluatingAtItsEarlyExits) {
  engine->vars.val[1] = 3;
  const std::uint32_t before = engine->rng.state();
  EXPECT_TRUE(TestCondition(*engine, "(V001=3|R5=0)"));
  EXPECT_FALSE(TestCondition(*engine, "(V001=9&R5=0)"));
  EXPECT_EQ(engine->rng.state(), before);
}

TEST_F(ExpressionTest, InvalidSideOfAConditionCountsAsZeroAndIsReported) {
  engine->vars.val[1] = 0;
  std::string err = stderrOf([&] { EXPECT_TRUE(TestCondition(*engine, "(V001=x)")); });
  EXPECT_NE(err.find("無効数式"), std::string::npos);
  engine->vars.val[1] = 4;
  err = stderrOf([&] { EXPECT_FALSE(TestCondition(*engine, "(V001=x)")); });
  EXPECT_NE(err.find("無効数式"), std::string::npos);
  // The chain stops at the character that made the expression invalid.
  err = stderrOf([&] { EXPECT_FALSE(TestCondition(*engine, "(V0x1=0|1=1)")); });
  EXPECT_NE(err.find("無効数式"), std::string::npos);
}

TEST_F(ExpressionTest, ReportsNameTheScenarioAndTheLine) {
  engine->script.setCurrentName("main");
  engine->script.lineStart = 1234;
  std::string err = stderrOf([&] { Assign(*engine, "V001=2+x"); });
  EXPECT_NE(err.find("script main at 1234: 無効数式 in 'V001=2+X'"), std::string::npos) << err;
  // Shift-JIS script text is shown as UTF-8; a long text is cut.
  err = stderrOf(
      [&] { ReportError(*engine, kIllegalPicture, sjis("背景") + std::string(300, 'A')); });
  EXPECT_NE(err.find("ILLEGAL BMP in '背景AAA"), std::string::npos) << err;
  EXPECT_NE(err.find("...'"), std::string::npos);
  EXPECT_LT(err.size(), 250u);
}

}  // namespace
}  // namespace torvan
