#include "headless_support.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "archive/archive_writer.h"
#include "core/sjis.h"

namespace torvan::test {

void Game::addScripts(const std::vector<std::pair<std::string, std::string>>& scripts) {
  std::vector<ArchiveSource> entries;
  for (const auto& [name, source] : scripts) {
    auto sjis = utf8ToSjis(source);
    EXPECT_TRUE(sjis.ok()) << name;
    std::string text = sjis ? *sjis : std::string();
    Bytes data;
    for (char c : text) data.push_back(c == '\n' ? 0 : static_cast<std::uint8_t>(c));
    entries.push_back({name, data});
  }
  std::filesystem::create_directories(gameDir());
  Status s = writeArchive(gameDir() + "/qz_data.tvn", entries, ArchiveLayout::Script);
  EXPECT_TRUE(s.ok());
}

EngineOptions Game::options() const {
  EngineOptions o;
  o.gameDir = gameDir();
  o.saveDir = saveDir();
  o.settingsFile = settingsFile();
  o.seed = 1;
  return o;
}

Run runGame(const Game& game, const std::string& events, bool autoplay) {
  Run r;
  auto parsed = parseEventScript(events, "events");
  EXPECT_TRUE(parsed.ok()) << (parsed ? "" : parsed.error().text());
  HeadlessOptions ho;
  if (parsed) ho.events = *parsed;
  ho.autoplay = autoplay;
  std::filesystem::create_directories(game.gameDir());
  r.host = std::make_unique<HeadlessHost>(std::move(ho));
  r.engine = std::make_unique<Engine>(*r.host, game.options());
  testing::internal::CaptureStderr();
  r.exitCode = r.host->run(*r.engine);
  r.stderrText = testing::internal::GetCapturedStderr();
  return r;
}

}  // namespace torvan::test
