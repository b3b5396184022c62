// The sound commands played headless: no device is opened, and the state dump shows
// what would be heard (music numbers, the last voice, the looping effect, the sounds
// started with their slots).
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "archive/archive_writer.h"
#include "interpreter_support.h"

namespace torvan {
namespace {

using test::Game;
using test::play;
using test::stateOf;

// The sound archives of a small game: each holds the named entries (their bytes are
// never decoded headless).
void addSoundArchive(Game& g, const std::string& file, const std::vector<std::string>& names) {
  std::vector<ArchiveSource> entries;
  for (const auto& n : names) entries.push_back({n, Bytes{'x'}});
  ASSERT_TRUE(writeArchive(g.gameDir() + "/" + file, entries, ArchiveLayout::General).ok());
}

void addSoundArchives(Game& g) {
  addSoundArchive(g, "qz_ogg1.tvn", {"V001", "SAME"});
  addSoundArchive(g, "qz_ogg2.tvn", {"V002X"});
  addSoundArchive(g, "qz_wav1.tvn", {"V003X"});
  addSoundArchive(g, "qz_se0.tvn", {"SEH1ABC", "SEH2ABC", "SAME", "SSE01"});
  addSoundArchive(g, "qz_se2.tvn", {"SEH4ABCD1X2", "LOOP1", "LOOP2"});
  addSoundArchive(g, "qz_bgm.tvn", {"M03"});
}

using Started = std::vector<std::pair<int, std::string>>;

Started startedSounds(const QJsonObject& state) {
  Started out;
  for (const auto& v : state["sounds"].toArray()) {
    QJsonObject o = v.toObject();
    out.push_back({o["slot"].toInt(), o["name"].toString().toStdString()});
  }
  return out;
}

struct Outcome {
  QJsonObject state;
  Started started;
};

Outcome runScript(const std::string& main, const std::string& settings = "",
                  const std::string& events = "until-idle\n") {
  Game g;
  addSoundArchives(g);
  auto r = play(g, {{"main", main}}, events, settings);
  Outcome o;
  o.state = stateOf(r);
  o.started = startedSounds(o.state);
  return o;
}

int sys(const QJsonObject& state, int i) {
  return state["sys"].toArray()[i].toInt();
}

TEST(MusicCommand, PlaysFadesAndStopsWithSys3AndSys5) {
  struct Case {
    const char* script;
    const char* settings;
    int requested;
    int playing;
    Started started;
  } cases[] = {
      {"*music 3\n", "", 3, 3, {{3, "M03"}}},
      // A fade leaves the playing number at 0 at once.
      {"*music 3\n*music -200\n", "", 0, 0, {{3, "M03"}}},
      // Music that is not in the archive is still recorded as playing.
      {"*music 7\n", "", 7, 7, {}},
      // A request for what already plays starts nothing again.
      {"*music 3\n*music 3\n", "", 3, 3, {{3, "M03"}}},
      {"*music 3\n", "BGM_ENA=0\n", 3, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    Outcome o = runScript(c.script, c.settings);
    EXPECT_EQ(o.state["music"].toObject()["requested"].toInt(), c.requested);
    EXPECT_EQ(o.state["music"].toObject()["playing"].toInt(), c.playing);
    EXPECT_EQ(sys(o.state, 3), c.requested);
    EXPECT_EQ(sys(o.state, 5), c.playing);
    EXPECT_EQ(o.started, c.started);
  }
}

TEST(EffectCommands, SceneCategoriesLevelsAndTheLoopingEffect) {
  struct Case {
    const char* script;
    const char* settings;
    Started started;
    const char* loopSe;
  } cases[] = {
      {"*se seh2abc\n*se SEH1ABC\n", "SE2=0\n", {{1, "SEH1ABC"}}, ""},
      {"*se seh2abc\n", "", {{1, "SEH2ABC"}}, ""},
      // The level of the slot named by the ninth character picks the variant.
      {"*seloop SEH4ABCD1X0\n", "SE_LVL0=2\n", {{2, "SEH4ABCD1X2"}}, "SEH4ABCD1X2"},
      {"*seloop SEH4ABCD1X0\n", "SE4=0\nSE_LVL0=2\n", {}, ""},
      {"*seloop loop1\n*seloop LOOP2\n", "", {{2, "LOOP1"}, {2, "LOOP2"}}, "LOOP2"},
      {"*seloop LOOP1\n*seoff\n", "", {{2, "LOOP1"}}, ""},
      // Effects switched off, or a name in no archive: nothing.
      {"*se SEH1ABC\n*seloop LOOP1\n", "SE_ENA=0\n", {}, ""},
      {"*se NOSUCH\n", "", {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    Outcome o = runScript(c.script, c.settings);
    EXPECT_EQ(o.started, c.started);
    EXPECT_EQ(o.state["loopSe"].toString().toStdString(), c.loopSe);
  }
}

TEST(VoiceCommand, VariantsVoiceFirstAndSkipping) {
  struct Case {
    const char* script;
    const char* settings;
    const char* events;
    Started started;
    const char* lastVoice;
  } cases[] = {
      {"*voice V002\n", "", "until-idle\n", {}, "V002"},
      // After the player entered other names, the "X" variant wins.
      {"!S006=1\n*voice V002\n", "", "until-idle\n", {{0, "V002X"}}, "V002X"},
      // A variant found only in the data archives is used but nothing plays from there.
      {"!S006=1\n*voice V003\n", "", "until-idle\n", {}, "V003X"},
      {"*voice V001\n", "", "until-idle\n", {{0, "V001"}}, "V001"},
      {"[voice V001]あ\n=\n", "", "until-idle\n", {{0, "V001"}}, "V001"},
      // A voice and an effect of the same name: voices first unless they are off.
      {"*voice SAME\n", "", "until-idle\n", {{0, "SAME"}}, "SAME"},
      {"*voice SAME\n", "CV1=0\n", "until-idle\n", {{1, "SAME"}}, "SAME"},
      // "V" replays the last voice.
      {"*voice V001\n\\\n", "", "until-idle\nkey v\n", {{0, "V001"}, {0, "V001"}}, "V001"},
      // Skipping plays no voice, but still remembers it; effects play on.
      {"*voice V001\n*se SSE01\n", "", "key ctrl down\nuntil-idle\n", {{1, "SSE01"}}, "V001"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    Outcome o = runScript(c.script, c.settings, c.events);
    EXPECT_EQ(o.started, c.started);
    EXPECT_EQ(o.state["lastVoice"].toString().toStdString(), c.lastVoice);
  }
}

TEST(VoiceCommand, HeadlessRunsHaveNoWaveOutputSoWaitVEndDoesNotWait) {
  Outcome o = runScript("*voice V001\n*wait_v_end\n!V001=1\n");
  EXPECT_FALSE(o.state["voiceWait"].toBool());
  EXPECT_EQ(o.state["val"].toArray()[1].toInt(), 1);
}

}  // namespace
}  // namespace torvan
