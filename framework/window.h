// A thin, non-owning wrapper of a window handle: the few window and
// dialog-item calls the dialogs make on their own window.
#pragma once

#include <windows.h>

class CWindow {
public:
    HWND m_hWnd = nullptr;

    HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    BOOL SetDlgItemText(int id, const wchar_t* text) const { return ::SetDlgItemTextW(m_hWnd, id, text); }
    LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendDlgItemMessageW(m_hWnd, id, message, wParam, lParam);
    }
    bool IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED; }
    BOOL CheckRadioButton(int firstId, int lastId, int checkedId) const
    {
        return ::CheckRadioButton(m_hWnd, firstId, lastId, checkedId);
    }
    HICON SetIcon(HICON icon, bool big) const
    {
        return reinterpret_cast<HICON>(
            ::SendMessageW(m_hWnd, WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
    }

    // Centres a top-level window over its owner when the owner is visible and
    // not minimised, else over the work area of the nearest monitor, and then
    // pulls it into that monitor's work area: right and bottom edges first,
    // then left and top, so that a window larger than the work area keeps its
    // top-left corner in view. Neither resizes, reorders nor activates.
    BOOL CenterWindow() const;
};
