// Arbitrary bytes read as the "endroll" data scenario: the reader, the strip drawn from
// its lines and the panels of the first, a middle and the last frame must stay inside
// their buffers whatever the frame time, the stars and the line bytes are.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/sjis.h"
#include "modes/credits_roll.h"
#include "text/glyph_font.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvan;
  static GlyphFont* font = [] {
    auto* f = new GlyphFont;  // kept for the process: opening the face per input is slow
    f->open(*utf8ToSjis("ＭＳ 明朝"), 24, false);
    return f;
  }();
  const EndrollScript script = ParseEndroll(std::span(data, size));
  (void)CreditsFrameMs(script.frameMs);
  const CreditsStrip strip = BuildCreditsStrip(*font, script.lines);
  Surface panel;
  panel.resize(256, 600);
  const int end = CreditsScrollEnd(script.lines.size());
  for (int p : {0, end / 2, end - 2}) DrawCreditsPanel(strip, p, panel);
  return 0;
}
