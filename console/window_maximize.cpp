// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window_maximize.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include <pthread.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace zoraven {

namespace {

using namespace std::chrono_literals;

constexpr auto kLookFor = 10s;

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

class XConnection {
public:
    XConnection()
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    }
    ~XConnection() { xcb_disconnect(m_connection); }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    bool connected() const { return m_root != XCB_NONE; }

    xcb_atom_t atom(const char* name)
    {
        const ReplyPtr<xcb_intern_atom_reply_t> reply(
            xcb_intern_atom_reply(m_connection,
                xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr),
            &std::free);
        return reply ? reply->atom : xcb_atom_t { XCB_ATOM_NONE };
    }

    // A property of 32-bit items: window ids, cardinals.
    std::vector<uint32_t> items(xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
    {
        const ReplyPtr<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(
                m_connection, xcb_get_property(m_connection, 0, window, property, type, 0, 4096), nullptr),
            &std::free);
        if (!reply || reply->format != 32)
            return {};
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        return { data, data + xcb_get_property_value_length(reply.get()) / 4 };
    }

    xcb_window_t parent(xcb_window_t window)
    {
        const ReplyPtr<xcb_query_tree_reply_t> reply(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, window), nullptr), &std::free);
        return reply ? reply->parent : xcb_window_t { XCB_NONE };
    }

    xcb_window_t root() const { return m_root; }

    // The EWMH request that a window manager maximizes a managed window.
    void maximize(xcb_window_t window)
    {
        xcb_client_message_event_t event {};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = atom("_NET_WM_STATE");
        event.data.data32[0] = 1; // _NET_WM_STATE_ADD
        event.data.data32[1] = atom("_NET_WM_STATE_MAXIMIZED_VERT");
        event.data.data32[2] = atom("_NET_WM_STATE_MAXIMIZED_HORZ");
        event.data.data32[3] = 1; // asked for by the application
        xcb_send_event(m_connection, 0, m_root,
            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
            reinterpret_cast<const char*>(&event));
        xcb_flush(m_connection);
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root = XCB_NONE;
};

// The managed window that is `window` or holds it, or none.
xcb_window_t managedWindowHolding(XConnection& display, xcb_window_t window, const std::vector<uint32_t>& managed)
{
    while (window != XCB_NONE && window != display.root()) {
        if (std::find(managed.begin(), managed.end(), window) != managed.end())
            return window;
        window = display.parent(window);
    }
    return XCB_NONE;
}

// The newest managed window that `pid` owns, or none.
xcb_window_t newestWindowOf(XConnection& display, pid_t pid, const std::vector<uint32_t>& managed, xcb_atom_t pidAtom)
{
    for (auto window = managed.rbegin(); window != managed.rend(); ++window) {
        const std::vector<uint32_t> owner = display.items(*window, pidAtom, XCB_ATOM_CARDINAL);
        if (owner.size() == 1 && owner[0] == static_cast<uint32_t>(pid))
            return *window;
    }
    return XCB_NONE;
}

void maximizeWhenManaged(xcb_window_t named, pid_t terminal)
{
    XConnection display;
    if (!display.connected())
        return;
    const xcb_atom_t clientList = display.atom("_NET_CLIENT_LIST");
    const xcb_atom_t pidAtom = display.atom("_NET_WM_PID");
    const auto deadline = std::chrono::steady_clock::now() + kLookFor;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::vector<uint32_t> managed = display.items(display.root(), clientList, XCB_ATOM_WINDOW);
        const xcb_window_t window = named != XCB_NONE ? managedWindowHolding(display, named, managed)
                                                      : newestWindowOf(display, terminal, managed, pidAtom);
        if (window != XCB_NONE) {
            display.maximize(window);
            return;
        }
        std::this_thread::sleep_for(50ms);
    }
}

} // namespace

void maximizeTerminalWindowSoon()
{
    const char* windowId = std::getenv("WINDOWID");
    const auto named = static_cast<xcb_window_t>(windowId ? std::strtoul(windowId, nullptr, 10) : 0);
    // In a Wayland session a terminal without an X window id has its window on Wayland.
    if (named == XCB_NONE && std::getenv("WAYLAND_DISPLAY"))
        return;
    // The thread takes no signal: those for the helper go to its main thread, which knows the converter.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    std::thread(maximizeWhenManaged, named, getppid()).detach();
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

} // namespace zoraven
