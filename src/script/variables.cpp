#include "script/variables.h"

#include <cstring>

#include "core/sjis.h"

namespace torvan {

std::string Variables::string(int i) const {
  if (i < 0 || i >= kStringCount) return {};
  const auto& s = strings[i];
  return std::string(s.data(), strnlen(s.data(), s.size()));
}

void Variables::setString(int i, std::string_view sjis) {
  if (i < 0 || i >= kStringCount) return;
  std::size_t n = 0;
  while (n < sjis.size() && sjis[n] != 0) {
    std::size_t len = isSjisLead(static_cast<unsigned char>(sjis[n])) ? 2 : 1;
    if (n + len > kStringBytes - 1 || n + len > sjis.size()) break;
    n += len;
  }
  strings[i].fill(0);
  std::memcpy(strings[i].data(), sjis.data(), n);
}

}  // namespace torvan
