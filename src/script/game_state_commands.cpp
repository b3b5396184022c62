// Commands that change game-wide state: variables, read marks, the clear count, the
// chapter title, skip and auto, waits, and the menus a script may open.
#include <algorithm>
#include <cstdint>
#include <string>

#include "core/engine.h"
#include "core/log.h"
#include "core/settings_store.h"
#include "core/sjis.h"
#include "script/commands.h"
#include "script/expression.h"
#include "script/interpreter.h"

namespace torvan {

namespace {

constexpr int kReadMarkLast = 80000;
constexpr int kClearedFlag = 999;  // EVR flag of a finished game
constexpr int kTitleMax = 63;
constexpr int kPassMs = 30;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// "V" and its decimal index at the start of text; -1 when text does not start so or
// the index lies outside the bank.
int valueIndex(std::string_view& text) {
  if (text.empty() || (text[0] != 'V' && text[0] != 'v')) return -1;
  std::size_t i = 1;
  std::int64_t n = 0;
  while (i < text.size() && isDigit(text[i]) && n < 100000) n = n * 10 + (text[i++] - '0');
  const bool ok = i > 1 && n < 1000;
  text = text.substr(i);
  return ok ? static_cast<int>(n) : -1;
}

// Read marks: the first time a mark is met the text is unread, and with "Seen" on,
// skipping stops there.
void MarkRead(Engine& e, std::int32_t n) {
  if (n < 0 || n > kReadMarkLast) return;
  if (e.vars.readMarks.get(static_cast<std::size_t>(n))) return;
  e.vars.readMarks.set(static_cast<std::size_t>(n), true);
  if (e.settings.seen == 1) {
    e.run.skipState = 0;
    e.vars.sys[sys::kSkipButton] = 0;
    // The quick buttons are redrawn here once they exist.
  }
}

}  // namespace

int parseNumber(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  std::int64_t n = 0;
  while (i < text.size() && isDigit(text[i])) {
    n = n * 10 + (text[i++] - '0');
    if (n > INT32_MAX) n = INT32_MAX;
  }
  return static_cast<int>(negative ? -n : n);
}

void StopSkipAndAuto(Engine& e) {
  auto& sys = e.vars.sys;
  e.run.skipState = 0;
  sys[sys::kSkipButton] = 0;
  sys[sys::kAutoButton] = 0;
  sys[sys::kAutoSpeed] = 0;
  // The quick buttons and the tool strip's caption colour follow once they are drawn.
}

void breakOnSelect(Engine& e) {
  if (e.settings.breakOnSelect) StopSkipAndAuto(e);
}

void cmdCalc(Engine& e, CommandCall& c) {
  Assign(e, c.argument);
}

void cmdGetMax(Engine& e, CommandCall& c) {
  std::string_view text = c.argument;
  const int target = valueIndex(text);
  std::int32_t best = 0;
  while (!text.empty() && text[0] == ',') {
    text = text.substr(1);
    const int m = valueIndex(text);
    if (m >= 0) best = std::max(best, e.vars.val[static_cast<std::size_t>(m)]);
  }
  if (target < 0) {
    scriptWarning(e, "\"get_max \" needs a target V000..V999");
    return;
  }
  e.vars.val[static_cast<std::size_t>(target)] = best;
}

void cmdGameinit(Engine& e, CommandCall&) {
  e.vars.flg.clear();
  e.vars.t.clear();
  e.vars.val.fill(0);
}

void cmdMark(Engine& e, CommandCall& c) {
  MarkRead(e, parseNumber(c.argument));
}

void cmdGameclr(Engine& e, CommandCall&) {
  SettingsStore store(SettingsStore::siblingFile(e.options.settingsFile), "lumo");
  std::int32_t count = store.readInt("Clear", 0) + 1;
  if (!store.writeInt("Clear", count)) warn(Error{store.file(), "Clear", "could not be written"});
  e.vars.sys[sys::kClearCount] = count;
  e.vars.evr.set(kClearedFlag, true);
  // The global data is saved here once its file exists.
}

void cmdCgfull(Engine&, CommandCall&) {
  // Marks every picture of the gallery list as seen once the gallery list is loaded.
}

void cmdTitle(Engine& e, CommandCall& c) {
  setField(e.page.chapterTitle, cutSjis(c.argument, kTitleMax));
}

void cmdSetname(Engine& e, CommandCall&) {
  e.run.busy = 1;
  breakOnSelect(e);
  // The name-entry dialog is shown here once it exists.
  std::string fallback;
  if (const SettingField* f = findSettingField("PlayerName"))
    if (auto s = utf8ToSjis(f->stringDefaultUtf8)) fallback = *s;
  e.vars.sys[6] = (e.vars.string(0) == fallback && e.vars.string(1) == fallback) ? 0 : 1;
  e.run.busy = 0;
}

void cmdLoad(Engine& e, CommandCall&) {
  breakOnSelect(e);
  // The save/load dialog opens for loading here once it exists.
}

void cmdSave(Engine& e, CommandCall&) {
  breakOnSelect(e);
  // The save/load dialog opens for saving here once it exists.
}

void cmdBreak(Engine& e, CommandCall&) {
  StopSkipAndAuto(e);
}

void cmdExitgame(Engine& e, CommandCall&) {
  e.host.requestClose();
}

void cmdSleep(Engine& e, CommandCall& c) {
  const std::int32_t passes = parseNumber(c.argument) / kPassMs;
  // Zero passes wait for a click; so does a negative count, which would never run down.
  e.run.sleepTicks = passes > 0 ? passes : -1;
}

void cmdWaitVoiceEnd(Engine& e, CommandCall&) {
  if (e.sound.waveOutput) e.run.voiceWait = true;
}

void cmdChgprm(Engine&, CommandCall&) {}

}  // namespace torvan
