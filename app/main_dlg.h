// The main window: the input box, the encoding options and the seven digest
// outputs, recomputed on every change; the case links, dropped files, the
// copy-as-C link and the About link.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <wincrypt.h>

#include <string>

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
        MESSAGE_HANDLER(WM_DROPFILES, OnDropFiles)
        COMMAND_ID_HANDLER(IDOK, OnOK)
        COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
        COMMAND_HANDLER(IDC_INPUT, EN_CHANGE, UpdateDigests)
        COMMAND_HANDLER(IDC_TERMINATOR, BN_CLICKED, UpdateDigests)
        COMMAND_HANDLER(IDC_ANSI, BN_CLICKED, UpdateDigests)
        COMMAND_HANDLER(IDC_UNICODE, BN_CLICKED, UpdateDigests)
        COMMAND_HANDLER(IDC_UTF8, BN_CLICKED, UpdateDigests)
        NOTIFY_HANDLER(IDC_UPPER_CASE, NM_CLICK, OnUpperCase)
        NOTIFY_HANDLER(IDC_UPPER_CASE, NM_RETURN, OnUpperCase)
        NOTIFY_HANDLER(IDC_LOWER_CASE, NM_CLICK, OnLowerCase)
        NOTIFY_HANDLER(IDC_LOWER_CASE, NM_RETURN, OnLowerCase)
        NOTIFY_HANDLER(IDC_ABOUT, NM_CLICK, OnAbout)
        NOTIFY_HANDLER(IDC_ABOUT, NM_RETURN, OnAbout)
        NOTIFY_HANDLER(IDC_COPY_AS_C, NM_CLICK, OnCopyAsC)
        NOTIFY_HANDLER(IDC_COPY_AS_C, NM_RETURN, OnCopyAsC)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // Paints the read-only outputs like editable boxes; other controls keep
    // the default colours.
    LRESULT OnCtlColorStatic(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // Dropped paths replace the input, or with Ctrl held go in at the start
    // of the selection, which stays.
    LRESULT OnDropFiles(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // Return outside the input box and the links must not close the dialog.
    LRESULT OnOK(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnCancel(WORD code, WORD id, HWND control, BOOL& handled);

    // Recomputes all seven digests from the whole input text and the options.
    LRESULT UpdateDigests(WORD code, WORD id, HWND control, BOOL& handled);

    LRESULT OnUpperCase(int id, NMHDR* header, BOOL& handled);
    LRESULT OnLowerCase(int id, NMHDR* header, BOOL& handled);
    LRESULT OnAbout(int id, NMHDR* header, BOOL& handled);
    // Puts the seven outputs on the clipboard as C array declarations.
    LRESULT OnCopyAsC(int id, NMHDR* header, BOOL& handled);

    // Maps the whole input with `map`; the recomputation follows.
    void MapInputText(void (*map)(std::wstring& text));
    void InsertAtSelectionStart(const std::wstring& text);
    // Has the pipeline run once the current message is done, as after an edit.
    void PostInputChanged() const;
    void ShowLastError() const;
    ByteEncoding SelectedEncoding() const;
    void ShowDigestTexts(const DigestTexts& digests);
    void ShowFailureInOutputs(const wchar_t* text);
    void EnableCopyLink(bool enable);

    HCRYPTPROV m_hProv = 0;
    int m_outputIds[kDigestCount];
};
