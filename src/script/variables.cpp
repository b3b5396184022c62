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
  const std::string_view kept = cutSjis(sjis, kStringBytes - 1);
  strings[i].fill(0);
  std::memcpy(strings[i].data(), kept.data(), kept.size());
}

}  // namespace torvan
