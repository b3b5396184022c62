// Where the 800 x 600 scene sits inside a screen widget of any size, and the way back
// from a widget position to a scene position. The window may be resized, so the picture
// is scaled as large as fits with its aspect kept and centred (letterboxed); input has
// to land on the scene pixel the player sees under the pointer.
#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>

namespace torvan {

inline constexpr int kSceneWidth = 800;
inline constexpr int kSceneHeight = 600;

// The picture's rectangle inside an area of the given size; empty for an empty area.
QRect fitScene(QSize area);

// A widget position (pixel coordinates, as mouse events give them) to the scene pixel
// under it. Positions off the picture give coordinates outside 0..799 / 0..599.
QPoint widgetToScene(QPointF widget, const QRect& picture);

// The same, pulled onto the nearest scene pixel: a click on the letterbox bars still
// reaches the scene, at its edge.
QPoint widgetToSceneClamped(QPointF widget, const QRect& picture);

// The widget pixel at the centre of a scene pixel (for warping the pointer).
QPoint sceneToWidget(QPoint scene, const QRect& picture);

}  // namespace torvan
