// Ogg Vorbis voices from arbitrary bytes: refused or decoded, never a crash, a read
// outside the entry's copy or PCM that is not whole mono or stereo frames.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sound/ogg.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto pcm = torvan::decodeOggEntry(torvan::ByteSpan(data, size), "fuzz", "VOICE");
  if (pcm.ok()) {
    if (!pcm->format.isPlayablePcm16()) std::abort();
    if (pcm->samples.size() % pcm->channels() != 0) std::abort();
  }
  return 0;
}
