#include "gui/NotePlacement.h"

#include "core/NoteGeometry.h"
#include "platform/WindowSystem.h"

#include <QApplication>
#include <QLayout>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <utility>

namespace {

Qt::CursorShape cursorFor(Qt::Edges edges)
{
    if (edges == (Qt::LeftEdge | Qt::TopEdge) || edges == (Qt::RightEdge | Qt::BottomEdge))
        return Qt::SizeFDiagCursor;
    if (edges == (Qt::RightEdge | Qt::TopEdge) || edges == (Qt::LeftEdge | Qt::BottomEdge))
        return Qt::SizeBDiagCursor;
    if (edges & (Qt::LeftEdge | Qt::RightEdge))
        return Qt::SizeHorCursor;
    if (edges & (Qt::TopEdge | Qt::BottomEdge))
        return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}

} // namespace

NotePlacement::NotePlacement(QWidget& window) : m_window(window), m_bounds(window.geometry())
{
    m_window.installEventFilter(this);
}

NotePlacement::~NotePlacement()
{
    WindowPlaces::forget(&m_window);
}

void NotePlacement::setBounds(const QRect& bounds)
{
    m_userBounds.reset();
    m_bounds = bounds;
    m_window.setGeometry(m_bounds);
}

// A note started at another scale factor or without a monitor must not lose the arrangement the
// user made: the store keeps the user's place, and the note goes back there when it can.
bool NotePlacement::keepReachable(const QList<QRect>& areas, int stripWidth)
{
    // Stored places can hold anything an integer holds; beyond this nothing is on a screen.
    constexpr int Far = 1 << 20;
    const QRect at = userBounds();
    const QRect bounded(std::clamp(at.x(), -Far, Far), std::clamp(at.y(), -Far, Far), std::min(at.width(), Far),
                        std::min(at.height(), Far));
    const std::optional<QRect> placed = reachableGeometry(bounded, areas, stripWidth);
    if (placed && !m_userBounds)
        m_userBounds = at;
    else if (!placed)
        m_userBounds.reset();
    const QRect target = placed.value_or(at);
    if (target == m_bounds)
        return false;
    m_bounds = target;
    m_window.setGeometry(target);
    return true;
}

void NotePlacement::watchShown()
{
    WindowPlaces::watch(&m_window, [this](std::optional<QPoint> place, QSize size) { placeReported(place, size); });
    // The expose tells when the window manager has mapped the window; see eventFilter().
    if (QWindow* handle = m_window.windowHandle()) {
        handle->installEventFilter(this);
        m_shownWinId = handle->winId();
    }
}

bool NotePlacement::hasNewNativeWindow() const
{
    const QWindow* handle = m_window.windowHandle();
    return handle && handle->winId() != m_shownWinId;
}

QMargins NotePlacement::frame() const
{
    return m_window.layout()->contentsMargins();
}

bool NotePlacement::mousePress(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return false;
    event->accept();
    m_pressed = true;
    m_dragEdges = frameEdgesAt(m_window.size(), event->position().toPoint(), frame());
    m_dragStart = event->globalPosition().toPoint();
    m_dragGeometry = m_bounds;
    return true;
}

bool NotePlacement::mouseMove(QMouseEvent* event)
{
    const QPoint at = event->globalPosition().toPoint();
    if (m_pressed && (event->buttons() & Qt::LeftButton)) {
        event->accept();
        // A click is no drag: a hand that shakes a little leaves the note where it is.
        if ((at - m_dragStart).manhattanLength() < QApplication::startDragDistance())
            return true;
        m_dragging = true;
    }
    m_pressed = false;
    if (!m_dragging) {
        if (event->buttons() == Qt::NoButton)
            m_window.setCursor(cursorFor(frameEdgesAt(m_window.size(), event->position().toPoint(), frame())));
        return false;
    }
    event->accept();
    dragTo(at);
    return true;
}

void NotePlacement::dragTo(const QPoint& at)
{
    const QPoint delta = at - m_dragStart;
    const QRect target = m_dragEdges ? resizedGeometry(m_dragGeometry, m_dragEdges, delta, m_window.minimumSize())
                                     : m_dragGeometry.translated(delta);
    const bool moved = target.topLeft() != m_bounds.topLeft();
    // Moved or resized by the user, the note is where the user wants it.
    if (target != m_bounds)
        m_userBounds.reset();
    m_bounds = target;
    m_window.setGeometry(target);
    if (moved && m_window.isVisible())
        Q_EMIT this->moved();
}

bool NotePlacement::mouseRelease(QMouseEvent* event)
{
    m_pressed = false;
    if (!m_dragging || event->button() != Qt::LeftButton)
        return false;
    m_dragging = false;
    event->accept();
    if (m_bounds.size() != m_dragGeometry.size())
        Q_EMIT resizeEnded();
    return true;
}

// Off X11, Qt's move and resize events are the window system's word. The move that a show
// delivers for bounds set while hidden is no change of a shown window: restoring many notes
// must not write them all.
void NotePlacement::windowMoved(const QPoint& pos)
{
    if (WindowPlaces::active() || !m_window.isVisible() || m_dragging || pos == m_bounds.topLeft())
        return;
    const QRect before = m_bounds;
    m_bounds.moveTopLeft(pos);
    boundsChanged(before);
}

void NotePlacement::windowResized(const QSize& size)
{
    if (WindowPlaces::active() || !m_window.isVisible() || m_dragging || size == m_bounds.size())
        return;
    const QRect before = m_bounds;
    m_bounds.setSize(size);
    boundsChanged(before);
}

// On X11 the note's place comes from the X events about its window, not from Qt's geometry:
// under a reparenting window manager Qt's move events can carry a place the window never had.
// QWidget::show() raises a tool window before mapping it; the window manager, which redirects
// that request, carries it out and the server sends a ConfigureNotify with the right place, but
// Qt ignores the event's x,y and asks the server where the window is when it handles the event.
// By then the manager may have reparented the window into a new frame still at 0,0 and 1x1, so
// Qt's geometry becomes 0,0, and openbox, leaving the window where it asked to be, never says
// otherwise. frameGeometry() is worse: with no _NET_FRAME_EXTENTS on the window yet, Qt takes
// its frame margins from that 1x1 frame, 0,0 1x1 in all.
void NotePlacement::placeReported(std::optional<QPoint> place, QSize size)
{
    if (m_dragging)
        return;
    const QRect before = m_bounds;
    if (place)
        m_bounds.moveTopLeft(*place);
    if (size.width() >= m_window.minimumWidth() && size.height() >= m_window.minimumHeight())
        m_bounds.setSize(size);
    boundsChanged(before);
}

// The window system moved or resized the shown note. A note shown away from the user's place
// keeps that place, unless the user's own hand moved it: the program's move into reach, or a
// window manager's, is no move of the user's.
void NotePlacement::boundsChanged(const QRect& before)
{
    if (!m_window.isVisible() || m_bounds == before)
        return;
    if (m_userBounds)
        return;
    if (m_bounds.topLeft() != before.topLeft())
        Q_EMIT moved();
    else
        Q_EMIT resized();
}

// Once the window is exposed, Qt's idea of its place may still be that 0,0; the context menu
// (mapToGlobal) uses it, so the note asks for its own bounds again: a no-op on the screen.
void NotePlacement::reassertBounds()
{
    if (m_window.isVisible() && m_bounds.isValid() && m_window.geometry() != m_bounds)
        m_window.setGeometry(m_bounds);
}

bool NotePlacement::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_window) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            return mousePress(static_cast<QMouseEvent*>(event));
        case QEvent::MouseMove:
            return mouseMove(static_cast<QMouseEvent*>(event));
        case QEvent::MouseButtonRelease:
            return mouseRelease(static_cast<QMouseEvent*>(event));
        case QEvent::Move:
            windowMoved(static_cast<QMoveEvent*>(event)->pos());
            break;
        case QEvent::Resize:
            windowResized(static_cast<QResizeEvent*>(event)->size());
            break;
        default:
            break;
        }
    }
    if (watched == m_window.windowHandle() && event->type() == QEvent::Expose && m_window.windowHandle()->isExposed()) {
        QTimer::singleShot(0, this, &NotePlacement::reassertBounds);
        if (const WId shown = m_window.windowHandle()->winId(); shown != m_mappedWinId) {
            if (std::exchange(m_mappedWinId, shown) != 0)
                Q_EMIT remapped();
        }
    }
    return QObject::eventFilter(watched, event);
}
