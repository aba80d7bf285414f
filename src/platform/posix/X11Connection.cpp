#include "platform/posix/X11Connection.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

xcb_connection_t* x11Connection()
{
    if (!qApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t x11Root(xcb_connection_t* connection)
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}
