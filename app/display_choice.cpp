// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "display_choice.h"

#include <cstdlib>
#include <string_view>

#include <wayland-client.h>

namespace zoraven {

namespace {

bool isSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

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
    wl_display* display = wl_display_connect(nullptr);
    if (!display)
        return false;
    bool decorates = false;
    static constexpr wl_registry_listener listener { noteDecorationProtocol, ignoreRemoval };
    wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &listener, &decorates);
    const bool answered = wl_display_roundtrip(display) >= 0;
    wl_registry_destroy(registry);
    wl_display_disconnect(display);
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
