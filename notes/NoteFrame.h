#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// The edges of a frameless window that a point lies on, given the width of its sizing frame on
// each side; none inside the frame. Near a corner both edges count, as the grip reaches a few
// pixels along each side.
Qt::Edges FrameEdgesAt(const QSize& size, const QPoint& pos, const QMargins& frame);

// The geometry after dragging the given edges by delta: the opposite edges stay where they are
// and the size keeps at least the minimum.
QRect ResizedGeometry(const QRect& start, Qt::Edges edges, const QPoint& delta, const QSize& minimum);

// How much of a note must lie on a screen for the user to reach it.
inline constexpr QSize ReachableSize{40, 20};

// Where a note goes so that the user can reach it, given the available area of every screen:
// nothing when enough of it lies on one of them already; otherwise the nearest area's closest
// place, its size cut down to that area.
std::optional<QRect> ReachableGeometry(const QRect& note, const QList<QRect>& areas);
