// Arbitrary bytes run as the story scenario for a bounded number of idle passes and
// timer ticks, with clicks and pointer moves drawn from the input: every line kind,
// command, inline tag and wait must hold up without a crash, a hang or a sanitizer
// report.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "archive/archive_writer.h"
#include "core/engine.h"
#include "platform/headless/headless_host.h"
#include "script/interpreter.h"

namespace {

using namespace torvan;

constexpr int kPasses = 200;

Bytes text(std::string_view s) {
  Bytes b;
  for (char c : s) b.push_back(c == '\n' ? 0 : static_cast<std::uint8_t>(c));
  return b;
}

struct Fixture {
  std::string dir;
  std::unique_ptr<HeadlessHost> host;
  std::unique_ptr<Engine> engine;

  Fixture() {
    char pattern[] = "/tmp/fuzz_scenario_XXXXXX";
    dir = mkdtemp(pattern);
    // "sub" lets "call " and "chain " succeed; "map" gives "clickmap " areas.
    std::vector<ArchiveSource> entries = {
        {"main", text("=\n")},
        {"sub", text("!V001=V001+1\nab\n*end\n")},
        {"map", text(":m\n2\n*a,0,0,400,300\n#b,400,300,800,600,0,0,10,10,5,5\n")}};
    if (!writeArchive(dir + "/qz_data.tvn", entries, ArchiveLayout::Script).ok()) std::abort();
    host = std::make_unique<HeadlessHost>(HeadlessOptions{});
    EngineOptions o;
    o.gameDir = dir;
    o.saveDir = dir + "/save";
    o.settingsFile = dir + "/HOLVA.ini";
    o.seed = 1;
    engine = std::make_unique<Engine>(*host, o);
    engine->formCreate();
    engine->idlePass();  // the first story step
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture f;
  Engine& e = *f.engine;
  if (size > ScriptState::kBufferBytes) return 0;

  // A fresh story each time: variables, waits, page and call stack as at start-up.
  e.vars.flg.clear();
  e.vars.val.fill(0);
  e.vars.t.clear();
  e.run.waitMode = e.run.waitTicks = e.run.sleepTicks = e.run.choiceState = 0;
  e.run.skipState = 0;
  e.run.voiceWait = false;
  e.run.busy = 0;
  e.run.quit = false;
  e.run.gameMode = kStory;
  e.vars.sys[sys::kAutoSpeed] = 0;
  e.page = TextPage{};
  ResetPageState(e);

  ScriptState& s = e.script;
  std::copy(data, data + size, s.scenario.begin());
  s.size = static_cast<std::int32_t>(size);
  s.pc = 0;
  s.depth = 0;
  s.nextLine = true;
  s.loaded = true;
  s.clearInsertion();
  s.setCurrentName("main");
  // Circular jumps would otherwise run a million lines a pass.
  s.maxLinesPerStep = 2000;
  e.run.interpreterEnabled = 1;

  std::uint32_t r = 2166136261u;
  for (std::size_t i = 0; i < size; ++i) r = (r ^ data[i]) * 16777619u;
  for (int pass = 0; pass < kPasses; ++pass) {
    e.idlePass();
    if (pass % 2) e.timerTick();
    r = r * 1103515245u + 12345u;
    if ((r >> 16) % 8 == 0) {
      Point p{static_cast<int>((r >> 3) % 800), static_cast<int>((r >> 13) % 600)};
      e.mouseMove(p);
      e.mouseDown(p, (r >> 24) % 4 ? MouseButton::Left : MouseButton::Right);
      e.mouseUp(p, MouseButton::Left);
    }
    if (e.script.size != static_cast<std::int32_t>(size)) break;  // another scenario runs
  }
  return 0;
}
