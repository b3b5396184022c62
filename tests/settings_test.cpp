#include <gtest/gtest.h>

#include <filesystem>

#include "core/settings.h"
#include "core/settings_store.h"
#include "core/sjis.h"
#include "test_support.h"

namespace torvan {
namespace {

std::string sjis(const char* utf8) {
  return *utf8ToSjis(utf8);
}

TEST(Settings, EmptyStoreGivesEveryDefault) {
  test::TempDir dir;
  test::writeText(dir.file("HOLVA.ini"), "");
  SettingsStore store(dir.file("HOLVA.ini"), "KANOVELLA");
  Settings s;
  s.bgmEnabled = s.txbgA = s.fontSize = -7;  // prove the reader sets them
  readSettings(store, s, 1920, 1080);

  struct Expect {
    const char* name;
    std::int32_t value;
  };
  const Expect ints[] = {
      {"BGM_ENA", 1},
      {"SE_ENA", 1},
      {"Delay", 0},
      {"GMode", 0},
      {"SMode", 0},
      {"Clear", 0},
      {"Seen", 1},
      {"BreakonSelect", 1},
      {"CV1", 1},
      {"CV2", 1},
      {"SE3", 1},
      {"SE_LVL2", 0},
      {"Vol1", 0},
      {"Vol2", -1200},
      {"Vol3", -1800},
      {"Vol4", -800},
      {"FONTSIZE", 24},
      {"FONTBOLD", 0},
      {"TXBG_R", 0},
      {"TXBG_A", 200},
      {"DatePanel", 1},
      {"TXWStyle", 1},
      {"GV09", 0},
      {"Left", (1920 - 808) / 2},
      {"Top", (1080 - 624) / 2},
  };
  for (const Expect& e : ints) {
    const SettingField* f = findSettingField(e.name);
    ASSERT_NE(f, nullptr) << e.name;
    EXPECT_EQ(f->intRef(s), e.value) << e.name;
  }
  EXPECT_EQ(s.fontName, sjis("ＭＳ 明朝"));
  EXPECT_EQ(s.playerName, sjis("蒼真"));
  EXPECT_EQ(s.playerName2, sjis("蒼真"));
  EXPECT_TRUE(s.perCharacter());

  Settings p;
  readPaths(store, p, "/games/demo");
  EXPECT_EQ(p.cdDir, "NULL");
  EXPECT_EQ(p.gameDir, "/games/demo/");
  EXPECT_EQ(p.cddaDrv, "");
}

TEST(Settings, WritesReachTheFileAndReadBack) {
  test::TempDir dir;
  std::string file = dir.file("config/HOLVA.ini");  // the folder does not exist yet
  {
    SettingsStore store(file, "KANOVELLA");
    EXPECT_TRUE(store.writeInt("SMode", 1));
    EXPECT_TRUE(store.writeString("PlayerName", sjis("千早")));
  }
  EXPECT_TRUE(std::filesystem::exists(file));
  std::string text = test::readText(file);
  EXPECT_NE(text.find("[KANOVELLA]"), std::string::npos);
  EXPECT_NE(text.find("SMode=1"), std::string::npos);
  for (auto& entry : std::filesystem::directory_iterator(dir.file("config")))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos);

  SettingsStore again(file, "KANOVELLA");
  Settings s;
  readSettings(again, s, 800, 600);
  EXPECT_EQ(s.sMode, 1);
  EXPECT_EQ(s.playerName, sjis("千早"));
  EXPECT_EQ(s.playerName2, sjis("蒼真"));
}

TEST(Settings, DamagedValuesFallBackToDefaults) {
  test::TempDir dir;
  test::writeText(dir.file("HOLVA.ini"),
                  "[KANOVELLA]\nBGM_ENA=yes\nFONTSIZE=99999999999\nVol2=-600\n"
                  "FontName=\xF0\x9F\x98\x80\nPlayerName=a,b\n[other]\nSMode=2\n");
  SettingsStore store(dir.file("HOLVA.ini"), "KANOVELLA");
  Settings s;
  testing::internal::CaptureStderr();
  readSettings(store, s, 1024, 768);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(s.bgmEnabled, 1);
  EXPECT_EQ(s.fontSize, 24);
  EXPECT_EQ(s.vol2, -600);
  EXPECT_EQ(s.fontName, sjis("ＭＳ 明朝"));  // an emoji has no Shift-JIS form
  EXPECT_EQ(s.playerName, "a,b");
  EXPECT_EQ(s.sMode, 0);  // other sections are not ours
  EXPECT_NE(err.find("BGM_ENA"), std::string::npos);
  EXPECT_NE(err.find("FontName"), std::string::npos);
}

TEST(Settings, SiblingStoreSitsBesideTheSettingsFile) {
  EXPECT_EQ(SettingsStore::siblingFile("/home/u/.config/HOLVA.ini"),
            "/home/u/.config/GLOAMWICK.ini");
}

}  // namespace
}  // namespace torvan
