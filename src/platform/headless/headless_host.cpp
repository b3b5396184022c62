#include "platform/headless/headless_host.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "archive/png_io.h"
#include "core/engine.h"
#include "core/file_io.h"
#include "core/log.h"
#include "core/main_loop.h"
#include "core/state_dump.h"
#include "script/choices.h"

namespace torvan {

namespace {

constexpr std::int64_t kTimerMs = 55;
constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

}  // namespace

HeadlessHost::HeadlessHost(HeadlessOptions options) : options_(std::move(options)) {
  pending_.assign(options_.events.begin(), options_.events.end());
  frame_.resize(800, 600);
}

int HeadlessHost::run(Engine& engine) {
  engine_ = &engine;
  engine.formCreate();
  nextIdle_ = now_;
  nextTick_ = now_ + kTimerMs;

  while (!engine.closed()) {
    bool more = runReadyCommands();
    if (engine.closed()) break;
    if (!more && !options_.autoplay) break;
    if (options_.autoplay && !engine.run.firstStep &&
        (engine.storyStandsStill() || now_ >= options_.autoplayLimitMs))
      break;

    std::int64_t target = std::min({nextIdle_, nextTick_, frontDeadline()});
    if (target > now_) now_ = target;
    if (now_ >= nextTick_) {
      serveTimer();
      checkUntilIdle();
      continue;
    }
    if (now_ >= nextIdle_) {
      nextIdle_ = engine.idlePass();
      checkUntilIdle();
      if (options_.autoplay) autoplayStep();
    }
  }

  engine.formDestroy();
  if (!options_.finalStateFile.empty()) writeState(options_.finalStateFile);
  engine_ = nullptr;
  return engineFailed_ ? 1 : 0;
}

bool HeadlessHost::runReadyCommands() {
  while (!pending_.empty()) {
    EventCommand& front = pending_.front();
    if (front.kind == EventCommand::Kind::Wait || front.kind == EventCommand::Kind::UntilIdle) {
      if (!frontStarted_) {
        frontStarted_ = true;
        frontDeadline_ = now_ + front.ms;
        checkUntilIdle();
        if (!frontStarted_) continue;
      }
      if (now_ < frontDeadline_) return true;
      pending_.pop_front();
      frontStarted_ = false;
      continue;
    }
    EventCommand c = std::move(front);
    pending_.pop_front();
    frontStarted_ = false;
    execute(c);
    if (engine_->closed()) return true;
  }
  return false;
}

std::int64_t HeadlessHost::frontDeadline() {
  if (pending_.empty() || !frontStarted_) return kNever;
  return frontDeadline_;
}

void HeadlessHost::checkUntilIdle() {
  if (pending_.empty() || !frontStarted_) return;
  if (pending_.front().kind != EventCommand::Kind::UntilIdle) return;
  if (engine_->waitingForPlayer() || engine_->storyStandsStill()) {
    pending_.pop_front();
    frontStarted_ = false;
  }
}

void HeadlessHost::serveTimer() {
  if (now_ < nextTick_) return;
  nextTick_ += kTimerMs * ((now_ - nextTick_) / kTimerMs + 1);
  engine_->timerTick();
}

void HeadlessHost::execute(const EventCommand& c) {
  Engine& e = *engine_;
  using K = EventCommand::Kind;
  switch (c.kind) {
    case K::Click:
      cursor_ = c.at;
      e.mouseDown(c.at, c.button);
      e.mouseUp(c.at, c.button);
      break;
    case K::Press:
      cursor_ = c.at;
      e.mouseDown(c.at, c.button);
      break;
    case K::Release:
      cursor_ = c.at;
      e.mouseUp(c.at, c.button);
      break;
    case K::Move:
      cursor_ = c.at;
      e.mouseMove(c.at);
      break;
    case K::Wheel:
      e.wheel(c.wheel);
      break;
    case K::Key:
      if (c.keyAction != EventCommand::KeyAction::Up) {
        e.keyDown(c.key);
        if (char ch = keyCharacter(c.key)) e.keyPress(ch);
      }
      if (c.keyAction != EventCommand::KeyAction::Down) e.keyUp(c.key);
      break;
    case K::Answer:
      answers_.push_back(c.answer);
      break;
    case K::Menu: {
      // No menu is open: the caption names a tool-strip button.
      struct Named {
        const char* caption;
        ToolButton button;
        bool ToolStripState::*enabled;
      };
      static const Named kButtons[] = {
          {"終了", ToolButton::Quit, &ToolStripState::quit},
          {"ロード", ToolButton::Load, &ToolStripState::load},
          {"セーブ", ToolButton::Save, &ToolStripState::save},
          {"設定", ToolButton::Settings, &ToolStripState::settings},
          {"セーブ編集", ToolButton::SaveEdit, &ToolStripState::saveEdit},
      };
      bool found = false;
      for (const Named& b : kButtons) {
        if (c.text != b.caption) continue;
        found = true;
        bool visible = b.button != ToolButton::SaveEdit || toolStrip_.saveEditVisible;
        if (visible && toolStrip_.*b.enabled)
          e.toolButton(b.button);
        else
          warn("events line " + std::to_string(c.line) + ": tool-strip button '" + c.text +
               "' is not enabled");
      }
      if (!found)
        warn("events line " + std::to_string(c.line) + ": no open menu and no tool-strip button '" +
             c.text + "'");
      break;
    }
    case K::Screenshot:
      writeScreenshot(c.text);
      break;
    case K::State:
      writeState(c.text);
      break;
    case K::Quit:
      requestClose();
      break;
    case K::Wait:
    case K::UntilIdle:
      break;
  }
}

const EventCommand* HeadlessHost::takeAnswerLine(bool wantMenu) {
  if (pending_.empty() || frontStarted_) return nullptr;
  const EventCommand& c = pending_.front();
  if (c.kind != EventCommand::Kind::Answer && !(wantMenu && c.kind == EventCommand::Kind::Menu))
    return nullptr;
  answerLine_ = c;
  pending_.pop_front();
  return &answerLine_;
}

void HeadlessHost::present(const Surface& screen, const Rect& area) {
  int x0 = std::max(0, area.x), y0 = std::max(0, area.y);
  int x1 = std::min({area.x + area.w, screen.width, frame_.width});
  int y1 = std::min({area.y + area.h, screen.height, frame_.height});
  for (int y = y0; y < y1; ++y)
    std::memcpy(frame_.row(y) + x0 * 3, screen.row(y) + x0 * 3,
                static_cast<std::size_t>(x1 - x0) * 3);
}

void HeadlessHost::pumpEvents() {
  if (!engine_) return;
  runReadyCommands();
  serveTimer();
}

void HeadlessHost::sleep(int ms) {
  if (ms > 0) now_ += ms;
}

MessageAnswer HeadlessHost::messageBox(std::string_view, std::string_view, MessageIcon,
                                       MessageButtons buttons) {
  MessageAnswer a = MessageAnswer::Ok;
  if (!answers_.empty()) {
    a = answers_.front();
    answers_.pop_front();
  } else if (engine_) {
    if (const EventCommand* c = takeAnswerLine(false)) a = c->answer;
  }
  return buttons == MessageButtons::Ok ? MessageAnswer::Ok : a;
}

bool HeadlessHost::enterFullScreen(int mode) {
  fullScreenMode_ = mode;
  return true;
}

int HeadlessHost::popupMenu(const std::vector<MenuItem>& items, Point desktop) {
  menusShown_.push_back({items, desktop});
  const EventCommand* c = takeAnswerLine(true);
  if (!c || c->kind != EventCommand::Kind::Menu) return -1;
  for (const MenuItem& item : items) {
    if (!item.visible || item.caption != c->text) continue;
    if (item.enabled) return item.id;
    warn("events line " + std::to_string(c->line) + ": menu item '" + c->text + "' is disabled");
    return -1;
  }
  warn("events line " + std::to_string(c->line) + ": the open menu has no item '" + c->text + "'");
  return -1;
}

void HeadlessHost::requestClose() {
  if (engine_ && !engine_->closed() && engine_->formCloseQuery()) engine_->markClosed();
}

void HeadlessHost::autoplayStep() {
  Engine& e = *engine_;
  auto& sys = e.vars.sys;
  if (!e.run.firstStep && sys[sys::kAutoSpeed] == 0)
    sys[sys::kAutoSpeed] = sys[sys::kLastAutoSpeed] ? sys[sys::kLastAutoSpeed] : 5;
  if (isPageWait(e.run.waitMode) && !isPageWait(lastWaitMode_) && !options_.screenshotDir.empty()) {
    char name[32];
    std::snprintf(name, sizeof name, "/page-%04d.png", ++screenshotCount_);
    writeScreenshot(options_.screenshotDir + name);
  }
  lastWaitMode_ = e.run.waitMode;

  // Auto mode never takes a choice or ends a click-waiting sleep: autoplay clicks as a
  // player would, on the first choice that can be clicked, once the debounce allows.
  if (e.run.gameMode != kStory || e.run.busy || e.run.clickDebounce != 0) return;
  if (e.run.choiceState != 0) {
    for (int i = 1; i <= e.script.choices.count; ++i) {
      std::optional<Point> at = choicePoint(e, i);
      if (!at) continue;
      cursor_ = *at;
      e.mouseMove(*at);
      e.mouseDown(*at, MouseButton::Left);
      e.mouseUp(*at, MouseButton::Left);
      break;
    }
  } else if (e.run.sleepTicks == -1) {
    e.mouseDown(cursor_, MouseButton::Left);
    e.mouseUp(cursor_, MouseButton::Left);
  }
}

void HeadlessHost::writeState(const std::string& file) {
  std::string json = takeStateDump(*engine_);
  if (Status s = writeFileAtomic(
          file, ByteSpan(reinterpret_cast<const std::uint8_t*>(json.data()), json.size()));
      !s)
    warn(s.error());
}

void HeadlessHost::writeScreenshot(const std::string& file) {
  if (Status s = writePng(file, frame_); !s) warn(s.error());
}

}  // namespace torvan
