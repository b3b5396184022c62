// Arbitrary bytes as the settings file: every value must read as a value or its default.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "core/settings.h"
#include "core/settings_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // A fresh name per input: the ini reader caches files by path and time stamp.
  static unsigned counter = 0;
  std::string path = "/tmp/torvan-fuzz-settings-" + std::to_string(getpid()) + "-" +
                     std::to_string(counter++) + ".ini";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  {
    torvan::SettingsStore store(path, "KANOVELLA");
    torvan::Settings s;
    torvan::readPaths(store, s, "/game");
    torvan::readSettings(store, s, 1024, 768);
  }
  std::remove(path.c_str());
  return 0;
}
