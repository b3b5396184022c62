#include "sound/wady.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "sound/wady_encoder.h"

namespace torvan {
namespace {

using Samples = std::vector<std::int16_t>;

// Writes WADY bytes field by field, independently of the player's own header writer.
struct Le {
  Bytes b;
  Le& u8(int v) {
    b.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  Le& u16(int v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
  Le& u32(std::int64_t v) {
    return u16(static_cast<int>(v & 0xFFFF)).u16(static_cast<int>((v >> 16) & 0xFFFF));
  }
  Le& raw(const Bytes& more) {
    b.insert(b.end(), more.begin(), more.end());
    return *this;
  }
};

struct HeaderFields {
  int scale = 1;
  int channels = 1;
  int rate = 22050;
  std::int64_t codedLength = 0;
  std::int64_t frameCount = 0;
  std::int64_t decodedSize = 0;
  int formatChannels = -1;  // -1: same as channels
  int formatBits = 16;
  int formatTag = 1;
};

Bytes header(const HeaderFields& f) {
  const int fc = f.formatChannels < 0 ? f.channels : f.formatChannels;
  Le le;
  le.u8('W').u8('A').u8('D').u8('Y').u8(0x5A).u8(f.scale).u16(f.channels).u32(f.rate);
  le.u32(f.codedLength).u32(f.frameCount).u32(f.decodedSize).u32(0).u16(0).u16(0);
  le.u16(f.formatTag).u16(fc).u32(f.rate).u32(f.rate * fc * 2).u16(fc * 2).u16(f.formatBits);
  EXPECT_EQ(le.b.size(), 48u);
  return le.b;
}

Bytes runBlock(std::int64_t n, int initial, const Bytes& codes) {
  return Le().u32(0xDEADBEEF).u32(n).u16(initial).raw(codes).b;
}

std::uint8_t oneByte(int v) {
  return static_cast<std::uint8_t>(v << 1 | 1);
}
// A two-byte run code: length index li towards target (a multiple of 16).
Bytes runCode(int li, int target) {
  const auto c =
      static_cast<std::uint16_t>((static_cast<std::uint16_t>(target) & 0xFFF0) | li << 1);
  return {static_cast<std::uint8_t>(c), static_cast<std::uint8_t>(c >> 8)};
}

Samples decodeBlock(const Bytes& block, std::size_t room = 4096, WadyRunResult* result = nullptr) {
  Samples out(room, 0x7777);
  WadyRunResult r = decodeWadyRuns(block, out, 1);
  out.resize(r.written);
  if (result) *result = r;
  return out;
}

TEST(WadyDeltas, SingleCodesFollowTheTableAndWrap) {
  struct Case {
    std::int16_t before;
    std::uint8_t code;
    std::uint8_t scale;
    std::int16_t after;
  };
  const Case cases[] = {
      {1234, 0x80, 3, 0},                               // absolute 0
      {1234, 0xBF, 3, 32256},                           // largest positive absolute
      {1234, 0xC0, 3, -32768},                          // bit 6 of an absolute code is its sign
      {1234, 0xFF, 3, -512},    {1234, 0x40, 7, 1234},  // entry 64 adds nothing
      {1000, 0x41, 5, 990},                             // entry 65 is -2
      {1000, 0x07, 2, 1030},                            // entry 7 is 15
      {-5, 0x7F, 1, -1005},                             // entry 127 is -1000
      {32767, 0x01, 1, -32767},                         // 32767 + 2 wraps
      {32000, 0x3F, 1, -32536},                         // 32000 + 1000 wraps
      {0, 0x3F, 255, -7144},     // 1000 * 255 is cut to 16 bits before the sum
      {-32768, 0x41, 1, 32766},  // and sums wrap downwards too
  };
  for (const Case& c : cases) {
    WadyPredictor p{c.before, 99};
    Samples out(1);
    const Bytes code{c.code};
    ASSERT_EQ(decodeWadyDeltas(code, out, c.scale, p, 1, 1), 1u);
    EXPECT_EQ(out[0], c.after) << "code " << int(c.code) << " from " << c.before;
    EXPECT_EQ(p.left, c.after);
    EXPECT_EQ(p.right, 99) << "mono leaves the right predictor alone";
  }
}

TEST(WadyDeltas, StereoInterleavesAndPiecesContinueTheStream) {
  std::mt19937 rng(7);
  Bytes codes(2 * 1000);
  for (auto& b : codes) b = static_cast<std::uint8_t>(rng());
  Samples whole(codes.size());
  WadyPredictor p;
  ASSERT_EQ(decodeWadyDeltas(codes, whole, 9, p, 2, 1000), 1000u);

  // Left and right are independent predictors fed by alternate bytes.
  std::int16_t left = 0, right = 0;
  for (std::size_t f = 0; f < 1000; ++f) {
    for (int c = 0; c < 2; ++c) {
      std::int16_t& v = c == 0 ? left : right;
      const std::uint8_t b = codes[2 * f + c];
      v = b & 0x80
              ? static_cast<std::int16_t>((b & 0x7F) << 9)
              : static_cast<std::int16_t>(v + static_cast<std::int16_t>(kWadyDeltaTable[b] * 9));
      ASSERT_EQ(whole[2 * f + c], v) << "frame " << f << " channel " << c;
    }
  }

  WadyPredictor q;
  Samples pieces(codes.size());
  std::size_t done = 0;
  for (std::size_t piece : {1u, 333u, 2u, 664u}) {
    done += decodeWadyDeltas(ByteSpan(codes).subspan(2 * done), std::span(pieces).subspan(2 * done),
                             9, q, 2, piece);
  }
  EXPECT_EQ(done, 1000u);
  EXPECT_EQ(pieces, whole);
  EXPECT_EQ(q.left, p.left);
  EXPECT_EQ(q.right, p.right);
}

TEST(WadyDeltas, StopsWhereCodesOrOutputRunOut) {
  const Bytes codes(10, 0x01);
  Samples out(6);
  WadyPredictor p;
  EXPECT_EQ(decodeWadyDeltas(codes, out, 1, p, 2, 50), 3u) << "output holds 3 stereo frames";
  Samples big(100);
  WadyPredictor m;
  EXPECT_EQ(decodeWadyDeltas(codes, big, 1, m, 1, 50), 10u);
  EXPECT_EQ(m.left, 20);
  EXPECT_EQ(decodeWadyDeltas(codes, big, 1, m, 3, 2), 0u) << "only mono and stereo";
}

TEST(WadyRuns, OneByteCodes) {
  const Bytes codes{oneByte(1),            // +4
                    oneByte(33),           // -4
                    oneByte(31),           // +8000
                    oneByte(0x40 | 5),     // absolute 5 << 10
                    oneByte(0x40 | 0x3F),  // absolute 63 << 10 = -1024
                    oneByte(0x40 | 0x20),  // absolute 32 << 10 = -32768
                    oneByte(63)};          // -8000 wraps
  EXPECT_EQ(decodeBlock(runBlock(7, 100, codes)),
            (Samples{100, 104, 100, 8100, 5120, -1024, -32768, 24768}));
}

TEST(WadyRuns, TwoByteRunsInterpolateInSinglePrecision) {
  // -100 towards -848 in 3 steps of -249.333: the third lands at -847.99994, which
  // truncates to -847; the run still leaves the sample at its target.
  Bytes codes = runCode(0, -848);
  codes.push_back(oneByte(1));
  EXPECT_EQ(decodeBlock(runBlock(2, -100, codes)), (Samples{-100, -349, -598, -847, -844}));

  // Length index 7 writes 256 samples.
  Samples long256 = decodeBlock(runBlock(1, 0, runCode(7, 2560)));
  ASSERT_EQ(long256.size(), 257u);
  EXPECT_EQ(long256[1], 10);
  EXPECT_EQ(long256[128], 1280);
  EXPECT_EQ(long256[256], 2560);

  // Every length index, and the count of samples: 1 + one-byte codes + run lengths.
  Bytes all;
  for (int li = 0; li < 8; ++li) {
    Bytes c = runCode(li, li % 2 ? 1600 : -1600);
    all.insert(all.end(), c.begin(), c.end());
    all.push_back(oneByte(0));
  }
  EXPECT_EQ(decodeBlock(runBlock(16, 0, all)).size(), 1u + 8 + (3 + 4 + 5 + 6 + 8 + 16 + 32 + 256));
}

TEST(WadyRuns, RestartsFromSilenceThreeHundredCodesBeforeTheEnd) {
  // N = 300: the very first code starts from 0, not from the initial sample.
  Samples s300 = decodeBlock(runBlock(300, 5000, Bytes(300, oneByte(1))));
  ASSERT_EQ(s300.size(), 301u);
  EXPECT_EQ(s300[0], 5000);
  EXPECT_EQ(s300[1], 4);
  EXPECT_EQ(s300[300], 1200);

  // N = 302: codes 0 and 1 continue from the initial sample, code 2 starts over.
  Samples s302 = decodeBlock(runBlock(302, 5000, Bytes(302, oneByte(1))));
  EXPECT_EQ((Samples{s302[0], s302[1], s302[2], s302[3]}), (Samples{5000, 5004, 5008, 4}));

  // A run code at the restart interpolates from 0.
  Bytes codes = runCode(0, 48);
  codes.insert(codes.end(), 299, oneByte(0));
  Samples run = decodeBlock(runBlock(300, -9000, codes));
  EXPECT_EQ((Samples{run[0], run[1], run[2], run[3]}), (Samples{-9000, 16, 32, 48}));

  // Fewer than 300 codes never restart.
  Samples s5 = decodeBlock(runBlock(5, 5000, Bytes(5, oneByte(1))));
  EXPECT_EQ(s5.back(), 5020);
}

TEST(WadyRuns, CutAtTheEndOfInputOrOutput) {
  WadyRunResult r;
  // The last one-byte code needs no byte after it.
  decodeBlock(runBlock(2, 0, {oneByte(1), oneByte(1)}), 4096, &r);
  EXPECT_FALSE(r.inputCut);
  // Codes missing, a two-byte code broken off, a header broken off.
  EXPECT_EQ(decodeBlock(runBlock(5, 7, {oneByte(1)}), 4096, &r), (Samples{7, 11}));
  EXPECT_TRUE(r.inputCut);
  decodeBlock(runBlock(2, 7, {oneByte(1), runCode(3, 160)[0]}), 4096, &r);
  EXPECT_TRUE(r.inputCut);
  EXPECT_EQ(r.written, 2u);
  EXPECT_TRUE(decodeBlock(Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}, 4096, &r).empty());
  EXPECT_TRUE(r.inputCut);
  // A run longer than the room left is cut inside the run.
  EXPECT_EQ(decodeBlock(runBlock(1, 0, runCode(7, 2560)), 11, &r).size(), 11u);
  EXPECT_TRUE(r.outputCut);
  EXPECT_FALSE(r.inputCut);
  // A negative code count means no codes.
  EXPECT_EQ(decodeBlock(runBlock(-3, 9, {oneByte(1)}), 4096, &r), (Samples{9}));
}

// Decodes with stderr captured; returns what was warned.
template <class F>
std::string warnings(F&& decode) {
  testing::internal::CaptureStderr();
  decode();
  return testing::internal::GetCapturedStderr();
}

int lines(const std::string& text) {
  return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(WadyEffect, MonoAndStereoEntries) {
  HeaderFields f;
  f.decodedSize = 8;
  Bytes mono = header(f);
  Bytes monoBlock = runBlock(3, 10, {oneByte(1), oneByte(1), oneByte(33)});
  mono.insert(mono.end(), monoBlock.begin(), monoBlock.end());
  auto m = decodeWadyEffect(mono, "qz_se0.tvn", "SSE01");
  ASSERT_TRUE(m.ok()) << m.error().text();
  EXPECT_EQ(m->samples, (Samples{10, 14, 18, 14}));
  EXPECT_EQ(m->channels(), 1);
  EXPECT_EQ(m->rate(), 22050);

  // Stereo: L, the left block, 4 bytes, the right block at 56 + L. The header's own
  // channel field is ignored in favour of the format block's.
  f.channels = 0;
  f.formatChannels = 2;
  f.decodedSize = 13;  // rounded down to 6 samples
  const Bytes left = runBlock(2, 100, {oneByte(1), oneByte(1)});
  const Bytes right = runBlock(1, -100, runCode(0, -52 & ~15));
  Bytes stereo = Le().raw(header(f)).u32(left.size()).raw(left).u32(0x11111111).raw(right).b;
  std::string warned = warnings([&] {
    auto s = decodeWadyEffect(stereo, "qz_se1.tvn", "SE_STEREO");
    ASSERT_TRUE(s.ok());
    EXPECT_EQ(s->samples, (Samples{100, -100, 104, -88, 108, -76}));
  });
  EXPECT_EQ(lines(warned), 1) << "the right run's last sample has no room: " << warned;
  EXPECT_NE(warned.find("SE_STEREO"), std::string::npos);
}

TEST(WadyEffect, OverlongAndTruncatedEntriesAreCutWithOneWarning) {
  HeaderFields f;
  f.decodedSize = 10;  // 5 samples; the block expands to 257
  Bytes entry = Le().raw(header(f)).raw(runBlock(1, 0, runCode(7, 2560))).b;
  std::string warned = warnings([&] {
    auto r = decodeWadyEffect(entry, "qz_se0.tvn", "LONG");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->samples, (Samples{0, 10, 20, 30, 40}));
  });
  EXPECT_EQ(lines(warned), 1);
  EXPECT_NE(warned.find("qz_se0.tvn: LONG"), std::string::npos) << warned;

  // Every truncation of a stereo entry decodes without reading past it: each sample is
  // the full entry's or silence, and each cut entry warns once.
  f.formatChannels = 2;
  f.decodedSize = 40;
  const Bytes block = runBlock(6, 1000, Bytes(6, oneByte(2)));
  Bytes full = Le().raw(header(f)).u32(block.size()).raw(block).u32(0).raw(block).b;
  auto whole = decodeWadyEffect(full);
  ASSERT_TRUE(whole.ok());
  ASSERT_EQ(whole->samples.size(), 20u);
  for (std::size_t size = 48; size < full.size(); ++size) {
    Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(size));
    warned = warnings([&] {
      auto r = decodeWadyEffect(cut, "", "CUT");
      ASSERT_TRUE(r.ok());
      ASSERT_LE(r->samples.size(), 20u);
      for (std::size_t i = 0; i < r->samples.size(); ++i)
        EXPECT_TRUE(r->samples[i] == 0 || r->samples[i] == whole->samples[i]) << size << " " << i;
    });
    EXPECT_EQ(lines(warned), 1) << "size " << size << ": " << warned;
  }

  // A right-block offset outside the entry: the left channel still plays.
  Bytes badOffset = Le().raw(header(f)).u32(1 << 30).raw(block).b;
  warned = warnings([&] {
    auto r = decodeWadyEffect(badOffset, "", "ODD");
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r->samples[0], 1000);
    EXPECT_EQ(r->samples[2], 1008);
    EXPECT_EQ(r->samples[1], 0);
  });
  EXPECT_EQ(lines(warned), 1);

  // A decodedSize of 2 GB in a tiny entry is not allocated.
  f.formatChannels = 1;
  f.decodedSize = 0x7FFFFFFE;
  Bytes huge = Le().raw(header(f)).raw(runBlock(1, 5, {oneByte(1)})).b;
  warnings([&] {
    auto r = decodeWadyEffect(huge);
    ASSERT_TRUE(r.ok());
    EXPECT_LT(r->samples.size(), 10000u);
    EXPECT_EQ(r->samples[1], 9);
  });
}

TEST(WadyEntries, ForeignOrUnplayableHeadersAreRefused) {
  HeaderFields f;
  f.decodedSize = 100;
  f.frameCount = 10;
  Bytes good = Le().raw(header(f)).raw(Bytes(60, 0x80)).b;

  Bytes badMagic = good;
  badMagic[3] = 'Z';
  HeaderFields eight = f;
  eight.formatBits = 8;
  HeaderFields adpcm = f;
  adpcm.formatTag = 2;
  HeaderFields six = f;
  six.formatChannels = 6;
  HeaderFields zeroRate = f;
  zeroRate.rate = 0;
  const std::vector<Bytes> refused = {
      badMagic,
      Bytes(good.begin(), good.begin() + 47),
      Bytes{},
      Le().raw(header(eight)).raw(Bytes(60, 0x80)).b,
      Le().raw(header(adpcm)).raw(Bytes(60, 0x80)).b,
      Le().raw(header(six)).raw(Bytes(60, 0x80)).b,
      Le().raw(header(zeroRate)).raw(Bytes(60, 0x80)).b,
  };
  for (std::size_t i = 0; i < refused.size(); ++i) {
    EXPECT_FALSE(decodeWadyEffect(refused[i], "f", "E").ok()) << "case " << i;
    EXPECT_FALSE(decodeWadyOneShot(refused[i], "f", "E").ok()) << "case " << i;
    EXPECT_FALSE(decodeWadyStream(refused[i], "f", "E").ok()) << "case " << i;
  }
  auto error = decodeWadyOneShot(badMagic, "qz_bgm.tvn", "M01");
  EXPECT_EQ(error.error().file, "qz_bgm.tvn");
  EXPECT_EQ(error.error().entry, "M01");
  EXPECT_TRUE(decodeWadyOneShot(good).ok());
}

TEST(WadyOneShot, DecodesFrameCountFramesBoundedByEntryAndDecodedSize) {
  HeaderFields f;
  f.channels = 2;
  f.scale = 10;
  f.frameCount = 3;
  f.decodedSize = 12;
  const Bytes codes{0x01, 0x41, 0x01, 0x41, 0x90, 0xC0};
  auto r = decodeWadyOneShot(Le().raw(header(f)).raw(codes).b);
  ASSERT_TRUE(r.ok());
  EXPECT_EQ(r->samples, (Samples{20, -20, 40, -40, 16 << 9, -32768}));

  // frameCount beyond decodedSize, then beyond the entry: each cut once, with a warning.
  f.frameCount = 100;
  std::string warned = warnings([&] {
    auto cut = decodeWadyOneShot(Le().raw(header(f)).raw(codes).b, "anim", "S1");
    ASSERT_TRUE(cut.ok());
    EXPECT_EQ(cut->samples.size(), 6u);
  });
  EXPECT_EQ(lines(warned), 1) << warned;
  f.decodedSize = 1 << 30;
  warned = warnings([&] {
    auto cut = decodeWadyOneShot(Le().raw(header(f)).raw(codes).b, "anim", "S2");
    ASSERT_TRUE(cut.ok());
    EXPECT_EQ(cut->samples.size(), 6u) << "silence past the codes is not allocated";
  });
  EXPECT_EQ(lines(warned), 1) << warned;
}

Pcm testSignal(int channels, int rate, std::size_t frames, double amplitude, unsigned seed,
               double noiseShare = 1.0 / 50) {
  Pcm pcm;
  pcm.format = WaveFormat::pcm16(channels, rate);
  std::mt19937 rng(seed);
  std::normal_distribution<double> noise(0, amplitude * noiseShare);
  for (std::size_t f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      const double t = static_cast<double>(f) / rate;
      double v = amplitude * (0.6 * std::sin(2 * std::numbers::pi * (220 + 110 * c) * t) +
                              0.3 * std::sin(2 * std::numbers::pi * 1375 * t)) +
                 noise(rng);
      if (f > frames / 2 && f < frames / 2 + 40) v = c ? -amplitude : amplitude;  // an edge
      pcm.samples.push_back(
          static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0))));
    }
  }
  return pcm;
}

double snrDb(const Samples& reference, const Samples& decoded) {
  double signal = 0, error = 0;
  for (std::size_t i = 0; i < reference.size(); ++i) {
    signal += double(reference[i]) * reference[i];
    const double d = double(reference[i]) - decoded[i];
    error += d * d;
  }
  return 10 * std::log10(signal / std::max(error, 1.0));
}

TEST(WadyEncoder, DeltaRoundTripKeepsErrorSmall) {
  for (int channels : {1, 2}) {
    const Pcm in = testSignal(channels, 44100, 44100, 12000, 3);
    auto coded = encodeWadyDeltas(in);
    ASSERT_TRUE(coded.ok()) << coded.error().text();
    EXPECT_EQ(coded->size(), 48 + in.samples.size());
    auto out = decodeWadyOneShot(*coded);
    ASSERT_TRUE(out.ok());
    EXPECT_EQ(out->format, in.format);
    ASSERT_EQ(out->samples.size(), in.samples.size());
    auto stream = decodeWadyStream(*coded);
    ASSERT_TRUE(stream.ok());
    EXPECT_EQ(stream->samples, out->samples);
    EXPECT_GT(snrDb(in.samples, out->samples), 30.0) << channels << " channels";
    // Steady parts must not drift: the error at the end is as small as anywhere.
    double tail = 0;
    for (std::size_t i = in.samples.size() - 1000; i < in.samples.size(); ++i)
      tail = std::max(tail, std::abs(double(in.samples[i]) - out->samples[i]));
    EXPECT_LT(tail, 1500);
  }
}

TEST(WadyEncoder, ScaleFollowsTheLoudness) {
  const int quiet = chooseWadyScale(testSignal(1, 22050, 8000, 300, 1));
  const int loud = chooseWadyScale(testSignal(1, 22050, 8000, 20000, 1));
  EXPECT_LT(quiet, loud);
  EXPECT_LE(quiet, 3);
  EXPECT_GE(loud, quiet + 3);
}

TEST(WadyEncoder, LoopPredictorsLetTheStreamResumeSeamlessly) {
  const Pcm in = testSignal(2, 22050, 30000, 9000, 5);
  WadyDeltaOptions options;
  options.loopStartFrame = 12345;
  auto coded = encodeWadyDeltas(in, options);
  ASSERT_TRUE(coded.ok());
  auto h = parseWadyHeader(*coded);
  ASSERT_TRUE(h.ok());
  EXPECT_EQ(h->loopStart, 2 * 12345);
  EXPECT_EQ(h->codedLength, 60000);

  const ByteSpan codes = ByteSpan(*coded).subspan(48);
  Samples whole(60000);
  WadyPredictor p;
  decodeWadyDeltas(codes, whole, h->scale, p, 2, 30000);
  // Jumping to loopStart with the header's predictors gives the same samples as
  // playing through from the start.
  WadyPredictor jumped{h->loopLeft, h->loopRight};
  Samples resumed(60000 - 2 * 12345);
  decodeWadyDeltas(codes.subspan(2 * 12345), resumed, h->scale, jumped, 2, 30000 - 12345);
  EXPECT_TRUE(std::equal(resumed.begin(), resumed.end(), whole.begin() + 2 * 12345));

  options.loopStartFrame = 30000;
  EXPECT_FALSE(encodeWadyDeltas(in, options).ok());
  Pcm three = in;
  three.format.channels = 3;
  EXPECT_FALSE(encodeWadyDeltas(three).ok());
  EXPECT_FALSE(encodeWadyRuns(Pcm{WaveFormat::pcm16(1, 8000), {}}).ok());
}

TEST(WadyEncoder, RunRoundTripKeepsLengthAndQuality) {
  struct Case {
    int channels;
    std::size_t frames;
  };
  for (Case c :
       {Case{1, 1}, Case{1, 200}, Case{1, 300}, Case{1, 301}, Case{2, 22050}, Case{1, 9000}}) {
    // Effects are mostly clean recordings; runs only pay off where noise is low.
    const Pcm in = testSignal(c.channels, 22050, c.frames, 8000, 11, 1.0 / 2000);
    auto coded = encodeWadyRuns(in);
    ASSERT_TRUE(coded.ok()) << coded.error().text();
    std::string warned = warnings([&] {
      auto out = decodeWadyEffect(*coded, "", "RT");
      ASSERT_TRUE(out.ok());
      EXPECT_EQ(out->format, in.format);
      ASSERT_EQ(out->samples.size(), in.samples.size());
      if (c.frames > 1000) {
        EXPECT_GT(snrDb(in.samples, out->samples), 25.0);
      }
      int worst = 0;
      for (std::size_t i = 0; i < in.samples.size(); ++i)
        worst = std::max(worst, std::abs(in.samples[i] - out->samples[i]));
      EXPECT_LT(worst, 2000) << c.channels << "ch " << c.frames;
    });
    EXPECT_EQ(warned, "") << "an encoded entry decodes exactly to its size";
    if (c.frames > 1000) {
      EXPECT_LT(coded->size(), in.samples.size()) << "runs take less than a byte a sample";
    }
  }
}

}  // namespace
}  // namespace torvan
