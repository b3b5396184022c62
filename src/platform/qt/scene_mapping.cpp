#include "platform/qt/scene_mapping.h"

#include <algorithm>
#include <cmath>

namespace torvan {

QRect fitScene(QSize area) {
  if (area.width() <= 0 || area.height() <= 0) return {};
  int w = area.width();
  int h = area.height();
  // Compare w/h with 4/3 in integers so that exact multiples give exact rectangles.
  if (static_cast<long long>(w) * kSceneHeight <= static_cast<long long>(h) * kSceneWidth) {
    h = static_cast<int>(static_cast<long long>(w) * kSceneHeight / kSceneWidth);
  } else {
    w = static_cast<int>(static_cast<long long>(h) * kSceneWidth / kSceneHeight);
  }
  w = std::max(w, 1);
  h = std::max(h, 1);
  return QRect((area.width() - w) / 2, (area.height() - h) / 2, w, h);
}

QPoint widgetToScene(QPointF widget, const QRect& picture) {
  if (picture.isEmpty()) return {};
  // Measure from the centre of the widget pixel, so that at 1:1 every pixel maps to
  // itself and at other scales the choice of scene pixel is not biased to one side.
  double sx = (widget.x() + 0.5 - picture.x()) * kSceneWidth / picture.width();
  double sy = (widget.y() + 0.5 - picture.y()) * kSceneHeight / picture.height();
  return QPoint(static_cast<int>(std::floor(sx)), static_cast<int>(std::floor(sy)));
}

QPoint widgetToSceneClamped(QPointF widget, const QRect& picture) {
  QPoint p = widgetToScene(widget, picture);
  return QPoint(std::clamp(p.x(), 0, kSceneWidth - 1), std::clamp(p.y(), 0, kSceneHeight - 1));
}

QPoint sceneToWidget(QPoint scene, const QRect& picture) {
  double x = picture.x() + (scene.x() + 0.5) * picture.width() / kSceneWidth;
  double y = picture.y() + (scene.y() + 0.5) * picture.height() / kSceneHeight;
  return QPoint(static_cast<int>(std::floor(x)), static_cast<int>(std::floor(y)));
}

}  // namespace torvan
