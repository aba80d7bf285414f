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
Qt::Edges frameEdgesAt(const QSize& size, const QPoint& pos, const QMargins& frame);

// The geometry after dragging the given edges by delta: the opposite edges stay where they are
// and the size keeps at least the minimum.
QRect resizedGeometry(const QRect& start, Qt::Edges edges, const QPoint& delta, const QSize& minimum);

// How much of a note's date strip must lie on a screen for the user to reach it: the strip,
// the stripWidth pixels along the note's right edge, is what moves the note.
inline constexpr QSize reachableSize{40, 20};

// Where a note goes so that the user can reach its date strip, given the available area of
// every screen: nothing when enough of the strip lies on one of them already; otherwise the
// nearest area's closest place, its size cut down to that area.
std::optional<QRect> reachableGeometry(const QRect& note, const QList<QRect>& areas, int stripWidth);

// The available area of the screen with the given geometry: the one of the areas that lies on
// it most, or the screen itself when none does.
QRect areaOfScreen(const QRect& screen, const QList<QRect>& areas);

// Where a new note goes: the wanted place moved, not shrunk, wholly into the area. A note larger
// than the area keeps its top and right edges in it, where its date strip is.
QRect newNoteGeometry(const QRect& wanted, const QRect& area);

// How far each note made in one spot lies from the one before it.
inline constexpr QPoint CascadeStep{24, 24};

// Where the next note made in one spot goes: the first place of a cascade from the first one,
// down and to the right, that no note takes already (taken: the top-left corners of the notes);
// a place that would leave the area starts again from its top-left corner.
QRect cascadedGeometry(const QRect& first, const QList<QPoint>& taken, const QRect& area);
