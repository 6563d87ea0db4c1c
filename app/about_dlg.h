// The About box: the program's icon, name and copyright.
#pragma once

#include <windows.h>

#include "framework/dialog_impl.h"
#include "res/resource.h"

class CAboutDlg : public CDialogImpl<CAboutDlg> {
public:
    enum { IDD = IDD_ABOUT };

    BEGIN_MSG_MAP(CAboutDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnCloseCommand)
    COMMAND_ID_HANDLER(IDCANCEL, OnCloseCommand)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // OK and Return end the dialog with 1, Escape and the close box with 2.
    LRESULT OnCloseCommand(WORD code, WORD id, HWND control, BOOL& handled);
};
