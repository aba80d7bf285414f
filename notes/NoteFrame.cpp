#include "notes/NoteFrame.h"

#include <algorithm>

namespace
{

constexpr int CornerGrip = 8;

} // namespace

Qt::Edges FrameEdgesAt(const QSize& size, const QPoint& pos, const QMargins& frame)
{
    const QRect inner = QRect(QPoint(0, 0), size).marginsRemoved(frame);
    if (inner.contains(pos) || !QRect(QPoint(0, 0), size).contains(pos))
        return {};
    Qt::Edges edges;
    const int left = std::max(frame.left(), CornerGrip);
    const int right = std::max(frame.right(), CornerGrip);
    const int top = std::max(frame.top(), CornerGrip);
    const int bottom = std::max(frame.bottom(), CornerGrip);
    if (pos.x() < left)
        edges |= Qt::LeftEdge;
    else if (pos.x() >= size.width() - right)
        edges |= Qt::RightEdge;
    if (pos.y() < top)
        edges |= Qt::TopEdge;
    else if (pos.y() >= size.height() - bottom)
        edges |= Qt::BottomEdge;
    return edges;
}

QRect ResizedGeometry(const QRect& start, Qt::Edges edges, const QPoint& delta, const QSize& minimum)
{
    int left = start.left();
    int top = start.top();
    int right = start.left() + start.width();
    int bottom = start.top() + start.height();
    if (edges & Qt::LeftEdge)
        left = std::min(left + delta.x(), right - minimum.width());
    if (edges & Qt::RightEdge)
        right = std::max(right + delta.x(), left + minimum.width());
    if (edges & Qt::TopEdge)
        top = std::min(top + delta.y(), bottom - minimum.height());
    if (edges & Qt::BottomEdge)
        bottom = std::max(bottom + delta.y(), top + minimum.height());
    return QRect(left, top, right - left, bottom - top);
}
