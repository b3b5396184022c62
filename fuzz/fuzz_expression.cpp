// Arbitrary bytes as an assignment list, an expression and a condition, on an engine
// whose banks start empty for every input so that a crash replays from its input alone.
// Invalid input is the common case here, so expect a script-error line on stderr for
// most inputs.
#include <cstdint>
#include <memory>
#include <string_view>

#include "core/engine.h"
#include "platform/headless/headless_host.h"
#include "script/expression.h"

namespace {

struct Fixture {
  torvan::HeadlessHost host{torvan::HeadlessOptions{}};
  std::unique_ptr<torvan::Engine> engine =
      std::make_unique<torvan::Engine>(host, torvan::EngineOptions{});
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture* fixture = new Fixture;
  torvan::Engine& e = *fixture->engine;
  e.vars = torvan::Variables{};
  // A few values that point P-indirections both inside and outside the bank.
  e.vars.val[0] = 999;
  e.vars.val[1] = 1000;
  e.vars.val[2] = -1;
  e.rng.seed(1);

  std::string_view text(reinterpret_cast<const char*>(data), size);
  torvan::Assign(e, text);
  torvan::Evaluate(e, text);
  torvan::TestCondition(e, text);
  // Conditions usually come after the command word, and expressions after an "=".
  if (std::size_t eq = text.find('='); eq != std::string_view::npos)
    torvan::Evaluate(e, text.substr(eq + 1));
  return 0;
}
