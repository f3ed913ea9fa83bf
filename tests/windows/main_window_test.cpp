// SPDX-FileCopyrightText: 2026 The ZORAVEN Frontend developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows window in the test's own process under Wine, with its file dialog, notices and
// converter start replaced: its layout at the window's DPI and after a move to a monitor of
// another, every caption whole, the keyboard, and what each control does.
#include "main_window.h"

#include "../window/recording_starter.h"
#include "form_layout.h"
#include "windows_fixture.h"

#include <deque>
#include <functional>

namespace {

using zoraven::toUtf8;
using zoraven::toWide;

class ScriptedDialog : public CommonDialog {
public:
    std::deque<std::optional<std::wstring>> answers;
    std::vector<std::wstring> folders;
    std::vector<FileType> types;

protected:
    std::optional<std::wstring> askForFile(
        HWND, const std::wstring& folder, const std::vector<FileType>& offered) override
    {
        folders.push_back(folder);
        types = offered;
        if (answers.empty())
            return std::nullopt;
        std::optional<std::wstring> answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

class RecordingNotices : public NoticeBox {
public:
    std::vector<std::string> shown;
    std::vector<HWND> owners;
    // Runs while the notice is up, as clicks that reach the window then.
    std::function<void()> whileShown;
    void show(HWND owner, const std::wstring& text) override
    {
        shown.push_back(toUtf8(text));
        owners.push_back(owner);
        if (whileShown)
            whileShown();
    }
};

LOGFONTW twiceTheMessageFont(UINT dpi)
{
    LOGFONTW font = systemMessageFont(dpi);
    font.lfHeight *= 2;
    return font;
}

// Pixel rectangles of the layout's rows, which are whole twips, at 96 and at 144 DPI.
struct Box {
    std::string_view name;
    RECT at96;
    RECT at144;
};
const Box kBoxes[] = {
    { "Label1", { 8, 32, 73, 17 }, { 12, 48, 110, 26 } },
    { "Text1", { 88, 32, 161, 19 }, { 132, 48, 242, 29 } },
    { "Command1", { 256, 32, 113, 25 }, { 384, 48, 170, 38 } },
    { "Label2", { 8, 88, 89, 17 }, { 12, 132, 134, 26 } },
    { "NTSC", { 104, 88, 57, 25 }, { 156, 132, 86, 38 } },
    { "PAL", { 104, 120, 57, 17 }, { 156, 180, 86, 26 } },
    { "Command2", { 256, 88, 113, 41 }, { 384, 132, 170, 62 } },
    { "mode", { 384, 8, 41, 17 }, { 576, 12, 62, 26 } },
};

class WindowTest : public testing::Test {
protected:
    void SetUp() override { makeForm(systemMessageFont); }

    void makeForm(MessageFont font)
    {
        form.reset();
        auto scripted = std::make_unique<ScriptedDialog>();
        auto recording = std::make_unique<RecordingNotices>();
        dialog = scripted.get();
        notices = recording.get();
        form = std::make_unique<Form1>(starter, std::move(scripted), std::move(recording), font);
        ASSERT_NE(form->window(), nullptr);
        form->show(SW_SHOWNORMAL);
        SetForegroundWindow(form->window());
        pump();
    }

    // Handles what is queued, as the program's message loop does.
    void pump()
    {
        for (int round = 0; round < 5; ++round) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT || form->takeKeys(message))
                    continue;
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            Sleep(10);
        }
    }

    HWND control(std::string_view name) const { return form->control(name); }
    std::string text(std::string_view name) const
    {
        wchar_t buffer[1024] = {};
        GetWindowTextW(control(name), buffer, 1024);
        return toUtf8(buffer);
    }
    bool checked(std::string_view name) const { return SendMessageW(control(name), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void click(std::string_view name)
    {
        SendMessageW(control(name), BM_CLICK, 0, 0);
        pump();
    }
    // A key as the keyboard gives it to the control with the focus.
    void key(WPARAM virtualKey, bool shift = false)
    {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
        MSG message { GetFocus(), WM_KEYDOWN, virtualKey, 1, static_cast<DWORD>(GetMessageTime()), {} };
        if (!form->takeKeys(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        pump();
    }
    std::string focused() const
    {
        for (const zoraven::form1::Control& row : zoraven::form1::kControls) {
            if (form->control(row.name) == GetFocus())
                return std::string(row.name);
        }
        return "<none>";
    }
    SIZE clientSize() const
    {
        RECT client {};
        GetClientRect(form->window(), &client);
        return { client.right, client.bottom };
    }
    // The client area's size once it is the layout's at DPI, or after 5 s: under Wine the X
    // server's answers to the window's own moves may come late, and each is handled as it comes.
    SIZE settledClientSize(UINT dpi)
    {
        const SIZE layout { dpi == 144 ? 579 : 386, dpi == 144 ? 252 : 168 };
        const ULONGLONG started = GetTickCount64();
        SIZE size = clientSize();
        while ((size.cx != layout.cx || size.cy != layout.cy) && GetTickCount64() - started < 5000) {
            pump();
            size = clientSize();
        }
        return size;
    }
    RECT boxOf(std::string_view name) const
    {
        RECT box {};
        GetWindowRect(control(name), &box);
        MapWindowPoints(nullptr, form->window(), reinterpret_cast<POINT*>(&box), 2);
        return { box.left, box.top, box.right - box.left, box.bottom - box.top };
    }
    void moveToDpi(UINT dpi)
    {
        RECT window {};
        GetWindowRect(form->window(), &window);
        RECT suggested { window.left, window.top, window.left + 10, window.top + 10 };
        SendMessageW(form->window(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        pump();
    }

    void expectBoxes(UINT dpi) const
    {
        for (const Box& box : kBoxes) {
            const RECT expected = dpi == 144 ? box.at144 : box.at96;
            const RECT actual = boxOf(box.name);
            EXPECT_EQ(std::vector<LONG>({ actual.left, actual.top, actual.right, actual.bottom }),
                std::vector<LONG>({ expected.left, expected.top, expected.right, expected.bottom }))
                << box.name << " at " << dpi << " DPI";
        }
    }

    RecordingStarter starter;
    ScriptedDialog* dialog = nullptr;
    RecordingNotices* notices = nullptr;
    std::unique_ptr<Form1> form;
};

TEST_F(WindowTest, StartsAsTheLayoutSaysAtTheWindowsDpi)
{
    // The DPI that the test's Wine session set (wine_session.sh), 96 without one.
    const char* sessionDpi = std::getenv("WINE_DPI");
    const UINT dpi = GetDpiForWindow(form->window());
    ASSERT_EQ(dpi, sessionDpi ? static_cast<UINT>(std::atoi(sessionDpi)) : 96U);
    wchar_t caption[256] = {};
    GetWindowTextW(form->window(), caption, 256);
    EXPECT_EQ(toUtf8(caption), "ZORAVEN frontend By (^)TOLVAR(^)");
    const SIZE client = settledClientSize(dpi);
    EXPECT_EQ(client.cx, dpi == 144 ? 579 : 386);
    EXPECT_EQ(client.cy, dpi == 144 ? 252 : 168);
    expectBoxes(dpi);

    // A fixed size: no maximize box, no sizing border.
    const LONG style = GetWindowLongW(form->window(), GWL_STYLE);
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_EQ(focused(), "Text1");
    EXPECT_FALSE(checked("NTSC"));
    EXPECT_FALSE(checked("PAL"));
    EXPECT_EQ(text("Text1"), "");
    EXPECT_EQ(text("mode"), "");
    EXPECT_FALSE(IsWindowVisible(control("mode")));
    for (const zoraven::form1::Control& row : zoraven::form1::kControls)
        EXPECT_EQ(text(row.name), row.caption) << row.name;
}

TEST_F(WindowTest, MovedToAMonitorOfAnotherDpiItTakesThatDpisSizeAndFont)
{
    const UINT start = GetDpiForWindow(form->window());
    const UINT other = start == 144 ? 96 : 144;
    LOGFONTW before {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control("Command2"), WM_GETFONT, 0, 0)), sizeof(before), &before);
    moveToDpi(other);
    const SIZE moved = settledClientSize(other);
    EXPECT_EQ(moved.cx, other == 144 ? 579 : 386);
    EXPECT_EQ(moved.cy, other == 144 ? 252 : 168);
    expectBoxes(other);
    LOGFONTW after {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control("Command2"), WM_GETFONT, 0, 0)), sizeof(after), &after);
    EXPECT_EQ(std::abs(after.lfHeight) > std::abs(before.lfHeight), other > start);
    moveToDpi(start);
    EXPECT_EQ(settledClientSize(start).cx, start == 144 ? 579 : 386);
}

// The ink of each caption as its control draws it, against the caption drawn alone in the same
// font: a caption cut short by its control has less.
struct Ink {
    int width = 0;
    int height = 0;
    bool operator==(const Ink&) const = default;
};

std::vector<DWORD> pixels(HDC dc, HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info {};
    info.bmiHeader = { sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0 };
    std::vector<DWORD> bits(static_cast<std::size_t>(width * height));
    GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), bits.data(), &info, DIB_RGB_COLORS);
    return bits;
}

// The bounding box of the pixels where `a` and `b` differ.
Ink difference(const std::vector<DWORD>& a, const std::vector<DWORD>& b, int width)
{
    int left = width, right = -1, top = INT_MAX, bottom = -1;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i])
            continue;
        const int x = static_cast<int>(i) % width;
        const int y = static_cast<int>(i) / width;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
    }
    return right < 0 ? Ink {} : Ink { right - left + 1, bottom - top + 1 };
}

std::vector<DWORD> drawnBy(HWND control, int width, int height)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ previous = SelectObject(dc, bitmap);
    RECT all { 0, 0, width, height };
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    SendMessageW(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    SelectObject(dc, previous);
    std::vector<DWORD> bits = pixels(dc, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bits;
}

Ink captionAsDrawn(HWND control)
{
    RECT client {};
    GetClientRect(control, &client);
    wchar_t caption[256] = {};
    GetWindowTextW(control, caption, 256);
    const std::vector<DWORD> with = drawnBy(control, client.right, client.bottom);
    // A blank, not nothing: an option button places its round box by its caption's line.
    SetWindowTextW(control, L" ");
    const std::vector<DWORD> without = drawnBy(control, client.right, client.bottom);
    SetWindowTextW(control, caption);
    return difference(with, without, client.right);
}

Ink captionAlone(HWND control)
{
    wchar_t caption[256] = {};
    GetWindowTextW(control, caption, 256);
    const int width = 1000;
    const int height = 200;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    const HGDIOBJ previousBitmap = SelectObject(dc, bitmap);
    const HGDIOBJ previousFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT all { 0, 0, width, height };
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    const std::vector<DWORD> blank = pixels(dc, bitmap, width, height);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    RECT room { 10, 10, width, height };
    DrawTextW(dc, caption, -1, &room, DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previousFont);
    SelectObject(dc, previousBitmap);
    const std::vector<DWORD> drawn = pixels(dc, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return difference(drawn, blank, width);
}

TEST_F(WindowTest, EveryCaptionIsWholeAtEveryDpiInTheMessageFontsFace)
{
    const LOGFONTW system = systemMessageFont(GetDpiForWindow(form->window()));
    for (const MessageFont font : { &systemMessageFont, &twiceTheMessageFont }) {
        makeForm(font);
        const UINT start = GetDpiForWindow(form->window());
        for (const UINT dpi : { start, 120U, 144U, 192U, start }) {
            moveToDpi(dpi);
            for (const char* name : { "Label1", "Label2", "Command1", "Command2", "NTSC", "PAL" }) {
                SCOPED_TRACE(std::string(name) + " at " + std::to_string(dpi) + " DPI"
                    + (font == &systemMessageFont ? "" : ", twice the message font"));
                const Ink alone = captionAlone(control(name));
                EXPECT_GT(alone.width, 0);
                EXPECT_EQ(captionAsDrawn(control(name)), alone);
                LOGFONTW used {};
                GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control(name), WM_GETFONT, 0, 0)), sizeof(used), &used);
                EXPECT_EQ(std::wstring(used.lfFaceName), std::wstring(system.lfFaceName));
            }
        }
    }
}

TEST_F(WindowTest, TabFollowsTheLayoutWithTheOptionsAsOneStopAndTheArrowsChooseBetweenThem)
{
    const char* forward[] = { "Command1", "PAL", "Command2", "Text1", "Command1" };
    for (const char* next : forward) {
        key(VK_TAB);
        EXPECT_EQ(focused(), next);
    }
    key(VK_TAB, true);
    EXPECT_EQ(focused(), "Text1");
    key(VK_TAB);
    key(VK_TAB);
    ASSERT_EQ(focused(), "PAL");
    EXPECT_FALSE(checked("PAL")) << "reaching the options chooses none";
    key(VK_DOWN);
    EXPECT_EQ(focused(), "NTSC");
    EXPECT_TRUE(checked("NTSC"));
    EXPECT_EQ(text("mode"), " -n ");
    key(VK_UP);
    EXPECT_EQ(focused(), "PAL");
    EXPECT_EQ(text("mode"), " -p ");
    EXPECT_FALSE(checked("NTSC"));
    // The chosen option is the group's stop now, from either side.
    key(VK_TAB);
    EXPECT_EQ(focused(), "Command2");
    key(VK_TAB, true);
    EXPECT_EQ(focused(), "PAL");
    // Enter presses the button with the focus, as in a dialog.
    key(VK_TAB);
    key(VK_RETURN);
    EXPECT_EQ(notices->shown, (std::vector<std::string> { "please select an Image" }));
}

TEST_F(WindowTest, EachControlDoesItsPartAndTheDialogsFileDecides)
{
    // A path typed into the box counts for nothing.
    SetWindowTextW(control("Text1"), L"C:\\typed.bin");
    click("NTSC");
    click("Command2");
    EXPECT_EQ(notices->shown, (std::vector<std::string> { "please select an Image" }));
    EXPECT_EQ(notices->owners, (std::vector<HWND> { form->window() }));

    dialog->answers = { L"D:\\img\\disc one.bin" };
    click("Command1");
    EXPECT_EQ(text("Text1"), "D:\\img\\disc one.bin");
    ASSERT_EQ(dialog->types.size(), 2U);
    EXPECT_EQ(dialog->types[0].description, L"Cdr-Win Image (*.bin)");
    EXPECT_EQ(dialog->types[0].patterns, L"*.bin");
    EXPECT_EQ(dialog->types[1].description, L"ISO Image (*.iso)");
    EXPECT_EQ(dialog->types[1].patterns, L"*.iso");

    click("PAL");
    EXPECT_TRUE(checked("PAL"));
    EXPECT_FALSE(checked("NTSC"));
    EXPECT_EQ(text("mode"), " -p ");
    click("Command2");
    click("Command2");
    ASSERT_EQ(starter.started.size(), 2U);
    EXPECT_EQ(starter.started[0].commandLine, "zoraven -p D:\\img\\disc one.bin");
    EXPECT_EQ(starter.started[1].arguments, (std::vector<std::string> { "zoraven", "-p", "D:\\img\\disc one.bin" }));

    // Cancel keeps the earlier choice, and the box shows it again.
    SetWindowTextW(control("Text1"), L"typed over");
    dialog->answers = { std::nullopt };
    click("Command1");
    EXPECT_EQ(text("Text1"), "D:\\img\\disc one.bin");

    starter.result = zoraven::LaunchResult::NotFound;
    click("Command2");
    click("Command2");
    EXPECT_EQ(notices->shown,
        (std::vector<std::string> { "please select an Image",
            "You must place ZORVEN.EXE in the same directoy as this frontend.",
            "You must place ZORVEN.EXE in the same directoy as this frontend." }));
}

TEST_F(WindowTest, TheFormatNoticeComesOnceAFileIsChosen)
{
    dialog->answers = { L"C:\\disc.iso" };
    click("Command1");
    click("Command2");
    EXPECT_EQ(
        notices->shown, (std::vector<std::string> { "please select the format you wish to convert the image to" }));
    EXPECT_TRUE(starter.started.empty());
}

TEST_F(WindowTest, ClicksThatReachTheWindowWhileANoticeIsUpStartNothing)
{
    notices->whileShown = [this] {
        SendMessageW(control("Command2"), BM_CLICK, 0, 0);
        SendMessageW(control("Command1"), BM_CLICK, 0, 0);
    };
    click("Command2");
    EXPECT_EQ(notices->shown.size(), 1U);
    EXPECT_TRUE(dialog->folders.empty());
}

TEST_F(WindowTest, TheDialogStartsAtTheTopOfTheCurrentDriveThenInTheFolderOfTheLastChoice)
{
    const fs::path previous = fs::current_path();
    fs::current_path(fs::temp_directory_path());
    const std::wstring drive = fs::temp_directory_path().root_path().wstring();
    dialog->answers = { std::nullopt, L"D:\\images\\one\\disc.bin", L"D:\\disc.bin", std::nullopt };
    for (int i = 0; i < 4; ++i)
        click("Command1");
    fs::current_path(previous);
    EXPECT_EQ(dialog->folders, (std::vector<std::wstring> { drive, drive, L"D:\\images\\one", L"D:\\" }));
}

TEST_F(WindowTest, StartedMaximizedItKeepsItsSize)
{
    form->show(SW_SHOWMAXIMIZED);
    pump();
    EXPECT_FALSE(IsZoomed(form->window()));
    const UINT dpi = GetDpiForWindow(form->window());
    EXPECT_EQ(settledClientSize(dpi).cx, dpi == 144 ? 579 : 386);
}

} // namespace
