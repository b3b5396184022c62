#include "platform/qt/game_session.h"

#include <QMessageBox>
#include <exception>

namespace torvan {

GameSession::GameSession(const EngineOptions& options)
    : window_(), host_(window_), engine_(host_, options) {
  window_.attach(&engine_);
}

GameSession::~GameSession() {
  finish();
  window_.attach(nullptr);
}

void GameSession::start() {
  if (started_) return;
  started_ = true;
  try {
    engine_.formCreate();
  } catch (const std::exception& e) {
    // Nothing runs yet, so the message stands alone and the run ends.
    QMessageBox::critical(nullptr, window_.windowTitle(), QString::fromLocal8Bit(e.what()));
    finished_ = true;
    createFailed_ = true;
    window_.attach(nullptr);
    return;
  }
  window_.show();
  window_.startLoop();
}

void GameSession::finish() {
  if (!started_ || finished_) return;
  finished_ = true;
  window_.stopLoop();
  try {
    engine_.formDestroy();
  } catch (const std::exception&) {
    // Leaving full screen failed on the way out; the window goes away regardless.
  }
}

}  // namespace torvan
