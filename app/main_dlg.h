// The main window: the input box, the encoding options and the seven digest
// outputs, recomputed on every change; the case links, dropped files, the
// copy-as-C link and the About link.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <wincrypt.h>

#include <memory>
#include <string>

#include "app/key_dlg.h"
#include "app/search_worker.h"
#include "digest/digest_pipeline.h"
#include "digest/expected_digest.h"
#include "framework/balloon_tip.h"
#include "framework/dialog_impl.h"
#include "res/resource.h"

class CMainDlg : public CDialogImpl<CMainDlg> {
public:
    enum { IDD = IDD_MAIN };
    // Posted by OnInputLimitReached: the input box reports its limit before
    // it has taken what fits, and the change that follows hides the tip.
    enum : UINT { kShowLimitTipMessage = WM_APP };
    // Posted by the search worker when a search for the clipboard digest's
    // setting has ended; wParam is the request's number.
    enum : UINT { kSearchEndedMessage = WM_APP + 1 };

    CMainDlg();

    BEGIN_MSG_MAP(CMainDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    MESSAGE_HANDLER(WM_CTLCOLORSTATIC, OnCtlColorStatic)
    MESSAGE_HANDLER(WM_DROPFILES, OnDropFiles)
    MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
    MESSAGE_HANDLER(WM_ACTIVATE, OnActivate)
    MESSAGE_HANDLER(WM_MOVE, OnMove)
    MESSAGE_HANDLER(WM_DPICHANGED, OnDpiChanged)
    MESSAGE_HANDLER(WM_CLIPBOARDUPDATE, OnClipboardUpdate)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    MESSAGE_HANDLER(kShowLimitTipMessage, OnShowLimitTip)
    MESSAGE_HANDLER(kSearchEndedMessage, OnSearchEnded)
    COMMAND_ID_HANDLER(IDOK, OnOK)
    COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    COMMAND_HANDLER(IDC_INPUT, EN_CHANGE, OnInputChange)
    COMMAND_HANDLER(IDC_INPUT, EN_MAXTEXT, OnInputLimitReached)
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
    // of the selection, which stays. A drop that yields no path leaves the
    // input and the digests as they were and says so at the input box.
    LRESULT OnDropFiles(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // An output's context menu copies the digest it shows (output_menu.h);
    // other windows keep theirs.
    LRESULT OnContextMenu(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // The tips at the input box step aside while the dialog is inactive and
    // follow the dialog when it moves.
    LRESULT OnActivate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnMove(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // The dialog has taken its layout at a new DPI: the tips wrap and point
    // anew.
    LRESULT OnDpiChanged(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnShowLimitTip(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnClipboardUpdate(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // Typing has paused: the search for the clipboard digest's setting runs.
    LRESULT OnTimer(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // The search has ended: its tip appears, if it is still the latest.
    LRESULT OnSearchEnded(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // The system menu's key item: a key given or taken away changes the
    // digests, their labels and what the search tries.
    LRESULT OnSysCommand(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // Return outside the input box and the links must not close the dialog.
    LRESULT OnOK(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnCancel(WORD code, WORD id, HWND control, BOOL& handled);

    // An edit of the input ends what the tip at the input box said about the
    // text before; then the digests follow the text, and the search for the
    // clipboard digest's setting waits until typing pauses.
    LRESULT OnInputChange(WORD code, WORD id, HWND control, BOOL& handled);
    // The input box refused or cut typed or pasted text at its limit: without
    // a word the digests would pass for those of the whole paste.
    LRESULT OnInputLimitReached(WORD code, WORD id, HWND control, BOOL& handled);
    // An encoding or the terminator was chosen: the digests follow, and so
    // does the search for the clipboard digest's setting.
    LRESULT UpdateDigests(WORD code, WORD id, HWND control, BOOL& handled);
    // Recomputes all seven digests from the whole input text and the options.
    void RecomputeDigests();

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
    Encoding SelectedEncoding() const;
    // Shows m_digests in the outputs.
    void ShowDigests();
    void EnableCopyLink(bool enable);
    // The labels name the digests the outputs show: keyed ones by their keyed names.
    void ShowOutputLabels();
    void ShowInputTip(const wchar_t* title, const wchar_t* text);
    // Where the tip's stem touches the input box, in screen coordinates.
    POINT InputTipPoint() const;
    // The tip about characters the encoding replaced has a balloon of its
    // own, beside the other tip's, so that it never hides the limit tip.
    void ShowEncodingLoss(const EncodingLoss& loss);
    POINT LossTipPoint() const;

    // The digest on the clipboard: a digest someone was given, pasted from
    // elsewhere, is checked against the outputs without a step of the user's.
    void StartClipboardWatch();
    void EndClipboardWatch();
    // Takes the clipboard's digest, or its absence, and tells what it matches.
    void CheckClipboardDigest();
    // After a recomputation: the marks follow the outputs; what the tip said
    // about the text before no longer holds, nor does a search of it.
    void FollowClipboardDigest();
    // Marks the outputs that show the clipboard's digest.
    void MarkMatchingOutputs();
    // True while the clipboard holds a digest that no output shows.
    bool ClipboardDigestUnmatched() const;
    // No output shows the clipboard's digest: starts the search for the
    // setting that gives it; its tip follows when it ends.
    void ExplainClipboardDigest();
    // Says at an output which other setting gives the digest, or that none does.
    void ShowSearchResult(const SearchResult& found, bool emptyText);
    // The tip about the digest of table row `row` stands at its output, or
    // for a digest the window does not show at the output of its length.
    void ShowMatchTip(int row, const wchar_t* title, const std::wstring& text);
    static int OutputOfLength(int row);
    LRESULT PaintAsMatch(HDC dc) const;
    // The caption of the encoding's option, which names it in the tips too;
    // the others by their own names.
    static std::wstring EncodingCaption(Encoding encoding);
    // Where the tip's stem touches the output of `row`, in screen coordinates.
    POINT OutputTipPoint(int row) const;

    HCRYPTPROV m_hProv = 0;
    int m_outputIds[kShownDigestCount];
    // What the outputs show: the copy link, the marks and the tips read it.
    DigestTexts m_digests;
    CBalloonTip m_inputTip;
    // The digest on the clipboard; its hex is empty when it holds none.
    ExpectedDigest m_clipboardDigest;
    DigestSelection m_markedOutputs;
    HBRUSH m_matchBrush = nullptr;
    CBalloonTip m_matchTip;
    int m_matchTipRow = 0;
    CBalloonTip m_lossTip;
    std::unique_ptr<CSearchWorker> m_searchWorker;
    // Holds the key of the keyed digests, in memory only.
    CKeyDlg m_keyDlg;
};
