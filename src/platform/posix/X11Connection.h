#pragma once

#include <xcb/xcb.h>

// Qt's own xcb connection, or null off X11. The offscreen platform also answers to
// QX11Application, with no connection.
xcb_connection_t* x11Connection();

xcb_window_t x11Root(xcb_connection_t* connection);
