#include "framework/dpi_layout.h"

namespace {

// Newer than the Windows 7 headers the programs build against, and missing on
// older systems: looked up when needed.
constexpr UINT kGetDpiScaledSize = 0x02E4;  // WM_GETDPISCALEDSIZE
constexpr int kDialogScalesNothing = 1;     // DDC_DISABLE_ALL
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using SetDialogDpiChangeBehaviorFunction = BOOL(WINAPI*)(HWND, int, int);

template <class Function> Function User32Function(const char* name)
{
    // Through the generic function type, which converts to any other.
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), name)));
}

// The DPI the dialog manager laid the window out at: its monitor's where the
// system keeps a DPI per window (Windows 10 1607 and later), else the system's.
UINT DpiOf(HWND window)
{
    if (const auto getDpiForWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow")) {
        return getDpiForWindow(window);
    }
    HDC dc = ::GetDC(window);
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(window, dc);
    return static_cast<UINT>(dpi);
}

// RECT as left, top, width and height: positions and sizes are converted each
// on its own, as the dialog manager converts them.
RECT Convert(const RECT& rect, int xFrom, int xTo, int yFrom, int yTo)
{
    return {::MulDiv(rect.left, xTo, xFrom), ::MulDiv(rect.top, yTo, yFrom), ::MulDiv(rect.right, xTo, xFrom),
            ::MulDiv(rect.bottom, yTo, yFrom)};
}

SIZE Extent(const RECT& rect) { return {rect.right - rect.left, rect.bottom - rect.top}; }

}  // namespace

CDpiLayout::~CDpiLayout()
{
    if (m_madeFont) {
        ::DeleteObject(m_madeFont);
    }
}

void CDpiLayout::Attach(HWND dialog)
{
    m_dialog = dialog;
    m_firstDpi = DpiOf(dialog);
    m_firstFont = reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0));
    RECT units = {0, 0, 4, 8};
    ::MapDialogRect(dialog, &units);
    m_firstUnits = m_units = {units.right, units.bottom};
    m_controls.clear();
    for (HWND control = ::GetWindow(dialog, GW_CHILD); control; control = ::GetWindow(control, GW_HWNDNEXT)) {
        RECT rect = {};
        ::GetWindowRect(control, &rect);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        const SIZE size = Extent(rect);
        m_controls.push_back({control, Convert({rect.left, rect.top, size.cx, size.cy}, m_units.x, 4, m_units.y, 8)});
    }
    if (const auto setBehavior = User32Function<SetDialogDpiChangeBehaviorFunction>("SetDialogDpiChangeBehavior")) {
        setBehavior(dialog, kDialogScalesNothing, kDialogScalesNothing);
    }
}

bool CDpiLayout::Take(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == kGetDpiScaledSize) {
        const UINT dpi = LOWORD(wParam);
        const HFONT font = FontAt(dpi);
        *reinterpret_cast<SIZE*>(lParam) = WindowSizeFor(ClientSizeAt(UnitsAt(dpi, font)));
        if (font != m_firstFont) {
            ::DeleteObject(font);
        }
        result = TRUE;
        return true;
    }
    if (message == WM_DPICHANGED) {
        Follow(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        result = 0;
        return true;
    }
    return false;
}

void CDpiLayout::Follow(UINT dpi, const RECT& suggested)
{
    const HFONT font = FontAt(dpi), replaced = m_madeFont;
    const Units units = UnitsAt(dpi, font);
    const SIZE client = ClientSizeAt(units), window = WindowSizeFor(client);
    ::SetWindowPos(m_dialog, nullptr, suggested.left, suggested.top, window.cx, window.cy,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    // The frame may have changed with the DPI too: the client area is what
    // the controls need.
    RECT taken = {};
    ::GetClientRect(m_dialog, &taken);
    if (taken.right != client.cx || taken.bottom != client.cy) {
        ::SetWindowPos(m_dialog, nullptr, 0, 0, window.cx + client.cx - taken.right,
                       window.cy + client.cy - taken.bottom, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
    }
    for (const Control& control : m_controls) {
        ::SendMessageW(control.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        const RECT place = Convert(control.units, 4, units.x, 8, units.y);
        ::SetWindowPos(control.window, nullptr, place.left, place.top, place.right, place.bottom,
                       SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
    ::RedrawWindow(m_dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    if (replaced) {
        ::DeleteObject(replaced);
    }
    m_madeFont = font == m_firstFont ? nullptr : font;
    m_units = units;
}

HFONT CDpiLayout::FontAt(UINT dpi) const
{
    LOGFONTW font = {};
    if (dpi == m_firstDpi || !::GetObjectW(m_firstFont, sizeof font, &font)) {
        return m_firstFont;
    }
    font.lfHeight = ::MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(m_firstDpi));
    return ::CreateFontIndirectW(&font);
}

CDpiLayout::Units CDpiLayout::UnitsAt(UINT dpi, HFONT font) const
{
    if (dpi == m_firstDpi) {
        return m_firstUnits;
    }
    // As the dialog manager measures a font: its height, and the average
    // width of the Latin letters, rounded.
    static const wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    HDC dc = ::GetDC(nullptr);
    const HGDIOBJ previous = ::SelectObject(dc, font);
    TEXTMETRICW metrics = {};
    SIZE letters = {};
    ::GetTextMetricsW(dc, &metrics);
    ::GetTextExtentPoint32W(dc, kLetters, 52, &letters);
    ::SelectObject(dc, previous);
    ::ReleaseDC(nullptr, dc);
    return {(letters.cx / 26 + 1) / 2, metrics.tmHeight};
}

SIZE CDpiLayout::ClientSizeAt(Units units) const
{
    RECT client = {};
    ::GetClientRect(m_dialog, &client);
    return Extent(Convert(client, m_units.x, units.x, m_units.y, units.y));
}

SIZE CDpiLayout::WindowSizeFor(SIZE client) const
{
    RECT window = {}, now = {};
    ::GetWindowRect(m_dialog, &window);
    ::GetClientRect(m_dialog, &now);
    const SIZE frame = Extent(window);
    return {client.cx + frame.cx - now.right, client.cy + frame.cy - now.bottom};
}
