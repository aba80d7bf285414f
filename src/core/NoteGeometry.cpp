#include "core/NoteGeometry.h"

#include <algorithm>

namespace {

constexpr int cornerGrip = 8;

} // namespace

Qt::Edges frameEdgesAt(const QSize& size, const QPoint& pos, const QMargins& frame)
{
    const QRect inner = QRect(QPoint(0, 0), size).marginsRemoved(frame);
    if (inner.contains(pos) || !QRect(QPoint(0, 0), size).contains(pos))
        return {};
    Qt::Edges edges;
    const int left = std::max(frame.left(), cornerGrip);
    const int right = std::max(frame.right(), cornerGrip);
    const int top = std::max(frame.top(), cornerGrip);
    const int bottom = std::max(frame.bottom(), cornerGrip);
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

std::optional<QRect> reachableGeometry(const QRect& note, const QList<QRect>& areas, int stripWidth)
{
    if (areas.isEmpty())
        return std::nullopt;
    const int strip = std::clamp(stripWidth, 1, std::max(1, note.width()));
    const QRect handle(note.left() + note.width() - strip, note.top(), strip, note.height());
    const int needWidth = std::min(reachableSize.width(), strip);
    const int needHeight = std::min(reachableSize.height(), note.height());
    const QRect* nearest = nullptr;
    qint64 nearestDistance = 0;
    for (const QRect& area : areas) {
        const QRect shown = area.intersected(handle);
        if (shown.width() >= needWidth && shown.height() >= needHeight)
            return std::nullopt;
        // How far the note's middle is from the area, squared; 64 bits, as stored places can be
        // anything an integer holds.
        const QPoint middle = note.center();
        const qint64 dx = std::max<qint64>({qint64(area.left()) - middle.x(), 0, qint64(middle.x()) - area.right()});
        const qint64 dy = std::max<qint64>({qint64(area.top()) - middle.y(), 0, qint64(middle.y()) - area.bottom()});
        const qint64 distance = dx * dx + dy * dy;
        if (!nearest || distance < nearestDistance) {
            nearest = &area;
            nearestDistance = distance;
        }
    }
    const int width = std::min(note.width(), nearest->width());
    const int height = std::min(note.height(), nearest->height());
    const int left = std::clamp(note.left(), nearest->left(), nearest->left() + nearest->width() - width);
    const int top = std::clamp(note.top(), nearest->top(), nearest->top() + nearest->height() - height);
    return QRect(left, top, width, height);
}

QRect areaOfScreen(const QRect& screen, const QList<QRect>& areas)
{
    QRect best;
    qint64 bestShare = 0;
    for (const QRect& area : areas) {
        const QRect shared = area.intersected(screen);
        const qint64 share = qint64(shared.width()) * shared.height();
        if (share > bestShare) {
            best = shared;
            bestShare = share;
        }
    }
    return bestShare > 0 ? best : screen;
}

QRect newNoteGeometry(const QRect& wanted, const QRect& area)
{
    // Where the note does not fit, its right and top edges are the ones that stay in the area.
    const int rightmost = area.left() + area.width() - wanted.width();
    const int lowest = area.top() + area.height() - wanted.height();
    const int left = std::max(std::min(wanted.left(), rightmost), std::min(area.left(), rightmost));
    const int top = std::max(std::min(wanted.top(), lowest), area.top());
    return QRect(QPoint(left, top), wanted.size());
}

QRect cascadedGeometry(const QRect& first, const QList<QPoint>& taken, const QRect& area)
{
    // However full the spot, the search ends: after this many places the first one is taken.
    constexpr int MostPlaces = 64;
    QRect place = first;
    for (int i = 0; i < MostPlaces; ++i) {
        if (!taken.contains(place.topLeft()))
            return place;
        place.translate(CascadeStep);
        if (!area.contains(place))
            place.moveTopLeft(area.topLeft());
    }
    return first;
}

QRect resizedGeometry(const QRect& start, Qt::Edges edges, const QPoint& delta, const QSize& minimum)
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
