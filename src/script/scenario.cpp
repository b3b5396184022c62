// Scenario loading, label and block searches, and the page state a scenario starts
// from. Every search is a linear scan of the loaded bytes, bounded by the scenario's
// size: the interpreter never parses ahead.
#include <algorithm>
#include <cstring>

#include "archive/archive_index.h"
#include "core/engine.h"
#include "core/log.h"
#include "core/sjis.h"
#include "script/interpreter.h"

namespace torvan {

namespace {

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The text of the line that starts at p: up to its 0 byte or the end of the scenario.
std::string_view lineAt(const ScriptState& s, std::int32_t p) {
  const char* base = reinterpret_cast<const char*>(s.scenario.data());
  const void* zero = std::memchr(base + p, 0, static_cast<std::size_t>(s.size - p));
  std::int32_t end =
      zero ? static_cast<std::int32_t>(static_cast<const char*>(zero) - base) : s.size;
  return std::string_view(base + p, static_cast<std::size_t>(end - p));
}

bool isLineStart(const ScriptState& s, std::int32_t p) {
  return p == 0 || s.scenario[static_cast<std::size_t>(p - 1)] == 0;
}

}  // namespace

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (upper(text[i]) != upper(prefix[i])) return false;
  return true;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && startsWithNoCase(a, b);
}

void scriptWarning(const Engine& e, std::string_view what) {
  // The same form as script errors: "script NAME at OFFSET: what".
  std::string name = sjisToUtf8(e.script.currentName());
  warn("script " + (name.empty() ? std::string("(none)") : name) + " at " +
       std::to_string(e.script.lineStart) + ": " + sjisToUtf8(what));
}

bool LoadScenario(Engine& e, std::string_view name, ScenarioTarget target) {
  // Names end at the first 0 byte, as the fixed-width name fields hold them.
  name = name.substr(0, std::min(name.find('\0'), name.size()));
  std::int64_t size = -1;
  for (const ArchiveIndex* index : {&e.archives.script[1], &e.archives.script[0]}) {
    std::int32_t at = findEntry(*index, name);
    if (at < 0) continue;
    size = index->sizes[static_cast<std::size_t>(at)];
    break;
  }
  if (size < 0) {
    scriptWarning(e, "no scenario named '" + std::string(name) + "'");
    return false;
  }
  // A larger entry does not fit the buffer; running a truncated scenario would jump
  // into the wrong story, so it is refused like a missing one.
  if (size > static_cast<std::int64_t>(ScriptState::kBufferBytes)) {
    scriptWarning(e, "scenario '" + std::string(name) + "' has " + std::to_string(size) +
                         " bytes, more than the " + std::to_string(ScriptState::kBufferBytes) +
                         " a scenario may have; not loaded");
    return false;
  }
  auto data = e.archives.readScript(name);
  if (!data) {
    warn(data.error());
    return false;
  }

  ScriptState& s = e.script;
  if (s.scenario.size() < ScriptState::kBufferBytes) s.allocate();
  s.clearInsertion();
  // A scenario that belongs to a recollection entry unlocks it; the recollection
  // screen hooks in here once it exists.
  Bytes& buffer = target == ScenarioTarget::Story ? s.scenario : s.auxiliary;
  std::copy(data->begin(), data->end(), buffer.begin());
  const auto loadedSize = static_cast<std::int32_t>(data->size());
  if (target == ScenarioTarget::Story) {
    setField(s.loadedName, name);
    s.size = loadedSize;
    s.pc = 0;
    s.nextLine = true;
    s.loaded = true;
    e.run.interpreterEnabled = 1;
    e.vars.sys[10] = 0;
  } else {
    s.auxSize = loadedSize;
  }
  return true;
}

std::int32_t FindLabel(const ScriptState& s, std::string_view name) {
  const char* base = reinterpret_cast<const char*>(s.scenario.data());
  for (std::int32_t p = 0; p < s.size; ++p) {
    if (base[p] != ':') continue;
    std::string_view rest = lineAt(s, p + 1 <= s.size ? p + 1 : s.size);
    if (!equalsNoCase(rest, name)) continue;
    std::int32_t after = p + 1 + static_cast<std::int32_t>(rest.size()) + 1;
    return std::min(after, s.size);
  }
  return -1;
}

void GotoLabel(Engine& e, std::string_view name) {
  name = name.substr(0, std::min(name.find('\0'), name.size()));
  std::int32_t at = FindLabel(e.script, name);
  if (at < 0) {
    scriptWarning(e, "no label '" + std::string(name) + "'");
    return;
  }
  e.script.pc = at;
  e.script.nextLine = true;
}

std::int32_t NextLineStartingWith(const ScriptState& s, std::int32_t from, char ch) {
  for (std::int32_t p = std::max(from, 0); p < s.size; ++p)
    if (s.scenario[static_cast<std::size_t>(p)] == static_cast<std::uint8_t>(ch) &&
        isLineStart(s, p))
      return p;
  return kNoLine;
}

std::int32_t FindBlockEnd(const ScriptState& s, std::int32_t from, std::string_view name) {
  for (std::int32_t p = std::max(from, 0); p + 1 < s.size; ++p) {
    if (s.scenario[static_cast<std::size_t>(p)] != '}' || !isLineStart(s, p)) continue;
    if (s.scenario[static_cast<std::size_t>(p + 1)] != ':') continue;
    if (equalsNoCase(lineAt(s, p + 2), name)) return p;
  }
  return kNoBlockEnd;
}

void ResetPageState(Engine& e) {
  e.run.charDelay = 1;
  e.run.textSkip = false;
  e.run.waitMode = 0;
  e.run.waitTicks = 0;
  e.run.choiceState = 0;
  e.page.column = 0;
  e.page.row = 0;
}

}  // namespace torvan
