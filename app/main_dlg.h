// The main window: the input box, the encoding options and the seven digest
// outputs, recomputed on every change.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include "app/digest_pipeline.h"
#include "framework/dialog_impl.h"
#include "res/resource.h"

class CMainDlg : public CDialogImpl<CMainDlg> {
public:
    enum { IDD = IDD_MAIN };

    CMainDlg();

    BEGIN_MSG_MAP(CMainDlg)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(WM_CTLCOLORSTATIC, OnCtlColorStatic)
        COMMAND_ID_HANDLER(IDOK, OnOK)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
        COMMAND_HANDLER(IDC_INPUT, EN_CHANGE, UpdateDigests)
        COMMAND_HANDLER(IDC_TERMINATOR, BN_CLICKED, UpdateDigests)
        COMMAND_HANDLER(IDC_ANSI, BN_CLICKED, UpdateDigests)
        COMMAND_HANDLER(IDC_UNICODE, BN_CLICKED, UpdateDigests)
        COMMAND_HANDLER(IDC_UTF8, BN_CLICKED, UpdateDigests)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // Paints the read-only outputs like editable boxes; other controls keep
    // the default colours.
    LRESULT OnCtlColorStatic(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // Return outside the input box and the links must not close the dialog.
    LRESULT OnOK(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnCancel(WORD code, WORD id, HWND control, BOOL& handled);

    // Recomputes all seven digests from the whole input text and the options.
    LRESULT UpdateDigests(WORD code, WORD id, HWND control, BOOL& handled);

    ByteEncoding SelectedEncoding() const;
    void ShowDigestTexts(const DigestTexts& digests);
    void ShowFailureInOutputs(const wchar_t* text);
    void EnableCopyLink(bool enable);

    HCRYPTPROV m_hProv = 0;
    int m_outputIds[kDigestCount];
};
