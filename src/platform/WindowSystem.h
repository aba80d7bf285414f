#pragma once

#include <QPoint>
#include <QSize>

#include <functional>
#include <optional>

class QWidget;

// Keeps a top-level window out of taskbars and pagers. On X11 these are the EWMH states
// _NET_WM_STATE_SKIP_TASKBAR and _NET_WM_STATE_SKIP_PAGER; call it from the window's
// non-spontaneous showEvent: QWidget sends that event before it maps the window, and Qt's xcb
// backend, when it maps, writes _NET_WM_STATE as what the property already holds plus its own
// states, so the two states go to the window manager with the map request and no taskbar ever
// shows a button. A window manager deletes _NET_WM_STATE when a window is withdrawn (hidden), so
// every show sets them again. Call it again once show() has returned when the window's native
// window is not the one it was at the show event: Qt's xcb backend makes a new one as it maps a
// window whose staying on top changed (setWindowFlags) since it was last shown. Elsewhere a tool
// window has no taskbar button anyway.
void keepOutOfTaskbar(QWidget* window);

// Where the window system says a top-level window is, where Qt's own geometry cannot be trusted.
// On X11, Qt's xcb backend does not use a ConfigureNotify's x,y: it asks the server where the
// window is when it handles the event, which under a reparenting window manager may be the place
// of a frame the manager has just made and not moved yet (0,0 and 1x1). There the X events are
// read in the order they were sent: a ConfigureNotify's x,y counts when it is on the root (the
// event is synthetic, the window manager's word, or the window's parent is the root at that
// point of the event stream); otherwise only its size counts. A ReparentNotify to the root gives
// the place too. Reports are in Qt's device-independent coordinates, with the place when known.
namespace WindowPlaces {
using Report = std::function<void(std::optional<QPoint> place, QSize size)>;
// False where Qt's own move and resize events hold; nothing is reported then.
bool active();
// Reports about the window's native window from now on; call it when the window is shown (its
// native window exists then, and may be a new one), and again when show() made a new one.
void watch(QWidget* window, Report report);
void forget(QWidget* window);
} // namespace WindowPlaces
