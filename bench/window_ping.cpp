// How long a window leaves the desktop waiting, seen from outside the
// program: sends the window manager's ping (_NET_WM_PING) to the window
// again and again and times each answer, which the program gives only when
// its event loop turns.
// Usage: olvaris-window-ping WINDOW-ID SECONDS
// Prints the number of pings, the longest answer, the 99th percentile and
// the median, in milliseconds.
#include <xcb/xcb.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(name)), name);
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Waits for the answer to ping number `serial`, at most until `deadline`.
bool awaitAnswer(xcb_connection_t* connection, xcb_atom_t ping, std::uint32_t serial, Clock::time_point deadline) {
    pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
    while (Clock::now() < deadline) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const bool answer = (event->response_type & 0x7F) == XCB_CLIENT_MESSAGE
                                && reinterpret_cast<xcb_client_message_event_t*>(event)->data.data32[0] == ping
                                && reinterpret_cast<xcb_client_message_event_t*>(event)->data.data32[1] == serial;
            std::free(event);
            if (answer)
                return true;
        }
        if (xcb_connection_has_error(connection))
            return false;
        ::poll(&descriptor, 1, 5);
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: olvaris-window-ping WINDOW-ID SECONDS\n");
        return 2;
    }
    const auto window = xcb_window_t(std::strtoul(argv[1], nullptr, 0));
    const double seconds = std::atof(argv[2]);
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "olvaris-window-ping: cannot open the display\n");
        return 1;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    // The answer is sent to the root window, to whoever listens there.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    const xcb_atom_t protocols = internAtom(connection, "WM_PROTOCOLS");
    const xcb_atom_t ping = internAtom(connection, "_NET_WM_PING");

    std::vector<double> answers;
    double unanswered = 0;
    const Clock::time_point end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    for (std::uint32_t serial = 1; Clock::now() < end; ++serial) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = protocols;
        message.data.data32[0] = ping;
        message.data.data32[1] = serial;
        message.data.data32[2] = window;
        const Clock::time_point sent = Clock::now();
        xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
        xcb_flush(connection);
        const bool answered = awaitAnswer(connection, ping, serial, sent + std::chrono::seconds(30));
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - sent).count();
        if (!answered) {
            unanswered = ms;
            break;
        }
        answers.push_back(ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    xcb_disconnect(connection);
    if (answers.empty()) {
        std::printf("no answer within %.0f ms\n", unanswered);
        return 1;
    }
    std::sort(answers.begin(), answers.end());
    std::printf("pings %zu, longest %.1f ms, 99th percentile %.1f ms, median %.2f ms%s\n", answers.size(),
                answers.back(), answers[answers.size() * 99 / 100], answers[answers.size() / 2],
                unanswered > 0 ? " (then no answer)" : "");
    return 0;
}
