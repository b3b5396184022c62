// Arbitrary bytes read as the "map" data scenario, then the pointer swept over the
// scene and an area taken: area corners, label boxes and highlight rectangles come
// straight from the data, so every copy between the parts picture, the frame and the
// window must stay inside all three whatever the numbers and the parts picture's size.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/engine.h"
#include "platform/headless/headless_host.h"
#include "script/choices.h"

namespace {

struct World {
  torvan::HeadlessHost host{torvan::HeadlessOptions{}};
  std::unique_ptr<torvan::Engine> engine;
  World() {
    engine = std::make_unique<torvan::Engine>(host, torvan::EngineOptions{});
    engine->surfaces.create();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvan;
  static World world;  // the surfaces are costly to make per input
  Engine& e = *world.engine;
  if (size < 3) return 0;
  ScriptState& s = e.script;
  const std::size_t n = std::min(size - 3, s.auxiliary.size());
  std::fill(s.auxiliary.begin(), s.auxiliary.end(), 0);
  std::copy(data + 3, data + 3 + n, s.auxiliary.begin());
  s.auxSize = static_cast<std::int32_t>(n);

  // A parts picture of any size up to the frame's, and a second picture or none.
  e.surfaces.parts.resize(1 + data[0] * 3, 1 + data[1] * 2);
  e.surfaces.parts.fill(0, 200, 0);
  e.vars.sys[15] = data[2] & 1;

  s.choices.clear();
  ReadClickMap(e, "m");
  auto& list = s.choices;
  for (int i = 0; i < list.count; ++i) list.used[static_cast<std::size_t>(i)] = 1;
  e.run.choiceState = kClickMap;
  list.hovered = 0;
  for (int y = -8; y < 616; y += 24)
    for (int x = -8; x < 816; x += 24) UpdateChoiceHover(e, {x, y});
  for (int i = 1; i <= list.count; ++i)
    if (auto p = choicePoint(e, i)) UpdateChoiceHover(e, *p);
  if (list.hovered > 0) TakeChoice(e, list.hovered);
  e.run.choiceState = kNoChoice;
  return 0;
}
