#include "frameextents.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

xcb_atom_t internAtom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply
        = xcb_intern_atom_reply(connection, xcb_intern_atom(connection, false, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

// The property holds four numbers: left, right, top and bottom.
std::optional<QMargins> readExtents(xcb_connection_t *connection, xcb_window_t window, xcb_atom_t extentsAtom)
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, false, window, extentsAtom, XCB_ATOM_CARDINAL, 0, 4), nullptr);
    std::optional<QMargins> extents;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply) == 16) {
        const auto *value = static_cast<const quint32 *>(xcb_get_property_value(reply));
        extents = QMargins(int(value[0]), int(value[2]), int(value[1]), int(value[3]));
    }
    std::free(reply);
    return extents;
}

} // namespace

FrameExtentsWatcher::FrameExtentsWatcher(QWidget *window)
    : QObject(window)
    , window(window)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    connection = x11 ? x11->connection() : nullptr;
    if (connection) {
        extentsAtom = internAtom(connection, "_NET_FRAME_EXTENTS");
        qGuiApp->installNativeEventFilter(this);
    }
}

FrameExtentsWatcher::~FrameExtentsWatcher()
{
    if (connection)
        qGuiApp->removeNativeEventFilter(this);
}

bool FrameExtentsWatcher::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t" || !window->windowHandle())
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & ~0x80) != XCB_PROPERTY_NOTIFY)
        return false;
    const auto *change = reinterpret_cast<const xcb_property_notify_event_t *>(event);
    if (change->atom != extentsAtom || change->window != window->windowHandle()->winId())
        return false;
    if (const std::optional<QMargins> extents = readExtents(connection, change->window, extentsAtom))
        emit frameStated(*extents);
    return false;
}
