#pragma once

#include <QList>
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <qwindowdefs.h>

#include <optional>

class QMouseEvent;
class QWidget;

// Where a note window is, and how it moves and resizes. The note's place and size are its
// window's client area on the desktop (a note is frameless, so a window manager's frame around it
// is no part of it): they change only through setBounds, the user's hand and what the window
// system says, on X11 the X events themselves, elsewhere Qt's move and resize events; never
// through Qt's geometry() or frameGeometry(). A note shown away from the user's place, to stay
// within reach, keeps that place for its saves until the user moves or resizes it.
class NotePlacement : public QObject {
    Q_OBJECT

public:
    explicit NotePlacement(QWidget& window);
    ~NotePlacement() override;

    // Where the note shows.
    QRect bounds() const { return m_bounds; }
    // Where the user put the note: what its saves write.
    QRect userBounds() const { return m_userBounds.value_or(m_bounds); }
    // A place the note is given: the user's, shown as it is.
    void setBounds(const QRect& bounds);
    // Shows the note on the nearest of the areas while too little of its date strip, the
    // stripWidth pixels along its right edge, lies on any at the user's place, and back at that
    // place once enough does; true when it moved.
    bool keepReachable(const QList<QRect>& areas, int stripWidth);

    // Follows the window system's word about the shown window; call it at every show.
    void watchShown();
    // Whether showing made a native window other than the one the last watchShown found.
    bool hasNewNativeWindow() const;

Q_SIGNALS:
    // The shown note moved: by the user's hand, or by the window system.
    void moved();
    // The window system resized the shown note; more steps may follow.
    void resized();
    // A resize by the hand here ended.
    void resizeEnded();
    // A native window that Qt made anew for the note (when staying on top changed) shows for the
    // first time: the window manager has it.
    void remapped();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The window's own mouse events on its frame and date strip (the label passes its presses
    // on): false when they are not a move or resize, and the window handles them as usual.
    bool mousePress(QMouseEvent* event);
    bool mouseMove(QMouseEvent* event);
    bool mouseRelease(QMouseEvent* event);
    // Qt's move and resize events of the window, the window system's word off X11.
    void windowMoved(const QPoint& pos);
    void windowResized(const QSize& size);
    void placeReported(std::optional<QPoint> place, QSize size);
    void boundsChanged(const QRect& before);
    void reassertBounds();
    // A move or resize of our own to the given cursor position.
    void dragTo(const QPoint& at);
    QMargins frame() const;

    QWidget& m_window;
    QRect m_bounds;
    // Where the user put the note, while it shows elsewhere because too little of it could be
    // reached there.
    std::optional<QRect> m_userBounds;
    // The left button went down on the date strip or the frame: a drag from there moves or
    // resizes the note, a click does not.
    bool m_pressed = false;
    // A move or resize of our own, where the window system does not do it.
    bool m_dragging = false;
    Qt::Edges m_dragEdges;
    QPoint m_dragStart;
    QRect m_dragGeometry;
    // The native window that the last show found; showing may make a new one.
    WId m_shownWinId = 0;
    // The native window that was last exposed.
    WId m_mappedWinId = 0;
};
