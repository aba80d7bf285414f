#include "platform/GlobalShortcut.h"
#include "platform/posix/X11Connection.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QScreen>
#include <qpa/qplatformnativeinterface.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>

namespace {

// The states of CapsLock and NumLock (Mod2 on every common keymap) must not matter.
constexpr uint16_t LockStates[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

// Alt is Mod1 and Super Mod4 on every common keymap.
uint16_t modifierMask(Qt::KeyboardModifiers modifiers)
{
    uint16_t mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

// The key that carries a letter's or a digit's keysym (its Latin-1 code) in the first group, as
// the keymap has it now; 0 when none does.
xcb_keycode_t keycodeOf(xcb_connection_t* connection, Qt::Key key)
{
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> mapping(
        xcb_get_keyboard_mapping_reply(
            connection, xcb_get_keyboard_mapping(connection, setup->min_keycode, uint8_t(count)), nullptr),
        &std::free);
    if (!mapping)
        return 0;
    const xcb_keysym_t* keysyms = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKey = mapping->keysyms_per_keycode;
    const xcb_keysym_t upper = xcb_keysym_t(key);
    const xcb_keysym_t lower = key >= Qt::Key_A && key <= Qt::Key_Z ? upper + ('a' - 'A') : upper;
    for (int i = 0; i < count; ++i)
        for (int column = 0; column < std::min(perKey, 2); ++column)
            if (keysyms[i * perKey + column] == lower || keysyms[i * perKey + column] == upper)
                return xcb_keycode_t(setup->min_keycode + i);
    return 0;
}

// Qt stamps the _NET_ACTIVE_WINDOW request of activateWindow() and a new window's
// _NET_WM_USER_TIME with the time of the last X event it handled; the press taken on the root is
// not one of them, and a window manager that prevents focus stealing weighs these times against
// the user's last action in the window that has the focus.
void takeAsLatestUserTime(xcb_timestamp_t time)
{
    QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!native || !screen)
        return;
    // Qt hands the functions out under one pointer type; the generic one converts to their own.
    using SetTime = void (*)(QScreen*, xcb_timestamp_t);
    for (const char* name : {"setapptime", "setappusertime"})
        if (const auto function = reinterpret_cast<QFunctionPointer>(native->nativeResourceFunctionForScreen(name)))
            reinterpret_cast<SetTime>(function)(screen, time);
}

} // namespace

struct GlobalShortcut::Grab : QAbstractNativeEventFilter {
    GlobalShortcut* shortcut = nullptr;
    xcb_connection_t* connection = nullptr;
    xcb_window_t root = 0;
    xcb_keycode_t keycode = 0;
    uint16_t modifiers = 0;
    bool down = false;
    xcb_timestamp_t releasedAt = XCB_TIME_CURRENT_TIME;

    // False when another client holds any of the grabs; then none is kept.
    bool take(QString& problem)
    {
        xcb_void_cookie_t cookies[std::size(LockStates)];
        for (size_t i = 0; i < std::size(LockStates); ++i)
            cookies[i] = xcb_grab_key_checked(connection, 0, root, modifiers | LockStates[i], keycode,
                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        uint8_t failure = 0;
        for (const xcb_void_cookie_t cookie : cookies)
            if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
                failure = error->error_code;
                std::free(error);
            }
        if (failure == 0)
            return true;
        release();
        problem = failure == XCB_ACCESS ? QStringLiteral("another program has taken it")
                                        : QStringLiteral("the X server refused the key grab (error %1)").arg(failure);
        return false;
    }

    // Ungrabbing what another client holds does nothing to its grab.
    void release()
    {
        for (const uint16_t locks : LockStates)
            xcb_ungrab_key(connection, keycode, root, modifiers | locks);
        xcb_flush(connection);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const uint8_t type = event->response_type & 0x7f;
        if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
            return false;
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        if (key->event != root || key->detail != keycode)
            return false;
        if (type == XCB_KEY_RELEASE) {
            down = false;
            releasedAt = key->time;
            return true;
        }
        // A key held down repeats: with detectable auto-repeat as presses alone, else as a release
        // and a press of the same time.
        const bool repeat = down || key->time == releasedAt;
        down = true;
        if (repeat)
            return true;
        takeAsLatestUserTime(key->time);
        Q_EMIT shortcut->activated();
        return true;
    }
};

GlobalShortcut::GlobalShortcut(QKeyCombination key, QObject* parent) : QObject(parent)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection) {
        m_problem = QStringLiteral("the window system is not X11 (%1), and no other offers a key for the whole desktop")
                        .arg(QGuiApplication::platformName());
        return;
    }
    auto grab = std::make_unique<Grab>();
    grab->shortcut = this;
    grab->connection = connection;
    grab->root = x11Root(connection);
    grab->modifiers = modifierMask(key.keyboardModifiers());
    grab->keycode = keycodeOf(connection, key.key());
    if (grab->keycode == 0) {
        m_problem = QStringLiteral("no key of the keyboard's layout carries it");
        return;
    }
    if (!grab->take(m_problem))
        return;
    qApp->installNativeEventFilter(grab.get());
    m_grab = std::move(grab);
}

GlobalShortcut::~GlobalShortcut()
{
    if (!m_grab)
        return;
    qApp->removeNativeEventFilter(m_grab.get());
    m_grab->release();
}
