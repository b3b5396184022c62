// Ogg Vorbis voices from 16-bit PCM, through libvorbisenc's variable-bit-rate mode.
#pragma once

#include "core/bytes.h"
#include "core/result.h"
#include "sound/pcm.h"

namespace torvan {

// quality runs from -0.1 (smallest) to 1.0 (best); 0.3 is ample for speech. Errors:
// channels other than 1 or 2, a rate or quality the encoder has no mode for.
Result<Bytes> encodeOggVorbis(const Pcm& pcm, float quality = 0.3f);

}  // namespace torvan
