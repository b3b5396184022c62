#include "platform/qt/screen_widget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <optional>

#include "graphics/surface.h"
#include "platform/qt/scene_mapping.h"

namespace torvan {

namespace {

// One wheel notch in QWheelEvent units (eighths of a degree).
constexpr int kNotch = 120;

std::optional<MouseButton> gameButton(Qt::MouseButton b) {
  if (b == Qt::LeftButton) return MouseButton::Left;
  if (b == Qt::RightButton) return MouseButton::Right;
  return std::nullopt;
}

Point toPoint(QPoint p) {
  return Point{p.x(), p.y()};
}

}  // namespace

ScreenWidget::ScreenWidget(QWidget* parent)
    : QWidget(parent), picture_(kSceneWidth, kSceneHeight, QImage::Format_RGB32) {
  setObjectName("PB");
  picture_.fill(Qt::black);
  setMouseTracking(true);
  setFocusPolicy(Qt::NoFocus);
  // Every pixel is painted (picture or black bars), so Qt need not clear first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize ScreenWidget::sizeHint() const {
  return QSize(kSceneWidth, kSceneHeight);
}

void ScreenWidget::showPicture(const Surface& surface, const Rect& area) {
  QRect wanted =
      QRect(area.x, area.y, area.w, area.h) &
      QRect(0, 0, std::min(surface.width, kSceneWidth), std::min(surface.height, kSceneHeight));
  if (wanted.isEmpty() || surface.pixels.size() < static_cast<std::size_t>(surface.stride) *
                                                      static_cast<std::size_t>(surface.height))
    return;
  // The surface is wrapped, not copied: bytes blue, green, red with padded rows are
  // exactly QImage's BGR888 with the surface's stride.
  const QImage source(surface.pixels.data(), surface.width, surface.height, surface.stride,
                      QImage::Format_BGR888);
  {
    QPainter p(&picture_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(wanted.topLeft(), source, wanted);
  }
  QRect shown = pictureRect();
  if (shown.size() == QSize(kSceneWidth, kSceneHeight)) {
    update(wanted.translated(shown.topLeft()));
  } else {
    // Scaled: the smoothing reaches a pixel beyond the mapped rectangle.
    QPoint a = fromScene(wanted.topLeft());
    QPoint b = fromScene(wanted.bottomRight());
    update(QRect(a, b).adjusted(-2, -2, 2, 2));
  }
}

void ScreenWidget::setOffset(int dx, int dy) {
  if (offset_ == QPoint(dx, dy)) return;
  offset_ = QPoint(dx, dy);
  update();
}

QRect ScreenWidget::pictureRect() const {
  QRect r = fitScene(size());
  if (r.isEmpty() || offset_.isNull()) return r;
  return r.translated(offset_.x() * r.width() / kSceneWidth,
                      offset_.y() * r.height() / kSceneHeight);
}

QPoint ScreenWidget::toScene(QPointF widget) const {
  return widgetToScene(widget, pictureRect());
}

QPoint ScreenWidget::toSceneClamped(QPointF widget) const {
  return widgetToSceneClamped(widget, pictureRect());
}

QPoint ScreenWidget::fromScene(QPoint scene) const {
  return sceneToWidget(scene, pictureRect());
}

void ScreenWidget::paintEvent(QPaintEvent* event) {
  QPainter p(this);
  const QRect target = pictureRect();
  // The bars around the picture, and the strip a shake uncovers.
  QRegion bars = QRegion(event->rect()) - QRegion(target);
  for (const QRect& r : bars) p.fillRect(r, Qt::black);
  if (target.size() == picture_.size()) {
    p.drawImage(target.topLeft(), picture_);
  } else {
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, picture_);
  }
}

void ScreenWidget::mousePressEvent(QMouseEvent* event) {
  auto button = gameButton(event->button());
  if (!button) return event->ignore();
  Q_EMIT mousePressed(toPoint(toSceneClamped(event->position())), *button);
}

void ScreenWidget::mouseReleaseEvent(QMouseEvent* event) {
  auto button = gameButton(event->button());
  if (!button) return event->ignore();
  Q_EMIT mouseReleased(toPoint(toSceneClamped(event->position())), *button);
}

void ScreenWidget::mouseMoveEvent(QMouseEvent* event) {
  Q_EMIT mouseMoved(toPoint(toSceneClamped(event->position())));
}

void ScreenWidget::wheelEvent(QWheelEvent* event) {
  // Fine-grained wheels and touchpads send fractions of a notch; the engine counts
  // whole notches, so the fractions add up until one is complete.
  const int delta = event->angleDelta().y();
  if ((delta > 0 && wheelRemainder_ < 0) || (delta < 0 && wheelRemainder_ > 0)) wheelRemainder_ = 0;
  wheelRemainder_ += delta;
  while (wheelRemainder_ >= kNotch) {
    wheelRemainder_ -= kNotch;
    Q_EMIT wheelTurned(+1);
  }
  while (wheelRemainder_ <= -kNotch) {
    wheelRemainder_ += kNotch;
    Q_EMIT wheelTurned(-1);
  }
  event->accept();
}

}  // namespace torvan
