// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "main_window.h"

#include "form_layout.h"
#include "wide_text.h"
#include "window_resources.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace {

using zoraven::form1::Control;
using zoraven::form1::kControls;
using zoraven::form1::Kind;

constexpr wchar_t kWindowClass[] = L"ZoravenFrontendForm1";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// Each label stands just before the control it names, so that screen readers name that control by it.
constexpr std::array<std::pair<std::string_view, std::string_view>, 2> kLabelFor { {
    { "Label1", "Text1" },
    { "Label2", "PAL" },
} };

std::size_t rowOf(std::string_view name)
{
    const auto row = std::find_if(
        std::begin(kControls), std::end(kControls), [name](const Control& control) { return control.name == name; });
    return static_cast<std::size_t>(row - std::begin(kControls));
}

// The rows in the order the window creates them, which is the order of the keyboard: the
// controls that take the focus by their tab index, each label before the control it names, then
// the rest.
std::vector<std::size_t> creationOrder()
{
    std::vector<std::size_t> focusable;
    std::vector<std::size_t> rest;
    for (std::size_t row = 0; row < std::size(kControls); ++row)
        (kControls[row].kind == Kind::Label ? rest : focusable).push_back(row);
    const auto byTabIndex = [](std::size_t a, std::size_t b) { return kControls[a].tabIndex < kControls[b].tabIndex; };
    std::sort(focusable.begin(), focusable.end(), byTabIndex);
    std::sort(rest.begin(), rest.end(), byTabIndex);
    std::vector<std::size_t> order;
    for (const std::size_t row : focusable) {
        for (const auto& [label, named] : kLabelFor) {
            if (named == kControls[row].name)
                order.push_back(rowOf(label));
        }
        order.push_back(row);
    }
    for (const std::size_t row : rest) {
        if (std::find(order.begin(), order.end(), row) == order.end())
            order.push_back(row);
    }
    return order;
}

// The room a control's caption has at `dpi`: its own size less what Windows draws around the text.
SIZE captionRoom(const Control& control, UINT dpi)
{
    const int edgeX = GetSystemMetricsForDpi(SM_CXEDGE, dpi);
    const int edgeY = GetSystemMetricsForDpi(SM_CYEDGE, dpi);
    const int width = Form1::pixels(control.width, dpi);
    const int height = Form1::pixels(control.height, dpi);
    switch (control.kind) {
    case Kind::PushButton:
        // The button's edge and its focus rectangle on either side.
        return { width - 4 * edgeX, height - 2 * edgeY };
    case Kind::OptionButton:
        // The round box and the gap before the text, and the focus rectangle around it.
        return { width - GetSystemMetricsForDpi(SM_CXMENUCHECK, dpi) - 3 * edgeX, height };
    case Kind::Label:
    case Kind::TextBox:
        break;
    }
    return { width, height };
}

// The given font, or a smaller size of its face when a caption would not fit its control whole.
HFONT fittedFont(LOGFONTW font, UINT dpi)
{
    HDC screen = GetDC(nullptr);
    const int sign = font.lfHeight < 0 ? -1 : 1;
    const int smallest = MulDiv(6, static_cast<int>(dpi), 72);
    HFONT fitted = nullptr;
    for (int height = std::abs(font.lfHeight); fitted == nullptr; --height) {
        font.lfHeight = sign * height;
        HFONT candidate = CreateFontIndirectW(&font);
        const HGDIOBJ previous = SelectObject(screen, candidate);
        TEXTMETRICW metrics {};
        GetTextMetricsW(screen, &metrics);
        bool fits = true;
        for (const Control& control : kControls) {
            if (control.caption.empty() || control.kind == Kind::TextBox)
                continue;
            const std::wstring caption = zoraven::toWide(control.caption);
            SIZE text {};
            GetTextExtentPoint32W(screen, caption.c_str(), static_cast<int>(caption.size()), &text);
            const SIZE room = captionRoom(control, dpi);
            fits = fits && text.cx <= room.cx && metrics.tmHeight <= room.cy;
        }
        SelectObject(screen, previous);
        if (fits || height <= smallest)
            fitted = candidate;
        else
            DeleteObject(candidate);
    }
    ReleaseDC(nullptr, screen);
    return fitted;
}

HICON programIcon(int metric, UINT dpi)
{
    const int size = GetSystemMetricsForDpi(metric, dpi);
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ZORAVEN_ICON), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
}

std::wstring windowText(HWND window)
{
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Marks the window busy while it lives.
class Busy {
public:
    explicit Busy(bool& flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~Busy() { m_flag = false; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    bool& m_flag;
};

} // namespace

LOGFONTW systemMessageFont(UINT dpi)
{
    NONCLIENTMETRICSW metrics {};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi))
        return metrics.lfMessageFont;
    LOGFONTW font {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), USER_DEFAULT_SCREEN_DPI);
    return font;
}

Form1::Form1(zoraven::ConverterStarter& starter, std::unique_ptr<CommonDialog> dialog,
    std::unique_ptr<NoticeBox> notices, MessageFont font)
    : CommonDialog1(std::move(dialog))
    , m_notices(std::move(notices))
    , m_request(*this, starter)
    , m_messageFont(font)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass {};
    windowClass.cbSize = sizeof(windowClass);
    if (!GetClassInfoExW(instance, kWindowClass, &windowClass)) {
        windowClass.lpfnWndProc = windowProcedure;
        windowClass.hInstance = instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        windowClass.lpszClassName = kWindowClass;
        RegisterClassExW(&windowClass);
    }
    const std::wstring caption = zoraven::toWide(zoraven::form1::kCaption);
    CreateWindowExW(0, kWindowClass, caption.c_str(), kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
        CW_USEDEFAULT, nullptr, nullptr, instance, this);
    if (!m_window)
        return;
    RECT placed {};
    GetWindowRect(m_window, &placed);
    applyDpi(GetDpiForWindow(m_window), { placed.left, placed.top });
}

Form1::~Form1()
{
    if (m_window)
        DestroyWindow(m_window);
    if (m_font)
        DeleteObject(m_font);
    for (const HICON icon : { m_bigIcon, m_smallIcon }) {
        if (icon)
            DestroyIcon(icon);
    }
}

void Form1::show(int command)
{
    if (command == SW_MAXIMIZE || command == SW_SHOWMAXIMIZED)
        command = SW_SHOWNORMAL;
    ShowWindow(m_window, command);
    // Windows takes the first show from the starting program's settings (a shortcut set to
    // "Maximized", say), whatever the program asks.
    if (IsZoomed(m_window))
        ShowWindow(m_window, SW_RESTORE);
    UpdateWindow(m_window);
}

bool Form1::takeKeys(MSG& message) { return m_window && IsDialogMessageW(m_window, &message); }

HWND Form1::control(std::string_view name) const
{
    const std::size_t row = rowOf(name);
    return row < m_controls.size() ? m_controls[row] : nullptr;
}

int Form1::controlId(std::string_view name)
{
    const std::size_t row = rowOf(name);
    return row < std::size(kControls) ? kFirstControlId + static_cast<int>(row) : 0;
}

LRESULT CALLBACK Form1::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->m_window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!form)
        return DefWindowProcW(window, message, wParam, lParam);
    const LRESULT result = form->handle(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        form->m_window = nullptr;
    }
    return result;
}

LRESULT Form1::handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        createControls();
        Form_Load();
        return 0;
    case WM_COMMAND:
        command(LOWORD(wParam));
        return 0;
    case WM_NEXTDLGCTL:
        // What the keyboard's Tab and arrow keys ask for (IsDialogMessageW), as a dialog would do it.
        if (LOWORD(lParam))
            moveFocus(reinterpret_cast<HWND>(wParam), true);
        else
            moveFocus(GetNextDlgTabItem(m_window, GetFocus(), wParam != 0), false);
        return 0;
    case WM_ACTIVATE:
        if (LOWORD(wParam) == WA_INACTIVE) {
            if (HWND focus = GetFocus(); focus && IsChild(m_window, focus))
                m_focus = focus;
        } else if (m_focus && !HIWORD(wParam)) {
            SetFocus(m_focus);
        }
        return 0;
    case WM_SETFOCUS:
        if (m_focus)
            SetFocus(m_focus);
        return 0;
    case WM_SIZE:
        keepClientSize();
        return 0;
    case WM_DPICHANGED: {
        const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
        applyDpi(HIWORD(wParam), { suggested->left, suggested->top });
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(m_window, message, wParam, lParam);
    }
}

void Form1::createControls()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    m_controls.assign(std::size(kControls), nullptr);
    bool firstOption = true;
    for (const std::size_t row : creationOrder()) {
        const Control& layout = kControls[row];
        const wchar_t* windowClass = L"STATIC";
        DWORD style = WS_CHILD | WS_VISIBLE | WS_GROUP;
        DWORD exStyle = 0;
        switch (layout.kind) {
        case Kind::Label:
            style |= SS_LEFTNOWORDWRAP | SS_NOPREFIX;
            break;
        case Kind::TextBox:
            windowClass = L"EDIT";
            style |= WS_TABSTOP | ES_AUTOHSCROLL;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case Kind::PushButton:
            windowClass = L"BUTTON";
            style |= WS_TABSTOP | BS_PUSHBUTTON;
            break;
        case Kind::OptionButton:
            windowClass = L"BUTTON";
            style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON;
            // One group, one Tab stop: the first option in the keyboard's order until one is
            // chosen, then the chosen one (the buttons move the stop themselves).
            if (std::exchange(firstOption, false))
                style |= WS_GROUP | WS_TABSTOP;
            break;
        }
        const std::wstring caption = zoraven::toWide(layout.caption);
        m_controls[row] = CreateWindowExW(exStyle, windowClass, caption.c_str(), style, 0, 0, 0, 0, m_window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + static_cast<int>(row))), instance, nullptr);
    }
    Text1 = control("Text1");
    NTSC = control("NTSC");
    PAL = control("PAL");
    // Holds the chosen flag for the program; nothing for the user to see or a screen reader to announce.
    mode = control("mode");
    ShowWindow(mode, SW_HIDE);
    m_focus = Text1;
}

void Form1::applyDpi(UINT dpi, POINT position)
{
    const HFONT previous = m_font;
    m_font = fittedFont(m_messageFont(dpi), dpi);
    for (std::size_t row = 0; row < m_controls.size(); ++row) {
        const Control& layout = kControls[row];
        SetWindowPos(m_controls[row], nullptr, pixels(layout.left, dpi), pixels(layout.top, dpi),
            pixels(layout.width, dpi), pixels(layout.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(m_controls[row], WM_SETFONT, reinterpret_cast<WPARAM>(m_font), TRUE);
    }
    if (previous)
        DeleteObject(previous);

    m_client = { pixels(zoraven::form1::kClientWidth, dpi), pixels(zoraven::form1::kClientHeight, dpi) };
    RECT frame { 0, 0, m_client.cx, m_client.cy };
    AdjustWindowRectExForDpi(&frame, kWindowStyle, FALSE, 0, dpi);
    m_resizesLeft = 2;
    SetWindowPos(m_window, nullptr, position.x, position.y, frame.right - frame.left, frame.bottom - frame.top,
        SWP_NOZORDER | SWP_NOACTIVATE);
    keepClientSize();

    for (HICON* icon : { &m_bigIcon, &m_smallIcon }) {
        if (*icon)
            DestroyIcon(*icon);
    }
    m_bigIcon = programIcon(SM_CXICON, dpi);
    m_smallIcon = programIcon(SM_CXSMICON, dpi);
    SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon));
    SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
}

void Form1::keepClientSize()
{
    RECT client {};
    RECT window {};
    // A frame of another height than asked for (Wine's title bar keeps the system's DPI), or a
    // window manager's late word on the size, is made up for; twice at most, so that nobody
    // who insists on another size is fought forever.
    if (m_resizesLeft <= 0 || IsIconic(m_window) || !GetClientRect(m_window, &client)
        || !GetWindowRect(m_window, &window) || (client.right == m_client.cx && client.bottom == m_client.cy))
        return;
    --m_resizesLeft;
    SetWindowPos(m_window, nullptr, 0, 0, window.right - window.left + m_client.cx - client.right,
        window.bottom - window.top + m_client.cy - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1::command(int id)
{
    const auto checked = [](HWND button) { return SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED; };
    // Enter presses the button that has the focus, as in a dialog.
    if (id == IDOK) {
        const HWND focus = GetFocus();
        if (focus && IsChild(m_window, focus) && (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON))
            command(GetDlgCtrlID(focus));
        return;
    }
    if (m_busy)
        return;
    if (id == controlId("Command1")) {
        browse();
    } else if (id == controlId("Command2")) {
        m_request.requestConversion();
    } else if (id == controlId("NTSC") && checked(NTSC)) {
        // Windows also reports a click when an option button gets the focus unchosen: only a chosen one counts.
        m_request.selectFormat(zoraven::Standard::NTSC);
    } else if (id == controlId("PAL") && checked(PAL)) {
        m_request.selectFormat(zoraven::Standard::PAL);
    }
}

void Form1::moveFocus(HWND next, bool byArrow)
{
    if (!next || !IsChild(m_window, next))
        return;
    SetFocus(next);
    const LRESULT code = SendMessageW(next, WM_GETDLGCODE, 0, 0);
    if (!byArrow && (code & DLGC_HASSETSEL))
        SendMessageW(next, EM_SETSEL, 0, -1);
    // The arrow keys choose the option they move to, as in every group of options in Windows.
    if (byArrow && (code & DLGC_RADIOBUTTON) && SendMessageW(next, BM_GETCHECK, 0, 0) != BST_CHECKED)
        SendMessageW(next, BM_CLICK, 0, 0);
}

void Form1::Form_Load()
{
    CommonDialog1->InitDir = zoraven::toWide(zoraven::form1::kInitDir);
    CommonDialog1->Filter = zoraven::toWide(zoraven::form1::kFilter);
}

void Form1::browse()
{
    {
        Busy busy(m_busy);
        CommonDialog1->ShowOpen(m_window);
    }
    const std::wstring& chosen = CommonDialog1->FileName();
    SetWindowTextW(Text1, chosen.c_str());
    // The end of a long path, with the file's own name, is what shows.
    SendMessageW(Text1, EM_SETSEL, chosen.size(), static_cast<LPARAM>(chosen.size()));
    SendMessageW(Text1, EM_SCROLLCARET, 0, 0);
}

zoraven::ImagePath Form1::imagePath() const { return zoraven::toUtf8(CommonDialog1->FileName()); }

zoraven::FormatFlag Form1::formatFlag() const { return zoraven::toUtf8(windowText(mode)); }

void Form1::setFormatFlag(const zoraven::FormatFlag& flag) { SetWindowTextW(mode, zoraven::toWide(flag).c_str()); }

void Form1::ShowNotice(std::string_view text)
{
    Busy busy(m_busy);
    m_notices->show(m_window, zoraven::toWide(text));
}
