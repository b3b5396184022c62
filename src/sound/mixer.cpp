#include "sound/mixer.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

namespace torvan {

float gainFromVolume(std::int64_t hundredthsDb) {
  // The device's own floor is -100 dB; anything lower is silence anyway.
  const std::int64_t v = std::clamp<std::int64_t>(hundredthsDb, -10000, 0);
  return static_cast<float>(std::pow(10.0, static_cast<double>(v) / 2000.0));
}

std::unique_ptr<FileStreamSource> FileStreamSource::open(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return nullptr;
  return std::unique_ptr<FileStreamSource>(new FileStreamSource(f));
}

FileStreamSource::~FileStreamSource() {
  std::fclose(file_);
}

std::size_t FileStreamSource::read(std::int64_t pos, std::span<std::uint8_t> out) {
  if (pos < 0 || out.empty()) return 0;
  if (fseeko(file_, static_cast<off_t>(pos), SEEK_SET) != 0) return 0;
  return std::fread(out.data(), 1, out.size(), file_);
}

std::size_t MemoryStreamSource::read(std::int64_t pos, std::span<std::uint8_t> out) {
  if (pos < 0 || pos >= static_cast<std::int64_t>(data_.size())) return 0;
  const std::size_t n = std::min(out.size(), data_.size() - static_cast<std::size_t>(pos));
  std::copy_n(data_.begin() + pos, n, out.begin());
  return n;
}

void Mixer::init(std::unique_ptr<SoundOutput> output, const MixerVolumes& volumes) {
  shutdown();
  output_ = std::move(output);
  volumes_ = volumes;
  if (output_) output_->setMasterGain(gainFromVolume(volumes_.master));
}

void Mixer::shutdown() {
  if (!output_) return;
  stopStream();
  releaseAll();
  output_.reset();
}

int Mixer::slotVolume(int slot) const {
  switch (slot) {
    case kSlotVoice:
      return volumes_.vol1;
    case kSlotSe:
    case kSlotSeLoop:
    case kSlotAnimSe:
      return volumes_.vol2;
    case kSlotBgm:
    case kSlotBgmSpare:
      return volumes_.vol3;
    default:
      return volumes_.vol4;
  }
}

void Mixer::applyVolumes(const MixerVolumes& volumes) {
  volumes_ = volumes;
  if (!output_) return;
  output_->setMasterGain(gainFromVolume(volumes_.master));
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (slot == kSlotAnimSe || !output_->slotHolds(slot)) continue;
    output_->setSlotGain(slot, gainFromVolume(slotVolume(slot)));
  }
  if (output_->slotHolds(kSlotBgm)) appliedVolume_ = volumes_.vol3;
}

bool Mixer::play(int slot, const Pcm& pcm, bool loop) {
  if (!output_ || slot < 0 || slot >= kSlotCount) return false;
  output_->releaseSlot(slot);
  if (!pcm.format.isPlayablePcm16() || pcm.frames() == 0) return false;
  const int volume = slotVolume(slot);
  if (slot == kSlotAnimSe) animSeVolume_ = volume;
  std::span<const std::int16_t> samples(pcm.samples.data(), pcm.frames() * pcm.format.channels);
  return output_->playSlot(slot, pcm.format, samples, gainFromVolume(volume), loop);
}

void Mixer::release(int slot) {
  if (!output_ || slot < 0 || slot >= kSlotCount) return;
  if (slot == kSlotBgm) {
    stopStream();
    return;
  }
  output_->releaseSlot(slot);
}

bool Mixer::playing(int slot) {
  return output_ && slot >= 0 && slot < kSlotCount && output_->slotPlaying(slot);
}

void Mixer::releaseAll() {
  if (!output_) return;
  stopStream();
  for (int slot = 0; slot < kSlotCount; ++slot) output_->releaseSlot(slot);
}

int Mixer::startStream(std::unique_ptr<StreamSource> source, std::int64_t offset,
                       std::int64_t limit) {
  if (!output_) return 0;
  stopStream();
  output_->releaseSlot(kSlotBgmSpare);
  if (!source) return 1;

  std::array<std::uint8_t, kWadyHeaderSize> head{};
  if (offset < 0 || offset + static_cast<std::int64_t>(head.size()) > limit ||
      source->read(offset, head) != head.size())
    return 1;
  Result<WadyHeader> parsed = parseWadyHeader(head);
  if (!parsed) return 1;
  const WadyHeader& h = *parsed;
  const std::int64_t perSecond = static_cast<std::int64_t>(h.sampleRate) * h.channels;
  if ((h.channels != 1 && h.channels != 2) || h.sampleRate <= 0 ||
      perSecond > kMaxStreamSamplesPerSecond || h.codedLength <= 0)
    return 1;

  Stream& s = stream_;
  s.header = h;
  s.dataStart = offset + static_cast<std::int64_t>(kWadyHeaderSize);
  s.dataEnd = std::min<std::int64_t>(s.dataStart + h.codedLength, limit);
  if (s.dataEnd <= s.dataStart) return 1;
  // A loop point outside the coded data would jump nowhere; the whole entry loops then.
  s.loopStart = s.dataStart + h.loopStart;
  if (h.loopStart < 0 || s.loopStart >= s.dataEnd) s.loopStart = s.dataStart;
  s.readPos = s.dataStart;
  s.predictor = {};
  s.broken = false;
  s.nextQuarter = 0;
  s.coded.assign(static_cast<std::size_t>(perSecond), 0);
  s.source = std::move(source);

  // Four seconds through the same path as every refill, so an entry shorter than four
  // seconds loops inside the first fill instead of reading past its end.
  const std::size_t quarterSamples = static_cast<std::size_t>(perSecond);
  s.pcm.assign(quarterSamples * kStreamQuarters, 0);
  std::array<std::span<const std::int16_t>, kStreamQuarters> quarters;
  for (int q = 0; q < kStreamQuarters; ++q) {
    std::span<std::int16_t> part(s.pcm.data() + q * quarterSamples, quarterSamples);
    decodeStream(part);
    quarters[static_cast<std::size_t>(q)] = part;
  }
  const WaveFormat format = WaveFormat::pcm16(h.channels, h.sampleRate);
  if (!output_->startStream(kSlotBgm, format, quarters, gainFromVolume(volumes_.vol3))) {
    stream_ = Stream{};
    return 0;
  }
  s.pcm.resize(quarterSamples);
  appliedVolume_ = volumes_.vol3;
  return 0;
}

void Mixer::decodeStream(std::span<std::int16_t> out) {
  Stream& s = stream_;
  const int channels = s.header.channels;
  const std::size_t frames = out.size() / static_cast<std::size_t>(channels);
  std::size_t done = 0;
  bool jumpedWithoutData = false;
  while (done < frames && !s.broken) {
    const std::int64_t availFrames = (s.dataEnd - s.readPos) / channels;
    if (availFrames <= 0) {
      // The loop point: continue from loopStart with the predictors valid there. A loop
      // with less than one frame of data would spin here forever; it plays silence.
      if (jumpedWithoutData) {
        s.broken = true;
        break;
      }
      jumpedWithoutData = true;
      s.readPos = s.loopStart;
      s.predictor = {s.header.loopLeft, s.header.loopRight};
      continue;
    }
    const std::size_t want =
        std::min<std::size_t>(static_cast<std::size_t>(availFrames), frames - done);
    const std::size_t wantBytes = want * static_cast<std::size_t>(channels);
    if (s.coded.size() < wantBytes) s.coded.resize(wantBytes);
    std::span<std::uint8_t> codes(s.coded.data(), wantBytes);
    const std::size_t got = s.source->read(s.readPos, codes);
    const std::size_t gotFrames = got / static_cast<std::size_t>(channels);
    decodeWadyDeltas(codes.first(got), out.subspan(done * channels), s.header.scale, s.predictor,
                     channels, gotFrames);
    done += gotFrames;
    s.readPos += static_cast<std::int64_t>(wantBytes);
    if (gotFrames > 0) jumpedWithoutData = false;
    // The archive file ended before the entry did: what is missing is silence.
    if (got < wantBytes) s.broken = true;
  }
  std::fill(out.begin() + static_cast<std::ptrdiff_t>(done * channels), out.end(), 0);
}

void Mixer::stopStream() {
  fade_ = Fade{};
  if (stream_.source) stream_ = Stream{};
  if (output_) output_->releaseSlot(kSlotBgm);
}

void Mixer::fadeOut(std::int64_t step) {
  if (!output_) return;
  fade_.active = true;
  fade_.level = appliedVolume_;
  fade_.step = step;
}

void Mixer::tick() {
  if (!output_) return;
  output_->setMasterGain(gainFromVolume(volumes_.master));
  if (!streaming() || !output_->slotHolds(kSlotBgm)) return;
  std::int64_t applied = volumes_.vol3;
  if (fade_.active) {
    fade_.level -= fade_.step;
    if (fade_.level < kSilentVolume) {
      stopStream();
      return;
    }
    applied = fade_.level;
  }
  // At most four quarters exist; a broken count from the device cannot spin this.
  for (int n = std::min(output_->streamQuartersPlayed(), kStreamQuarters); n > 0; --n) {
    decodeStream(stream_.pcm);
    output_->refillStreamQuarter(stream_.pcm);
    stream_.nextQuarter = (stream_.nextQuarter + 1) % kStreamQuarters;
  }
  appliedVolume_ = static_cast<int>(std::clamp<std::int64_t>(applied, INT32_MIN, 0));
  output_->setSlotGain(kSlotBgm, gainFromVolume(applied));
}

}  // namespace torvan
