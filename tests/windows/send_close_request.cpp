// Asks a window to close the way a window manager does when the user clicks its close box: sends
// it the WM_DELETE_WINDOW message. The tests' private X display has no window manager.
//   send_close_request WINDOW-ID

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

xcb_atom_t atom(xcb_connection_t* x, const char* name) {
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(x, 0, std::strlen(name), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(x, cookie, nullptr);
    xcb_atom_t result = XCB_ATOM_NONE;
    if (reply != nullptr)
        result = reply->atom;
    std::free(reply);
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: send_close_request WINDOW-ID\n");
        return 2;
    }
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "send_close_request: no X display\n");
        return 1;
    }
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
    message.type = atom(x, "WM_PROTOCOLS");
    message.data.data32[0] = atom(x, "WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(x, 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    // A round trip: once the server has answered, it has handled the message too. Hanging up
    // straight after sending can lose it.
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr);
    const int failed = reply == nullptr;
    std::free(reply);
    xcb_disconnect(x);
    return failed;
}
