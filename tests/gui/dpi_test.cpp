// Both dialogs at the system DPI of the run and after a move to a monitor of another DPI: the template's 9-point
// font at that DPI, every visible control inside the dialog's client area, the text of every label and link inside
// its control. Runs in a prefix of their own set another system DPI (LogPixels) and name it in TEXTHASH_TEST_DPI;
// all other runs are at 96.
#include "gui_harness.h"

namespace {

UINT RunDpi()
{
    wchar_t value[8] = {};
    return ::GetEnvironmentVariableW(L"TEXTHASH_TEST_DPI", value, 8) ? UINT(_wtoi(value)) : USER_DEFAULT_SCREEN_DPI;
}

// A monitor of the other kind: from 96 DPI to 120 (the main dialog at 144 would not fit the virtual screen's height),
// from anything else to 96.
UINT OtherDpi() { return RunDpi() == USER_DEFAULT_SCREEN_DPI ? 120 : USER_DEFAULT_SCREEN_DPI; }

RECT RectIn(HWND dialog, HWND control)
{
    RECT rect = {};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring Corners(const RECT& rect)
{
    return std::to_wstring(rect.left) + L"," + std::to_wstring(rect.top) + L"-" + std::to_wstring(rect.right) + L","
        + std::to_wstring(rect.bottom);
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    return name;
}

bool IsStatic(HWND control, LONG type)
{
    return ClassOf(control) == L"Static" && (::GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK) == type;
}

// The room the text of a left-aligned label or a link takes when wrapped at `width`, as the control lays it out;
// nothing for other controls.
SIZE TextExtent(HWND control, LONG width)
{
    SIZE size = {};
    if (IsStatic(control, SS_LEFT)) {
        HDC dc = ::GetDC(control);
        const HGDIOBJ font = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)));
        RECT text = {0, 0, width, 0};
        ::DrawTextW(dc, ReadText(control).c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
        ::SelectObject(dc, font);
        ::ReleaseDC(control, dc);
        size = {text.right, text.bottom};
    } else if (ClassOf(control) == WC_LINK) {
        ::SendMessageW(control, LM_GETIDEALHEIGHT, WPARAM(width), reinterpret_cast<LPARAM>(&size));
    }
    return size;
}

// Hidden, or a picture frame without a picture (the About box's two, whose lower edges its cut in half leaves out).
bool ShowsNothing(HWND control)
{
    return !::IsWindowVisible(control)
        || (IsStatic(control, SS_BITMAP) && !::SendMessageW(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

// One line for each shown control outside the dialog's client area or with its text cut; empty when all fit.
std::wstring Misfits(HWND dialog)
{
    RECT client = {};
    ::GetClientRect(dialog, &client);
    std::wstring misfits;
    for (HWND control = ::GetWindow(dialog, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
        if (ShowsNothing(control)) {
            continue;
        }
        const RECT rect = RectIn(dialog, control);
        RECT inside = {};
        const SIZE room = {rect.right - rect.left, rect.bottom - rect.top}, text = TextExtent(control, room.cx);
        const std::wstring name = std::to_wstring(::GetDlgCtrlID(control)) + L" \"" + ReadText(control) + L"\": ";
        if (!(::IntersectRect(&inside, &rect, &client) && ::EqualRect(&inside, &rect))) {
            misfits += name + L"lies at " + Corners(rect) + L" outside the client area " + Corners(client) + L"\n";
        }
        if (text.cx > room.cx || text.cy > room.cy) {
            misfits += name + L"text of " + std::to_wstring(text.cx) + L"x" + std::to_wstring(text.cy)
                + L" in a control of " + std::to_wstring(room.cx) + L"x" + std::to_wstring(room.cy) + L"\n";
        }
    }
    return misfits;
}

std::wstring Places(HWND dialog)
{
    std::wstring places;
    for (HWND control = ::GetWindow(dialog, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
        places += Corners(RectIn(dialog, control)) + L" ";
    }
    return places;
}

void ExpectFitsAt(HWND dialog, UINT dpi)
{
    LOGFONTW font = {};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(::GetWindow(dialog, GW_CHILD), WM_GETFONT, 0, 0)), sizeof font,
                 &font);
    EXPECT_EQ(font.lfHeight, -::MulDiv(9, int(dpi), 72)) << "not the template's 9 points at " << dpi << " DPI";
    EXPECT_EQ(Misfits(dialog), L"") << "at " << dpi << " DPI";
}

// What a system that scales per monitor v2 does when the dialog has moved from a monitor of `from` DPI to one of
// `to`: it asks the dialog for the size it needs there (scaling the window itself when the dialog does not say) and
// suggests that size, here at the dialog's top-left corner.
void MoveToMonitorOf(HWND dialog, UINT from, UINT to)
{
    constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE
    RECT window = {}, taken = {};
    ::GetWindowRect(dialog, &window);
    SIZE size = {::MulDiv(window.right - window.left, to, from), ::MulDiv(window.bottom - window.top, to, from)};
    ::SendMessageW(dialog, kGetDpiScaledSize, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&size));
    const RECT suggested = {window.left, window.top, window.left + size.cx, window.top + size.cy};
    ::SendMessageW(dialog, WM_DPICHANGED, MAKEWPARAM(to, to), reinterpret_cast<LPARAM>(&suggested));
    ::GetWindowRect(dialog, &taken);
    EXPECT_EQ(Corners(taken), Corners(suggested))
        << "the dialog did not take the suggested rectangle at " << to << " DPI";
}

// The tip's stem is at a quarter of the output's width, on its lower edge: the tip's offset from there, which
// stays whatever the layout.
std::pair<LONG, LONG> TipOffset(HWND tip, HWND output)
{
    RECT balloon = {}, box = {};
    ::GetWindowRect(tip, &balloon);
    ::GetWindowRect(output, &box);
    return {balloon.left - (box.left + (box.right - box.left) / 4), balloon.top - box.bottom};
}

using DpiTest = MainDialogTest;

TEST_F(DpiTest, DialogsFitAtTheSystemDpiAndFollowAMoveToAnother)
{
    HDC screen = ::GetDC(nullptr);
    ASSERT_EQ(UINT(::GetDeviceCaps(screen, LOGPIXELSY)), RunDpi()) << "the run is not at the DPI it names";
    ::ReleaseDC(nullptr, screen);
    Type(L"abc");
    ExpectShown(L"abc");
    ExpectFitsAt(m_dialog, RunDpi());
    const std::wstring first = Places(m_dialog);

    ASSERT_TRUE(PutOnClipboard(L"00000000000000000000000000000000"));  // no setting gives it: a tip at MD4's output
    ASSERT_TRUE(WaitFor([&] { return TipWindows().size() == 1; }));
    const HWND tip = TipWindows().front();
    const auto offset = TipOffset(tip, Item(IDC_MD4));
    MoveToMonitorOf(m_dialog, RunDpi(), OtherDpi());
    ExpectFitsAt(m_dialog, OtherDpi());
    EXPECT_EQ(TipOffset(tip, Item(IDC_MD4)), offset) << "the tip did not follow its output";
    MoveToMonitorOf(m_dialog, OtherDpi(), RunDpi());
    ExpectFitsAt(m_dialog, RunDpi());
    EXPECT_EQ(Places(m_dialog), first) << "back at the first DPI, the controls are not where they were";

    // The About link may lie below the screen at a high DPI: it is reached by the keyboard.
    ::SendMessageW(m_dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_ABOUT)), TRUE);
    Type(L"\r");
    HWND about = WaitForDialog(m_thread.threadId, m_dialog);
    ASSERT_NE(about, nullptr);
    ExpectFitsAt(about, RunDpi());
    MoveToMonitorOf(about, RunDpi(), OtherDpi());
    ExpectFitsAt(about, OtherDpi());
    Type(L"\x1b");
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(about); }));

    // The key dialog; Return in its key box gives the key, and the labels then name the keyed digests.
    HWND key = OpenKeyDialog();
    ASSERT_NE(key, nullptr);
    ExpectFitsAt(key, RunDpi());
    MoveToMonitorOf(key, RunDpi(), OtherDpi());
    ExpectFitsAt(key, OtherDpi());
    Type(L"key\r");
    EXPECT_TRUE(WaitFor([&] { return Text(IDC_SHA512_LABEL) == L"HMAC-SHA512 (64字节):"; }));
    ExpectFitsAt(m_dialog, RunDpi());
}

// Per-monitor awareness with the older kinds as fallbacks, as the loader reads the manifest; no code page of its
// own, since the ANSI digests follow the system's.
TEST(DpiManifestTest, AsksForPerMonitorAwarenessAndKeepsTheSystemsCodePage)
{
    const std::tuple<const wchar_t*, const wchar_t*, std::wstring> kSettings[] = {
        {L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware", L"true"},
        {L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness", L"PerMonitorV2, PerMonitor"},
        {L"http://schemas.microsoft.com/SMI/2019/WindowsSettings", L"activeCodePage", L""},
    };
    for (const auto& [space, name, value] : kSettings) {
        wchar_t read[64] = {};
        SIZE_T size = 0;
        ::QueryActCtxSettingsW(0, nullptr, space, name, read, std::size(read), &size);
        EXPECT_EQ(read, value) << name;
    }
}

}  // namespace
