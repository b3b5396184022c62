// Engine text is Shift-JIS (code page 932) bytes everywhere: scripts, text grids, saves.
// These convert at the edges only: settings files, state dumps, window captions.
#pragma once

#include <string>
#include <string_view>

#include "core/result.h"

namespace torvan {

// Fails on a character that CP932 cannot encode.
Result<std::string> utf8ToSjis(std::string_view utf8);
// Invalid sequences become U+FFFD, so a dump of damaged text still shows the rest.
std::string sjisToUtf8(std::string_view sjis);
// True when byte b starts a two-byte Shift-JIS character.
inline bool isSjisLead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace torvan
