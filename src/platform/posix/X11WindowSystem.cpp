#include "platform/WindowSystem.h"
#include "platform/posix/X11Connection.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QHash>
#include <QWidget>
#include <QWindow>
#include <QtGui/private/qhighdpiscaling_p.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The window's native window as it is now. QWidget::winId() keeps the first one: Qt's xcb
// backend makes a new one behind the widget's back when staying on top changes.
xcb_window_t nativeId(QWidget* window)
{
    const QWindow* handle = window->windowHandle();
    return xcb_window_t(handle ? handle->winId() : window->winId());
}

// One filter for every watched window: each X event is looked up once, however many notes.
class PlaceFilter : public QAbstractNativeEventFilter {
public:
    struct Watched {
        QWidget* window = nullptr;
        WindowPlaces::Report report;
        bool parentIsRoot = true;
    };

    static PlaceFilter& instance()
    {
        // Never destroyed: windows may still be forgotten while the program ends.
        static PlaceFilter* filter = [] {
            auto* made = new PlaceFilter;
            qApp->installNativeEventFilter(made);
            return made;
        }();
        return *filter;
    }

    void watch(QWidget* window, WindowPlaces::Report report)
    {
        forget(window);
        // A new native window starts as a child of the root.
        m_watched.insert(nativeId(window), {window, std::move(report), true});
    }

    void forget(QWidget* window)
    {
        for (auto it = m_watched.begin(); it != m_watched.end();)
            it = it->window == window ? m_watched.erase(it) : std::next(it);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const bool synthetic = event->response_type & 0x80;
        std::optional<QPoint> place;
        QSize size;
        Watched* watched = nullptr;
        switch (event->response_type & 0x7f) {
        case XCB_REPARENT_NOTIFY: {
            const auto* e = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
            if (e->window != e->event || !(watched = find(e->window)))
                return false;
            watched->parentIsRoot = e->parent == x11Root(x11Connection());
            if (!watched->parentIsRoot)
                return false;
            place = QPoint(e->x, e->y);
            break;
        }
        case XCB_CONFIGURE_NOTIFY: {
            const auto* e = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            if (e->window != e->event || !(watched = find(e->window)))
                return false;
            if (synthetic || watched->parentIsRoot)
                place = QPoint(e->x, e->y);
            size = QSize(e->width, e->height);
            break;
        }
        default:
            return false;
        }
        const QWindow* handle = watched->window->windowHandle();
        if (!handle)
            return false;
        // Native pixels to Qt's, as QWindow::geometry() converts them.
        const QRect native(place.value_or(QPoint()), size.isValid() ? size : QSize(1, 1));
        const QRect logical = QHighDpi::fromNativeWindowGeometry(native, handle);
        // The report may forget windows; it gets its own copy of the callback.
        const WindowPlaces::Report report = watched->report;
        report(place ? std::optional<QPoint>(logical.topLeft()) : std::nullopt,
               size.isValid() ? logical.size() : QSize());
        return false;
    }

private:
    Watched* find(xcb_window_t id)
    {
        const auto it = m_watched.find(id);
        return it == m_watched.end() ? nullptr : &*it;
    }

    QHash<xcb_window_t, Watched> m_watched;
};

// Qt answers every change of a window's _NET_WM_STATE with a question to the server: what the
// states are now. The two changes a note makes before it is mapped (its own, off the taskbar, and
// Qt's merging that in as it maps the note) tell Qt nothing it does not know, and at start-up
// cost two round trips a note while the notes wait to be painted: they are passed over. Once the
// window is mapped, or two have gone by, every change reaches Qt again.
class UnmappedStateFilter : public QAbstractNativeEventFilter {
public:
    static constexpr int OwnChanges = 2;

    static UnmappedStateFilter& instance(xcb_atom_t state)
    {
        // Never destroyed, like the other filters: notes may still be shown while the program ends.
        static UnmappedStateFilter* filter = [state] {
            auto* made = new UnmappedStateFilter(state);
            qApp->installNativeEventFilter(made);
            return made;
        }();
        return *filter;
    }

    void expectOwnChanges(xcb_window_t window) { m_unmapped.insert(window, OwnChanges); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (m_unmapped.isEmpty() || eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        switch (event->response_type & 0x7f) {
        case XCB_PROPERTY_NOTIFY: {
            const auto* changed = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if (changed->atom != m_state || changed->state != XCB_PROPERTY_NEW_VALUE)
                return false;
            const auto found = m_unmapped.find(changed->window);
            if (found == m_unmapped.end())
                return false;
            if (--found.value() == 0)
                m_unmapped.erase(found);
            return true;
        }
        case XCB_MAP_NOTIFY:
            m_unmapped.remove(reinterpret_cast<const xcb_map_notify_event_t*>(event)->window);
            return false;
        case XCB_DESTROY_NOTIFY:
            m_unmapped.remove(reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
            return false;
        default:
            return false;
        }
    }

private:
    explicit UnmappedStateFilter(xcb_atom_t state) : m_state(state) {}

    const xcb_atom_t m_state;
    QHash<xcb_window_t, int> m_unmapped;
};

} // namespace

void keepOutOfTaskbar(QWidget* window)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window || !window->isWindow())
        return;
    static const xcb_atom_t state = atom(connection, "_NET_WM_STATE");
    static const xcb_atom_t skip[] = {atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                                      atom(connection, "_NET_WM_STATE_SKIP_PAGER")};
    const xcb_window_t id = nativeId(window);
    // Shown from the show event, before Qt maps it: the changes to come are the note's own.
    if (!window->testAttribute(Qt::WA_Mapped))
        UnmappedStateFilter::instance(state).expectOwnChanges(id);

    // Whether the window manager has the window is not asked: that is a round trip per note at
    // start-up, and Qt's isExposed() still says yes for a native window made anew. Both ways are
    // taken instead; each is harmless where the other one holds.
    // Withdrawn, the property is the client's. Appended, so that whatever else it holds stays,
    // without asking the server for it first; an atom listed twice means nothing more. Of a
    // managed window's property the manager keeps what it holds itself.
    xcb_change_property(connection, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 2, skip);
    // Managed, the window manager takes the EWMH _NET_WM_STATE message; it ignores one about a
    // window it does not manage.
    xcb_client_message_event_t message;
    std::memset(&message, 0, sizeof message);
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = id;
    message.type = state;
    message.data.data32[0] = 1; // _NET_WM_STATE_ADD
    message.data.data32[1] = skip[0];
    message.data.data32[2] = skip[1];
    message.data.data32[3] = 1; // from a normal application
    xcb_send_event(connection, 0, x11Root(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    // No flush: Qt sends what it queued before its event loop waits, the map request with it.
}

bool WindowPlaces::active()
{
    return x11Connection() != nullptr;
}

void WindowPlaces::watch(QWidget* window, Report report)
{
    if (active())
        PlaceFilter::instance().watch(window, std::move(report));
}

void WindowPlaces::forget(QWidget* window)
{
    if (active())
        PlaceFilter::instance().forget(window);
}
