#include "framework/window.h"

namespace {

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

// The start of a span of `extent` centred between `low` and `high`.
int CentredStart(int low, int high, int extent) { return (low + high) / 2 - extent / 2; }

// Moves the span [start, start + extent) into [low, high), its far edge first.
int KeptInside(int start, int extent, int low, int high)
{
    if (start + extent > high) {
        start = high - extent;
    }
    if (start < low) {
        start = low;
    }
    return start;
}

HWND CentringOwner(HWND window)
{
    HWND owner = ::GetWindow(window, GW_OWNER);
    if (owner && (!::IsWindowVisible(owner) || ::IsIconic(owner))) {
        return nullptr;
    }
    return owner;
}

}  // namespace

BOOL CWindow::CenterWindow() const
{
    HWND owner = CentringOwner(m_hWnd);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(::MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor)) {
        return FALSE;
    }
    const RECT& workArea = monitor.rcWork;
    RECT centre = workArea;
    RECT window;
    if ((owner && !::GetWindowRect(owner, &centre)) || !::GetWindowRect(m_hWnd, &window)) {
        return FALSE;
    }
    int left = CentredStart(centre.left, centre.right, Width(window));
    int top = CentredStart(centre.top, centre.bottom, Height(window));
    left = KeptInside(left, Width(window), workArea.left, workArea.right);
    top = KeptInside(top, Height(window), workArea.top, workArea.bottom);
    return ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
