// Runs small scenarios headless and reads the state dump back.
#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <string>
#include <utility>
#include <vector>

#include "core/state_dump.h"
#include "headless_support.h"

namespace torvan::test {

using Scripts = std::vector<std::pair<std::string, std::string>>;

// settings: ini lines of the "KANOVELLA" section ("Delay=1\n").
inline Run play(Game& g, const Scripts& scripts, const std::string& events,
                const std::string& settings = "") {
  g.addScripts(scripts);
  if (!settings.empty()) g.setSettings("[KANOVELLA]\n" + settings);
  return runGame(g, events);
}

inline QJsonObject stateOf(Run& r) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(takeStateDump(*r.engine))).object();
}

// A row of the page without the blanks that pad it to 100 cells.
inline QString pageRow(const QJsonObject& state, int row) {
  QString s = state["page"].toObject()["rows"].toArray()[row].toString();
  while (s.endsWith(' ')) s.chop(1);
  return s;
}

inline QJsonObject scenarioOf(const QJsonObject& state) {
  return state["scenario"].toObject();
}

}  // namespace torvan::test
