// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display_choice.h"

#include <cstdlib>
#include <string_view>

#include <dlfcn.h>
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
            && find(roundtrip, "wl_display_roundtrip") && find(marshal, "wl_proxy_marshal_flags")
            && find(version, "wl_proxy_get_version") && find(addListener, "wl_proxy_add_listener")
            && find(destroy, "wl_proxy_destroy") && find(registryInterface, "wl_registry_interface");
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
    decltype(&wl_display_roundtrip) roundtrip = nullptr;
    decltype(&wl_proxy_marshal_flags) marshal = nullptr;
    decltype(&wl_proxy_get_version) version = nullptr;
    decltype(&wl_proxy_add_listener) addListener = nullptr;
    decltype(&wl_proxy_destroy) destroy = nullptr;
    const wl_interface* registryInterface = nullptr;

private:
    template <typename Symbol> bool find(Symbol& symbol, const char* name)
    {
        symbol = reinterpret_cast<Symbol>(dlsym(m_library, name));
        return symbol != nullptr;
    }

    void* m_library;
    bool m_complete = false;
};

// Whether the compositor offers a protocol with which a client asks it to draw the title bar.
void noteDecorationProtocol(void* data, wl_registry*, uint32_t, const char* interface, uint32_t)
{
    const std::string_view name(interface);
    if (name == "zxdg_decoration_manager_v1" || name == "org_kde_kwin_server_decoration_manager")
        *static_cast<bool*>(data) = true;
}

void ignoreRemoval(void*, wl_registry*, uint32_t) { }

// False also where the compositor cannot be asked.
bool compositorDrawsNoTitleBars()
{
    WaylandClient wayland;
    if (!wayland.complete())
        return false;
    wl_display* display = wayland.connect(nullptr);
    if (!display)
        return false;
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
        && wayland.roundtrip(display) >= 0;
    if (registry)
        wayland.destroy(registry);
    wayland.disconnect(display);
    return answered && !decorates;
}

} // namespace

bool runThroughXWayland()
{
    if (isSet("QT_QPA_PLATFORM") || !isSet("WAYLAND_DISPLAY") || !isSet("DISPLAY"))
        return false;
    return compositorDrawsNoTitleBars();
}

} // namespace zoraven
