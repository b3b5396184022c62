// The demo game, built from its sources with the tool, played to its end in autoplay.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdlib>

#include "test_support.h"

namespace torvan {
namespace {

TEST(Demo, AutoplayReachesTheEndThroughCallsAndTheFirstChoice) {
  test::TempDir dir;
  const std::string demo = TORVAN_DEMO_SOURCE;
  const std::string game = dir.file("game");
  ASSERT_EQ(std::system(("bash " + demo + "/build-demo.sh " + TORVAN_TOOL + " " + game).c_str()),
            0);
  const std::string state = dir.file("final.json");
  const std::string cmd = std::string(TORVAN_PLAYER) + " --headless --autoplay --game " + game +
                          " --save-dir " + dir.file("save") + " --settings " +
                          dir.file("HOLVA.ini") + " --seed 3 --final-state " + state;
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  QJsonObject o =
      QJsonDocument::fromJson(QByteArray::fromStdString(test::readText(state))).object();
  QJsonObject sc = o["scenario"].toObject();
  EXPECT_EQ(sc["current"].toString(), "main");
  EXPECT_EQ(sc["depth"].toInt(), 0);
  EXPECT_EQ(sc["pc"].toInt(), sc["size"].toInt());
  EXPECT_EQ(o["val"].toArray()[1].toInt(), 1);  // the first choice
  EXPECT_EQ(o["chapterTitle"].toString(), "第一章　海辺");
  QJsonArray log = o["log"].toArray();
  ASSERT_FALSE(log.isEmpty());
  EXPECT_TRUE(log.contains(QString("　3歩ごとに、潮の香りが強くなる。")));
  EXPECT_TRUE(log.contains(QString("　今日のことは、きっと忘れない。")));
}

}  // namespace
}  // namespace torvan
