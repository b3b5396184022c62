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
// The longest start of text of at most max bytes that stops before a NUL and never
// splits a two-byte character (so a lead byte with no second byte is dropped too):
// fixed-size fields and cut lines must still convert cleanly.
inline std::string_view cutSjis(std::string_view text, std::size_t max) {
  std::size_t n = 0;
  while (n < text.size() && text[n] != 0) {
    const std::size_t len = isSjisLead(static_cast<unsigned char>(text[n])) ? 2 : 1;
    if (n + len > max || n + len > text.size()) break;
    n += len;
  }
  return text.substr(0, n);
}

}  // namespace torvan
