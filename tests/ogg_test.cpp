#include "sound/ogg.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "sound/ogg_encoder.h"

namespace torvan {
namespace {

using Samples = std::vector<std::int16_t>;

// `toneSeconds` of a 440 Hz tone, then digital silence up to `seconds`.
Pcm toneThenSilence(int channels, int rate, double toneSeconds, double seconds) {
  Pcm pcm;
  pcm.format = WaveFormat::pcm16(channels, rate);
  const auto frames = static_cast<std::size_t>(seconds * rate);
  const auto tone = static_cast<std::size_t>(toneSeconds * rate);
  for (std::size_t f = 0; f < frames; ++f)
    for (int c = 0; c < channels; ++c)
      pcm.samples.push_back(f < tone ? static_cast<std::int16_t>(std::lround(
                                           9000 * std::sin(2 * std::numbers::pi * 440 * f / rate)))
                                     : 0);
  return pcm;
}

TEST(OggTrim, DropsTrailingZeroWordsDownToHalf) {
  struct Case {
    Samples in;
    std::size_t played;
  };
  const Case cases[] = {
      {{1, 2, 3, 4, 5, 6, 7, 8}, 8},               // nothing to trim
      {{1, 2, 3, 4, 5, 6, 0, 0, 0, 0, 0, 0}, 6},   // zero words dropped
      {{1, 2, 3, 4, 5, 6, 0, 0, 5, 0, 0, 0}, 10},  // the last nonzero word plays whole
      {{1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 6},   // but never below half
      {{0, 0, 0, 0, 0, 0, 0, 0}, 4},
      {{7}, 1},
      {{}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(playableOggSamples(c.in), c.played) << c.in.size();
}

TEST(OggDecode, VoiceMadeWithTheEncoderDecodesAndTrims) {
  struct Case {
    int channels;
    int rate;
    double tone;
  };
  for (Case c : {Case{1, 44100, 0.6}, Case{2, 22050, 0.6}, Case{1, 22050, 0.1}}) {
    const Pcm in = toneThenSilence(c.channels, c.rate, c.tone, 1.0);
    auto ogg = encodeOggVorbis(in, 0.4f);
    ASSERT_TRUE(ogg.ok()) << ogg.error().text();
    auto out = decodeOggEntry(*ogg, "qz_ogg1.tvn", "V001");
    ASSERT_TRUE(out.ok()) << out.error().text();
    EXPECT_EQ(out->format, WaveFormat::pcm16(c.channels, c.rate));

    // The silent second half is dropped; a short tone still plays half the voice.
    const double seconds = static_cast<double>(out->frames()) / c.rate;
    if (c.tone > 0.5) {
      EXPECT_GT(seconds, c.tone - 0.01);
      EXPECT_LT(seconds, c.tone + 0.05);
    } else {
      EXPECT_NEAR(seconds, 0.5, 0.001);
    }
    // And what plays is the tone: lossy, but close.
    double signal = 0, error = 0;
    const std::size_t toneSamples = static_cast<std::size_t>(0.09 * c.rate) * c.channels;
    for (std::size_t i = 0; i < toneSamples; ++i) {
      signal += double(in.samples[i]) * in.samples[i];
      error += std::pow(double(in.samples[i]) - out->samples[i], 2);
    }
    EXPECT_GT(10 * std::log10(signal / error), 15.0) << c.channels << " " << c.rate;
  }
}

TEST(OggDecode, BadDataIsAnErrorOrACleanCut) {
  std::mt19937 rng(1);
  Bytes noise(4000);
  for (auto& b : noise) b = static_cast<std::uint8_t>(rng());
  Bytes fakePage = noise;
  fakePage[0] = 'O', fakePage[1] = 'g', fakePage[2] = 'g', fakePage[3] = 'S';
  for (const Bytes& bad : {Bytes{}, noise, fakePage}) {
    auto r = decodeOggEntry(bad, "qz_ogg2.tvn", "BAD");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().entry, "BAD");
  }

  const Pcm in = toneThenSilence(2, 22050, 1.0, 1.0);
  auto ogg = encodeOggVorbis(in);
  ASSERT_TRUE(ogg.ok());
  auto whole = decodeOggEntry(*ogg);
  ASSERT_TRUE(whole.ok());
  // Cut short or damaged in the middle: refused, or decoded as far as it goes.
  for (std::size_t size = 0; size < ogg->size(); size += ogg->size() / 23 + 1) {
    Bytes part(ogg->begin(), ogg->begin() + static_cast<std::ptrdiff_t>(size));
    testing::internal::CaptureStderr();
    auto r = decodeOggEntry(part);
    testing::internal::GetCapturedStderr();
    if (r.ok()) {
      EXPECT_LE(r->samples.size(), whole->samples.size()) << size;
    }
    Bytes damaged = *ogg;
    for (std::size_t i = size; i < std::min(size + 64, damaged.size()); ++i) damaged[i] ^= 0x5A;
    testing::internal::CaptureStderr();
    auto d = decodeOggEntry(damaged);
    testing::internal::GetCapturedStderr();
    if (d.ok()) {
      EXPECT_EQ(d->channels(), 2);
    }
  }
}

}  // namespace
}  // namespace torvan
