// Jumps, calls, conditional and computed branches.
//
// Alternatives are written as a run of "{" lines each followed by its lines and closed
// by one "}" line; a branch command moves the program counter into one alternative, and
// reaching the next "{" line skips to the "}".
#include <algorithm>
#include <cstring>
#include <string>

#include "core/engine.h"
#include "script/commands.h"
#include "script/expression.h"
#include "script/interpreter.h"

namespace torvan {

namespace {

constexpr std::size_t kConditionScan = 200;  // bytes of an "if " line searched for ")"
constexpr std::size_t kNameScan = 100;       // bytes searched for the end of a call name

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

// Offset just after the line that starts at p.
std::int32_t afterLine(const ScriptState& s, std::int32_t p) {
  if (p >= s.size) return kNoLine;
  const auto* base = reinterpret_cast<const char*>(s.scenario.data());
  const void* zero = std::memchr(base + p, 0, static_cast<std::size_t>(s.size - p));
  if (!zero) return s.size;
  return static_cast<std::int32_t>(static_cast<const char*>(zero) - base) + 1;
}

std::string_view lineText(const ScriptState& s, std::int32_t p) {
  const auto* base = reinterpret_cast<const char*>(s.scenario.data());
  std::int32_t end = std::min(afterLine(s, p), s.size);
  std::size_t n = static_cast<std::size_t>(end - p);
  if (n > 0 && base[end - 1] == 0) --n;
  return std::string_view(base + p, n);
}

struct Target {
  std::string name;
  std::string label;
  bool hasLabel = false;
};

// "name" or "name:label"; the name ends at the first blank or ":".
Target splitTarget(std::string_view arg) {
  Target t;
  std::size_t limit = std::min(arg.size(), kNameScan);
  std::size_t end = 0;
  while (end < limit && !isBlank(arg[end]) && arg[end] != ':') ++end;
  t.name = std::string(arg.substr(0, end));
  if (end < arg.size() && arg[end] == ':') {
    t.hasLabel = true;
    t.label = std::string(arg.substr(end + 1));
  }
  return t;
}

// What a "{" line of a "switch" says: whether it is an alternative of the switch and,
// if so, whether it is taken.
bool alternativeTaken(Engine& e, std::string_view afterBrace) {
  if (afterBrace.empty()) return true;  // a default
  if (afterBrace[0] != '(') return false;
  return TestCondition(e, afterBrace);
}

// The depth-0 end of a scenario: back to the screen that started it.
void endAtTop(Engine& e) {
  switch (e.run.origin) {
    case 1:
      // Back to the gallery viewer once that screen exists.
      break;
    case 2:
      // The next scene of the recollection playlist once that screen exists.
      break;
    default:
      break;
  }
}

}  // namespace

void cmdGo(Engine& e, CommandCall& c) {
  GotoLabel(e, c.argument);
}

void cmdIf(Engine& e, CommandCall& c) {
  c.after = After::Yield;
  if (!TestCondition(e, c.argument)) return;
  ScriptState& s = e.script;
  char* line = s.line.data();
  std::size_t i = static_cast<std::size_t>(c.argument.data() - line);
  while (i < kConditionScan && line[i] != ')' && line[i] != 0) ++i;
  if (i >= kConditionScan || line[i] != ')') {
    scriptWarning(e, "\"if \" without \")\" in its first " + std::to_string(kConditionScan) +
                         " bytes; no action taken");
    return;
  }
  ++i;
  while (i < s.line.size() && isBlank(line[i])) ++i;
  std::string_view rest(line + i);
  if (rest.empty()) return;
  if (rest[0] == '*' || rest[0] == '@' || rest[0] == '!') {
    if (rest.size() >= kConditionScan) {
      scriptWarning(e, "\"if \" action longer than " + std::to_string(kConditionScan - 1) +
                           " bytes; not run");
      return;
    }
    std::memmove(line, rest.data(), rest.size() + 1);
    c.after = After::Reclassify;
    return;
  }
  GotoLabel(e, rest);
}

void cmdCall(Engine& e, CommandCall& c) {
  ScriptState& s = e.script;
  Target t = splitTarget(c.argument);
  if (s.depth >= ScriptState::kMaxDepth) {
    // The stack has room for nine callers; a tenth would overwrite what follows it.
    scriptWarning(e, "\"call " + t.name + "\" refused: calls are nested " +
                         std::to_string(ScriptState::kMaxDepth) + " deep already");
    return;
  }
  CallFrame& frame = s.stack[static_cast<std::size_t>(s.depth)];
  setField(frame.name, s.currentName());
  frame.offset = s.pc;
  std::string name = t.name;
  bool loaded;
  if (name.size() >= 1 && name[0] == '$') {
    int n = name.size() >= 2 && name[1] >= '0' && name[1] <= '9' ? name[1] - '0' : 0;
    name = e.vars.string(n);
    s.setCurrentName(name);
    loaded = LoadScenario(e, name, ScenarioTarget::Story);
  } else {
    loaded = LoadScenario(e, name, ScenarioTarget::Story);
    if (loaded) s.setCurrentName(name);
  }
  if (loaded) {
    ResetPageState(e);
    ++s.depth;
  }
  if (t.hasLabel) GotoLabel(e, t.label);
}

void cmdChain(Engine& e, CommandCall& c) {
  ScriptState& s = e.script;
  s.depth = 0;
  Target t = splitTarget(c.argument);
  s.setCurrentName(t.name);
  ResetPageState(e);
  LoadScenario(e, t.name, ScenarioTarget::Story);
  if (t.hasLabel) GotoLabel(e, t.label);
}

void ReturnFromCall(Engine& e) {
  ScriptState& s = e.script;
  --s.depth;
  const CallFrame frame = s.stack[static_cast<std::size_t>(s.depth)];
  const std::string name = fieldString(frame.name);
  if (!LoadScenario(e, name, ScenarioTarget::Story)) {
    // Without the caller's text the return offset means nothing; the story stops at
    // the end rather than running the wrong lines.
    s.pc = s.size;
    s.nextLine = true;
    return;
  }
  s.setCurrentName(name);
  s.pc = std::min(frame.offset, s.size);
  s.nextLine = true;
}

void cmdEnd(Engine& e, CommandCall&) {
  if (e.script.depth > 0)
    ReturnFromCall(e);
  else
    endAtTop(e);
}

void cmdExit(Engine& e, CommandCall&) {
  endAtTop(e);
}

void cmdReturn(Engine&, CommandCall&) {}

void cmdCjmp(Engine& e, CommandCall& c) {
  ScriptState& s = e.script;
  const std::int32_t value = c.argument.empty() ? e.vars.sys[6] : Evaluate(e, c.argument);
  const std::int32_t close = NextLineStartingWith(s, s.pc, '}');
  const std::int32_t end = close >= s.size ? kNoLine : afterLine(s, close);
  std::int32_t p = s.pc;
  for (std::int32_t k = 0; value >= 0; ++k) {
    p = NextLineStartingWith(s, p, '{');
    if (p >= s.size || p >= close) break;
    if (k == value) {
      s.pc = afterLine(s, p);
      return;
    }
    p = afterLine(s, p);
  }
  s.pc = end;
}

void cmdSwitch(Engine& e, CommandCall& c) {
  ScriptState& s = e.script;
  std::string_view name = c.argument;
  const bool named = !name.empty();
  const std::int32_t close =
      named ? FindBlockEnd(s, s.pc, name) : NextLineStartingWith(s, s.pc, '}');
  std::int32_t p = s.pc;
  for (;;) {
    p = NextLineStartingWith(s, p, '{');
    if (p >= s.size || p >= close) break;
    std::string_view text = lineText(s, p).substr(1);
    bool taken = false;
    if (!named) {
      taken = alternativeTaken(e, text);
    } else if (text.size() >= 1 && text[0] == ':' && startsWithNoCase(text.substr(1), name)) {
      std::string_view after = text.substr(1 + name.size());
      if (after.empty() || after[0] == '(') taken = alternativeTaken(e, after);
    }
    if (taken) {
      s.pc = afterLine(s, p);
      return;
    }
    p = afterLine(s, p);
  }
  s.pc = close;
}

void cmdBackto(Engine& e, CommandCall&) {
  e.vars.sys[10] = e.script.pc;
}

}  // namespace torvan
