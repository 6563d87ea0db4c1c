// A balloon tip that points at a spot of the screen and stays until it is
// hidden: a tracking tooltip, since a tip that follows the mouse pops by
// itself after a few seconds. While its owner is inactive it steps aside, so
// that it does not float over other programs' windows, and comes back when
// the owner is active again.
//
// Create it once the owner exists; the tip window goes with its owner. Until
// Create has succeeded the other calls do nothing.
#pragma once

#include <windows.h>
#include <commctrl.h>

class CBalloonTip {
public:
    // A tip about `target` (a control), owned by `owner`, its text wrapped at
    // half the target's width. False when the tip window cannot be created.
    bool Create(HWND owner, HWND target);

    // Shows `title` with a warning icon above `text`, the stem at `where`
    // (screen coordinates). Both texts are copied.
    void Show(const wchar_t* title, const wchar_t* text, POINT where);
    void Hide();
    void MoveTo(POINT where) const;
    // The text wraps at half the target's width again once the tip is shown
    // or moved, after the target changed its size (at a new DPI).
    void FitToTarget() const;
    void SetOwnerActive(bool active);

private:
    TOOLINFOW Tool(const wchar_t* text) const;
    void ApplyVisibility() const;

    HWND m_hWnd = nullptr;
    HWND m_owner = nullptr;
    HWND m_target = nullptr;
    bool m_shown = false;
    bool m_ownerActive = true;
};
