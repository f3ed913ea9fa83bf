// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Presses keys in a KWin session through its fake input protocol, which the compositor takes as
// the user's keyboard (KWin must run with KWIN_WAYLAND_NO_PERMISSION_CHECKS=1).
//   fake_keys KEY...   a name (Tab, Return, space, Shift) or text:TEXT of [A-Za-z0-9/._-]
#include <linux/input-event-codes.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

#include "fake-input-client-protocol.h"

static struct org_kde_kwin_fake_input* fakeInput;

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface, uint32_t version)
{
    (void)data;
    if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0 && version >= 4)
        fakeInput = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 4);
}

static void globalRemoved(void* data, struct wl_registry* registry, uint32_t name)
{
    (void)data;
    (void)registry;
    (void)name;
}

static void pause(long milliseconds)
{
    const struct timespec delay = { milliseconds / 1000, (milliseconds % 1000) * 1000000L };
    nanosleep(&delay, NULL);
}

static void press(struct wl_display* display, unsigned key, int shift)
{
    if (shift)
        org_kde_kwin_fake_input_keyboard_key(fakeInput, KEY_LEFTSHIFT, 1);
    org_kde_kwin_fake_input_keyboard_key(fakeInput, key, 1);
    org_kde_kwin_fake_input_keyboard_key(fakeInput, key, 0);
    if (shift)
        org_kde_kwin_fake_input_keyboard_key(fakeInput, KEY_LEFTSHIFT, 0);
    wl_display_roundtrip(display);
    pause(20);
}

// The key that types `c` on a US keyboard, and whether with Shift; 0 when there is none here.
static unsigned keyOf(char c, int* shift)
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz";
    static const unsigned letterKeys[] = { KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I, KEY_J, KEY_K,
        KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R, KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z };
    static const unsigned digitKeys[] = { KEY_0, KEY_1, KEY_2, KEY_3, KEY_4, KEY_5, KEY_6, KEY_7, KEY_8, KEY_9 };
    *shift = 0;
    if (c >= 'A' && c <= 'Z') {
        *shift = 1;
        c = (char)(c - 'A' + 'a');
    }
    const char* letter = c ? strchr(letters, c) : NULL;
    if (letter)
        return letterKeys[letter - letters];
    if (c >= '0' && c <= '9')
        return digitKeys[c - '0'];
    switch (c) {
    case '/':
        return KEY_SLASH;
    case '.':
        return KEY_DOT;
    case '-':
        return KEY_MINUS;
    case '_':
        *shift = 1;
        return KEY_MINUS;
    default:
        return 0;
    }
}

int main(int argc, char** argv)
{
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "fake_keys: no Wayland display\n");
        return 1;
    }
    static const struct wl_registry_listener listener = { global, globalRemoved };
    wl_registry_add_listener(wl_display_get_registry(display), &listener, NULL);
    wl_display_roundtrip(display);
    if (!fakeInput) {
        fprintf(stderr, "fake_keys: the compositor offers no fake input\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(fakeInput, "zoraven tests", "drive the program under test");
    for (int i = 1; i < argc; ++i) {
        int shift = 0;
        if (strncmp(argv[i], "text:", 5) == 0) {
            for (const char* c = argv[i] + 5; *c; ++c) {
                const unsigned key = keyOf(*c, &shift);
                if (!key) {
                    fprintf(stderr, "fake_keys: no key for '%c'\n", *c);
                    return 1;
                }
                press(display, key, shift);
            }
        } else if (strcmp(argv[i], "Tab") == 0) {
            press(display, KEY_TAB, 0);
        } else if (strcmp(argv[i], "Return") == 0) {
            press(display, KEY_ENTER, 0);
        } else if (strcmp(argv[i], "space") == 0) {
            press(display, KEY_SPACE, 0);
        } else {
            fprintf(stderr, "fake_keys: unknown key %s\n", argv[i]);
            return 1;
        }
    }
    wl_display_disconnect(display);
    return 0;
}
