#include "platform/headless/event_script.h"

#include <charconv>
#include <sstream>

#include "core/file_io.h"

namespace torvan {

namespace {

std::vector<std::string> words(std::string_view line) {
  std::vector<std::string> out;
  std::istringstream in{std::string(line)};
  std::string w;
  while (in >> w) out.push_back(w);
  return out;
}

bool number(const std::string& s, std::int64_t& out) {
  auto r = std::from_chars(s.data(), s.data() + s.size(), out);
  return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

bool keyByName(std::string name, KeyCode& out) {
  struct Named {
    const char* name;
    Key key;
  };
  static const Named kNames[] = {
      {"ctrl", Key::Ctrl},   {"shift", Key::Shift}, {"tab", Key::Tab},
      {"enter", Key::Enter}, {"space", Key::Space}, {"backspace", Key::Backspace},
      {"esc", Key::Esc},     {"up", Key::Up},       {"down", Key::Down},
      {"left", Key::Left},   {"right", Key::Right}, {"f2", Key::F2},
  };
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const Named& n : kNames)
    if (name == n.name) {
      out = {n.key, 0};
      return true;
    }
  if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z') {
    out = {Key::Letter, static_cast<char>(name[0] - 'a' + 'A')};
    return true;
  }
  return false;
}

}  // namespace

Result<std::vector<EventCommand>> parseEventScript(std::string_view text, const std::string& file) {
  std::vector<EventCommand> out;
  int lineNo = 0;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    if (auto hash = raw.find('#'); hash != std::string_view::npos) raw = raw.substr(0, hash);
    auto w = words(raw);
    if (w.empty()) continue;

    EventCommand c;
    c.line = lineNo;
    auto bad = [&](const std::string& why) {
      return Error{file, "line " + std::to_string(lineNo), why};
    };
    const std::string& verb = w[0];
    auto point = [&](std::size_t at) -> bool {
      std::int64_t x, y;
      if (w.size() <= at + 1 || !number(w[at], x) || !number(w[at + 1], y)) return false;
      c.at = {static_cast<int>(x), static_cast<int>(y)};
      return true;
    };
    auto button = [&](std::size_t at) -> bool {
      if (w.size() <= at) return true;
      if (w[at] == "left") return c.button = MouseButton::Left, true;
      if (w[at] == "right") return c.button = MouseButton::Right, true;
      return false;
    };

    if (verb == "wait" || verb == "until-idle") {
      c.kind = verb == "wait" ? EventCommand::Kind::Wait : EventCommand::Kind::UntilIdle;
      c.ms = 60000;
      if (w.size() > 1 && (!number(w[1], c.ms) || c.ms < 0))
        return bad("'" + verb + "' takes a number of milliseconds");
      if (verb == "wait" && w.size() < 2) return bad("'wait' takes a number of milliseconds");
    } else if (verb == "click" || verb == "press" || verb == "release") {
      c.kind = verb == "click"   ? EventCommand::Kind::Click
               : verb == "press" ? EventCommand::Kind::Press
                                 : EventCommand::Kind::Release;
      if (!point(1) || !button(3)) return bad("'" + verb + "' takes X Y [left|right]");
    } else if (verb == "move") {
      c.kind = EventCommand::Kind::Move;
      if (!point(1)) return bad("'move' takes X Y");
    } else if (verb == "wheel") {
      c.kind = EventCommand::Kind::Wheel;
      if (w.size() < 2 || (w[1] != "up" && w[1] != "down")) return bad("'wheel' takes up or down");
      c.wheel = w[1] == "up" ? 1 : -1;
    } else if (verb == "key") {
      c.kind = EventCommand::Kind::Key;
      if (w.size() < 2 || !keyByName(w[1], c.key)) return bad("unknown key name");
      if (w.size() > 2) {
        if (w[2] == "down")
          c.keyAction = EventCommand::KeyAction::Down;
        else if (w[2] == "up")
          c.keyAction = EventCommand::KeyAction::Up;
        else
          return bad("'key' takes down or up after the name");
      }
    } else if (verb == "answer") {
      c.kind = EventCommand::Kind::Answer;
      if (w.size() < 2 || (w[1] != "ok" && w[1] != "cancel"))
        return bad("'answer' takes ok or cancel");
      c.answer = w[1] == "ok" ? MessageAnswer::Ok : MessageAnswer::Cancel;
    } else if (verb == "menu") {
      c.kind = EventCommand::Kind::Menu;
      std::string_view rest = raw.substr(raw.find("menu") + 4);
      while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t')) rest.remove_prefix(1);
      while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t' || rest.back() == '\r'))
        rest.remove_suffix(1);
      if (rest.empty()) return bad("'menu' takes an item caption");
      c.text = std::string(rest);
    } else if (verb == "screenshot" || verb == "state") {
      c.kind = verb == "state" ? EventCommand::Kind::State : EventCommand::Kind::Screenshot;
      if (w.size() < 2) return bad("'" + verb + "' takes a file name");
      c.text = w[1];
    } else if (verb == "quit") {
      c.kind = EventCommand::Kind::Quit;
    } else {
      return bad("unknown command '" + verb + "'");
    }
    out.push_back(std::move(c));
  }
  return out;
}

Result<std::vector<EventCommand>> readEventScript(const std::string& path) {
  auto data = readFile(path, 64u << 20);
  if (!data) return data.error();
  return parseEventScript(
      std::string_view(reinterpret_cast<const char*>(data->data()), data->size()), path);
}

}  // namespace torvan
