// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display_choice.h"

#include <chrono>
#include <cstdlib>
#include <string_view>

#include <dlfcn.h>
#include <poll.h>
#include <wayland-client.h>

namespace zoraven {

namespace {

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

// libwayland-client, opened only in a Wayland session: on X11 the program loads nothing more.
class WaylandClient {
public:
    WaylandClient()
        : m_library(dlopen("libwayland-client.so.0", RTLD_LAZY | RTLD_LOCAL))
    {
        if (!m_library)
            return;
        m_complete = find(connect, "wl_display_connect") && find(disconnect, "wl_display_disconnect")
            && find(fd, "wl_display_get_fd") && find(flush, "wl_display_flush")
            && find(prepareRead, "wl_display_prepare_read") && find(cancelRead, "wl_display_cancel_read")
            && find(readEvents, "wl_display_read_events") && find(dispatchPending, "wl_display_dispatch_pending")
            && find(marshal, "wl_proxy_marshal_flags") && find(version, "wl_proxy_get_version")
            && find(addListener, "wl_proxy_add_listener") && find(destroy, "wl_proxy_destroy")
            && find(registryInterface, "wl_registry_interface") && find(callbackInterface, "wl_callback_interface");
    }
    ~WaylandClient()
    {
        if (m_library)
            dlclose(m_library);
    }
    WaylandClient(const WaylandClient&) = delete;
    WaylandClient& operator=(const WaylandClient&) = delete;

    bool complete() const { return m_complete; }

    decltype(&wl_display_connect) connect = nullptr;
    decltype(&wl_display_disconnect) disconnect = nullptr;
    decltype(&wl_display_get_fd) fd = nullptr;
    decltype(&wl_display_flush) flush = nullptr;
    decltype(&wl_display_prepare_read) prepareRead = nullptr;
    decltype(&wl_display_cancel_read) cancelRead = nullptr;
    decltype(&wl_display_read_events) readEvents = nullptr;
    decltype(&wl_display_dispatch_pending) dispatchPending = nullptr;
    decltype(&wl_proxy_marshal_flags) marshal = nullptr;
    decltype(&wl_proxy_get_version) version = nullptr;
    decltype(&wl_proxy_add_listener) addListener = nullptr;
    decltype(&wl_proxy_destroy) destroy = nullptr;
    const wl_interface* registryInterface = nullptr;
    const wl_interface* callbackInterface = nullptr;

private:
    template <typename Symbol> bool find(Symbol& symbol, const char* name)
    {
        symbol = reinterpret_cast<Symbol>(dlsym(m_library, name));
        return symbol != nullptr;
    }

    void* m_library;
    bool m_complete = false;
};

// A real compositor answers in well under a millisecond; one that has not answered by then is
// taken for one that will not.
constexpr std::chrono::milliseconds kAnswerLimit { 200 };

// Whether the compositor offers a protocol with which a client asks it to draw the title bar.
void noteDecorationProtocol(void* data, wl_registry*, uint32_t, const char* interface, uint32_t)
{
    const std::string_view name(interface);
    if (name == "zxdg_decoration_manager_v1" || name == "org_kde_kwin_server_decoration_manager")
        *static_cast<bool*>(data) = true;
}

void ignoreRemoval(void*, wl_registry*, uint32_t) { }

void noteDone(void* data, wl_callback*, uint32_t) { *static_cast<bool*>(data) = true; }

// What wl_display_roundtrip does, with a time limit: true once the compositor has answered
// everything asked so far.
bool roundtripWithin(WaylandClient& wayland, wl_display* display, std::chrono::milliseconds limit)
{
    // What wl_display_sync and wl_callback_add_listener do, through the opened library.
    auto* displayProxy = reinterpret_cast<wl_proxy*>(display);
    wl_proxy* callback = wayland.marshal(
        displayProxy, WL_DISPLAY_SYNC, wayland.callbackInterface, wayland.version(displayProxy), 0, nullptr);
    if (!callback)
        return false;
    bool done = false;
    static constexpr wl_callback_listener listener { noteDone };
    bool failed = wayland.addListener(
                      callback, reinterpret_cast<void (**)()>(const_cast<wl_callback_listener*>(&listener)), &done)
        != 0;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done && !failed) {
        while (wayland.prepareRead(display) != 0) {
            if (wayland.dispatchPending(display) < 0)
                break;
        }
        wayland.flush(display);
        const auto left
            = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready { wayland.fd(display), POLLIN, 0 };
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            wayland.cancelRead(display);
            failed = true;
            break;
        }
        failed = wayland.readEvents(display) < 0 || wayland.dispatchPending(display) < 0;
    }
    wayland.destroy(callback);
    return done && !failed;
}

enum class Compositor { DrawsTitleBars, DrawsNone, DoesNotAnswer, NotAsked };

Compositor askCompositor()
{
    WaylandClient wayland;
    // Without the library Qt's Wayland platform cannot load either, and Qt takes X itself.
    if (!wayland.complete())
        return Compositor::NotAsked;
    wl_display* display = wayland.connect(nullptr);
    if (!display)
        return Compositor::DoesNotAnswer;
    // What wl_display_get_registry and wl_registry_add_listener do, through the opened library.
    auto* displayProxy = reinterpret_cast<wl_proxy*>(display);
    wl_proxy* registry = wayland.marshal(
        displayProxy, WL_DISPLAY_GET_REGISTRY, wayland.registryInterface, wayland.version(displayProxy), 0, nullptr);
    bool decorates = false;
    static constexpr wl_registry_listener listener { noteDecorationProtocol, ignoreRemoval };
    const bool answered = registry
        && wayland.addListener(
               registry, reinterpret_cast<void (**)()>(const_cast<wl_registry_listener*>(&listener)), &decorates)
            == 0
        && roundtripWithin(wayland, display, kAnswerLimit);
    if (registry)
        wayland.destroy(registry);
    wayland.disconnect(display);
    if (!answered)
        return Compositor::DoesNotAnswer;
    return decorates ? Compositor::DrawsTitleBars : Compositor::DrawsNone;
}

} // namespace

bool runThroughXWayland()
{
    if (isSet("QT_QPA_PLATFORM") || !isSet("WAYLAND_DISPLAY") || !isSet("DISPLAY"))
        return false;
    const Compositor compositor = askCompositor();
    return compositor == Compositor::DrawsNone || compositor == Compositor::DoesNotAnswer;
}

} // namespace zoraven
