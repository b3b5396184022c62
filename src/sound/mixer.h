// The eight sound slots, their volumes, and the streamed music with its loop point and
// fade. Everything here is bookkeeping over a SoundOutput; without one (no device, a
// failed set-up, the headless host) every operation returns at once and nothing plays.
//
// The stream keeps four one-second quarters queued on the output. Each timer tick
// refills the quarters that have finished playing with the next second of byte-delta
// codes, so up to three seconds of stalled ticks do not break the music. At the end of
// the coded data the stream continues from loopStart with the predictors the header
// gives for that point; a stream never ends by itself.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "sound/sound_output.h"
#include "sound/wady.h"

namespace torvan {

inline constexpr int kSlotVoice = 0;
inline constexpr int kSlotSe = 1;
inline constexpr int kSlotSeLoop = 2;
inline constexpr int kSlotBgm = 3;
inline constexpr int kSlotBgmSpare = 4;  // never filled; released before each music start
inline constexpr int kSlotAnimSe = 5;
inline constexpr int kSlotCount = 8;

// Volumes are hundredths of a decibel of attenuation; the sliders run -3000 .. 0.
inline constexpr int kSilentVolume = -3000;
float gainFromVolume(std::int64_t hundredthsDb);

struct MixerVolumes {
  int master = 0;
  int vol1 = 0;      // voices
  int vol2 = -1200;  // effects
  int vol3 = -1800;  // music
  int vol4 = -800;   // slots 6 and 7
};

// The coded bytes of a stream, read at absolute positions of their source.
class StreamSource {
 public:
  virtual ~StreamSource() = default;
  // Reads up to out.size() bytes at pos; returns how many were read.
  virtual std::size_t read(std::int64_t pos, std::span<std::uint8_t> out) = 0;
};

// An archive file kept open for the whole life of the stream.
class FileStreamSource final : public StreamSource {
 public:
  // Null when the file cannot be opened.
  static std::unique_ptr<FileStreamSource> open(const std::string& path);
  ~FileStreamSource() override;
  std::size_t read(std::int64_t pos, std::span<std::uint8_t> out) override;

 private:
  explicit FileStreamSource(std::FILE* f) : file_(f) {}
  std::FILE* file_;
};

class MemoryStreamSource final : public StreamSource {
 public:
  explicit MemoryStreamSource(Bytes data) : data_(std::move(data)) {}
  std::size_t read(std::int64_t pos, std::span<std::uint8_t> out) override;

 private:
  Bytes data_;
};

// Streams larger than this are refused: the engine's fixed buffers hold four seconds of
// 44.1 kHz stereo, and nothing the format allows needs more.
inline constexpr std::int64_t kMaxStreamSamplesPerSecond = 88200;
inline constexpr int kStreamQuarters = 4;

class Mixer {
 public:
  Mixer() = default;
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  // Takes the output over; a null output leaves sound unavailable.
  void init(std::unique_ptr<SoundOutput> output, const MixerVolumes& volumes);
  // Releases every slot and the output.
  void shutdown();
  bool ready() const { return output_ != nullptr; }
  SoundOutput* output() { return output_.get(); }

  const MixerVolumes& volumes() const { return volumes_; }
  // Takes new volumes and applies them to every slot that holds a sound, except slot 5,
  // which keeps the volume it started with.
  void applyVolumes(const MixerVolumes& volumes);
  // The level of a slot's volume setting.
  int slotVolume(int slot) const;

  // Starts decoded PCM in a slot at the slot's volume (released first). Returns false
  // when nothing plays.
  bool play(int slot, const Pcm& pcm, bool loop = false);
  void release(int slot);
  bool playing(int slot);
  void releaseAll();

  // Music and animation streams. Returns 0 when the stream plays, 1 when the bytes at
  // `offset` are not a playable WADY stream. `limit` is the end of the entry in the
  // source; coded data past it is never read.
  int startStream(std::unique_ptr<StreamSource> source, std::int64_t offset, std::int64_t limit);
  // Ends any fade and stream and releases the stream's slot (and the spare beside it).
  void stopStream();
  bool streaming() const { return stream_.source != nullptr; }
  // The fade runs from the volume last applied to the stream, whatever it is.
  void fadeOut(std::int64_t step);
  bool fading() const { return fade_.active; }
  std::int64_t fadeLevel() const { return fade_.level; }
  int appliedStreamVolume() const { return appliedVolume_; }
  // One timer tick: the master volume, the fade step and the refill of played quarters.
  void tick();

  // Decodes the stream's next `frames` frames into out (frames × channels samples),
  // jumping back to the loop start at the data end. Exposed for tests; the refill uses it.
  void decodeStream(std::span<std::int16_t> out);

 private:
  struct Stream {
    std::unique_ptr<StreamSource> source;
    WadyHeader header;
    std::int64_t dataStart = 0;
    std::int64_t dataEnd = 0;
    std::int64_t loopStart = 0;
    std::int64_t readPos = 0;
    WadyPredictor predictor;
    int nextQuarter = 0;
    bool broken = false;  // the source ended early or the loop is empty: silence
    std::vector<std::uint8_t> coded;
    std::vector<std::int16_t> pcm;  // one second
  };
  struct Fade {
    bool active = false;
    std::int64_t level = 0;
    std::int64_t step = 0;
  };

  std::unique_ptr<SoundOutput> output_;
  MixerVolumes volumes_;
  Stream stream_;
  Fade fade_;
  int appliedVolume_ = 0;
  int animSeVolume_ = 0;
};

}  // namespace torvan
