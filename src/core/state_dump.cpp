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
  return o;
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
  o["choices"] = QJsonArray();
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
