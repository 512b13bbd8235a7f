// A client that asks the CLIPBOARD's owner for the clipboard as fast as the
// owner answers, and never takes what it is given: it keeps DEPTH requests
// open, each into a property of its own, asks again at every answer, and
// asks afresh when no answer came for 200 ms (a refusal or a dropped request
// counts as an answer then). Kinds of request:
//   STRING, UTF8_STRING, TARGETS   the targets themselves
//   MULTIPLE                       64 STRING conversions in one, listed in
//                                  the property as the protocol says
//   unsupported                    image/png, which a text is not
//   destroy                        a new window for every request, destroyed
//                                  at once; paced by round trips, since its
//                                  answers can never come
// DEPTH 0 asks without waiting for answers at all: 1000 requests at a time,
// paced by round trips alone, as fast as the server takes them.
// Runs until SIGTERM or SIGINT, then prints the requests it made and the
// answers it had.
// Usage: olvaris-clipboard-flood KIND [DEPTH]
#include <xcb/xcb.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> g_stop{false};

template <class T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t internAtom(xcb_connection_t* xcb, const std::string& name) {
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(xcb, xcb_intern_atom(xcb, 0, std::uint16_t(name.size()), name.c_str()), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_window_t newWindow(xcb_connection_t* xcb, xcb_window_t root) {
    const xcb_window_t window = xcb_generate_id(xcb);
    xcb_create_window(xcb, XCB_COPY_FROM_PARENT, window, root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    return window;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: olvaris-clipboard-flood STRING|UTF8_STRING|TARGETS|MULTIPLE|unsupported|destroy "
                             "[DEPTH]\n");
        return 2;
    }
    const std::string kind = argv[1];
    const bool unthrottled = argc == 3 && std::atoi(argv[2]) == 0;
    const int depth = unthrottled ? 1000 : argc == 3 ? std::max(1, std::atoi(argv[2])) : 8;
    xcb_connection_t* xcb = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(xcb)) {
        std::fprintf(stderr, "no X server\n");
        return 2;
    }
    std::signal(SIGTERM, [](int) { g_stop = true; });
    std::signal(SIGINT, [](int) { g_stop = true; });

    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(xcb)).data->root;
    const xcb_atom_t clipboard = internAtom(xcb, "CLIPBOARD");
    const bool destroy = kind == "destroy";
    const bool pacedByRoundTrips = destroy || unthrottled;
    const xcb_atom_t target = destroy || kind == "STRING" ? xcb_atom_t(XCB_ATOM_STRING)
                              : kind == "unsupported"     ? internAtom(xcb, "image/png")
                                                          : internAtom(xcb, kind);
    std::vector<xcb_atom_t> properties;
    properties.reserve(1000);
    for (int i = 0; i < 1000; ++i)
        properties.push_back(internAtom(xcb, "_FLOOD_" + std::to_string(i)));
    const xcb_window_t window = newWindow(xcb, root);
    if (kind == "MULTIPLE") {
        // The pairs are read by the owner from the request's property: every
        // property this client names holds the same 64 pairs.
        std::vector<xcb_atom_t> pairs;
        for (int i = 0; i < 64; ++i) {
            pairs.push_back(XCB_ATOM_STRING);
            pairs.push_back(properties[size_t(i)]);
        }
        for (const xcb_atom_t property : properties)
            xcb_change_property(xcb, XCB_PROP_MODE_REPLACE, window, property, internAtom(xcb, "ATOM_PAIR"), 32,
                                uint32_t(pairs.size()), pairs.data());
    }

    long long asked = 0, answered = 0;
    int open = 0;
    size_t next = 0;
    auto lastAnswer = Clock::now();
    while (!g_stop) {
        for (; open < depth; ++open, ++asked) {
            const xcb_atom_t property = properties[next++ % properties.size()];
            if (destroy) {
                const xcb_window_t gone = newWindow(xcb, root);
                xcb_convert_selection(xcb, gone, clipboard, target, property, XCB_CURRENT_TIME);
                xcb_destroy_window(xcb, gone);
            } else {
                xcb_convert_selection(xcb, window, clipboard, target, property, XCB_CURRENT_TIME);
            }
        }
        if (pacedByRoundTrips) {
            // The server has taken every request once it answers this one.
            free(xcb_get_input_focus_reply(xcb, xcb_get_input_focus(xcb), nullptr));
            answered += open;
            open = 0;
        } else {
            xcb_flush(xcb);
            pollfd socket{xcb_get_file_descriptor(xcb), POLLIN, 0};
            ::poll(&socket, 1, 20);
        }
        while (xcb_generic_event_t* event = xcb_poll_for_event(xcb)) {
            if ((event->response_type & 0x7F) == XCB_SELECTION_NOTIFY && open > 0) {
                --open;
                ++answered;
                lastAnswer = Clock::now();
            }
            std::free(event);
        }
        if (Clock::now() - lastAnswer > std::chrono::milliseconds(200)) {
            open = 0;
            lastAnswer = Clock::now();
        }
        if (xcb_connection_has_error(xcb))
            return 1;
    }
    std::printf("%s: %lld requests, %lld answered\n", kind.c_str(), asked, answered);
    xcb_disconnect(xcb);
    return 0;
}
