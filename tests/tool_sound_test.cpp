// torvan-tool "sound", run as the separate program users run.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "sound/wady.h"
#include "test_support.h"

namespace torvan {
namespace {

using test::TempDir;

struct ToolRun {
  int status = -1;
  std::string err;
};

ToolRun tool(const TempDir& dir, const std::string& args) {
  const std::string errFile = dir.file(".stderr");
  const std::string command = "cd '" + dir.path() + "' && '" TORVAN_TOOL "' sound " + args +
                              " >/dev/null 2>'" + errFile + "'";
  const int raw = std::system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::readText(errFile)};
}

struct Wav {
  int channels = 0;
  int rate = 0;
  std::vector<std::int16_t> samples;
};

// A canonical 16-bit PCM WAV file, written here byte by byte.
Bytes wavBytes(const Wav& w) {
  ByteWriter out;
  const auto dataSize = static_cast<std::int32_t>(w.samples.size() * 2);
  out.bytes(ByteSpan(reinterpret_cast<const std::uint8_t*>("RIFF"), 4));
  out.i32(36 + dataSize);
  out.bytes(ByteSpan(reinterpret_cast<const std::uint8_t*>("WAVEfmt "), 8));
  out.i32(16);
  out.u16(1);
  out.u16(static_cast<std::uint16_t>(w.channels));
  out.i32(w.rate);
  out.i32(w.rate * w.channels * 2);
  out.u16(static_cast<std::uint16_t>(w.channels * 2));
  out.u16(16);
  out.bytes(ByteSpan(reinterpret_cast<const std::uint8_t*>("data"), 4));
  out.i32(dataSize);
  for (std::int16_t s : w.samples) out.u16(static_cast<std::uint16_t>(s));
  return out.take();
}

// Reads the fmt and data chunks of a 16-bit PCM WAV file, skipping any others.
Wav parseWav(const Bytes& file) {
  Wav w;
  ByteReader r(file);
  r.seek(12);
  while (r.remaining() >= 8) {
    const std::string id(reinterpret_cast<const char*>(r.bytes(4).data()), 4);
    const auto size = static_cast<std::size_t>(r.i32());
    ByteSpan body = r.bytes(size);
    if (size & 1) r.u8();
    if (id == "fmt " && body.size() >= 16) {
      EXPECT_EQ(loadU16(body.data()), 1);
      EXPECT_EQ(loadU16(body.data() + 14), 16);
      w.channels = loadU16(body.data() + 2);
      w.rate = loadI32(body.data() + 4);
    } else if (id == "data") {
      for (std::size_t i = 0; i + 1 < body.size(); i += 2)
        w.samples.push_back(static_cast<std::int16_t>(loadU16(body.data() + i)));
    }
  }
  return w;
}

Wav chord(int channels, int rate, double seconds) {
  Wav w{channels, rate, {}};
  const auto frames = static_cast<std::size_t>(seconds * rate);
  for (std::size_t f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c)
      w.samples.push_back(static_cast<std::int16_t>(
          std::lround(7000 * std::sin(2 * std::numbers::pi * (330 + 165 * c) * f / rate))));
  return w;
}

double maxError(const Wav& a, const Wav& b) {
  double worst = 0;
  for (std::size_t i = 0; i < a.samples.size(); ++i)
    worst = std::max(worst, std::abs(double(a.samples[i]) - b.samples[i]));
  return worst;
}

TEST(ToolSound, WadyEncodeAndDecodeBothCodings) {
  TempDir dir;
  const Wav music = chord(2, 22050, 5.0);
  test::writeBytes(dir.file("music.wav"), wavBytes(music));
  ASSERT_EQ(tool(dir, "encode music.wav -o M01 --coding delta --loop-start 1.5").status, 0);
  auto header = parseWadyHeader(test::readBytes(dir.file("M01")));
  ASSERT_TRUE(header.ok());
  EXPECT_EQ(header->loopStart, 2 * 33075);
  EXPECT_EQ(header->sampleRate, 22050);

  const Wav effect = chord(1, 11025, 0.5);
  test::writeBytes(dir.file("se.wav"), wavBytes(effect));
  ASSERT_EQ(tool(dir, "encode se.wav -o SSE01 --coding runs").status, 0);

  // The coding is recognised from the header when not given.
  for (auto [entry, original] : {std::pair{"M01", &music}, std::pair{"SSE01", &effect}}) {
    const std::string out = std::string(entry) + ".wav";
    ToolRun run = tool(dir, std::string("decode ") + entry + " -o " + out);
    ASSERT_EQ(run.status, 0) << run.err;
    const Wav back = parseWav(test::readBytes(dir.file(out)));
    EXPECT_EQ(back.channels, original->channels);
    EXPECT_EQ(back.rate, original->rate);
    ASSERT_EQ(back.samples.size(), original->samples.size());
    EXPECT_LT(maxError(*original, back), 700) << entry;
  }
}

TEST(ToolSound, VoiceEncodeAndDecode) {
  TempDir dir;
  test::writeBytes(dir.file("v.wav"), wavBytes(chord(1, 22050, 0.8)));
  ASSERT_EQ(tool(dir, "encode-voice v.wav -o V001.ogg --quality 0.2").status, 0);
  ToolRun run = tool(dir, "decode V001.ogg -o back.wav");
  ASSERT_EQ(run.status, 0) << run.err;
  const Wav back = parseWav(test::readBytes(dir.file("back.wav")));
  EXPECT_EQ(back.rate, 22050);
  EXPECT_EQ(back.samples.size(), 17640u);
}

TEST(ToolSound, ExitStatuses) {
  TempDir dir;
  test::writeBytes(dir.file("x.wav"), wavBytes(chord(1, 8000, 0.1)));
  test::writeText(dir.file("junk"), "not a sound at all, but long enough to have a header...");
  const std::pair<const char*, int> cases[] = {
      {"--help", 0},
      {"encode --help", 0},
      {"", 2},
      {"transcode x.wav", 2},
      {"encode x.wav -o y", 2},  // no coding
      {"encode x.wav -o y --coding lzw", 2},
      {"encode x.wav -o y --coding runs --loop-start 1", 2},
      {"encode x.wav -o y --coding delta --loop-start 9", 1},  // past the end
      {"encode missing.wav -o y --coding delta", 1},
      {"decode junk -o z.wav", 1},
  };
  for (auto [args, status] : cases) EXPECT_EQ(tool(dir, args).status, status) << args;
}

}  // namespace
}  // namespace torvan
