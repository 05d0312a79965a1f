#include "windows/independent_tool_window.h"

#include <QGuiApplication>
#include <QWidget>

#include <xcb/xcb.h>

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
    // A group of its own: WM_HINTS is flags, eight fields, the group. Qt sets only the input hint
    // and its client leader as the group, and reads them back before any change.
    constexpr std::uint32_t inputHint = 1, windowGroupHint = 1u << 6;
    const std::array<std::uint32_t, 9> hints{
        inputHint | windowGroupHint, 1, 0, 0, 0, 0, 0, 0, native};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, native, XCB_ATOM_WM_HINTS,
                        XCB_ATOM_WM_HINTS, 32, hints.size(), hints.data());
    xcb_flush(connection);
}
