// Modal dialogs whose messages go to an object's message map.
//
// A dialog class derives from CDialogImpl<itself> and provides
//   - enum { IDD = <template id> }: the dialog template, loaded from the
//     initialised CAppModule's instance;
//   - a message map (BEGIN_MSG_MAP ... END_MSG_MAP, framework/message_map.h).
// DoModal binds the object to the dialog's window when WM_INITDIALOG arrives:
// m_hWnd is set and the map sees that message (its lParam is DoModal's
// initParam) and every later one. After WM_NCDESTROY the object lets go and
// m_hWnd is null again. Messages before WM_INITDIALOG get the default
// processing. The object must outlive DoModal; one object runs one dialog at
// a time. Handlers end the dialog with EndDialog.
//
// The map's result goes back as the dialog manager expects it: returned
// directly for WM_INITDIALOG (FALSE keeps the focus a handler set), the
// WM_CTLCOLOR* messages (the brush) and the other messages so documented,
// through DWLP_MSGRESULT for all others.
//
// A dialog follows its monitor's DPI (framework/dpi_layout.h): on
// WM_DPICHANGED it moves to the suggested place, its controls take their
// places and a font for the new DPI, and only then does the map see the
// message, so that a handler finds the controls where they now are.
//
// DoModal returns the value given to EndDialog, or -1 when the dialog cannot
// be created; the framework allocates nothing of its own for a dialog, so
// the thread's last error is then the platform's.
#pragma once

#include <windows.h>

#include "framework/app_module.h"
#include "framework/dpi_layout.h"
#include "framework/message_map.h"
#include "framework/window.h"

class CDialogImplBase : public CWindow, public CMessageMap {
public:
    BOOL EndDialog(INT_PTR result) const { return ::EndDialog(m_hWnd, result); }

protected:
    INT_PTR DoModal(int templateId, HWND owner, LPARAM initParam);

private:
    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    CDpiLayout m_dpiLayout;
};

template <class T> class CDialogImpl : public CDialogImplBase {
public:
    INT_PTR DoModal(HWND owner = ::GetActiveWindow(), LPARAM initParam = 0)
    {
        return CDialogImplBase::DoModal(T::IDD, owner, initParam);
    }
};
