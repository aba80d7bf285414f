/* A minimal reparenting window manager that manages a window the way openbox does, with a pause
 * in the middle: on a map request it reparents the client into a new frame that is still 1x1 at
 * 0,0, waits LAG milliseconds, and only then moves the frame to the client's place, sets
 * _NET_FRAME_EXTENTS and maps. A real window manager has the same gap, a few microseconds long;
 * stretching it makes every client that reads its position from the X server during the gap
 * read the frame's 0,0 (and the 1x1 frame as its frame), deterministically instead of now and
 * then under load.
 *
 * Usage: lagging_wm [LAG_MS]   (DISPLAY from the environment; default 300 ms)
 * Build: cc -O2 -o lagging_wm lagging_wm.c -lxcb
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <xcb/xcb.h>

#define MAX_CLIENTS 256

static xcb_connection_t* c;
static xcb_window_t root;
static struct {
    xcb_window_t client, frame;
    int x, y;
} clients[MAX_CLIENTS];
static int nclients;

static xcb_atom_t atom(const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, strlen(name), name), NULL);
    xcb_atom_t a = r ? r->atom : XCB_NONE;
    free(r);
    return a;
}

static int find(xcb_window_t w)
{
    for (int i = 0; i < nclients; ++i)
        if (clients[i].client == w)
            return i;
    return -1;
}

/* ICCCM 4.1.5: after moving a client's frame, tell the client where it is in root coordinates. */
static void send_synthetic_configure(xcb_window_t w, int x, int y, int width, int height)
{
    xcb_configure_notify_event_t e;
    memset(&e, 0, sizeof e);
    e.response_type = XCB_CONFIGURE_NOTIFY;
    e.event = w;
    e.window = w;
    e.x = x;
    e.y = y;
    e.width = width;
    e.height = height;
    xcb_send_event(c, 0, w, XCB_EVENT_MASK_STRUCTURE_NOTIFY, (const char*)&e);
}

static void manage(xcb_window_t w, int lag_ms)
{
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, w), NULL);
    if (!g || nclients == MAX_CLIENTS) {
        free(g);
        xcb_map_window(c, w);
        return;
    }
    xcb_window_t frame = xcb_generate_id(c);
    const uint32_t values[] = {1, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, frame, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_change_save_set(c, XCB_SET_MODE_INSERT, w);
    xcb_reparent_window(c, w, frame, 0, 0);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL)); /* the reparent is done */

    struct timespec pause = {lag_ms / 1000, (lag_ms % 1000) * 1000000L};
    nanosleep(&pause, NULL);

    const uint32_t place[] = {(uint32_t)g->x, (uint32_t)g->y, g->width, g->height};
    xcb_configure_window(c, frame,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                             XCB_CONFIG_WINDOW_HEIGHT,
                         place);
    const uint32_t extents[] = {0, 0, 0, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom("_NET_FRAME_EXTENTS"), XCB_ATOM_CARDINAL, 32, 4,
                        extents);
    const uint32_t normal[] = {1, XCB_NONE}; /* WM_STATE NormalState */
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom("WM_STATE"), atom("WM_STATE"), 32, 2, normal);
    xcb_map_window(c, w);
    xcb_map_window(c, frame);
    /* No synthetic ConfigureNotify here: the client's place on the root is where it asked to be,
     * and, as with openbox, nothing tells it so. */
    clients[nclients].client = w;
    clients[nclients].frame = frame;
    clients[nclients].x = g->x;
    clients[nclients].y = g->y;
    ++nclients;
    free(g);
}

/* A withdrawn client goes back to the root at its frame's place; its frame goes. As openbox
 * does, _NET_WM_STATE is deleted (EWMH: the window manager removes it on withdrawal). */
static void unmanage(int i)
{
    xcb_reparent_window(c, clients[i].client, root, clients[i].x, clients[i].y);
    xcb_delete_property(c, clients[i].client, atom("_NET_WM_STATE"));
    const uint32_t withdrawn[] = {0, XCB_NONE};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, clients[i].client, atom("WM_STATE"), atom("WM_STATE"), 32, 2,
                        withdrawn);
    xcb_change_save_set(c, XCB_SET_MODE_DELETE, clients[i].client);
    xcb_destroy_window(c, clients[i].frame);
    clients[i] = clients[--nclients];
}

int main(int argc, char** argv)
{
    const int lag_ms = argc > 1 ? atoi(argv[1]) : 300;
    c = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c)) {
        fprintf(stderr, "lagging_wm: no display\n");
        return 1;
    }
    root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t mask[] = {XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY};
    xcb_generic_error_t* err = xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, mask));
    if (err) {
        fprintf(stderr, "lagging_wm: another window manager is running\n");
        return 1;
    }
    /* What Qt asks before it trusts _NET_FRAME_EXTENTS and _NET_WM_STATE. */
    xcb_window_t check = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, check, root, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, NULL);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 32, 1,
                        &check);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, check, atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 32, 1,
                        &check);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, check, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8, 10,
                        "lagging_wm");
    const xcb_atom_t supported[] = {atom("_NET_FRAME_EXTENTS"), atom("_NET_WM_STATE"),
                                    atom("_NET_WM_STATE_SKIP_TASKBAR"), atom("_NET_WM_STATE_SKIP_PAGER")};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, root, atom("_NET_SUPPORTED"), XCB_ATOM_ATOM, 32, 4, supported);
    xcb_flush(c);

    xcb_generic_event_t* e;
    while ((e = xcb_wait_for_event(c))) {
        switch (e->response_type & 0x7f) {
        case XCB_MAP_REQUEST:
            manage(((xcb_map_request_event_t*)e)->window, lag_ms);
            break;
        case XCB_CONFIGURE_REQUEST: {
            xcb_configure_request_event_t* r = (xcb_configure_request_event_t*)e;
            const int i = find(r->window);
            if (i < 0) {
                /* Not managed (yet): configure it as asked, as openbox does. */
                uint32_t v[7];
                int n = 0;
                if (r->value_mask & XCB_CONFIG_WINDOW_X) v[n++] = (uint32_t)r->x;
                if (r->value_mask & XCB_CONFIG_WINDOW_Y) v[n++] = (uint32_t)r->y;
                if (r->value_mask & XCB_CONFIG_WINDOW_WIDTH) v[n++] = r->width;
                if (r->value_mask & XCB_CONFIG_WINDOW_HEIGHT) v[n++] = r->height;
                if (r->value_mask & XCB_CONFIG_WINDOW_BORDER_WIDTH) v[n++] = r->border_width;
                if (r->value_mask & XCB_CONFIG_WINDOW_SIBLING) v[n++] = r->sibling;
                if (r->value_mask & XCB_CONFIG_WINDOW_STACK_MODE) v[n++] = r->stack_mode;
                xcb_configure_window(c, r->window, r->value_mask, v);
            } else {
                /* Managed: move the frame, size the client, and say so in root coordinates. */
                xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, r->window), NULL);
                if (!g)
                    break;
                if (r->value_mask & XCB_CONFIG_WINDOW_X) clients[i].x = r->x;
                if (r->value_mask & XCB_CONFIG_WINDOW_Y) clients[i].y = r->y;
                const int w = (r->value_mask & XCB_CONFIG_WINDOW_WIDTH) ? r->width : g->width;
                const int h = (r->value_mask & XCB_CONFIG_WINDOW_HEIGHT) ? r->height : g->height;
                const uint32_t f[] = {(uint32_t)clients[i].x, (uint32_t)clients[i].y, (uint32_t)w, (uint32_t)h};
                xcb_configure_window(c, clients[i].frame,
                                     XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                         XCB_CONFIG_WINDOW_HEIGHT,
                                     f);
                const uint32_t s[] = {(uint32_t)w, (uint32_t)h};
                xcb_configure_window(c, r->window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, s);
                if (r->value_mask & XCB_CONFIG_WINDOW_STACK_MODE) {
                    const uint32_t m[] = {r->stack_mode};
                    xcb_configure_window(c, clients[i].frame, XCB_CONFIG_WINDOW_STACK_MODE, m);
                }
                send_synthetic_configure(r->window, clients[i].x, clients[i].y, w, h);
                free(g);
            }
            break;
        }
        case XCB_UNMAP_NOTIFY: {
            /* Real (from the frame's substructure) or the client's synthetic one (ICCCM 4.1.4). */
            const int i = find(((xcb_unmap_notify_event_t*)e)->window);
            if (i >= 0)
                unmanage(i);
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            const int i = find(((xcb_destroy_notify_event_t*)e)->window);
            if (i >= 0) {
                xcb_destroy_window(c, clients[i].frame);
                clients[i] = clients[--nclients];
            }
            break;
        }
        default:
            break;
        }
        free(e);
        xcb_flush(c);
    }
    return 0;
}
