#include "app/main_dlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <new>

#include "hash/provider_digest.h"
#include "support/last_error.h"

namespace {

// The input box accepts 65,535 typed units; text set as a whole can be longer.
constexpr WPARAM kTypingLimit = 0xFFFF;
// Input of up to this many units (with the terminating zero) is read into the
// stack; longer input gets an exactly sized heap buffer.
constexpr int kStackTextUnits = 131072;
constexpr UINT kChineseCodePage = 936;

}  // namespace

CMainDlg::CMainDlg() : m_outputIds{IDC_MD4, IDC_MD5, IDC_SHA1, IDC_SHA224, IDC_SHA256, IDC_SHA384, IDC_SHA512} {}

LRESULT CMainDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    CenterWindow();
    CheckRadioButton(IDC_ANSI, IDC_UTF8, IDC_ANSI);
    SendDlgItemMessage(IDC_INPUT, EM_LIMITTEXT, kTypingLimit);
    SetIcon(static_cast<HICON>(::LoadImageW(CAppModule::ResourceInstance(), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                            ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                            LR_SHARED)),
            false);

    m_hProv = 0;
    if (!AcquireHashProvider(&m_hProv, PROV_RSA_AES, nullptr)) {
        ::MessageBoxW(m_hWnd, LastErrorText(), nullptr, MB_ICONERROR);
        EndDialog(0);
        return FALSE;
    }

    ::SetFocus(GetDlgItem(IDC_INPUT));
    CPINFOEXW codePage = {};
    if (::GetCPInfoExW(CP_ACP, 0, &codePage) && codePage.CodePage == kChineseCodePage) {
        SetDlgItemText(IDC_ANSI, L"GB3212");
    }
    ::DragAcceptFiles(m_hWnd, TRUE);
    // The focus set above stays.
    return FALSE;
}

LRESULT CMainDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_hProv) {
        ::CryptReleaseContext(m_hProv, 0);
        m_hProv = 0;
    }
    return 0;
}

LRESULT CMainDlg::OnCtlColorStatic(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    for (int outputId : m_outputIds) {
        if (outputId == id) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
            ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
        }
    }
    handled = FALSE;
    return 0;
}

LRESULT CMainDlg::OnOK(WORD, WORD, HWND, BOOL&) { return 0; }

LRESULT CMainDlg::OnCancel(WORD, WORD id, HWND, BOOL&) {
    EndDialog(id);
    return 0;
}

LRESULT CMainDlg::UpdateDigests(WORD, WORD, HWND, BOOL&) {
    HWND input = GetDlgItem(IDC_INPUT);
    // Texts that the program sets as a whole (file drops) can pass the stack
    // buffer; they are still digested whole.
    const int length = ::GetWindowTextLengthW(input);
    wchar_t stackText[kStackTextUnits];
    std::unique_ptr<wchar_t[]> heapText;
    wchar_t* text = stackText;
    int capacity = kStackTextUnits;
    if (length >= kStackTextUnits) {
        capacity = length + 1;
        heapText.reset(new (std::nothrow) wchar_t[capacity]);
        if (!heapText) {
            LastErrorSetSystem(ERROR_OUTOFMEMORY, L"读取输入文本时分配内存失败");
            ShowFailureInOutputs(LastErrorText());
            return 0;
        }
        text = heapText.get();
    }
    const int count = ::GetWindowTextW(input, text, capacity);

    const DigestTexts digests = ComputeDigestTexts(m_hProv, text, static_cast<size_t>(count), SelectedEncoding(),
                                                   IsDlgButtonChecked(IDC_TERMINATOR));
    ShowDigestTexts(digests);
    return 0;
}

ByteEncoding CMainDlg::SelectedEncoding() const {
    if (IsDlgButtonChecked(IDC_ANSI)) {
        return ByteEncoding::Ansi;
    }
    if (IsDlgButtonChecked(IDC_UTF8)) {
        return ByteEncoding::Utf8;
    }
    return ByteEncoding::Utf16Le;
}

void CMainDlg::ShowDigestTexts(const DigestTexts& digests) {
    EnableCopyLink(digests.copyEnabled);
    for (int i = 0; i < kDigestCount; ++i) {
        SetDlgItemText(m_outputIds[i], digests.texts[i].c_str());
    }
}

void CMainDlg::ShowFailureInOutputs(const wchar_t* text) {
    EnableCopyLink(false);
    for (int outputId : m_outputIds) {
        SetDlgItemText(outputId, text ? text : L"");
    }
}

void CMainDlg::EnableCopyLink(bool enable) {
    HWND link = GetDlgItem(IDC_COPY_AS_C);
    ::EnableWindow(link, enable);
    // A link created disabled may keep its item disabled when the window is
    // enabled (seen under Wine), and clicks on it would then do nothing.
    LITEM item = {};
    item.mask = LIF_ITEMINDEX | LIF_STATE;
    item.iLink = 0;
    item.state = enable ? LIS_ENABLED : 0;
    item.stateMask = LIS_ENABLED;
    ::SendMessageW(link, LM_SETITEM, 0, reinterpret_cast<LPARAM>(&item));
}
