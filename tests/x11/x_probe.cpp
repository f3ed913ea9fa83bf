// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A small X11 driver for the end-to-end tests and the benchmarks.
//   x_probe launch PROGRAM [ARG...]     starts PROGRAM and waits until it maps its first top-level
//                                       window; prints "PID WINDOW MILLISECONDS" and leaves it running
//   x_probe click WINDOW X Y [LOG_DIR]  clicks at X,Y inside WINDOW; with LOG_DIR, waits for the
//                                       first record a fake converter writes there and prints the
//                                       milliseconds from the button's release to the converter's start
//   x_probe close WINDOW                asks WINDOW to close, as a window manager's close button does
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <poll.h>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;

long long monotonicNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

[[noreturn]] void die(const char* message)
{
    std::fprintf(stderr, "x_probe: %s\n", message);
    std::exit(1);
}

long windowPid(Display* display, Window window)
{
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after, &data)
            == Success
        && data && items == 1)
        pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    if (data)
        XFree(data);
    return pid;
}

int launch(Display* display, char** argv)
{
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    // The program writes to our standard error: our standard output is often a pipe that
    // a shell reads to its end, which would then wait for the program to exit.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    const long long start = monotonicNs();
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv, environ) != 0)
        die("cannot start the program");
    posix_spawn_file_actions_destroy(&actions);

    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < deadline) {
        if (XPending(display) == 0) {
            pollfd ready { ConnectionNumber(display), POLLIN, 0 };
            poll(&ready, 1, 50);
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != MapNotify || event.xmap.override_redirect)
            continue;
        const long long mapped = monotonicNs();
        if (windowPid(display, event.xmap.window) != pid)
            continue;
        std::printf("%d 0x%lx %.3f\n", pid, event.xmap.window, (mapped - start) / 1e6);
        return 0;
    }
    die("no window was mapped");
}

// The "mono" field of the first complete record in `logDir`.
long long waitForConverterStart(const std::filesystem::path& logDir)
{
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const auto& entry : std::filesystem::directory_iterator(logDir)) {
            if (entry.path().filename().string().starts_with("."))
                continue;
            std::ifstream in(entry.path());
            for (std::string line; std::getline(in, line);) {
                if (line.starts_with("mono "))
                    return std::stoll(line.substr(5));
            }
        }
        std::this_thread::sleep_for(100us);
    }
    die("the converter did not start");
}

// The child of the root window that holds `window`: under a window manager, its frame.
Window topLevel(Display* display, Window window)
{
    const Window root = DefaultRootWindow(display);
    while (true) {
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count))
            return None;
        if (children)
            XFree(children);
        if (parent == root)
            return window;
        window = parent;
    }
}

int click(Display* display, Window window, int x, int y, const char* logDir)
{
    const Window root = DefaultRootWindow(display);
    int rootX = 0;
    int rootY = 0;
    Window child = None;
    // Only once nothing else lies on top of the spot: a window that has just closed may leave
    // its frame behind for a moment, and that would take the click.
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (true) {
        XTranslateCoordinates(display, window, root, x, y, &rootX, &rootY, &child);
        Window onTop = None;
        int unused = 0;
        XTranslateCoordinates(display, root, root, rootX, rootY, &unused, &unused, &onTop);
        if (onTop == topLevel(display, window))
            break;
        if (std::chrono::steady_clock::now() > deadline)
            die("another window lies over the spot to click");
        std::this_thread::sleep_for(20ms);
    }
    XTestFakeMotionEvent(display, -1, rootX, rootY, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XSync(display, False);
    // A button acts on its release.
    const long long released = monotonicNs();
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    if (logDir)
        std::printf("%.3f\n", (waitForConverterStart(logDir) - released) / 1e6);
    return 0;
}

int close(Display* display, Window window)
{
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace std::chrono_literals;
    // A server that has only just started may not take connections for a moment.
    Display* display = XOpenDisplay(nullptr);
    for (int attempt = 0; !display && attempt < 50; ++attempt) {
        std::this_thread::sleep_for(100ms);
        display = XOpenDisplay(nullptr);
    }
    if (!display)
        die("cannot open the display");
    const std::string command = argc > 1 ? argv[1] : "";
    int result = 0;
    if (command == "launch" && argc > 2)
        result = launch(display, argv + 2);
    else if (command == "click" && (argc == 5 || argc == 6))
        result = click(display, std::strtoul(argv[2], nullptr, 0), std::atoi(argv[3]), std::atoi(argv[4]),
            argc == 6 ? argv[5] : nullptr);
    else if (command == "close" && argc == 3)
        result = close(display, std::strtoul(argv[2], nullptr, 0));
    else
        die("usage: x_probe launch PROGRAM [ARG...] | click WINDOW X Y [LOG_DIR] | close WINDOW");
    XCloseDisplay(display);
    return result;
}
