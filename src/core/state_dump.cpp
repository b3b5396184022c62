#include "core/state_dump.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "core/engine.h"
#include "core/sjis.h"

namespace torvan {

namespace {

QString text(std::string_view sjis) {
  return QString::fromStdString(sjisToUtf8(sjis));
}

QString fieldText(const char* data, std::size_t size) {
  return text(std::string_view(data, strnlen(data, size)));
}

template <class Bank>
QJsonArray setBits(const Bank& bank, std::size_t limit) {
  QJsonArray out;
  for (std::size_t i = 0; i < limit; ++i)
    if (bank.get(i)) out.append(qint64(i));
  return out;
}

template <class Array>
QJsonArray numbers(const Array& a) {
  QJsonArray out;
  for (auto v : a) out.append(qint64(v));
  return out;
}

QJsonObject pageObject(const Engine& e) {
  QJsonArray rows, colours;
  for (int r = 0; r < TextPage::kRows; ++r) {
    std::string row;
    for (std::uint8_t c : e.page.grid[r]) row += c ? char(c) : ' ';
    rows.append(text(row));
    colours.append(numbers(e.page.colours[r]));
  }
  QJsonObject page;
  page["rows"] = rows;
  page["colours"] = colours;
  page["column"] = e.page.column;
  page["row"] = e.page.row;
  page["windowShown"] = e.page.windowShown;
  page["windowState"] = e.page.windowState;
  page["speaker"] = fieldText(e.page.speaker.data(), e.page.speaker.size());
  page["empty"] = e.run.charsOnPage == 0;
  return page;
}

QJsonObject scenarioObject(const Engine& e) {
  const ScriptState& s = e.script;
  QJsonArray stack;
  for (int i = 0; i < s.depth && i < ScriptState::kMaxDepth; ++i) {
    QJsonObject f;
    f["name"] = fieldText(s.stack[i].name.data(), s.stack[i].name.size());
    f["offset"] = s.stack[i].offset;
    stack.append(f);
  }
  QJsonObject o;
  o["loaded"] = s.loaded;
  o["current"] = text(s.currentName());
  o["pc"] = s.pc;
  o["lineStart"] = s.lineStart;
  o["size"] = s.size;
  o["depth"] = s.depth;
  o["stack"] = stack;
  o["loadedName"] = text(fieldString(s.loadedName));
  o["column"] = s.column;
  o["line"] = text(std::string_view(s.line.data(), strnlen(s.line.data(), s.line.size())));
  o["insertion"] = s.insertionPending()
                       ? text(std::string_view(s.insertion.data() + s.insertionPos,
                                               std::size_t(s.insertionLength - s.insertionPos)))
                       : QString();
  o["sprites"] = text(fieldString(s.sprites));
  o["lastWasGrb"] = s.lastWasGrb;
  QJsonArray record;
  for (int i = 0; i < e.vars.sys[152] && i < int(ScriptState::kRecordBytes); ++i)
    record.append(s.record[std::size_t(i)]);
  o["choiceRecord"] = record;
  o["recordStart"] = text(fieldString(s.recordStart));
  return o;
}

// The choices on offer while a choice is pending: text, where it continues, its click
// area (x1, y1, x2, y2; the window's rows for the choice window) and whether it can be
// taken.
QJsonArray choicesArray(const Engine& e) {
  QJsonArray out;
  if (e.run.choiceState == 0) return out;
  const ChoiceList& l = e.script.choices;
  for (int i = 0; i < l.count && i < ChoiceList::kMax; ++i) {
    QJsonObject c;
    c["text"] = text(fieldString(l.texts[std::size_t(i)]));
    c["target"] = l.targets[std::size_t(i)];
    QJsonArray area;
    if (e.run.choiceState == 1) {
      area = {l.left, l.top + 45 * i, l.left + l.width, l.top + 45 * (i + 1)};
    } else {
      for (std::int32_t v : l.rects[std::size_t(i)]) area.append(v);
    }
    c["area"] = area;
    c["enabled"] = l.used[std::size_t(i)] != 0;
    if (e.run.choiceState == 4) c["labelBox"] = numbers(l.labelBoxes[std::size_t(i)]);
    out.append(c);
  }
  return out;
}

}  // namespace

std::string takeStateDump(Engine& e) {
  const RunState& r = e.run;
  QJsonObject o;
  o["gameMode"] = r.gameMode;
  o["waitMode"] = r.waitMode;
  o["waitTicks"] = r.waitTicks;
  o["sleepTicks"] = r.sleepTicks;
  o["voiceWait"] = r.voiceWait;
  o["choiceState"] = r.choiceState;
  o["skipState"] = r.skipState;
  o["busy"] = r.busy;
  o["interpreterEnabled"] = r.interpreterEnabled;
  o["quit"] = r.quit;
  o["autoCountdown"] = r.autoCountdown;
  o["charsOnPage"] = r.charsOnPage;
  o["textSkip"] = r.textSkip;
  o["nextLine"] = e.script.nextLine;
  o["frame"] = qint64(r.frame);
  o["tick"] = qint64(r.tick);
  o["clockMs"] = qint64(e.host.tickCount());
  o["scenario"] = scenarioObject(e);
  o["sys"] = numbers(e.vars.sys);
  o["val"] = numbers(e.vars.val);
  o["flg"] = setBits(e.vars.flg, 1024);
  o["evr"] = setBits(e.vars.evr, 1024);
  o["t"] = setBits(e.vars.t, 10000);
  o["g"] = numbers(e.vars.g);
  QJsonArray strings;
  for (int i = 0; i < Variables::kStringCount; ++i) strings.append(text(e.vars.string(i)));
  o["strings"] = strings;
  o["page"] = pageObject(e);
  QJsonArray log;
  for (int i = 0; i < e.log.count && i < TextLog::kLines; ++i) log.append(text(e.log.line(i)));
  o["log"] = log;
  o["choices"] = choicesArray(e);
  QJsonObject choice;
  choice["hovered"] = e.script.choices.hovered;
  choice["endOffset"] = e.script.choices.endOffset;
  choice["window"] =
      QJsonArray{e.script.choices.left, e.script.choices.top, e.script.choices.width};
  o["choice"] = choice;
  o["charDelay"] = r.charDelay;
  o["chapterTitle"] = fieldText(e.page.chapterTitle.data(), e.page.chapterTitle.size());
  QJsonObject music;
  music["requested"] = e.sound.musicRequested;
  music["playing"] = e.sound.musicPlaying;
  o["music"] = music;
  o["lastVoice"] = text(e.sound.lastVoice);
  o["loopSe"] = text(e.sound.loopSe);
  QJsonArray sounds;
  for (const SoundStart& s : e.sound.started) {
    QJsonObject so;
    so["slot"] = s.slot;
    so["name"] = text(s.name);
    sounds.append(so);
  }
  o["sounds"] = sounds;
  QJsonArray messages;
  for (const MessageRecord& m : e.messages) {
    QJsonObject mo;
    mo["caption"] = QString::fromStdString(m.caption);
    mo["text"] = QString::fromStdString(m.text);
    messages.append(mo);
  }
  o["messages"] = messages;
  QJsonObject display;
  display["mode"] = e.display.mode;
  display["fullScreen"] = e.display.fullScreen;
  o["display"] = display;
  e.sound.started.clear();
  e.messages.clear();
  return QJsonDocument(o).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace torvan
