#include "windows/independent_tool_window.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// WM_HINTS as ICCCM lays it out: flags, eight fields, the group last; Qt's other hints stay.
void leadOwnWindowGroup(xcb_connection_t* connection, xcb_window_t window) {
    std::array<std::uint32_t, 9> hints{};
    const xcb_get_property_cookie_t cookie = xcb_get_property(
        connection, 0, window, XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS, 0, hints.size());
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (reply && reply->format == 32) {
        const auto bytes =
            std::min<std::size_t>(xcb_get_property_value_length(reply.get()), sizeof hints);
        std::memcpy(hints.data(), xcb_get_property_value(reply.get()), bytes);
    }
    hints[0] |= 1u << 6; // the window group hint's flag
    hints[8] = window;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS,
                        XCB_ATOM_WM_HINTS, 32, hints.size(), hints.data());
}

} // namespace

void makeIndependentToolWindow(QWidget& window) {
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    // Elsewhere (Wayland, offscreen) a parentless window is independent already; no type to ask.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !connection)
        return;
    // Made now, so the type and group hold from the first mapping; Qt rewrites neither later.
    const auto native = static_cast<xcb_window_t>(window.winId());
    // Normal after utility, for window managers that know no utility windows.
    const std::array<xcb_atom_t, 2> types = {internAtom(connection, "_NET_WM_WINDOW_TYPE_UTILITY"),
                                             internAtom(connection, "_NET_WM_WINDOW_TYPE_NORMAL")};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, native,
                        internAtom(connection, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32,
                        types.size(), types.data());
    leadOwnWindowGroup(connection, native);
    xcb_flush(connection);
}
