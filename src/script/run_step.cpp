// One interpreter step: read lines, classify each by its first byte and run it, until
// a line yields to the main loop.
#include <algorithm>
#include <cstring>
#include <string>

#include "core/engine.h"
#include "core/main_loop.h"
#include "core/sjis.h"
#include "script/command_table.h"
#include "script/expression.h"
#include "script/interpreter.h"
#include "script/text_output.h"
#include "text/glyph_draw.h"
#include "text/page_text.h"

namespace torvan {

namespace {

enum class Flow { Continue, Yield };

// Copies the line at the program counter into the line buffer. A line longer than the
// buffer is cut (before a split two-byte character) and the rest of it skipped.
void readLine(Engine& e) {
  ScriptState& s = e.script;
  const auto* base = reinterpret_cast<const char*>(s.scenario.data());
  const std::size_t avail = static_cast<std::size_t>(s.size - s.pc);
  const char* start = base + s.pc;
  const void* zero = std::memchr(start, 0, avail);
  std::size_t length =
      zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - start) : avail;
  std::size_t kept = length;
  if (kept > ScriptState::kLineBytes - 1) {
    kept = cutSjis(std::string_view(start, length), ScriptState::kLineBytes - 1).size();
    scriptWarning(e, "line of " + std::to_string(length) + " bytes cut to " + std::to_string(kept) +
                         " (the line buffer holds " + std::to_string(ScriptState::kLineBytes - 1) +
                         ")");
  }
  std::memcpy(s.line.data(), start, kept);
  s.line[kept] = 0;
  s.pc += static_cast<std::int32_t>(std::min(length + 1, avail));
}

void speakerLine(Engine& e) {
  if (!e.page.windowShown && e.vars.sys[sys::kFullScreenText] == 0) NewPage(e);
  std::string_view name(e.script.line.data() + 1);
  std::string chosen(name);
  if (int n = fullWidthNameIndex(name); n >= 0) chosen = e.vars.string(n);
  LogChar(e, chosen);
  EndLogLine(e);
  setField(e.page.speaker, chosen);
  DrawSpeakerName(e, chosen, 0);
}

Flow pageWait(Engine& e, std::int32_t kind, bool commit) {
  EndLogLine(e);
  StartWait(e, kind);
  e.script.nextLine = true;
  e.run.textSkip = false;
  // The page history also keeps the scene's picture and sprites once the scene layers
  // remember them.
  if (commit) CommitPage(e, "");
  return Flow::Yield;
}

Flow commandLine(Engine& e, bool& reclassify) {
  std::string_view text(e.script.line.data() + 1);
  CommandCall call;
  const Command* c = matchCommand(text, call);
  if (!c) return Flow::Continue;
  c->handler(e, call);
  if (call.after == After::Reclassify) {
    reclassify = true;
    return Flow::Continue;
  }
  return call.after == After::Yield ? Flow::Yield : Flow::Continue;
}

Flow classify(Engine& e) {
  ScriptState& s = e.script;
  for (;;) {
    const char kind = s.line[0];
    switch (kind) {
      case 0:
        ++e.page.row;
        return Flow::Continue;
      case ':':
      case ';':
      case '}':
        return Flow::Continue;
      case '{':
        if (s.line[1] == ':') {
          std::string_view name(s.line.data() + 2);
          name = name.substr(0, std::min(name.find('('), name.size()));
          s.pc = FindBlockEnd(s, s.pc, name);
        } else {
          s.pc = NextLineStartingWith(s, s.pc, '}');
        }
        return Flow::Continue;
      case '!':
        Assign(e, std::string_view(s.line.data() + 1));
        return Flow::Continue;
      case '*':
      case '@': {
        bool again = false;
        Flow f = commandLine(e, again);
        if (again) continue;
        return f;
      }
      case '>':
        speakerLine(e);
        return Flow::Continue;
      case '\\':
        return pageWait(e, kPageWait, true);
      case '~':
        return pageWait(e, kPageWaitKeepVoice, false);
      case '+':
        return pageWait(e, kPageWaitNoIcon, false);
      case '=':
        StartWait(e, kLineWait);
        s.nextLine = true;
        e.run.textSkip = false;
        return Flow::Yield;
      default:
        s.nextLine = false;
        s.column = 0;
        return continueTextLine(e) ? Flow::Yield : Flow::Continue;
    }
  }
}

}  // namespace

void RunStep(Engine& e) {
  ScriptState& s = e.script;
  if (!s.loaded) return;
  // A script that jumps in a circle without ever waiting would hold the program
  // forever; after this many lines the step yields, and the loop goes on in the next.
  std::int64_t budget = s.maxLinesPerStep;
  while (budget-- > 0) {
    if (!s.nextLine) {
      if (continueTextLine(e)) return;
      continue;
    }
    s.lineStart = s.pc;
    s.column = 0;
    if (s.pc >= s.size) {
      if (s.depth > 0) ReturnFromCall(e);
      return;
    }
    readLine(e);
    if (classify(e) == Flow::Yield) return;
  }
  scriptWarning(e, "ran " + std::to_string(s.maxLinesPerStep) +
                       " lines without waiting; going on at the next pass");
}

}  // namespace torvan
