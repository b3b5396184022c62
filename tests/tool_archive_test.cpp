// torvan-tool "archive" and "script", run as the separate program users run.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_index.h"
#include "test_support.h"

namespace torvan {
namespace {

using test::TempDir;
using namespace std::literals;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs torvan-tool with `args` (already shell-quoted where needed) in `dir`.
ToolRun tool(const TempDir& dir, const std::string& args) {
  std::string errFile = dir.file(".stderr");
  std::string command =
      "cd '" + dir.path() + "' && '" TORVAN_TOOL "' " + args + " 2>'" + errFile + "'";
  ToolRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) run.out.append(buf, n);
  int raw = pclose(pipe);
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.err = test::readText(errFile);
  return run;
}

void put32(Bytes& out, std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  for (int k = 0; k < 4; ++k) out.push_back(std::uint8_t(u >> (8 * k)));
}

// An archive built byte by byte here, not by the project's writer.
Bytes handMadeArchive(const std::vector<std::pair<std::string, Bytes>>& entries, bool script) {
  const std::size_t field = script ? 16 : 24;
  Bytes out;
  put32(out, std::int32_t(entries.size()));
  if (!script) put32(out, std::int32_t(field));
  std::size_t offset = out.size() + entries.size() * (field + 8);
  for (const auto& [name, data] : entries) {
    std::size_t start = out.size();
    out.insert(out.end(), name.begin(), name.end());
    out.resize(start + field, 0);
    put32(out, std::int32_t(offset));
    put32(out, std::int32_t(data.size()));
    offset += data.size();
  }
  for (const auto& [name, data] : entries)
    for (std::uint8_t b : data) out.push_back(script ? std::uint8_t(0u - b) : b);
  return out;
}

Bytes bytesOf(std::string_view s) {
  return Bytes(s.begin(), s.end());
}

Bytes allByteValues() {
  Bytes b;
  for (int i = 0; i < 256; ++i) b.push_back(std::uint8_t(i));
  return b;
}

TEST(ToolArchive, ListsAndExtractsHandMadeArchivesByteForByte) {
  TempDir dir;
  // "背景" in Shift-JIS; its second character's trail byte is a letter-range byte.
  const std::string sjisName = "\x94\x77\x8C\x69";
  const std::vector<std::pair<std::string, Bytes>> entries = {
      {"Bg01", allByteValues()}, {sjisName, bytesOf("jp")}, {"empty", {}}};
  test::writeBytes(dir.file("qz_gra.tvn"), handMadeArchive(entries, false));
  test::writeBytes(dir.file("qz_data.tvn"), handMadeArchive(entries, true));

  const std::string expectedList =
      "Bg01\t104\t256\n背景\t360\t2\nempty\t362\t0\n";  // 8 + 3 * 32 = 104
  ToolRun list = tool(dir, "archive list qz_gra.tvn");
  EXPECT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(list.out, expectedList);
  ToolRun scriptList = tool(dir, "archive list qz_data.tvn");
  EXPECT_EQ(scriptList.out, "Bg01\t76\t256\n背景\t332\t2\nempty\t334\t0\n");  // 4 + 3 * 24

  for (const char* archive : {"qz_gra.tvn", "qz_data.tvn"}) {
    SCOPED_TRACE(archive);
    std::string out = std::string("out_") + archive;
    ToolRun all = tool(dir, std::string("archive extract ") + archive + " -o " + out);
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(test::readBytes(dir.file(out + "/Bg01")), allByteValues());
    EXPECT_EQ(test::readBytes(dir.file(out + "/背景")), bytesOf("jp"));
    EXPECT_TRUE(std::filesystem::exists(dir.file(out + "/empty")));
    EXPECT_EQ(std::filesystem::file_size(dir.file(out + "/empty")), 0u);
  }

  ToolRun some = tool(dir, "archive extract qz_data.tvn -o picked BG01");
  ASSERT_EQ(some.status, 0) << some.err;
  EXPECT_EQ(test::readBytes(dir.file("picked/Bg01")), allByteValues());
  EXPECT_FALSE(std::filesystem::exists(dir.file("picked/empty")));

  ToolRun missing = tool(dir, "archive extract qz_gra.tvn Bg01 nothing -o miss");
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nothing"), std::string::npos) << missing.err;
  EXPECT_EQ(test::readBytes(dir.file("miss/Bg01")), allByteValues());
}

TEST(ToolArchive, ExtractKeepsEntriesInsideTheOutputFolder) {
  TempDir dir;
  test::writeBytes(dir.file("evil.tvn"),
                   handMadeArchive({{"../escaped", bytesOf("x")}, {"ok", bytesOf("y")}}, false));
  ToolRun run = tool(dir, "archive extract evil.tvn -o sub/out");
  EXPECT_EQ(run.status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("sub/escaped")));
  EXPECT_EQ(test::readBytes(dir.file("sub/out/ok")), bytesOf("y"));
}

TEST(ToolArchive, PackBuildsArchivesThePlayerReads) {
  TempDir dir;
  test::writeBytes(dir.file("in/A01"), allByteValues());
  test::writeBytes(dir.file("in/se_01.wav"), bytesOf("RIFF"));
  test::writeBytes(dir.file("in/main"), Bytes{0x00, 0x01, 0x7F, 0x80, 0xFF});

  ToolRun general = tool(dir, "archive pack -o qz_gra.tvn in/A01 in/se_01.wav");
  ASSERT_EQ(general.status, 0) << general.err;
  ArchiveIndex g = readArchiveIndex(dir.file("qz_gra.tvn"), ArchiveLayout::General);
  EXPECT_EQ(g.l, 32);
  EXPECT_EQ(g.names, (std::vector<std::string>{"A01", "SE_01.WAV"}));
  EXPECT_EQ(*readEntry(g, findEntry(g, "a01")), allByteValues());

  ToolRun script = tool(dir, "archive pack in/main -o qz_data2.tvn");
  ASSERT_EQ(script.status, 0) << script.err;
  Bytes file = test::readBytes(dir.file("qz_data2.tvn"));
  ASSERT_EQ(file.size(), 4u + 24u + 5u);
  EXPECT_EQ(Bytes(file.end() - 5, file.end()), (Bytes{0x00, 0xFF, 0x81, 0x80, 0x01}));

  ToolRun narrow = tool(dir, "archive pack --layout general --name-length 4 -o x.tvn in/A01");
  ASSERT_EQ(narrow.status, 0) << narrow.err;
  EXPECT_EQ(readArchiveIndex(dir.file("x.tvn"), ArchiveLayout::General).l, 4);

  ToolRun tooLong = tool(dir, "archive pack --name-length 4 -o y.tvn in/se_01.wav");
  EXPECT_EQ(tooLong.status, 1);
  EXPECT_NE(tooLong.err.find("se_01.wav"), std::string::npos) << tooLong.err;
  EXPECT_NE(tooLong.err.find("3 at most"), std::string::npos) << tooLong.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("y.tvn")));
}

TEST(ToolArchive, UsageHelpAndFailuresHaveTheirExitCodes) {
  TempDir dir;
  test::writeBytes(dir.file("bad.tvn"), Bytes{5, 0, 0, 0, 8, 0, 0, 0});
  struct Case {
    const char* args;
    int status;
    const char* inOutput;  // expected on stdout (status 0) or stderr
  };
  const Case cases[] = {
      {"archive --help", 0, "usage: torvan-tool archive"},
      {"archive list --help", 0, "usage: torvan-tool archive list"},
      {"archive extract --help", 0, "usage: torvan-tool archive extract"},
      {"archive pack --help", 0, "usage: torvan-tool archive pack"},
      {"script --help", 0, "usage: torvan-tool script"},
      {"script compile --help", 0, "usage: torvan-tool script compile"},
      {"script decompile --help", 0, "usage: torvan-tool script decompile"},
      {"archive", 2, "usage"},
      {"archive frobnicate", 2, "frobnicate"},
      {"archive list", 2, "FILE"},
      {"archive list a b", 2, "FILE"},
      {"archive list --bogus x", 2, "--bogus"},
      {"archive extract x.tvn", 2, "-o"},
      {"archive pack in", 2, "-o"},
      {"archive pack -o o.tvn --layout odd in", 2, "--layout"},
      {"archive pack -o qz_data.tvn --name-length 8 in", 2, "--name-length"},
      {"script compile a.txt", 2, "-o"},
      {"script", 2, "usage"},
      {"archive list absent.tvn", 1, "absent.tvn"},
      {"archive list bad.tvn", 1, "bad.tvn"},
      {"archive pack -o o.tvn absent", 1, "absent"},
      {"script compile absent.txt -o o.tvn", 1, "absent.txt"},
  };
  for (const Case& c : cases) {
    ToolRun run = tool(dir, c.args);
    EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.err;
    const std::string& shown = c.status == 0 ? run.out : run.err;
    EXPECT_NE(shown.find(c.inOutput), std::string::npos) << c.args << ": " << shown;
  }
}

TEST(ToolScript, CompileAndDecompileRoundTrip) {
  TempDir dir;
  // CRLF and LF line ends, an empty line, a final line without a line end.
  test::writeText(dir.file("src/main.txt"), "＊はじめに\r\n本文です。\n\n\\\r\n*end");
  test::writeText(dir.file("src/Sub.scn.txt"),
                  "\xEF\xBB\xBF"
                  "abc\n");
  test::writeText(dir.file("src/empty.txt"), "");
  ToolRun compile =
      tool(dir, "script compile src/main.txt src/Sub.scn.txt src/empty.txt -o qz_data.tvn");
  ASSERT_EQ(compile.status, 0) << compile.err;

  ArchiveIndex index = readArchiveIndex(dir.file("qz_data.tvn"), ArchiveLayout::Script);
  ASSERT_EQ(index.names, (std::vector<std::string>{"MAIN", "SUB.SCN", "EMPTY"}));
  auto main = readEntry(index, 0);
  ASSERT_TRUE(main.ok());
  Bytes plain = *main;
  for (std::uint8_t& b : plain) b = std::uint8_t(0u - b);
  // Shift-JIS: ＊ 81 96, は 82 CD, じ 82 B6, め 82 DF, に 82 C9; 本 96 7B, 文 95 B6,
  // で 82 C5, す 82 B7, 。 81 42.
  const Bytes expected = {0x81, 0x96, 0x82, 0xCD, 0x82, 0xB6, 0x82, 0xDF, 0x82, 0xC9,
                          0x00, 0x96, 0x7B, 0x95, 0xB6, 0x82, 0xC5, 0x82, 0xB7, 0x81,
                          0x42, 0x00, 0x00, '\\', 0x00, '*',  'e',  'n',  'd',  0x00};
  EXPECT_EQ(plain, expected);
  EXPECT_EQ(*readEntry(index, 1), (Bytes{0x9F, 0x9E, 0x9D, 0x00}));  // "abc\0" negated
  EXPECT_EQ(index.sizes[2], 0);

  ToolRun decompile = tool(dir, "script decompile qz_data.tvn -o back");
  ASSERT_EQ(decompile.status, 0) << decompile.err;
  EXPECT_EQ(test::readText(dir.file("back/main.txt")), "＊はじめに\n本文です。\n\n\\\n*end\n");
  EXPECT_EQ(test::readText(dir.file("back/Sub.scn.txt")), "abc\n");
  EXPECT_EQ(test::readText(dir.file("back/empty.txt")), "");

  // The decompiled text compiles to the very same archive.
  ToolRun again =
      tool(dir, "script compile back/main.txt back/Sub.scn.txt back/empty.txt -o again.tvn");
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(test::readBytes(dir.file("again.tvn")), test::readBytes(dir.file("qz_data.tvn")));

  ToolRun one = tool(dir, "script decompile qz_data.tvn sub.scn -o one");
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_TRUE(std::filesystem::exists(dir.file("one/Sub.scn.txt")));
  EXPECT_FALSE(std::filesystem::exists(dir.file("one/main.txt")));
}

TEST(ToolScript, CompileRefusesWhatTheArchiveCannotHold) {
  TempDir dir;
  test::writeText(dir.file("ok.txt"), "fine\n");
  test::writeText(dir.file("hangul.txt"), "一行目\n二行目に한\n");
  test::writeText(dir.file("broken.txt"), "a\nb\xFF\n");
  test::writeText(dir.file("a_name_far_too_long.txt"), "x\n");
  struct Case {
    const char* source;
    std::vector<const char*> inError;
  };
  const Case cases[] = {
      {"hangul.txt", {"hangul.txt", "line 2", "U+D55C"}},
      {"broken.txt", {"broken.txt", "line 2", "UTF-8"}},
      {"a_name_far_too_long.txt", {"a_name_far_too_long", "15"}},
  };
  for (const Case& c : cases) {
    ToolRun run = tool(dir, std::string("script compile ok.txt ") + c.source + " -o out.tvn");
    EXPECT_EQ(run.status, 1) << c.source;
    for (const char* part : c.inError)
      EXPECT_NE(run.err.find(part), std::string::npos) << part << " in: " << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("out.tvn")));
  }
}

}  // namespace
}  // namespace torvan
