#include "framework/dialog_impl.h"

namespace {

// What DoModal hands through DialogBoxParamW to the first WM_INITDIALOG.
struct DialogStart {
    CDialogImplBase* dialog;
    LPARAM initParam;
};

// A dialog procedure returns these messages' results directly; all others go
// through DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message)
{
    switch (message) {
    case WM_INITDIALOG:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}

}  // namespace

INT_PTR CDialogImplBase::DoModal(int templateId, HWND owner, LPARAM initParam)
{
    DialogStart start = {this, initParam};
    return ::DialogBoxParamW(CAppModule::ResourceInstance(), MAKEINTRESOURCEW(templateId), owner, DialogProc,
                             reinterpret_cast<LPARAM>(&start));
}

INT_PTR CALLBACK CDialogImplBase::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialogImplBase* dialog;
    if (message == WM_INITDIALOG) {
        const DialogStart* start = reinterpret_cast<const DialogStart*>(lParam);
        dialog = start->dialog;
        lParam = start->initParam;
        dialog->m_hWnd = hWnd;
        ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
        dialog->m_dpiLayout.Attach(hWnd);
    } else {
        dialog = reinterpret_cast<CDialogImplBase*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
    }
    if (!dialog) {
        return FALSE;
    }

    // A new DPI is laid out before the map sees it.
    LRESULT result = 0, layoutResult = 0;
    const bool laidOut = dialog->m_dpiLayout.Take(message, wParam, lParam, layoutResult);
    BOOL handled = dialog->ProcessWindowMessage(hWnd, message, wParam, lParam, result);
    if (!handled && laidOut) {
        handled = TRUE;
        result = layoutResult;
    }
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
        dialog->m_hWnd = nullptr;
    }
    if (!handled) {
        return FALSE;
    }
    if (ReturnsResultDirectly(message)) {
        return static_cast<INT_PTR>(result);
    }
    ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
    return TRUE;
}
