// Writes WADY entries (layout in sound/wady.h) from 16-bit PCM: byte-delta coding for
// music and animation sound, run coding for effects. Both encoders run the decoder's
// own arithmetic as they go, so each code is chosen from the sample the player will
// really have and the error never accumulates.
#pragma once

#include <cstdint>
#include <optional>

#include "core/bytes.h"
#include "core/result.h"
#include "sound/pcm.h"

namespace torvan {

struct WadyDeltaOptions {
  int scale = 0;  // 1..255; 0 chooses the scale with the least error
  // The frame a looping stream jumps back to; loopLeft and loopRight are set to the
  // predictors the decoder has there. Without it the stream loops from the start.
  std::optional<std::int64_t> loopStartFrame;
};

struct WadyRunOptions {
  // Largest difference, in sample units, that an interpolated run may leave against
  // the input before a sample is coded on its own.
  int tolerance = 24;
};

// The scale (1..32) whose greedy coding of `pcm` leaves the least squared error;
// long inputs are judged on evenly spread excerpts. Scales above 32 would wrap the
// largest table steps.
int chooseWadyScale(const Pcm& pcm);

// Errors: channels other than 1 or 2, a zero rate, no samples, a loop frame outside
// the sound, or a sound too long for the header's 32-bit sizes.
Result<Bytes> encodeWadyDeltas(const Pcm& pcm, const WadyDeltaOptions& options = {});
Result<Bytes> encodeWadyRuns(const Pcm& pcm, const WadyRunOptions& options = {});

}  // namespace torvan
