// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "window_maximize.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include <dbus/dbus.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace zoraven {

namespace {

using namespace std::chrono_literals;

constexpr auto kLookFor = 10s;
// What konsole adds to the title that the program in it sets.
constexpr std::string_view kKonsoleSuffix = " \u2014 Konsole";

void complain(const std::string& what)
{
    const std::string line = "zoraven-maximize: " + what + "\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, line.data(), line.size());
}

std::string quoted(std::string_view text)
{
    std::string quoted(1, '"');
    quoted.append(text).push_back('"');
    return quoted;
}

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

    // A text property of `type`, as its bytes; nothing where the window has none of that type.
    std::optional<std::string> text(xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
    {
        const ReplyPtr<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(
                m_connection, xcb_get_property(m_connection, 0, window, property, type, 0, 4096), nullptr),
            &std::free);
        if (!reply || reply->format != 8 || reply->type != type)
            return std::nullopt;
        const auto* data = static_cast<const char*>(xcb_get_property_value(reply.get()));
        return std::string(data, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
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

// The newest managed window that `pid` owns and that shows `title`, or none.
xcb_window_t titledWindowOf(
    XConnection& display, pid_t pid, std::string_view title, const std::vector<uint32_t>& managed)
{
    const xcb_atom_t pidAtom = display.atom("_NET_WM_PID");
    const xcb_atom_t name = display.atom("_NET_WM_NAME");
    const xcb_atom_t utf8 = display.atom("UTF8_STRING");
    for (auto window = managed.rbegin(); window != managed.rend(); ++window) {
        const std::vector<uint32_t> owner = display.items(*window, pidAtom, XCB_ATOM_CARDINAL);
        if (owner.size() != 1 || owner[0] != static_cast<uint32_t>(pid))
            continue;
        std::optional<std::string> caption = display.text(*window, name, utf8);
        if (!caption)
            caption = display.text(*window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
        if (caption && captionShowsTitle(*caption, title))
            return *window;
    }
    return XCB_NONE;
}

bool maximizeWhenManaged(xcb_window_t named, pid_t terminal, std::string_view title)
{
    XConnection display;
    if (!display.connected()) {
        complain("cannot connect to the X display, so the window stays as it is");
        return false;
    }
    const xcb_atom_t clientList = display.atom("_NET_CLIENT_LIST");
    const xcb_atom_t state = display.atom("_NET_WM_STATE");
    const xcb_atom_t vertical = display.atom("_NET_WM_STATE_MAXIMIZED_VERT");
    const xcb_atom_t horizontal = display.atom("_NET_WM_STATE_MAXIMIZED_HORZ");
    const auto deadline = std::chrono::steady_clock::now() + kLookFor;
    auto asked = std::chrono::steady_clock::time_point();
    bool found = false;
    while (std::chrono::steady_clock::now() < deadline) {
        const std::vector<uint32_t> managed = display.items(display.root(), clientList, XCB_ATOM_WINDOW);
        const xcb_window_t window = named != XCB_NONE ? managedWindowHolding(display, named, managed)
                                                      : titledWindowOf(display, terminal, title, managed);
        if (window != XCB_NONE) {
            found = true;
            const std::vector<uint32_t> now = display.items(window, state, XCB_ATOM_ATOM);
            if (std::find(now.begin(), now.end(), vertical) != now.end()
                && std::find(now.begin(), now.end(), horizontal) != now.end())
                return true;
            // A request that arrives while the window manager is still taking the window on is
            // lost (seen with openbox): asked again until the window shows the state.
            if (std::chrono::steady_clock::now() - asked > 500ms) {
                display.maximize(window);
                asked = std::chrono::steady_clock::now();
            }
        }
        std::this_thread::sleep_for(50ms);
    }
    if (!found && named != XCB_NONE)
        complain("the window manager manages no window that holds window " + std::to_string(named));
    else if (!found)
        complain("no window of process " + std::to_string(terminal) + " titled " + quoted(title) + " came up");
    else
        complain("the window manager did not maximize the window titled " + quoted(title));
    return false;
}

// Every byte as %XX, for decodeURIComponent in a script: any title, safe in a string literal.
std::string percentEncoded(std::string_view text)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        encoded += '%';
        encoded += kDigits[byte >> 4];
        encoded += kDigits[byte & 15];
    }
    return encoded;
}

constexpr const char* kReportPath = "/org/zoraven/Maximize";
constexpr const char* kReportInterface = "org.zoraven.Maximize";

// Maximizes the conversion's window: of the windows of process PID, the one that KWin did not list
// before the terminal started (BEFORE: their ids), when it is the only such one; else (several
// conversions' windows in one terminal process, or no list) the one titled TITLE. Never a window
// that was there before: the user's own, which may belong to the same process. Reports back once
// the window covers the area a maximized window takes.
constexpr std::string_view kMaximizeScript = R"((function () {
const pid = PID, title = decodeURIComponent("TITLE"), before = BEFORE;
const list = () => workspace.windowList ? workspace.windowList() : workspace.clientList();
const added = workspace.windowAdded || workspace.clientAdded;
const asked = [];
let done = false;
function titled(w) {
    const caption = String(w.caption);
    return caption.startsWith(title) && /^( — Konsole)?( <[0-9]+>)?$/.test(caption.slice(title.length));
}
const isNew = w => before !== null && before.indexOf(String(w.internalId)) < 0;
function ours(w) {
    return titled(w) || (isNew(w) && list().filter(other => other.pid === pid && isNew(other)).length === 1);
}
function report(w) {
    if (done) return;
    const area = workspace.clientArea(KWin.MaximizeArea, w), frame = w.frameGeometry;
    if (frame.x == area.x && frame.y == area.y && frame.width == area.width && frame.height == area.height) {
        done = true;
        callDBus("NAME", "REPORT_PATH", "REPORT_INTERFACE", "Maximized");
    }
}
function look(w) {
    if (done || asked.indexOf(w) >= 0 || !ours(w)) return;
    asked.push(w);
    w.frameGeometryChanged.connect(() => report(w));
    w.setMaximize(true, true);
    report(w);
}
function watch(w) {
    if (w.pid !== pid) return;
    w.captionChanged.connect(() => look(w));
    look(w);
}
list().forEach(watch);
added.connect(watch);
})();
)";

// Reports the ids of the windows KWin lists.
constexpr std::string_view kListScript = R"((function () {
const windows = workspace.windowList ? workspace.windowList() : workspace.clientList();
callDBus("NAME", "REPORT_PATH", "REPORT_INTERFACE", "Windows", windows.map(w => String(w.internalId)).join(" "));
})();
)";

// KWin, on Wayland, maximizes a window when a script of its own asks it to: the helper loads one
// for the conversion's window over the session bus, which calls back once the window covers the
// area a maximized window takes, and unloads it again. Nothing of the user's settings changes.
// KWin 5 and KWin 6 differ in where a loaded script sits on the bus and in the names of the
// script API (clientList, clientAdded; windowList, windowAdded): the script and the calls here
// take whichever answers.
class KWinScript {
public:
    enum class Outcome { NoKWin, Failed, Done };

    // `quiet`: says nothing of what fails (for the launcher, whose errors go to the session's log).
    explicit KWinScript(bool quiet = false)
        : m_quiet(quiet)
        , m_name("zoraven-maximize-" + std::to_string(getpid()))
    {
        DBusError error;
        dbus_error_init(&error);
        m_bus = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
        if (!m_bus) {
            m_problem = std::string("no session bus (") + (error.message ? error.message : "?") + ")";
            dbus_error_free(&error);
            return;
        }
        dbus_connection_set_exit_on_disconnect(m_bus, FALSE);
        static const DBusObjectPathVTable kReports
            = { nullptr, &KWinScript::report, nullptr, nullptr, nullptr, nullptr };
        dbus_connection_register_object_path(m_bus, kReportPath, &kReports, this);
    }
    ~KWinScript()
    {
        if (m_loaded) {
            Reply reply = call("/Scripting", "org.kde.kwin.Scripting", "unloadScript", m_name.c_str());
            dbus_bool_t unloaded = FALSE;
            if (!reply.error.empty())
                say("KWin did not unload its script: " + reply.error);
            else if (!reply.message
                || !dbus_message_get_args(reply.message, nullptr, DBUS_TYPE_BOOLEAN, &unloaded, DBUS_TYPE_INVALID)
                || !unloaded)
                say("KWin did not unload its script: it knows no script named " + m_name);
        }
        if (!m_file.empty())
            unlink(m_file.c_str());
        if (m_bus) {
            dbus_connection_close(m_bus);
            dbus_connection_unref(m_bus);
        }
    }
    KWinScript(const KWinScript&) = delete;
    KWinScript& operator=(const KWinScript&) = delete;

    // The conversion's window: the window of `terminal` that is not among `windowsBefore`, or the
    // one titled `title`.
    Outcome maximize(pid_t terminal, std::string_view title, const std::vector<std::string>& windowsBefore)
    {
        std::string script(kMaximizeScript);
        std::string before;
        for (const std::string& window : windowsBefore)
            before += (before.empty() ? "\"" : ", \"") + percentEncoded(window) + "\"";
        put(script, "PID", std::to_string(terminal));
        put(script, "TITLE", percentEncoded(title));
        put(script, "BEFORE", windowsBefore.empty() ? "null" : "[" + before + "].map(decodeURIComponent)");
        const Outcome ran = run(script);
        if (ran != Outcome::Done)
            return ran;
        if (m_reported)
            return Outcome::Done;
        say("KWin maximized no window of process " + std::to_string(terminal) + " titled " + quoted(title));
        return Outcome::Failed;
    }

    // The windows KWin lists now, each by its id.
    std::optional<std::vector<std::string>> windows()
    {
        if (run(std::string(kListScript)) != Outcome::Done || !m_reported)
            return std::nullopt;
        return m_listed;
    }

private:
    struct Reply {
        DBusMessage* message = nullptr;
        std::string error; // empty when KWin answered without an error
        bool noService = false; // nobody owns KWin's name: KWin does not run
        bool noObject = false; // no such object or method there
        Reply() = default;
        Reply(Reply&& other) noexcept { *this = std::move(other); }
        Reply& operator=(Reply&& other) noexcept
        {
            std::swap(message, other.message);
            error = std::move(other.error);
            noService = other.noService;
            noObject = other.noObject;
            return *this;
        }
        ~Reply()
        {
            if (message)
                dbus_message_unref(message);
        }
    };

    void say(const std::string& what) const
    {
        if (!m_quiet)
            complain(what);
    }

    static void put(std::string& script, std::string_view key, const std::string& value)
    {
        script.replace(script.find(key), key.size(), value);
    }

    // Loads `script` into KWin, runs it, and waits until it reports back, or gives up.
    Outcome run(std::string script)
    {
        if (!m_bus) {
            say(m_problem);
            return Outcome::NoKWin;
        }
        put(script, "NAME", dbus_bus_get_unique_name(m_bus));
        put(script, "REPORT_PATH", kReportPath);
        put(script, "REPORT_INTERFACE", kReportInterface);
        if (!writeScript(script))
            return Outcome::Failed;
        Reply loaded = call("/Scripting", "org.kde.kwin.Scripting", "loadScript", m_file.c_str(), m_name.c_str());
        if (loaded.noService)
            return Outcome::NoKWin;
        dbus_int32_t number = -1;
        if (!loaded.error.empty() || !loaded.message
            || !dbus_message_get_args(loaded.message, nullptr, DBUS_TYPE_INT32, &number, DBUS_TYPE_INVALID)) {
            say("KWin did not load the script: " + (loaded.error.empty() ? "no number in its answer" : loaded.error));
            return Outcome::Failed;
        }
        m_loaded = true;
        if (number < 0) {
            say("KWin did not load the script: it answered " + std::to_string(number));
            return Outcome::Failed;
        }
        // KWin 6 puts loaded script N at /Scripting/ScriptN, KWin 5 at /N.
        const std::string kwin6Path = std::string("/Scripting/Script").append(std::to_string(number));
        const std::string kwin5Path = std::string("/").append(std::to_string(number));
        Reply ran = call(kwin6Path.c_str(), "org.kde.kwin.Script", "run", nullptr);
        if (ran.noObject)
            ran = call(kwin5Path.c_str(), "org.kde.kwin.Script", "run", nullptr);
        if (!ran.error.empty()) {
            say("KWin did not run the script: " + ran.error);
            return Outcome::Failed;
        }
        const auto deadline = std::chrono::steady_clock::now() + kLookFor;
        while (!m_reported && std::chrono::steady_clock::now() < deadline
            && dbus_connection_read_write_dispatch(m_bus, 100)) { }
        return Outcome::Done;
    }

    bool writeScript(const std::string& script)
    {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        m_file = std::string(runtime && runtime[0] == '/' ? runtime : "/tmp") + "/zoraven-maximize-XXXXXX";
        const int fd = mkstemp(m_file.data());
        if (fd < 0) {
            say("cannot write KWin's script into " + m_file + ": " + std::strerror(errno));
            m_file.clear();
            return false;
        }
        const bool written = write(fd, script.data(), script.size()) == static_cast<ssize_t>(script.size());
        close(fd);
        if (!written)
            say("cannot write KWin's script into " + m_file);
        return written;
    }

    // The script's calls back: Maximized(), once the window covers the area a maximized window
    // takes; Windows("ID ID ..."), the windows KWin lists.
    static DBusHandlerResult report(DBusConnection* bus, DBusMessage* message, void* data)
    {
        auto* self = static_cast<KWinScript*>(data);
        if (dbus_message_is_method_call(message, kReportInterface, "Windows")) {
            const char* listed = nullptr;
            if (!dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &listed, DBUS_TYPE_INVALID))
                return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
            std::istringstream windows(listed);
            for (std::string window; windows >> window;)
                self->m_listed.push_back(window);
        } else if (!dbus_message_is_method_call(message, kReportInterface, "Maximized")) {
            return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
        }
        self->m_reported = true;
        if (DBusMessage* answer = dbus_message_new_method_return(message)) {
            dbus_connection_send(bus, answer, nullptr);
            dbus_message_unref(answer);
        }
        return DBUS_HANDLER_RESULT_HANDLED;
    }

    // A call to KWin with up to two text arguments; any error reply is one.
    Reply call(
        const char* path, const char* interface, const char* method, const char* first, const char* second = nullptr)
    {
        Reply reply;
        DBusMessage* message = dbus_message_new_method_call("org.kde.KWin", path, interface, method);
        if (!message) {
            reply.error = "out of memory";
            return reply;
        }
        // Where KWin is not running, nobody is to be started for this.
        dbus_message_set_auto_start(message, FALSE);
        for (const char* argument : { first, second }) {
            if (argument)
                dbus_message_append_args(message, DBUS_TYPE_STRING, &argument, DBUS_TYPE_INVALID);
        }
        DBusError error;
        dbus_error_init(&error);
        reply.message = dbus_connection_send_with_reply_and_block(m_bus, message, 2000, &error);
        dbus_message_unref(message);
        if (dbus_error_is_set(&error)) {
            reply.error = std::string(method) + " on " + path + ": " + error.name + " (" + error.message + ")";
            reply.noService = dbus_error_has_name(&error, DBUS_ERROR_SERVICE_UNKNOWN)
                || dbus_error_has_name(&error, DBUS_ERROR_NAME_HAS_NO_OWNER);
            reply.noObject = dbus_error_has_name(&error, DBUS_ERROR_UNKNOWN_OBJECT)
                || dbus_error_has_name(&error, DBUS_ERROR_UNKNOWN_METHOD)
                || dbus_error_has_name(&error, DBUS_ERROR_UNKNOWN_INTERFACE);
            dbus_error_free(&error);
        }
        return reply;
    }

    bool m_quiet;
    DBusConnection* m_bus = nullptr;
    std::string m_name;
    std::string m_problem;
    std::string m_file;
    bool m_loaded = false;
    bool m_reported = false;
    std::vector<std::string> m_listed;
};

} // namespace

bool captionShowsTitle(std::string_view caption, std::string_view title)
{
    if (!caption.starts_with(title))
        return false;
    std::string_view rest = caption.substr(title.size());
    if (rest.starts_with(kKonsoleSuffix))
        rest.remove_prefix(kKonsoleSuffix.size());
    // A window manager tells windows of the same title apart by a number: " <2>".
    if (rest.starts_with(" <") && rest.ends_with('>') && rest.size() > 3)
        return std::all_of(rest.begin() + 2, rest.end() - 1, [](char c) { return c >= '0' && c <= '9'; });
    return rest.empty();
}

std::optional<std::vector<std::string>> windowsKWinLists()
{
    if (!std::getenv("WAYLAND_DISPLAY"))
        return std::nullopt;
    return KWinScript(true).windows();
}

bool maximizeTerminalWindow(pid_t terminal, std::string_view title, const std::vector<std::string>& windowsBefore)
{
    const char* windowId = std::getenv("WINDOWID");
    const auto named = static_cast<xcb_window_t>(windowId ? std::strtoul(windowId, nullptr, 10) : 0);
    // On Wayland only KWin lets a program ask for another's window to be maximized; and konsole
    // sets WINDOWID there too, to a number that names no X window. Elsewhere on Wayland the
    // terminal may run on XWayland, and the X window manager may maximize its window.
    if (std::getenv("WAYLAND_DISPLAY")) {
        KWinScript kwin;
        const KWinScript::Outcome outcome = kwin.maximize(terminal, title, windowsBefore);
        if (outcome != KWinScript::Outcome::NoKWin)
            return outcome == KWinScript::Outcome::Done;
        if (!std::getenv("DISPLAY")) {
            complain("no KWin and no X display: on this Wayland desktop no program may maximize another's window");
            return false;
        }
    }
    return maximizeWhenManaged(named, terminal, title);
}

} // namespace zoraven
