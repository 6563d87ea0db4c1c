#include "app/about_dlg.h"

LRESULT CAboutDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow();
    // Only the upper half of the template is shown: the home-page link and
    // the donation caption below it are hidden and the window is cut to half
    // its height. Its top edge stays where centring the full height put it.
    ::ShowWindow(GetDlgItem(IDC_ABOUT_HOME_PAGE), SW_HIDE);
    ::ShowWindow(GetDlgItem(IDC_ABOUT_DONATE), SW_HIDE);
    RECT rect;
    ::GetWindowRect(m_hWnd, &rect);
    const int height = rect.bottom - rect.top;
    ::SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, rect.right - rect.left, height - height / 2,
                   SWP_NOMOVE | SWP_SHOWWINDOW);
    // The default focus goes to the OK button.
    return TRUE;
}

LRESULT CAboutDlg::OnCloseCommand(WORD, WORD id, HWND, BOOL&)
{
    EndDialog(id);
    return 0;
}
