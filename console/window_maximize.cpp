// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window_maximize.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <dbus/dbus.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace zoraven {

namespace {

using namespace std::chrono_literals;

constexpr auto kLookFor = 10s;

template <typename Reply> using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

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
    const xcb_atom_t state = display.atom("_NET_WM_STATE");
    const xcb_atom_t vertical = display.atom("_NET_WM_STATE_MAXIMIZED_VERT");
    const xcb_atom_t horizontal = display.atom("_NET_WM_STATE_MAXIMIZED_HORZ");
    const auto deadline = std::chrono::steady_clock::now() + kLookFor;
    auto asked = std::chrono::steady_clock::time_point();
    while (std::chrono::steady_clock::now() < deadline) {
        const std::vector<uint32_t> managed = display.items(display.root(), clientList, XCB_ATOM_WINDOW);
        const xcb_window_t window = named != XCB_NONE ? managedWindowHolding(display, named, managed)
                                                      : newestWindowOf(display, terminal, managed, pidAtom);
        if (window != XCB_NONE) {
            const std::vector<uint32_t> now = display.items(window, state, XCB_ATOM_ATOM);
            if (std::find(now.begin(), now.end(), vertical) != now.end()
                && std::find(now.begin(), now.end(), horizontal) != now.end())
                return;
            // A request that arrives while the window manager is still taking the window on is
            // lost (seen with openbox): asked again until the window shows the state.
            if (std::chrono::steady_clock::now() - asked > 500ms) {
                display.maximize(window);
                asked = std::chrono::steady_clock::now();
            }
        }
        std::this_thread::sleep_for(50ms);
    }
}

// KWin, on Wayland, maximizes a window when a script of its own asks it to: the helper loads one
// for the terminal's window over the session bus, and unloads it again. Nothing of the user's
// settings changes.
class KWinScript {
public:
    explicit KWinScript(pid_t terminal)
        : m_bus(dbus_bus_get_private(DBUS_BUS_SESSION, nullptr))
        , m_name("zoraven-maximize-" + std::to_string(getpid()))
    {
        if (!m_bus)
            return;
        dbus_connection_set_exit_on_disconnect(m_bus, FALSE);
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        std::string file = std::string(runtime && runtime[0] == '/' ? runtime : "/tmp") + "/zoraven-maximize-XXXXXX";
        const int fd = mkstemp(file.data());
        if (fd < 0)
            return;
        std::string script = R"(let done = false;
function maximize(client) {
    if (done || client.pid !== PID) return;
    done = true;
    client.setMaximize(true, true);
}
workspace.clientList().forEach(maximize);
if (!done) workspace.clientAdded.connect(maximize);
)";
        script.replace(script.find("PID"), 3, std::to_string(terminal));
        const bool written = write(fd, script.data(), script.size()) == static_cast<ssize_t>(script.size());
        close(fd);
        dbus_int32_t number = -1;
        if (written && call("/Scripting", "org.kde.kwin.Scripting", "loadScript", file.c_str(), m_name.c_str(), &number)
            && number >= 0) {
            m_loaded = true;
            // KWin 5 puts a loaded script at "/" and its number; it reads the file when it runs it.
            std::string path = "/";
            path += std::to_string(number);
            call(path.c_str(), "org.kde.kwin.Script", "run", nullptr, nullptr, nullptr);
        }
        unlink(file.c_str());
    }
    ~KWinScript()
    {
        if (m_loaded)
            call("/Scripting", "org.kde.kwin.Scripting", "unloadScript", m_name.c_str(), nullptr, nullptr);
        if (m_bus) {
            dbus_connection_close(m_bus);
            dbus_connection_unref(m_bus);
        }
    }
    KWinScript(const KWinScript&) = delete;
    KWinScript& operator=(const KWinScript&) = delete;

    bool loaded() const { return m_loaded; }

private:
    // A call to KWin with up to two text arguments; an int32 answer goes to `answer`.
    bool call(const char* path, const char* interface, const char* method, const char* first, const char* second,
        dbus_int32_t* answer)
    {
        DBusMessage* message = dbus_message_new_method_call("org.kde.KWin", path, interface, method);
        if (!message)
            return false;
        // Where KWin is not running, nobody is to be started for this.
        dbus_message_set_auto_start(message, FALSE);
        for (const char* argument : { first, second }) {
            if (argument)
                dbus_message_append_args(message, DBUS_TYPE_STRING, &argument, DBUS_TYPE_INVALID);
        }
        DBusMessage* reply = dbus_connection_send_with_reply_and_block(m_bus, message, 2000, nullptr);
        dbus_message_unref(message);
        if (!reply)
            return false;
        const bool answered
            = !answer || dbus_message_get_args(reply, nullptr, DBUS_TYPE_INT32, answer, DBUS_TYPE_INVALID);
        dbus_message_unref(reply);
        return answered;
    }

    DBusConnection* m_bus;
    std::string m_name;
    bool m_loaded = false;
};

// In a Wayland session: through KWin where it runs, else (the terminal may run on XWayland)
// through the X window manager for a window that WINDOWID names.
void maximizeInWaylandSession(xcb_window_t named, pid_t terminal)
{
    KWinScript script(terminal);
    // Long enough for the window to come up; the script maximizes it then, or when it is there.
    if (script.loaded())
        std::this_thread::sleep_for(kLookFor);
    else if (named != XCB_NONE)
        maximizeWhenManaged(named, terminal);
}

} // namespace

void maximizeTerminalWindow(pid_t terminal)
{
    const char* windowId = std::getenv("WINDOWID");
    const auto named = static_cast<xcb_window_t>(windowId ? std::strtoul(windowId, nullptr, 10) : 0);
    // On Wayland only KWin lets a program ask for another's window to be maximized; and konsole
    // sets WINDOWID there too, to a number that names no X window.
    if (std::getenv("WAYLAND_DISPLAY"))
        maximizeInWaylandSession(named, terminal);
    else
        maximizeWhenManaged(named, terminal);
}

} // namespace zoraven
