// Ogg Vorbis voices: decoded whole, from a private in-memory copy of the archive entry,
// to 16-bit PCM.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "core/bytes.h"
#include "core/result.h"
#include "sound/pcm.h"

namespace torvan {

// Data the Vorbis library refuses (not Ogg, bad headers, no known length), a stream of
// more than two channels or one too long to hold are Errors naming `file` and `name`.
// A stream that breaks off while decoding keeps what was decoded before the break and
// warns once. Trailing digital silence is trimmed (see playableOggSamples).
Result<Pcm> decodeOggEntry(ByteSpan bytes, std::string_view file = {}, std::string_view name = {});

// How many of the decoded samples a voice plays: trailing all-zero 32-bit words (a
// stereo frame, or two mono samples) are dropped, counted back from the end, but never
// below half of the decoded length.
std::size_t playableOggSamples(std::span<const std::int16_t> samples);

}  // namespace torvan
