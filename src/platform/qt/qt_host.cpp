#include "platform/qt/qt_host.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QThread>

#include "platform/qt/main_window.h"
#include "platform/qt/screen_widget.h"

namespace torvan {

namespace {

QString fromUtf8(std::string_view s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QMessageBox::Icon boxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Stop:
      return QMessageBox::Critical;
    case MessageIcon::Warning:
      return QMessageBox::Warning;
    case MessageIcon::Question:
      return QMessageBox::Question;
    case MessageIcon::Information:
      return QMessageBox::Information;
    case MessageIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QtHost::QtHost(MainWindow& window) : window_(window) {
  clock_.start();
}

void QtHost::present(const Surface& screen, const Rect& area) {
  window_.gameScreen()->showPicture(screen, area);
}

void QtHost::pumpEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

std::int64_t QtHost::tickCount() {
  return clock_.elapsed();
}

void QtHost::sleep(int ms) {
  if (ms > 0) QThread::msleep(static_cast<unsigned long>(ms));
}

MessageAnswer QtHost::messageBox(std::string_view caption, std::string_view text, MessageIcon icon,
                                 MessageButtons buttons) {
  // Start-up messages come before the window is shown; they stand on their own then.
  QMessageBox box(
      boxIcon(icon), fromUtf8(caption), fromUtf8(text),
      buttons == MessageButtons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok,
      window_.isVisible() ? &window_ : nullptr);
  box.setDefaultButton(QMessageBox::Ok);
  if (buttons == MessageButtons::OkCancel) box.setEscapeButton(QMessageBox::Cancel);
  const int answer = box.exec();
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  return answer == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

Point QtHost::cursorPos() {
  ScreenWidget* pb = window_.gameScreen();
  QPoint p = pb->toScene(pb->mapFromGlobal(QCursor::pos()));
  return Point{p.x(), p.y()};
}

void QtHost::setCursorPos(Point scene) {
  ScreenWidget* pb = window_.gameScreen();
  QCursor::setPos(pb->mapToGlobal(pb->fromScene(QPoint(scene.x, scene.y))));
}

void QtHost::setWindowOffset(int dx, int dy) {
  window_.gameScreen()->setOffset(dx, dy);
}

Point QtHost::desktopSize() {
  QScreen* s = QGuiApplication::primaryScreen();
  if (!s) return Point{800, 600};
  QSize size = s->geometry().size();
  return Point{size.width(), size.height()};
}

// Window positions are those of the frame's outer corner, as the stored "Left" and
// "Top" settings mean them.
void QtHost::placeWindow(int left, int top) {
  window_.move(left, top);
}

Point QtHost::sceneToDesktop(Point scene) {
  ScreenWidget* pb = window_.gameScreen();
  QPoint p = pb->mapToGlobal(pb->fromScene(QPoint(scene.x, scene.y)));
  return Point{p.x(), p.y()};
}

bool QtHost::enterFullScreen(int mode) {
  return window_.enterFullScreen(mode);
}

void QtHost::leaveFullScreen() {
  window_.leaveFullScreen();
}

void QtHost::setToolStrip(const ToolStripState& state) {
  window_.setToolStrip(state);
}

int QtHost::popupMenu(const std::vector<MenuItem>& items, Point desktop) {
  QMenu menu(&window_);
  for (const MenuItem& item : items) {
    if (item.caption == "-") {
      menu.addSeparator()->setVisible(item.visible);
      continue;
    }
    QAction* a = menu.addAction(fromUtf8(item.caption));
    a->setData(item.id);
    a->setEnabled(item.enabled);
    a->setCheckable(item.checkable || item.checked);
    a->setChecked(item.checked);
    a->setVisible(item.visible);
  }
  QPointer<QAction> chosen = menu.exec(QPoint(desktop.x, desktop.y));
  if (!chosen || !chosen->isEnabled()) return -1;
  bool ok = false;
  int id = chosen->data().toInt(&ok);
  return ok ? id : -1;
}

void QtHost::requestClose() {
  window_.requestClose();
}

}  // namespace torvan
