#include "core/log.h"

#include <cstdio>
#include <string>

namespace torvan {

std::string Error::text() const {
  std::string out;
  for (const std::string* part : {&file, &entry, &fault}) {
    if (part->empty()) continue;
    if (!out.empty()) out += ": ";
    out += *part;
  }
  return out;
}

void warn(std::string_view line) {
  std::string out = "torvan: warning: ";
  out += line;
  out += '\n';
  std::fwrite(out.data(), 1, out.size(), stderr);
  std::fflush(stderr);
}

void warn(const Error& error) {
  warn(error.text());
}

}  // namespace torvan
