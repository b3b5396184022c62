// The text-output loop: a text line reaches the page one character per pass.
#pragma once

#include <string_view>

namespace torvan {

class Engine;

// Shift-JIS sequences the loop and the speaker lines recognise.
namespace sjis {
inline constexpr std::string_view kDollar = "\x81\x90";                  // ＄
inline constexpr std::string_view kPageMark = "\x81\xA5";                // ▼
inline constexpr std::string_view kClearMark = "\x81\xA4";               // ▽
inline constexpr std::string_view kLineMark = "\x81\xAC";                // 〓
inline constexpr std::string_view kHetare = "\x82\xD6\x82\xBD\x82\xEA";  // へたれ
}  // namespace sjis

// The string variable named by "＄" and a full-width digit at the start of text, or -1.
int fullWidthNameIndex(std::string_view text);

// Continues the current text line from the column. Returns true when the step yields.
bool continueTextLine(Engine& engine);

}  // namespace torvan
