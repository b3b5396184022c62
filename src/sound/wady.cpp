#include "sound/wady.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/log.h"

namespace torvan {

namespace {

Error entryError(std::string_view file, std::string_view name, std::string fault) {
  return Error{std::string(file), std::string(name), std::move(fault)};
}

void warnEntry(std::string_view file, std::string_view name, const std::string& fault) {
  warn(entryError(file, name, fault));
}

// Why a decode stopped early, gathered so that an entry yields one warning at most.
class CutNotes {
 public:
  void add(const std::string& note) {
    if (text_.find(note) != std::string::npos) return;
    if (!text_.empty()) text_ += "; ";
    text_ += note;
  }
  void report(std::string_view file, std::string_view name) const {
    if (!text_.empty()) warnEntry(file, name, text_);
  }

 private:
  std::string text_;
};

std::string describeFormat(const WaveFormat& f) {
  return "format block is not 16-bit PCM mono or stereo (tag " + std::to_string(f.formatTag) +
         ", " + std::to_string(f.channels) + " channels, " + std::to_string(f.bitsPerSample) +
         " bits, " + std::to_string(f.samplesPerSecond) + " Hz)";
}

Result<WadyHeader> playableHeader(ByteSpan entry, std::string_view file, std::string_view name) {
  auto header = parseWadyHeader(entry, file, name);
  if (!header) return header;
  if (!header->format.isPlayablePcm16())
    return entryError(file, name, describeFormat(header->format));
  return header;
}

// Output samples for a decodedSize field: whole samples only, nothing for a negative size.
std::size_t declaredSamples(std::int32_t decodedSize) {
  return decodedSize > 0 ? static_cast<std::size_t>(decodedSize) / 2 : 0;
}

std::int16_t wrap16(std::int32_t v) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
}

}  // namespace

Result<WadyHeader> parseWadyHeader(ByteSpan entry, std::string_view file, std::string_view name) {
  if (entry.size() < kWadyHeaderSize)
    return entryError(file, name,
                      "too short for a WADY header (" + std::to_string(entry.size()) + " bytes)");
  if (std::memcmp(entry.data(), "WADY", 4) != 0)
    return entryError(file, name, "not a WADY sound (wrong magic)");
  const std::uint8_t* p = entry.data();
  WadyHeader h;
  h.reserved = p[4];
  h.scale = p[5];
  h.channels = loadU16(p + 6);
  h.sampleRate = loadI32(p + 8);
  h.codedLength = loadI32(p + 12);
  h.frameCount = loadI32(p + 16);
  h.decodedSize = loadI32(p + 20);
  h.loopStart = loadI32(p + 24);
  h.loopLeft = static_cast<std::int16_t>(loadU16(p + 28));
  h.loopRight = static_cast<std::int16_t>(loadU16(p + 30));
  h.format = WaveFormat::load(p + 32);
  return h;
}

void storeWadyHeader(ByteWriter& out, const WadyHeader& h) {
  out.bytes(ByteSpan(reinterpret_cast<const std::uint8_t*>("WADY"), 4));
  out.u8(h.reserved);
  out.u8(h.scale);
  out.u16(h.channels);
  out.i32(h.sampleRate);
  out.i32(h.codedLength);
  out.i32(h.frameCount);
  out.i32(h.decodedSize);
  out.i32(h.loopStart);
  out.u16(static_cast<std::uint16_t>(h.loopLeft));
  out.u16(static_cast<std::uint16_t>(h.loopRight));
  h.format.store(out);
}

std::size_t decodeWadyDeltas(ByteSpan codes, std::span<std::int16_t> out, std::uint8_t scale,
                             WadyPredictor& predictor, int channels, std::size_t frames) {
  if (channels != 1 && channels != 2) return 0;
  const auto ch = static_cast<std::size_t>(channels);
  frames = std::min({frames, codes.size() / ch, out.size() / ch});

  // Both kinds of code become one operation, sample = (sample & keep) + add: an absolute
  // code keeps nothing of the old sample, a delta keeps all of it. This keeps the inner
  // loop free of branches; a second of stereo music is decoded per timer tick.
  std::uint16_t keep[256];
  std::uint16_t add[256];
  for (int b = 0; b < 256; ++b) {
    if (b & 0x80) {
      keep[b] = 0;
      add[b] = static_cast<std::uint16_t>((b & 0x7F) << 9);
    } else {
      keep[b] = 0xFFFF;
      add[b] = static_cast<std::uint16_t>(kWadyDeltaTable[b] * scale);
    }
  }

  const std::uint8_t* in = codes.data();
  std::int16_t* o = out.data();
  auto left = static_cast<std::uint16_t>(predictor.left);
  if (ch == 1) {
    for (std::size_t i = 0; i < frames; ++i) {
      const std::uint8_t b = in[i];
      left = static_cast<std::uint16_t>((left & keep[b]) + add[b]);
      o[i] = static_cast<std::int16_t>(left);
    }
  } else {
    auto right = static_cast<std::uint16_t>(predictor.right);
    for (std::size_t i = 0; i < frames; ++i) {
      const std::uint8_t bl = in[2 * i];
      const std::uint8_t br = in[2 * i + 1];
      left = static_cast<std::uint16_t>((left & keep[bl]) + add[bl]);
      right = static_cast<std::uint16_t>((right & keep[br]) + add[br]);
      o[2 * i] = static_cast<std::int16_t>(left);
      o[2 * i + 1] = static_cast<std::int16_t>(right);
    }
    predictor.right = static_cast<std::int16_t>(right);
  }
  predictor.left = static_cast<std::int16_t>(left);
  return frames;
}

WadyRunResult decodeWadyRuns(ByteSpan block, std::span<std::int16_t> out, std::size_t stride) {
  WadyRunResult r;
  if (stride == 0) stride = 1;
  const std::size_t capacity = out.empty() ? 0 : (out.size() - 1) / stride + 1;
  auto put = [&](std::int16_t v) {
    if (r.written >= capacity) {
      r.outputCut = true;
      return false;
    }
    out[r.written * stride] = v;
    ++r.written;
    return true;
  };

  if (block.size() < 10) {
    r.inputCut = true;
    return r;
  }
  const std::int64_t count = loadI32(block.data() + 4);
  std::int16_t cur = static_cast<std::int16_t>(loadU16(block.data() + 8));
  if (!put(cur)) return r;

  const std::int64_t restartAt = count - kWadyRunRestart;
  std::size_t pos = 10;
  for (std::int64_t i = 0; i < count; ++i) {
    if (i == restartAt) cur = 0;
    if (pos >= block.size()) {
      r.inputCut = true;
      return r;
    }
    const std::uint8_t first = block[pos];
    if (first & 1) {
      ++pos;
      const int v = (first >> 1) & 0x7F;
      if (v & 0x40)
        cur = wrap16((v & 0x3F) << 10);
      else
        cur = wrap16(cur + kWadyRunDeltaTable[v]);
      if (!put(cur)) return r;
      continue;
    }
    if (pos + 1 >= block.size()) {
      r.inputCut = true;
      return r;
    }
    const std::uint16_t c = static_cast<std::uint16_t>(first | block[pos + 1] << 8);
    pos += 2;
    const int n = kWadyRunLengths[(c >> 1) & 7];
    const auto target = static_cast<std::int16_t>(c & 0xFFF0);
    // Single precision is part of the format: the samples a run writes depend on its
    // rounding, and the encoder reproduces it to keep its predictor exact.
    const float step = static_cast<float>(target - cur) / static_cast<float>(n);
    float x = static_cast<float>(cur);
    for (int k = 0; k < n; ++k) {
      x = x + step;
      if (!put(wrap16(static_cast<std::int32_t>(x)))) return r;
    }
    cur = target;
  }
  return r;
}

Result<Pcm> decodeWadyEffect(ByteSpan entry, std::string_view file, std::string_view name) {
  auto header = playableHeader(entry, file, name);
  if (!header) return header.error();
  CutNotes cuts;

  // No run block expands one byte to more than 128 samples (a two-byte code writes at
  // most 256), plus one initial sample per block; a decodedSize beyond that cannot be
  // filled and is not allocated.
  std::size_t samples = declaredSamples(header->decodedSize);
  const std::size_t fillable = 2 + 128 * (entry.size() - kWadyHeaderSize);
  if (samples > fillable) {
    samples = fillable;
    cuts.add("decodedSize " + std::to_string(header->decodedSize) +
             " is more than the codes can fill");
  }

  Pcm pcm;
  pcm.format = header->format;
  pcm.samples.assign(samples, 0);
  std::span<std::int16_t> out(pcm.samples);

  auto note = [&](const WadyRunResult& r, const char* which) {
    if (r.outputCut)
      cuts.add(std::string(which) + "codes go past decodedSize " +
               std::to_string(header->decodedSize));
    if (r.inputCut) cuts.add(std::string(which) + "block runs past the end of the entry");
  };

  if (header->format.channels == 1) {
    note(decodeWadyRuns(entry.subspan(kWadyHeaderSize), out, 1), "");
  } else if (entry.size() < kWadyHeaderSize + 4) {
    cuts.add("the stereo block length is missing");
  } else {
    const std::int64_t leftLength = loadI32(entry.data() + kWadyHeaderSize);
    note(decodeWadyRuns(entry.subspan(kWadyHeaderSize + 4), out, 2), "left ");
    const std::int64_t rightAt = static_cast<std::int64_t>(kWadyHeaderSize) + 8 + leftLength;
    if (leftLength < 0 || rightAt > static_cast<std::int64_t>(entry.size())) {
      cuts.add("the right block's offset " + std::to_string(rightAt) + " is outside the entry");
    } else if (!out.empty()) {
      note(decodeWadyRuns(entry.subspan(static_cast<std::size_t>(rightAt)), out.subspan(1), 2),
           "right ");
    }
  }
  cuts.report(file, name);
  return pcm;
}

namespace {

// Decodes `frames` byte-delta frames of the coded data at 48 into `samples` output
// samples, noting where the entry or the output runs out first.
Pcm decodeDeltaEntry(ByteSpan entry, const WadyHeader& header, std::int64_t frames,
                     std::size_t samples, const char* framesField, CutNotes& cuts) {
  const std::size_t ch = header.channels;
  ByteSpan codes = entry.subspan(kWadyHeaderSize);
  const std::size_t wanted = frames > 0 ? static_cast<std::size_t>(frames) : 0;
  if (wanted > codes.size() / ch)
    cuts.add(std::string(framesField) + " asks for " + std::to_string(frames) +
             " frames, past the end of the entry");

  if (wanted > samples / ch)
    cuts.add(std::string(framesField) + " asks for " + std::to_string(frames) +
             " frames, more than decodedSize " + std::to_string(header.decodedSize));
  // Output beyond the decoded frames could only be silence, so it is not allocated: a
  // huge decodedSize in a small entry costs nothing.
  samples = std::min(samples, std::min(wanted, codes.size() / ch) * ch);
  Pcm pcm;
  pcm.format = header.format;
  pcm.samples.assign(samples, 0);
  WadyPredictor predictor;
  decodeWadyDeltas(codes, pcm.samples, header.scale, predictor, static_cast<int>(ch), wanted);
  return pcm;
}

Result<WadyHeader> deltaHeader(ByteSpan entry, std::string_view file, std::string_view name) {
  auto header = playableHeader(entry, file, name);
  if (!header) return header;
  if (header->channels != 1 && header->channels != 2)
    return entryError(file, name,
                      "channel count " + std::to_string(header->channels) + " is not 1 or 2");
  return header;
}

}  // namespace

Result<Pcm> decodeWadyOneShot(ByteSpan entry, std::string_view file, std::string_view name) {
  auto header = deltaHeader(entry, file, name);
  if (!header) return header.error();
  CutNotes cuts;
  const std::size_t samples = declaredSamples(header->decodedSize);
  Pcm pcm = decodeDeltaEntry(entry, *header, header->frameCount, samples, "frameCount", cuts);
  cuts.report(file, name);
  return pcm;
}

Result<Pcm> decodeWadyStream(ByteSpan entry, std::string_view file, std::string_view name) {
  auto header = deltaHeader(entry, file, name);
  if (!header) return header.error();
  CutNotes cuts;
  const std::int64_t frames = std::max(header->codedLength, 0) / header->channels;
  const std::size_t samples = static_cast<std::size_t>(frames) * header->channels;
  Pcm pcm = decodeDeltaEntry(entry, *header, frames, samples, "codedLength", cuts);
  cuts.report(file, name);
  return pcm;
}

}  // namespace torvan
