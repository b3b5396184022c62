// The game screen `PB`: paints the last picture the engine presented, scaled to the
// widget with its aspect kept, and reports mouse input in scene coordinates.
#pragma once

#include <QImage>
#include <QWidget>

#include "core/host.h"
#include "core/input.h"

namespace torvan {

struct Surface;

class ScreenWidget : public QWidget {
  Q_OBJECT

 public:
  explicit ScreenWidget(QWidget* parent = nullptr);

  // Copies the given rectangle of a 24-bit surface into the shown picture.
  void showPicture(const Surface& surface, const Rect& area);
  // Shifts the picture by a scene offset (the shake); 0, 0 puts it back.
  void setOffset(int dx, int dy);

  // The picture's rectangle in widget coordinates, offset included.
  QRect pictureRect() const;
  QPoint toScene(QPointF widget) const;         // off the picture: outside the scene
  QPoint toSceneClamped(QPointF widget) const;  // off the picture: the nearest edge
  QPoint fromScene(QPoint scene) const;

  // The picture as last presented (800 x 600).
  const QImage& picture() const { return picture_; }

  QSize sizeHint() const override;

 Q_SIGNALS:
  void mouseMoved(torvan::Point scene);
  void mousePressed(torvan::Point scene, torvan::MouseButton button);
  void mouseReleased(torvan::Point scene, torvan::MouseButton button);
  // One signal per notch; +1 turned up (away from the user), -1 down.
  void wheelTurned(int step);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  QImage picture_;  // RGB32: painting it is a plain copy at 1:1
  QPoint offset_;   // scene pixels
  int wheelRemainder_ = 0;
};

}  // namespace torvan
