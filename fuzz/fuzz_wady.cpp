// WADY entries from arbitrary bytes through every decoder: no read past the input, no
// output past decodedSize, no allocation beyond what the input can fill, and a stream
// decoded in pieces equals the stream decoded whole.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sound/wady.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvan;
  const ByteSpan entry(data, size);

  if (auto effect = decodeWadyEffect(entry, "fuzz", "SE"); effect.ok()) {
    auto h = parseWadyHeader(entry);
    check(h.ok() && effect->samples.size() <= std::size_t(std::max(h->decodedSize, 0)) / 2);
    check(effect->format.isPlayablePcm16());
  }
  if (auto shot = decodeWadyOneShot(entry, "fuzz", "ANIM"); shot.ok()) {
    auto h = parseWadyHeader(entry);
    check(h.ok() && shot->samples.size() <= std::size_t(std::max(h->decodedSize, 0)) / 2);
    check(shot->samples.size() <= size - kWadyHeaderSize);
  }
  if (auto stream = decodeWadyStream(entry, "fuzz", "M01"); stream.ok()) {
    auto h = parseWadyHeader(entry);
    check(h.ok());
    const int ch = h->channels;
    const std::size_t frames = stream->samples.size() / ch;
    // The same codes in two pieces, split at a point taken from the input.
    const std::size_t split = frames ? data[size - 1] % (frames + 1) : 0;
    std::vector<std::int16_t> pieces(stream->samples.size());
    WadyPredictor p;
    const ByteSpan codes = entry.subspan(kWadyHeaderSize);
    std::size_t done = decodeWadyDeltas(codes, pieces, h->scale, p, ch, split);
    done += decodeWadyDeltas(codes.subspan(done * ch), std::span(pieces).subspan(done * ch),
                             h->scale, p, ch, frames - done);
    check(done == frames && pieces == stream->samples);
  }

  // A bare run block into a small buffer, as one channel of a stereo buffer.
  std::vector<std::int16_t> out(301);
  WadyRunResult r = decodeWadyRuns(entry, out, 2);
  check(r.written <= 151);
  return 0;
}
