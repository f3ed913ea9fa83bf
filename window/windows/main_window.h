// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include "common_dialog.h"
#include "conversion_request.h"
#include "notice_box.h"

// The font that the window's controls are drawn in, at a DPI, before it is fitted to them.
using MessageFont = LOGFONTW (*)(UINT dpi);
// Windows' message font (the one of its own message boxes) at that DPI.
LOGFONTW systemMessageFont(UINT dpi);

// The program's one window, of Windows' own controls. It holds both choices of the user (the
// image in its file dialog, the standard in the hidden label `mode`) and hands every decision to
// the request. Its size and every control's place are the layout's twips at the window's DPI.
class Form1 final : private zoraven::RequestHost {
public:
    explicit Form1(zoraven::ConverterStarter& starter,
        std::unique_ptr<CommonDialog> dialog = std::make_unique<CommonDialog>(),
        std::unique_ptr<NoticeBox> notices = std::make_unique<NoticeBox>(), MessageFont font = systemMessageFont);
    ~Form1() override;
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    HWND window() const { return m_window; }
    // Shows the window as `command` asks (as wWinMain is given it), but never maximized: its size is fixed.
    void show(int command);
    // Takes the keys that move between the controls; true when `message` was one of them.
    bool takeKeys(MSG& message);

    // The control of the layout's row `name`, which is also its control id (as screen readers and
    // tests know it): the row's place in the layout plus kFirstControlId.
    HWND control(std::string_view name) const;
    static constexpr int kFirstControlId = 1000;
    static int controlId(std::string_view name);

    // Pixels at `dpi`: 1440 twips to the inch.
    static int pixels(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }

private:
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);
    void createControls();
    // Size, places and font for `dpi`; `position` is where the window's top-left corner goes.
    void applyDpi(UINT dpi, POINT position);
    // Resizes the window so that its client area has the size of the layout at its DPI.
    void keepClientSize();
    void command(int id);
    void moveFocus(HWND next, bool byArrow);

    void Form_Load();
    void browse();

    zoraven::ImagePath imagePath() const override;
    zoraven::FormatFlag formatFlag() const override;
    void setFormatFlag(const zoraven::FormatFlag& flag) override;
    void ShowNotice(std::string_view text) override;

    std::unique_ptr<CommonDialog> CommonDialog1;
    std::unique_ptr<NoticeBox> m_notices;
    zoraven::ConversionRequest m_request;
    MessageFont m_messageFont;

    HWND m_window = nullptr;
    std::vector<HWND> m_controls; // in the order of the layout's rows
    HFONT m_font = nullptr;
    HICON m_bigIcon = nullptr;
    HICON m_smallIcon = nullptr;
    // The client area's size at the window's DPI, and how many more times the window may resize
    // itself to get it, where its frame turns out otherwise than Windows said it would.
    SIZE m_client {};
    int m_resizesLeft = 0;
    // The control that gets the focus back when the window is activated again.
    HWND m_focus = nullptr;
    // While a notice or the file dialog is up: clicks that reached the window before it was
    // disabled are not taken as new requests.
    bool m_busy = false;

    HWND Text1 = nullptr;
    HWND NTSC = nullptr;
    HWND PAL = nullptr;
    HWND mode = nullptr;
};
