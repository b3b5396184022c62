// Arbitrary bytes as a headless events file: parsed or refused, never a crash.
#include <cstdint>
#include <string_view>

#include "platform/headless/event_script.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto r =
      torvan::parseEventScript(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz");
  (void)r;
  return 0;
}
