// The mixer rendered through an OpenAL Soft loopback device: what the slots, the
// streamed music with its loop point and the fades really put out.
#include "sound/mixer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "archive/archive_writer.h"
#include "core/engine.h"
#include "headless_support.h"
#include "platform/headless/headless_host.h"
#include "sound/ogg_encoder.h"
#include "sound/openal_output.h"
#include "sound/sound_system.h"
#include "sound/wady_encoder.h"

namespace torvan {
namespace {

constexpr int kRate = 8000;
// One 55 ms timer tick of rendering.
constexpr int kTickFrames = kRate * 55 / 1000;

using Samples = std::vector<std::int16_t>;

// A signal that never repeats within a test, so a wrong second or a wrong predictor
// shows up as a mismatch.
Pcm wobble(int channels, double seconds) {
  Pcm p;
  p.format = WaveFormat::pcm16(channels, kRate);
  const auto frames = static_cast<std::size_t>(seconds * kRate);
  for (std::size_t i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    for (int c = 0; c < channels; ++c) {
      const double f = 110.0 + 40.0 * t + 70.0 * c;
      p.samples.push_back(static_cast<std::int16_t>(
          9000.0 * std::sin(2 * std::numbers::pi * f * t) + 3000.0 * std::sin(7.0 * t + c)));
    }
  }
  return p;
}

Pcm constant(int channels, double seconds, std::int16_t value) {
  Pcm p;
  p.format = WaveFormat::pcm16(channels, kRate);
  p.samples.assign(static_cast<std::size_t>(seconds * kRate) * channels, value);
  return p;
}

struct LoopStream {
  Bytes file;  // junk, the entry, junk
  std::int64_t offset = 0;
  std::int64_t end = 0;
  Bytes entry;
};

// The entry sits between junk bytes that would wreck the predictors if the stream ever
// read them.
LoopStream makeStream(const Pcm& pcm, std::int64_t loopFrame) {
  WadyDeltaOptions o;
  o.loopStartFrame = loopFrame;
  Result<Bytes> entry = encodeWadyDeltas(pcm, o);
  EXPECT_TRUE(entry.ok());
  LoopStream s;
  s.entry = *entry;
  s.file.assign(100, 0x7F);
  s.offset = 100;
  s.file.insert(s.file.end(), entry->begin(), entry->end());
  s.end = static_cast<std::int64_t>(s.file.size());
  s.file.insert(s.file.end(), 5000, 0x3F);
  return s;
}

// What the stream should sound like: straight through the coded data, then the loop
// segment again and again from the header's predictors, one frame at a time.
Samples expectedStream(const Bytes& entry, std::size_t frames) {
  WadyHeader h = *parseWadyHeader(entry);
  const int ch = h.channels;
  ByteSpan codes =
      ByteSpan(entry).subspan(kWadyHeaderSize, static_cast<std::size_t>(h.codedLength));
  const std::size_t total = codes.size() / ch;
  const std::size_t loopFrame = static_cast<std::size_t>(h.loopStart) / ch;
  Samples out(frames * ch);
  WadyPredictor p;
  std::size_t pos = 0;
  for (std::size_t i = 0; i < frames; ++i) {
    if (pos == total) {
      pos = loopFrame;
      p = {h.loopLeft, h.loopRight};
    }
    decodeWadyDeltas(codes.subspan(pos * ch, ch), std::span(out).subspan(i * ch, ch), h.scale, p,
                     ch, 1);
    ++pos;
  }
  return out;
}

class MixerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto out = OpenAlOutput::openLoopback(kRate);
    if (!out) GTEST_SKIP() << "OpenAL Soft loopback device unavailable";
    device = out.get();
    MixerVolumes v;
    v.vol1 = v.vol2 = v.vol3 = v.vol4 = 0;
    mixer.init(std::move(out), v);
  }

  // Renders n stereo frames, in 16-bit units.
  std::vector<float> render(int frames) {
    std::vector<float> buf(static_cast<std::size_t>(frames) * 2);
    device->render(buf);
    for (float& f : buf) f *= 32768.f;
    return buf;
  }

  void setVolumes(int vol1, int vol2, int vol3) {
    MixerVolumes v = mixer.volumes();
    v.vol1 = vol1;
    v.vol2 = vol2;
    v.vol3 = vol3;
    mixer.applyVolumes(v);
  }

  Mixer mixer;
  OpenAlOutput* device = nullptr;
};

TEST(MixerVolume, HundredthsOfADecibelBecomeGain) {
  EXPECT_FLOAT_EQ(gainFromVolume(0), 1.f);
  EXPECT_NEAR(gainFromVolume(-600), 0.5012f, 1e-4);
  EXPECT_NEAR(gainFromVolume(-2000), 0.1f, 1e-6);
  EXPECT_NEAR(gainFromVolume(-3000), 0.03162f, 1e-5);
  EXPECT_FLOAT_EQ(gainFromVolume(500), 1.f);  // no amplification
  EXPECT_NEAR(gainFromVolume(-1'000'000), 1e-5f, 1e-7);
}

TEST(MixerWithoutDevice, EveryOperationReturnsAtOnce) {
  Mixer m;
  EXPECT_FALSE(m.ready());
  EXPECT_FALSE(m.play(kSlotVoice, constant(1, 0.1, 100)));
  EXPECT_FALSE(m.playing(kSlotVoice));
  LoopStream s = makeStream(wobble(1, 1.0), 0);
  EXPECT_EQ(m.startStream(std::make_unique<MemoryStreamSource>(s.file), s.offset, s.end), 0);
  EXPECT_FALSE(m.streaming());
  m.fadeOut(30);
  EXPECT_FALSE(m.fading());
  m.tick();
  m.releaseAll();
}

struct LoopCase {
  const char* what;
  int channels;
  double codedSeconds;
  double loopSeconds;
};

// Plays the stream tick by tick for seven seconds and compares every rendered frame
// with the straight-then-looping decode.
class StreamLoop : public MixerTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(StreamLoop, CrossesTheLoopPointWithTheHeadersPredictors) {
  const LoopCase c = GetParam();
  const LoopStream s = makeStream(wobble(c.channels, c.codedSeconds),
                                  static_cast<std::int64_t>(c.loopSeconds * kRate));
  ASSERT_EQ(mixer.startStream(std::make_unique<MemoryStreamSource>(s.file), s.offset, s.end), 0);
  ASSERT_TRUE(mixer.streaming());
  const int ticks = 7000 / 55;
  const Samples want = expectedStream(s.entry, static_cast<std::size_t>(ticks) * kTickFrames);
  const int ch = c.channels;
  for (int k = 0; k < ticks; ++k) {
    std::vector<float> got = render(kTickFrames);
    for (int i = 0; i < kTickFrames; ++i) {
      const std::size_t frame = static_cast<std::size_t>(k) * kTickFrames + i;
      const float left = want[frame * ch];
      const float right = want[frame * ch + ch - 1];
      if (std::abs(got[2 * i] - left) > 1.5f || std::abs(got[2 * i + 1] - right) > 1.5f) {
        FAIL() << "frame " << frame << " (" << frame / double(kRate) << " s): got " << got[2 * i]
               << "/" << got[2 * i + 1] << ", want " << left << "/" << right;
      }
    }
    mixer.tick();
  }
  EXPECT_TRUE(mixer.streaming());  // a stream never ends by itself
}

INSTANTIATE_TEST_SUITE_P(Mixer, StreamLoop,
                         ::testing::Values(
                             // The second refill finds the read position exactly at the data end
                             // and takes the whole second from the loop start.
                             LoopCase{"refill at the data end", 2, 5.0, 1.25},
                             LoopCase{"crossing inside a second", 2, 4.5, 0.5},
                             LoopCase{"mono", 1, 5.0, 2.0},
                             // Shorter than the first four-second fill: it loops inside that fill.
                             LoopCase{"shorter than the first fill", 2, 1.5, 0.25},
                             LoopCase{"loop from the start", 1, 3.0, 0.0}),
                         [](const auto& info) {
                           std::string n = info.param.what;
                           for (char& ch : n)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return n;
                         });

struct FadeCase {
  int vol3;
  std::int64_t step;
  int stopTick;
};

class Fade : public MixerTest, public ::testing::WithParamInterface<FadeCase> {};

// The fade starts from the volume last applied, falls by the step each tick, and stops
// the music on the first tick that takes it below -3000.
TEST_P(Fade, FallsByTheStepAndStopsBelowMinus3000) {
  const FadeCase c = GetParam();
  setVolumes(0, 0, c.vol3);
  const LoopStream s = makeStream(wobble(2, 8.0), 0);
  ASSERT_EQ(mixer.startStream(std::make_unique<MemoryStreamSource>(s.file), s.offset, s.end), 0);
  render(kTickFrames);
  mixer.tick();
  mixer.fadeOut(c.step);
  for (int k = 1; k < c.stopTick; ++k) {
    render(kTickFrames);
    mixer.tick();
    ASSERT_TRUE(mixer.streaming()) << "stopped early at tick " << k;
    ASSERT_EQ(mixer.fadeLevel(), c.vol3 - c.step * k);
  }
  // What is heard after tick k is the music at the fade's level. The device glides to a
  // new gain over a few thousand frames, so the end of a longer stretch is compared.
  const int settle = kRate;
  const Samples want =
      expectedStream(s.entry, static_cast<std::size_t>(c.stopTick) * kTickFrames + settle);
  std::vector<float> got = render(settle);
  const float gain = gainFromVolume(c.vol3 - c.step * (c.stopTick - 1));
  for (int i = settle - settle / 16; i < settle; ++i) {
    const std::size_t frame = static_cast<std::size_t>(c.stopTick) * kTickFrames + i;
    const float w = want[frame * 2] * gain;
    ASSERT_NEAR(got[2 * i], w, 1.5f + std::abs(w) * 0.005f) << "frame " << i;
  }
  mixer.tick();
  EXPECT_FALSE(mixer.streaming());
  EXPECT_FALSE(mixer.fading());
  for (float f : render(kTickFrames)) ASSERT_EQ(f, 0.f);
}

INSTANTIATE_TEST_SUITE_P(Mixer, Fade,
                         ::testing::Values(FadeCase{0, 30, 101}, FadeCase{-1800, 30, 41},
                                           FadeCase{0, 200, 16}, FadeCase{-3000, 1, 1}));

TEST_F(MixerTest, TheBgmSliderReachesTheMusicWithinOneTick) {
  const LoopStream s = makeStream(wobble(2, 6.0), 0);
  ASSERT_EQ(mixer.startStream(std::make_unique<MemoryStreamSource>(s.file), s.offset, s.end), 0);
  render(kTickFrames);
  mixer.tick();
  setVolumes(0, 0, -2000);
  render(kTickFrames);
  mixer.tick();
  EXPECT_EQ(mixer.appliedStreamVolume(), -2000);
  const int settle = kRate;
  const Samples want = expectedStream(s.entry, 2 * kTickFrames + settle);
  std::vector<float> got = render(settle);
  for (int i = settle - settle / 16; i < settle; ++i) {
    const float w = want[(2 * kTickFrames + i) * 2] * 0.1f;
    ASSERT_NEAR(got[2 * i], w, 1.5f + std::abs(w) * 0.005f);
  }
}

TEST_F(MixerTest, OneShotsPlayOnceAndANewSoundCutsTheOld) {
  ASSERT_TRUE(mixer.play(kSlotVoice, constant(1, 0.5, 1000)));
  ASSERT_TRUE(mixer.play(kSlotVoice, constant(1, 0.25, 3000)));
  EXPECT_TRUE(mixer.playing(kSlotVoice));
  std::vector<float> got = render(kRate / 10);
  // Mono reaches both speakers at full level, and only the newer voice is heard.
  EXPECT_NEAR(got[100], 3000.f, 1.f);
  EXPECT_NEAR(got[101], 3000.f, 1.f);
  render(kRate / 5);
  EXPECT_FALSE(mixer.playing(kSlotVoice));
  for (float f : render(kRate / 10)) ASSERT_EQ(f, 0.f);
}

TEST_F(MixerTest, ALoopingEffectKeepsPlayingUntilReleased) {
  ASSERT_TRUE(mixer.play(kSlotSeLoop, constant(2, 0.1, 2000), true));
  render(kRate);  // ten times its length
  EXPECT_TRUE(mixer.playing(kSlotSeLoop));
  EXPECT_NEAR(render(10)[19], 2000.f, 1.f);
  mixer.release(kSlotSeLoop);
  EXPECT_FALSE(mixer.playing(kSlotSeLoop));
}

// The effect slider changes effects already playing in slots 1 and 2 at once, but not
// an animation sound already playing in slot 5.
TEST_F(MixerTest, EffectVolumeReachesSlotsOneAndTwoButNotFive) {
  setVolumes(0, -1200, 0);
  struct {
    int slot;
    float gainAfter;
  } cases[] = {{kSlotSe, 1.f}, {kSlotSeLoop, 1.f}, {kSlotAnimSe, gainFromVolume(-1200)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.slot);
    setVolumes(0, -1200, 0);
    ASSERT_TRUE(mixer.play(c.slot, constant(2, 3.0, 10000), c.slot == kSlotSeLoop));
    EXPECT_NEAR(render(kRate).back(), 10000.f * gainFromVolume(-1200), 20.f);
    setVolumes(0, 0, 0);
    EXPECT_NEAR(render(kRate).back(), 10000.f * c.gainAfter, 20.f);
    mixer.release(c.slot);
  }
}

TEST_F(MixerTest, AnEntryThatIsNotAStreamPlaysNothing) {
  LoopStream s = makeStream(wobble(1, 1.0), 0);
  Bytes bad = s.file;
  bad[static_cast<std::size_t>(s.offset)] = 'X';
  EXPECT_EQ(mixer.startStream(std::make_unique<MemoryStreamSource>(bad), s.offset, s.end), 1);
  EXPECT_FALSE(mixer.streaming());
  // A header cut off by the end of the entry.
  EXPECT_EQ(
      mixer.startStream(std::make_unique<MemoryStreamSource>(s.file), s.offset, s.offset + 48), 1);
  Pcm odd = constant(2, 0.1, 5);
  odd.format.bitsPerSample = 8;
  EXPECT_FALSE(mixer.play(kSlotSe, odd));
}

TEST_F(MixerTest, AStreamLargerThanTheBuffersIsRefused) {
  Pcm big;
  big.format = WaveFormat::pcm16(2, 48000);
  big.samples.assign(48000 * 2, 0);
  Result<Bytes> entry = encodeWadyDeltas(big);
  ASSERT_TRUE(entry.ok());
  EXPECT_EQ(mixer.startStream(std::make_unique<MemoryStreamSource>(*entry), 0,
                              static_cast<std::int64_t>(entry->size())),
            1);
}

// The engine's sound operations over real archives, decoded and played through a
// loopback device that the test renders by hand.
class LoopbackDevice final : public AudioDevice {
 public:
  bool outputExists() override { return true; }
  std::unique_ptr<SoundOutput> open() override {
    auto out = OpenAlOutput::openLoopback(kRate);
    last = out.get();
    return out;
  }
  OpenAlOutput* last = nullptr;
};

class SoundSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!OpenAlOutput::openLoopback(kRate)) GTEST_SKIP() << "OpenAL Soft loopback unavailable";
    game.addScripts({{"main", "=\n"}});
    game.setSettings("[KANOVELLA]\nVol1=0\nVol2=0\nVol3=0\n");
    Result<Bytes> voice = encodeOggVorbis(wobble(1, 0.3));
    Result<Bytes> effect = encodeWadyRuns(constant(1, 0.2, 4000));
    Result<Bytes> loop = encodeWadyRuns(constant(2, 0.1, 4000));
    WadyDeltaOptions o;
    o.loopStartFrame = kRate / 2;
    Result<Bytes> music = encodeWadyDeltas(wobble(2, 2.0), o);
    ASSERT_TRUE(voice.ok() && effect.ok() && loop.ok() && music.ok());
    musicEntry = *music;
    write("qz_ogg1.tvn", {{"V001", *voice}});
    write("qz_se0.tvn", {{"SSE01", *effect}});
    write("qz_se2.tvn", {{"LOOP1", *loop}});
    write("qz_bgm.tvn", {{"M03", *music}, {"M04", Bytes(64, 'x')}});
    HeadlessOptions ho;
    host = std::make_unique<HeadlessHost>(std::move(ho));
    EngineOptions opts = game.options();
    opts.audio = device;
    engine = std::make_unique<Engine>(*host, opts);
    engine->formCreate();
    InitSound(*engine);
    ASSERT_TRUE(engine->mixer.ready());
  }

  void write(const std::string& file, std::vector<ArchiveSource> entries) {
    ASSERT_TRUE(writeArchive(game.gameDir() + "/" + file, entries, ArchiveLayout::General).ok());
  }

  std::vector<float> render(int frames) {
    std::vector<float> buf(static_cast<std::size_t>(frames) * 2);
    device->last->render(buf);
    for (float& f : buf) f *= 32768.f;
    return buf;
  }

  test::Game game;
  std::shared_ptr<LoopbackDevice> device = std::make_shared<LoopbackDevice>();
  std::unique_ptr<HeadlessHost> host;
  std::unique_ptr<Engine> engine;
  Bytes musicEntry;
};

TEST_F(SoundSystemTest, VoicesPlayOnceAndNotWhileSkipping) {
  Engine& e = *engine;
  EXPECT_TRUE(e.sound.waveOutput);
  EXPECT_EQ(PlaySound(e, "v001"), 0);
  EXPECT_TRUE(IsVoicePlaying(e));
  render(kRate / 10);
  EXPECT_TRUE(IsVoicePlaying(e));
  render(kRate / 2);
  EXPECT_FALSE(IsVoicePlaying(e));
  e.run.skipState = 1;
  PlaySoundCue(e, "V001");
  EXPECT_FALSE(IsVoicePlaying(e));
  e.run.skipState = 0;
  PlaySoundCue(e, "V001");
  EXPECT_TRUE(IsVoicePlaying(e));
  StopVoice(e);
  EXPECT_FALSE(IsVoicePlaying(e));
  EXPECT_EQ(PlaySound(e, "NOSUCH"), 1);
}

// "wait_v_end" holds the story until the timer finds the voice slot silent.
TEST_F(SoundSystemTest, TheVoiceWaitEndsAtTheFirstTickAfterTheVoice) {
  Engine& e = *engine;
  ASSERT_EQ(PlaySound(e, "V001"), 0);
  e.run.voiceWait = true;
  int ticks = 0;
  while (e.run.voiceWait && ticks < 100) {
    render(kTickFrames);
    e.timerTick();
    ++ticks;
  }
  // 0.3 s of voice is six ticks of 55 ms.
  EXPECT_EQ(ticks, 6);
}

TEST_F(SoundSystemTest, EffectsDecodeFromTheirArchivesAndTheLoopRunsUntilStopped) {
  Engine& e = *engine;
  ASSERT_EQ(PlaySound(e, "SSE01"), 0);
  ASSERT_EQ(PlaySound(e, "LOOP1"), 0);
  EXPECT_EQ(e.sound.loopSe, "LOOP1");
  std::vector<float> both = render(kRate / 20);
  EXPECT_NEAR(both[200], 8000.f, 300.f);  // the two effects, mixed
  render(kRate);
  EXPECT_FALSE(e.mixer.playing(kSlotSe));
  EXPECT_TRUE(e.mixer.playing(kSlotSeLoop));
  EXPECT_NEAR(render(kRate / 20)[200], 4000.f, 200.f);
  // The overall volume lies on top of every slot's own.
  SetMasterVolume(e, -2000);
  EXPECT_NEAR(render(kRate).back(), 400.f, 20.f);
  SetMasterVolume(e, 0);
  StopLoopSe(e);
  EXPECT_FALSE(e.mixer.playing(kSlotSeLoop));
  EXPECT_TRUE(e.sound.loopSe.empty());
}

// "music " -30 at "Vol3" 0: the timer fades it 0.3 dB per tick and the 101st tick stops
// it; the music was streamed from the archive file all along.
TEST_F(SoundSystemTest, MusicStreamsFromTheArchiveAndAFadeStopsOnThe101stTick) {
  Engine& e = *engine;
  SetMusic(e, 3);
  ASSERT_TRUE(e.mixer.streaming());
  const int ticks = 3000 / 55;
  const Samples want = expectedStream(musicEntry, static_cast<std::size_t>(ticks) * kTickFrames);
  for (int k = 0; k < ticks; ++k) {
    std::vector<float> got = render(kTickFrames);
    for (int i = 0; i < kTickFrames; ++i)
      ASSERT_NEAR(got[2 * i], want[(static_cast<std::size_t>(k) * kTickFrames + i) * 2], 1.5f)
          << "tick " << k << " frame " << i;
    e.timerTick();
  }
  SetMusic(e, -30);
  EXPECT_EQ(e.vars.sys[5], 0);
  for (int k = 1; k <= 100; ++k) {
    render(kTickFrames);
    e.timerTick();
    ASSERT_TRUE(e.mixer.streaming()) << "tick " << k;
  }
  render(kTickFrames);
  e.timerTick();
  EXPECT_FALSE(e.mixer.streaming());
}

TEST_F(SoundSystemTest, MusicThatIsNotWadyStopsTheOldAndPlaysNothing) {
  Engine& e = *engine;
  SetMusic(e, 3);
  ASSERT_TRUE(e.mixer.streaming());
  testing::internal::CaptureStderr();
  SetMusic(e, 4);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(e.mixer.streaming());
  EXPECT_EQ(e.vars.sys[5], 4);
  EXPECT_NE(err.find("M04"), std::string::npos);
  e.settings.bgmEnabled = 0;
  SetMusic(e, 3);
  EXPECT_FALSE(e.mixer.streaming());
  EXPECT_EQ(e.vars.sys[5], 0);
}

}  // namespace
}  // namespace torvan
