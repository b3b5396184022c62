// The script-error hook. Nothing reaches the player: a broken line in a shipped
// scenario must not stop the story, but whoever runs the game from a terminal (or a
// headless test) sees which scenario and which line went wrong.
#include <string>

#include "core/engine.h"
#include "core/log.h"
#include "core/sjis.h"
#include "script/expression.h"

namespace torvan {

namespace {

// Long enough for any sensible statement, short enough that a runaway line (a text
// line handed over by mistake) does not flood the terminal.
constexpr std::size_t kQuotedBytes = 120;

std::string_view quotable(std::string_view text) {
  return cutSjis(text, kQuotedBytes);
}

}  // namespace

std::string_view ScriptErrorWord(int code) {
  switch (code) {
    case kInvalidExpression:
      return "無効数式";
    case kAssignmentError:
      return "代入エラー";
    case kIllegalPicture:
      return "ILLEGAL BMP";
    default:
      return "script error";
  }
}

void ReportError(Engine& engine, int code, std::string_view text) {
  std::string name = sjisToUtf8(engine.script.currentName());
  std::string line = "script " + (name.empty() ? std::string("(none)") : name) + " at " +
                     std::to_string(engine.script.lineStart) + ": " +
                     std::string(ScriptErrorWord(code));
  std::string_view quoted = quotable(text);
  if (!quoted.empty()) {
    line += " in '";
    line += sjisToUtf8(quoted);
    if (quoted.size() < text.size() && text[quoted.size()] != 0) line += "...";
    line += "'";
  }
  warn(line);
}

}  // namespace torvan
