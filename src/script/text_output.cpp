// The text-output loop. Characters come from pending insertion text first, then from
// the line buffer at the column. Control sequences ("%", "[", "<", the marks ▼ ▽ 〓 and
// the name sequence ＄ with a full-width digit) are recognised in the line only, never
// in inserted text.
#include "script/text_output.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/engine.h"
#include "core/main_loop.h"
#include "graphics/scene.h"
#include "script/commands.h"
#include "script/expression.h"
#include "script/interpreter.h"
#include "sound/sound_system.h"
#include "text/glyph_draw.h"
#include "text/page_text.h"

namespace torvan {

namespace {

constexpr int kHetareFlag = 28;

std::size_t characterLength(std::string_view text) {
  auto b = static_cast<unsigned char>(text[0]);
  if ((b < 0x20 || b >= 0x7F) && text.size() >= 2 && text[1] != 0) return 2;
  return 1;
}

void setInsertion(ScriptState& s, std::string_view text) {
  text = text.substr(0, std::min(text.size(), s.insertion.size() - 1));
  std::memcpy(s.insertion.data(), text.data(), text.size());
  s.insertion[text.size()] = 0;
  s.insertionPos = 0;
  s.insertionLength = static_cast<std::int32_t>(text.size());
}

// The line from the column on, up to its terminator.
std::string_view restOfLine(const ScriptState& s) {
  const char* p = s.line.data() + s.column;
  return std::string_view(p, strnlen(p, s.line.size() - static_cast<std::size_t>(s.column)));
}

// "[" ... "]": the tag word is matched as a prefix in table order; the whole tag up to
// and including "]" is consumed whether it matched or not. Returns true when the tag
// ends the step.
bool inlineTag(Engine& e, std::string_view rest) {
  ScriptState& s = e.script;
  std::string_view body = rest.substr(1);  // after "["
  std::size_t close = body.find(']');
  std::size_t consumed = close == std::string_view::npos ? rest.size() : close + 2;
  if (close != std::string_view::npos) body = body.substr(0, close);
  s.column += static_cast<std::int32_t>(consumed);

  auto argAfter = [&](std::string_view word) {
    std::size_t at = std::min(word.size() + 1, body.size());
    return body.substr(at);
  };
  const bool skipping = e.run.skipState != 0;
  if (startsWithNoCase(body, "gra")) {
    // Like "gra ", but the last-command-was-grb flag and the cut request stay as
    // they are.
    SetBackground(e, argAfter("gra"), false);
  } else if (startsWithNoCase(body, "1")) {
    e.page.wideSpacing = false;
  } else if (startsWithNoCase(body, "2")) {
    e.page.wideSpacing = true;
  } else if (startsWithNoCase(body, "col")) {
    e.page.colour = parseNumber(argAfter("col")) & 7;
  } else if (startsWithNoCase(body, "wait")) {
    // A negative count would never run down; it waits not at all.
    if (!skipping) e.run.waitTicks = std::max(0, parseNumber(argAfter("wait")));
    return true;
  } else if (startsWithNoCase(body, "voice ")) {
    std::string_view name = body.substr(6);
    PlaySoundCue(e, name);
    NotePageVoice(e, name);
    e.sound.lastVoice = std::string(name.substr(0, std::min<std::size_t>(name.size(), 29)));
  } else if (startsWithNoCase(body, "clrb")) {
    // The tag carries no transition of its own, so without a number this is a cut.
    ClearSprites(e, argAfter("clrb"));
  } else if (startsWithNoCase(body, "delay")) {
    e.run.charDelay = parseNumber(argAfter("delay"));
  } else if (startsWithNoCase(body, "?")) {
    setInsertion(s, std::to_string(Evaluate(e, body.substr(1))));
  } else if (startsWithNoCase(body, "$")) {
    std::string_view arg = body.substr(1);
    if (!arg.empty() && arg[0] >= '0' && arg[0] <= '9')
      setInsertion(s, e.vars.string(arg[0] - '0'));
  }
  return false;
}

}  // namespace

int fullWidthNameIndex(std::string_view text) {
  if (text.size() < 4 || text.substr(0, 2) != sjis::kDollar) return -1;
  auto lead = static_cast<unsigned char>(text[2]), trail = static_cast<unsigned char>(text[3]);
  if (lead != 0x82 || trail < 0x4F || trail > 0x58) return -1;
  return trail - 0x4F;
}

bool continueTextLine(Engine& e) {
  ScriptState& s = e.script;
  for (;;) {
    std::string character;
    if (s.insertionPending()) {
      std::string_view rest(s.insertion.data() + s.insertionPos,
                            static_cast<std::size_t>(s.insertionLength - s.insertionPos));
      character = std::string(rest.substr(0, characterLength(rest)));
      s.insertionPos += static_cast<std::int32_t>(character.size());
    } else {
      std::string_view rest = restOfLine(s);
      if (rest.empty()) {
        EndLogLine(e);
        s.nextLine = true;
        s.column = 0;
        e.page.column = 0;
        ++e.page.row;
        return true;
      }
      const char c = rest[0];
      if (c == '%') {
        std::size_t n = 1;
        std::int32_t ticks = 0;
        while (n < rest.size() && rest[n] >= '0' && rest[n] <= '9') {
          // Longer digit runs would overflow; a wait of years is as good as forever.
          if (ticks < 100000000) ticks = ticks * 10 + (rest[n] - '0');
          ++n;
        }
        s.column += static_cast<std::int32_t>(n);
        if (e.run.skipState == 0) e.run.waitTicks = ticks == 0 ? 10 : ticks;
        return true;
      }
      if (c == '[') {
        if (inlineTag(e, rest)) return true;
        continue;
      }
      if (c == '<') {
        std::size_t close = rest.find('>');
        // Ruby takes no place on the page.
        DrawRuby(e, rest.substr(1, close == std::string_view::npos ? close : close - 1));
        s.column +=
            static_cast<std::int32_t>(close == std::string_view::npos ? rest.size() : close + 1);
        continue;
      }
      std::string_view two = rest.substr(0, 2);
      if (two == sjis::kPageMark) {
        EndLogLine(e);
        StartWait(e, kPageWait);
        s.nextLine = true;
        return true;
      }
      if (two == sjis::kClearMark) {
        EndLogLine(e);
        NewPage(e);
        s.nextLine = true;
        return true;
      }
      if (two == sjis::kLineMark) {
        StartWait(e, kLineWait);
        s.nextLine = true;
        return true;
      }
      if (int n = fullWidthNameIndex(rest); n >= 0) {
        s.column += 4;
        if (n <= 1 && e.vars.flg.get(kHetareFlag))
          setInsertion(s, sjis::kHetare);
        else
          setInsertion(s, e.vars.string(n));
        continue;
      }
      character = std::string(rest.substr(0, characterLength(rest)));
      s.column += static_cast<std::int32_t>(character.size());
    }

    // Put before logging: a wrap ends the log line, so the log keeps the page's rows.
    PutChar(e, character);
    LogChar(e, character);

    if (e.run.charDelay == 0) continue;
    const bool paced = (!e.run.textSkip && e.settings.perCharacter() && e.run.skipState == 0) ||
                       e.vars.sys[sys::kAutoSpeed] != 0;
    if (!paced) continue;
    // The screen already shows the character: PutChar copies its cell. A delay below 1
    // would leave a wait that never runs down.
    e.run.waitTicks = std::max(0, e.run.charDelay - 1);
    return true;
  }
}

}  // namespace torvan
