// Arbitrary Shift-JIS bytes put on the page in both text styles, with colours and wide
// spacing chosen by the input, then the page redrawn: layout and glyph drawing must
// never write outside the grids or the surfaces, whatever the bytes and however far a
// page is overfilled.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/engine.h"
#include "core/sjis.h"
#include "platform/headless/headless_host.h"
#include "text/glyph_draw.h"
#include "text/message_window.h"
#include "text/page_text.h"

namespace {

struct World {
  torvan::HeadlessHost host{torvan::HeadlessOptions{}};
  std::unique_ptr<torvan::Engine> engine;
  World() {
    engine = std::make_unique<torvan::Engine>(host, torvan::EngineOptions{});
    engine->surfaces.create();
    torvan::RebuildGlyphCache(*engine);
    torvan::BuildPanelSource(*engine);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvan;
  static World world;  // the face and the surfaces are costly to make per input
  Engine& e = *world.engine;
  if (size < 2) return 0;
  e.vars.sys[sys::kFullScreenText] = data[0] & 1;
  e.page.wideSpacing = (data[0] & 2) != 0;
  e.page.colour = data[1];
  NewPage(e);
  e.page.wideSpacing = (data[0] & 2) != 0;
  e.page.colour = data[1];
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len =
        isSjisLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
    PutChar(e, text.substr(i, len));
    i += len;
  }
  if (data[0] & 4) DrawRuby(e, text.substr(0, 16));
  RedrawPage(e);
  return 0;
}
