#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_index.h"
#include "archive/archive_writer.h"
#include "archive/archives.h"
#include "test_support.h"

namespace torvan {
namespace {

using test::TempDir;
using namespace std::literals;

// Archive bytes built by hand, independently of the writer, so a fault shared by the
// writer and the reader cannot hide.
struct RawEntry {
  std::string name;
  Bytes data;
};

void put32(Bytes& out, std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  for (int k = 0; k < 4; ++k) out.push_back(std::uint8_t(u >> (8 * k)));
}

void putField(Bytes& out, const std::string& name, std::size_t width) {
  std::size_t start = out.size();
  out.insert(out.end(), name.begin(), name.end());
  out.resize(start + width, 0);
}

Bytes rawArchive(const std::vector<RawEntry>& entries, bool script, std::int32_t l = 32) {
  const std::size_t field = script ? 16 : std::size_t(l);
  Bytes out;
  put32(out, std::int32_t(entries.size()));
  if (!script) put32(out, l);
  std::size_t offset = out.size() + entries.size() * (field + 8);
  for (const RawEntry& e : entries) {
    putField(out, e.name, field);
    put32(out, std::int32_t(offset));
    put32(out, std::int32_t(e.data.size()));
    offset += e.data.size();
  }
  for (const RawEntry& e : entries)
    for (std::uint8_t b : e.data) out.push_back(script ? std::uint8_t(256 - b) : b);
  return out;
}

Bytes text(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

// Runs `body` and returns the warning lines it wrote to stderr.
template <class F>
std::vector<std::string> warningsOf(F body) {
  testing::internal::CaptureStderr();
  body();
  std::string err = testing::internal::GetCapturedStderr();
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < err.size()) {
    std::size_t nl = err.find('\n', start);
    if (nl == std::string::npos) nl = err.size();
    lines.push_back(err.substr(start, nl - start));
    start = nl + 1;
  }
  return lines;
}

TEST(ArchiveIndex, NegationIsItsOwnInverse) {
  Bytes data{0x00, 0x01, 0x7F, 0x80, 0xFF};
  negateBytes(data);
  EXPECT_EQ(data, (Bytes{0x00, 0xFF, 0x81, 0x80, 0x01}));
  negateBytes(data);
  EXPECT_EQ(data, (Bytes{0x00, 0x01, 0x7F, 0x80, 0xFF}));
}

TEST(ArchiveIndex, UpperCasesLettersButNotSecondBytesOfCharacters) {
  // "ャ" is 83 62: its second byte is 'b' and must stay, or it would become "ィ" (83 42).
  EXPECT_EQ(upperAscii("bg01_a\x83\x62z"), "BG01_A\x83\x62Z");
  EXPECT_EQ(upperAscii("M01"), "M01");
}

TEST(ArchiveIndex, LookUpIgnoresAsciiCaseAndTakesTheFirstOfEqualNames) {
  TempDir dir;
  std::string path = dir.file("qz_gra.tvn");
  test::writeBytes(path, rawArchive({{"Bg01", text("first")},
                                     {"other", text("x")},
                                     {"BG01", text("second")},
                                     {"\x83\x62g", text("kana")}},
                                    false));
  ArchiveIndex index = readArchiveIndex(path, ArchiveLayout::General);
  ASSERT_EQ(index.names.size(), 4u);
  EXPECT_EQ(index.path, path);
  EXPECT_EQ(index.names[0], "BG01");
  for (const char* name : {"bg01", "BG01", "bG01"}) EXPECT_EQ(findEntry(index, name), 0) << name;
  EXPECT_EQ(findEntry(index, "OTHER"), 1);
  EXPECT_EQ(findEntry(index, "\x83\x62G"), 3);
  EXPECT_EQ(findEntry(index, "\x83\x42G"), -1);
  EXPECT_EQ(findEntry(index, "bg0"), -1);
  EXPECT_EQ(findEntry(index, ""), -1);
  auto data = readEntry(index, findEntry(index, "bg01"));
  ASSERT_TRUE(data.ok()) << data.error().text();
  EXPECT_EQ(*data, text("first"));
}

TEST(ArchiveIndex, LongestNamesFitTheirFieldsAndEmptyArchivesAreValid) {
  const std::string name15 = "ABCDEFGHIJKLMNO";
  Bytes script = rawArchive({{name15, text("s")}}, true);
  const std::string name11(11, 'q');
  Bytes general = rawArchive({{name11, text("g")}}, false, 12);
  std::vector<std::string> warnings = warningsOf([&] {
    ArchiveIndex s = parseArchiveIndex(script, ArchiveLayout::Script, "qz_data.tvn");
    EXPECT_EQ(findEntry(s, "abcdefghijklmno"), 0);
    ArchiveIndex g = parseArchiveIndex(general, ArchiveLayout::General, "qz_se0.tvn");
    EXPECT_EQ(g.l, 12);
    EXPECT_EQ(findEntry(g, name11), 0);
    for (bool isScript : {true, false}) {
      ArchiveLayout layout = isScript ? ArchiveLayout::Script : ArchiveLayout::General;
      ArchiveIndex empty = parseArchiveIndex(rawArchive({}, isScript), layout, "empty.tvn");
      EXPECT_TRUE(empty.empty());
      EXPECT_EQ(empty.n, 0);
      EXPECT_EQ(findEntry(empty, "A"), -1);
    }
  });
  EXPECT_TRUE(warnings.empty()) << warnings[0];
}

TEST(ArchiveIndex, MissingArchiveIsEmptyAndSilent) {
  TempDir dir;
  std::vector<std::string> warnings = warningsOf([&] {
    ArchiveIndex index = readArchiveIndex(dir.file("qz_gra2.tvn"), ArchiveLayout::General);
    EXPECT_TRUE(index.empty());
    EXPECT_TRUE(index.path.empty());
    EXPECT_FALSE(readEntry(index, 0).ok());
  });
  EXPECT_TRUE(warnings.empty());
}

// Damaged indexes: each one must give an empty archive and exactly one warning naming
// the file, both when parsed from memory and when read from disk.
TEST(ArchiveIndex, DamagedIndexGivesEmptyArchiveAndOneWarning) {
  auto general = [](std::int32_t n, std::int32_t l, std::vector<std::int32_t> record) {
    Bytes out;
    put32(out, n);
    put32(out, l);
    if (l > 0 && l < 64) putField(out, "NAME", std::size_t(l));
    for (std::int32_t v : record) put32(out, v);
    out.resize(out.size() + 16, 0xEE);  // some entry data
    return out;
  };
  Bytes good = rawArchive({{"A", text("aaaa")}, {"B", text("bb")}}, false, 8);
  auto withRecord = [&](std::size_t record, std::size_t at, std::int32_t v) {
    Bytes out = good;
    storeI32(&out[8 + record * 16 + at], v);
    return out;
  };
  Bytes noNul = good;
  std::fill(noNul.begin() + 8 + 16, noNul.begin() + 8 + 16 + 8, 'X');
  Bytes scriptNoNul = rawArchive({{"MAIN", text("x")}}, true);
  std::fill(scriptNoNul.begin() + 4, scriptNoNul.begin() + 20, 'X');
  Bytes scriptTooMany = rawArchive({{"MAIN", text("x")}}, true);
  storeI32(scriptTooMany.data(), 2);

  struct Case {
    const char* what;
    Bytes file;
    ArchiveLayout layout = ArchiveLayout::General;
  };
  const Case cases[] = {
      {"N larger than the file holds", general(1000, 8, {40, 1})},
      {"N at the largest count", general(0x7FFFFFFF, 8, {40, 1})},
      {"negative N", general(-1, 8, {40, 1})},
      {"L of 0", general(1, 0, {16, 1})},
      {"negative L", general(1, -8, {16, 1})},
      {"huge L", general(1, 0x7FFFFFF0, {16, 1})},
      {"offset past the end", withRecord(1, 8, 5000)},
      {"data running past the end", withRecord(0, 12, 1000)},
      {"offset plus size overflowing", withRecord(0, 12, 0x7FFFFFFF)},
      {"negative size", withRecord(1, 12, -1)},
      {"negative offset", withRecord(0, 8, -4)},
      {"name without NUL", noNul},
      {"header cut short", Bytes{1, 0}},
      {"general header without L", Bytes{0, 0, 0, 0}},
      {"script name without NUL", scriptNoNul, ArchiveLayout::Script},
      {"script N larger than the file holds", scriptTooMany, ArchiveLayout::Script},
  };
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string path = dir.file("damaged.tvn");
    test::writeBytes(path, c.file);
    ArchiveIndex parsed, read;
    std::vector<std::string> parseWarnings =
        warningsOf([&] { parsed = parseArchiveIndex(c.file, c.layout, path); });
    std::vector<std::string> readWarnings =
        warningsOf([&] { read = readArchiveIndex(path, c.layout); });
    for (const ArchiveIndex* index : {&parsed, &read}) {
      EXPECT_TRUE(index->empty());
      EXPECT_TRUE(index->offsets.empty());
      EXPECT_TRUE(index->firstByName.empty());
      EXPECT_EQ(findEntry(*index, "A"), -1);
    }
    for (const auto* warnings : {&parseWarnings, &readWarnings}) {
      ASSERT_EQ(warnings->size(), 1u);
      EXPECT_NE(warnings->front().find(path), std::string::npos) << warnings->front();
    }
  }
}

TEST(ArchiveIndex, EntriesMayLieAnywhereAfterTheIndex) {
  // Two entries stored in reverse order with a gap, plus an empty one.
  Bytes file;
  put32(file, 3);
  put32(file, 4);
  putField(file, "A", 4);
  put32(file, 50);
  put32(file, 3);
  putField(file, "B", 4);
  put32(file, 44);
  put32(file, 2);
  putField(file, "C", 4);
  put32(file, 53);
  put32(file, 0);
  file.resize(53, 0);
  file[44] = 'b';
  file[45] = 'b';
  file[50] = 'a';
  file[51] = 'a';
  file[52] = 'a';
  TempDir dir;
  std::string path = dir.file("qz_anim.tvn");
  test::writeBytes(path, file);
  ArchiveIndex index = readArchiveIndex(path, ArchiveLayout::General);
  ASSERT_EQ(index.names.size(), 3u);
  EXPECT_EQ(*readEntry(index, 0), text("aaa"));
  EXPECT_EQ(*readEntry(index, 1), text("bb"));
  EXPECT_EQ(*readEntry(index, 2), Bytes{});
  EXPECT_FALSE(readEntry(index, 3).ok());
  EXPECT_FALSE(readEntry(index, -1).ok());
  // A file cut short after its index was read is a failed read, not garbage.
  file.resize(51);
  test::writeBytes(path, file);
  auto cut = readEntry(index, 0);
  ASSERT_FALSE(cut.ok());
  EXPECT_EQ(cut.error().entry, "A");
}

TEST(ArchiveWriter, WritesTheSameBytesAsTheFormatDescribes) {
  const std::vector<RawEntry> raw = {{"main", Bytes{0x00, 0x01, 0x7F, 0x80, 0xFF}},
                                     {"Sub_15_chars_ok", text("line\0"sv)},
                                     {"\x95\x5C", Bytes{}}};
  std::vector<ArchiveSource> sources;
  for (const RawEntry& e : raw) sources.push_back({e.name, e.data});
  for (bool script : {true, false}) {
    SCOPED_TRACE(script ? "script" : "general");
    ArchiveLayout layout = script ? ArchiveLayout::Script : ArchiveLayout::General;
    auto built = buildArchive(sources, layout, 20);
    ASSERT_TRUE(built.ok()) << built.error().text();
    EXPECT_EQ(*built, rawArchive(raw, script, 20));
  }
}

TEST(ArchiveWriter, RefusesNamesThePlayerCouldNotFind) {
  struct Case {
    const char* what;
    std::vector<ArchiveSource> sources;
    ArchiveLayout layout;
    std::int32_t l;
  };
  const Case cases[] = {
      {"16-character script name", {{"ABCDEFGHIJKLMNOP", {}}}, ArchiveLayout::Script, 32},
      {"general name of L characters", {{"ABCD", {}}}, ArchiveLayout::General, 4},
      {"names differing in case only", {{"bg", {}}, {"BG", {}}}, ArchiveLayout::General, 32},
      {"empty name", {{"", {}}}, ArchiveLayout::Script, 32},
      {"name with NUL", {{std::string("a\0b", 3), {}}}, ArchiveLayout::General, 32},
      {"name field of 1", {{"A", {}}}, ArchiveLayout::General, 1},
  };
  for (const Case& c : cases) {
    auto built = buildArchive(c.sources, c.layout, c.l);
    EXPECT_FALSE(built.ok()) << c.what;
  }
  auto tooLong = buildArchive(cases[0].sources, ArchiveLayout::Script);
  ASSERT_FALSE(tooLong.ok());
  EXPECT_EQ(tooLong.error().entry, "ABCDEFGHIJKLMNOP");
  EXPECT_NE(tooLong.error().fault.find("15"), std::string::npos) << tooLong.error().fault;
}

TEST(Archives, ScriptsComeFromTheSecondArchiveFirstAndAreUnNegated) {
  TempDir dir;
  test::writeBytes(
      dir.file("qz_data.tvn"),
      rawArchive({{"main", text("old\0"sv)}, {"only1", Bytes{0x00, 0x01, 0xFF}}}, true));
  test::writeBytes(dir.file("qz_data2.tvn"), rawArchive({{"MAIN", text("new\0"sv)}}, true));
  Archives archives;
  archives.openScriptArchives(dir.path());
  EXPECT_EQ(archives.script[0].path, dir.file("qz_data.tvn"));
  EXPECT_EQ(*archives.readScript("Main"), text("new\0"sv));
  EXPECT_EQ(*archives.readScript("ONLY1"), (Bytes{0x00, 0x01, 0xFF}));
  EXPECT_FALSE(archives.readScript("nothing").ok());

  // Each call starts again from the files as they now are.
  std::remove(dir.file("qz_data2.tvn").c_str());
  archives.openScriptArchives(dir.path());
  EXPECT_TRUE(archives.script[1].empty());
  EXPECT_EQ(*archives.readScript("main"), text("old\0"sv));
}

TEST(Archives, OnlyMarkedArchivesFallBackToTheDiscPath) {
  struct Slot {
    const char* file;
    bool onDisc;
    const ArchiveIndex& (*get)(const Archives&);
  };
  const Slot slots[] = {
      {"qz_gra.tvn", true, [](const Archives& a) -> const ArchiveIndex& { return a.gra[0]; }},
      {"qz_gra2.tvn", false, [](const Archives& a) -> const ArchiveIndex& { return a.gra[1]; }},
      {"qz_gra3.tvn", false, [](const Archives& a) -> const ArchiveIndex& { return a.gra[2]; }},
      {"qz_gjp.tvn", false, [](const Archives& a) -> const ArchiveIndex& { return a.gjp; }},
      {"qz_wav1.tvn", false, [](const Archives& a) -> const ArchiveIndex& { return a.wav[0]; }},
      {"qz_wav5.tvn", false, [](const Archives& a) -> const ArchiveIndex& { return a.wav[4]; }},
      {"qz_se0.tvn", true, [](const Archives& a) -> const ArchiveIndex& { return a.se[0]; }},
      {"qz_se1.tvn", true, [](const Archives& a) -> const ArchiveIndex& { return a.se[1]; }},
      {"qz_se2.tvn", true, [](const Archives& a) -> const ArchiveIndex& { return a.se[2]; }},
      {"qz_ogg1.tvn", true, [](const Archives& a) -> const ArchiveIndex& { return a.ogg[0]; }},
      {"qz_ogg2.tvn", false, [](const Archives& a) -> const ArchiveIndex& { return a.ogg[1]; }},
      {"qz_ogg3.tvn", false, [](const Archives& a) -> const ArchiveIndex& { return a.ogg[2]; }},
      {"qz_bgm.tvn", true, [](const Archives& a) -> const ArchiveIndex& { return a.bgm; }},
      {"qz_anim.tvn", false, [](const Archives& a) -> const ArchiveIndex& { return a.anim[0]; }},
      {"qz_anim2.tvn", false, [](const Archives& a) -> const ArchiveIndex& { return a.anim[1]; }},
  };
  TempDir game, disc;
  // The disc path is a prefix: the file name follows it with no separator added.
  const std::string cdDir = disc.path() + "/CD_";
  for (const Slot& s : slots)
    test::writeBytes(cdDir + s.file, rawArchive({{"ONDISC", text("d")}}, false));
  Archives archives;
  archives.openArchives(game.path(), cdDir);
  for (const Slot& s : slots) {
    SCOPED_TRACE(s.file);
    const ArchiveIndex& index = s.get(archives);
    EXPECT_EQ(index.path, s.onDisc ? cdDir + s.file : "");
    EXPECT_EQ(findEntry(index, "ondisc"), s.onDisc ? 0 : -1);
  }
  auto fromDisc = readEntry(archives.gra[0], 0);
  ASSERT_TRUE(fromDisc.ok());
  EXPECT_EQ(*fromDisc, text("d"));

  // A copy in the game folder wins over the disc.
  for (const Slot& s : slots)
    test::writeBytes(game.file(s.file), rawArchive({{"INGAME", text("g")}}, false));
  archives.openArchives(game.path(), cdDir);
  for (const Slot& s : slots) {
    EXPECT_EQ(s.get(archives).path, game.file(s.file));
    EXPECT_EQ(findEntry(s.get(archives), "INGAME"), 0);
  }
}

}  // namespace
}  // namespace torvan
