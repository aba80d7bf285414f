#pragma once

#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

// The edges of a frameless window that a point lies on, given the width of its sizing frame on
// each side; none inside the frame. Near a corner both edges count, as the grip reaches a few
// pixels along each side.
Qt::Edges FrameEdgesAt(const QSize& size, const QPoint& pos, const QMargins& frame);

// The geometry after dragging the given edges by delta: the opposite edges stay where they are
// and the size keeps at least the minimum.
QRect ResizedGeometry(const QRect& start, Qt::Edges edges, const QPoint& delta, const QSize& minimum);
