#include "platform/qt/qt_shell.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>

#include "platform/qt/game_session.h"
#include "sound/openal_output.h"

namespace torvan {

std::string instanceLockPath() {
  return QDir(QDir::tempPath()).filePath(QStringLiteral("TORVANENGINE.lock")).toStdString();
}

int runQtShell(int argc, char** argv, const EngineOptions& options) {
  // Taken before the application connects to the display, so that a second copy ends
  // without showing anything.
  QLockFile lock(QString::fromStdString(instanceLockPath()));
  // The game runs for hours; the lock is stale only when its owner is gone, never
  // because of its age.
  lock.setStaleLockTime(0);
  if (!lock.tryLock(0)) return 1;

  QApplication app(argc, argv);
  QApplication::setApplicationName(QString::fromUtf8(kGameTitle));
  // The window's own close decides when the run ends; message boxes shown before it
  // (or after it) must not end the event loop by closing.
  QApplication::setQuitOnLastWindowClosed(false);

  // Only the desktop game opens a sound device; tests and the headless host never do.
  EngineOptions withSound = options;
  withSound.audio = std::make_shared<OpenAlDevice>();
  GameSession session(withSound);
  QObject::connect(&session.window(), &MainWindow::finished, &app, &QCoreApplication::quit,
                   Qt::QueuedConnection);
  session.start();
  if (!session.failed() && !session.engine().closed() && session.window().looping()) app.exec();
  session.finish();
  return session.failed() ? 1 : 0;
}

}  // namespace torvan
