// The key of the keyed digests, given in a small dialog opened from the main
// window's system menu: the key as the user holds it, and how it is read (as
// UTF-8 text, hex or Base64). The key stays in this object's memory only and
// is wiped when it is replaced, taken away or the object goes.
#pragma once

#include <windows.h>

#include <optional>

#include "digest/key_reading.h"
#include "framework/balloon_tip.h"
#include "framework/dialog_impl.h"
#include "res/resource.h"

// The system menu item's text; the tips name it where they say how to give a key.
inline constexpr wchar_t kKeyMenuItemText[] = L"密钥(HMAC)...";

// Appends the item that opens the key dialog (command IDM_KEY) to `window`'s system menu.
void AddKeyItemToSystemMenu(HWND window);

class CKeyDlg : public CDialogImpl<CKeyDlg> {
public:
    enum { IDD = IDD_KEY };

    BEGIN_MSG_MAP(CKeyDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnOK)
    COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    COMMAND_ID_HANDLER(IDC_NO_KEY, OnNoKey)
    COMMAND_HANDLER(IDC_KEY_TEXT, EN_CHANGE, OnKeyEdited)
    COMMAND_HANDLER(IDC_KEY_AS_TEXT, BN_CLICKED, OnKeyEdited)
    COMMAND_HANDLER(IDC_KEY_AS_HEX, BN_CLICKED, OnKeyEdited)
    COMMAND_HANDLER(IDC_KEY_AS_BASE64, BN_CLICKED, OnKeyEdited)
    END_MSG_MAP()

    // Shows the dialog over `owner` with the key and its reading as they are.
    // True when the user gave a key (OK) or took it away (不用密钥); Cancel,
    // Escape and the close box change nothing and give false.
    bool Ask(HWND owner);

    bool HasKey() const { return m_key.has_value(); }
    // The key's bytes as its reading gives them; none without a key.
    std::optional<CDigestKey> DigestKey() const;
    // The key as the user gave it, which the settings search reads every way.
    const std::optional<CGivenKey>& GivenKey() const { return m_key; }
    KeyReading Reading() const { return m_reading; }

private:
    LRESULT OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    // A key that its reading cannot read is refused at the key box, which
    // keeps it for the user to correct; the dialog stays open.
    LRESULT OnOK(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnCancel(WORD code, WORD id, HWND control, BOOL& handled);
    LRESULT OnNoKey(WORD code, WORD id, HWND control, BOOL& handled);
    // What the refusal said no longer holds.
    LRESULT OnKeyEdited(WORD code, WORD id, HWND control, BOOL& handled);

    KeyReading CheckedReading() const;
    void ShowRefusal(KeyReading reading);

    std::optional<CGivenKey> m_key;
    CDigestKey m_keyBytes;
    KeyReading m_reading = KeyReading::Utf8Text;
    CBalloonTip m_refusalTip;
};
