#include "app/main_dlg.h"

#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <new>

#include "app/about_dlg.h"
#include "app/clipboard.h"
#include "app/dropped_files.h"
#include "app/output_menu.h"
#include "app/setting_words.h"
#include "text/text_forms.h"
#include "app/text_fidelity.h"
#include "digest/c_array_export.h"
#include "digest/expected_digest.h"
#include "digest/setting_search.h"
#include "hash/provider_digest.h"
#include "support/last_error.h"

namespace {

// The input box accepts 65,535 typed units; text set as a whole can be longer.
constexpr WPARAM kTypingLimit = 0xFFFF;
// The search for the clipboard digest's setting runs once typing has paused
// this long, so that keystrokes never wait for it.
constexpr UINT_PTR kSearchTimer = 1;
constexpr UINT kSearchPauseMs = 400;
constexpr UINT kChineseCodePage = 936;

// The digest outputs, in the digest table's order.
constexpr int kOutputIds[] = {IDC_MD4, IDC_MD5, IDC_SHA1, IDC_SHA224, IDC_SHA256, IDC_SHA384, IDC_SHA512};
static_assert(std::size(kOutputIds) == kShownDigestCount, "one output per digest the window shows");
constexpr int kLabelIds[] = {IDC_MD4_LABEL,    IDC_MD5_LABEL,    IDC_SHA1_LABEL,  IDC_SHA224_LABEL,
                             IDC_SHA256_LABEL, IDC_SHA384_LABEL, IDC_SHA512_LABEL};
static_assert(std::size(kLabelIds) == kShownDigestCount, "one label per output");

// What the tip at the input box says.
constexpr wchar_t kLimitTipTitle[] = L"已达到输入上限";
const std::wstring kLimitTipText = L"输入框最多可输入 " + std::to_wstring(kTypingLimit)
    + L" 个字符，超出的部分没有输入。下方的摘要只对应框中现有的文本。";
constexpr wchar_t kNoDroppedPathTitle[] = L"没有读到拖放的路径";
constexpr wchar_t kNoDroppedPathText[] = L"拖放的项目没有给出可用的路径，输入和摘要保持不变。";

// An output that shows the clipboard's digest: dark text on light green.
constexpr COLORREF kMatchBackground = RGB(0xC6, 0xEF, 0xCE);
constexpr COLORREF kMatchText = RGB(0x00, 0x61, 0x00);
// The encoding options, in ByteEncoding's order, with the captions that name
// the encodings in the tips too; the system's ANSI code page is "GB3212" on a
// Chinese system.
struct EncodingOption {
    int id;
    const wchar_t* caption;
};
constexpr EncodingOption kEncodingOptions[] = {{IDC_ANSI, L"Ansi"}, {IDC_UNICODE, L"Unicode"}, {IDC_UTF8, L"UTF-8"}};
constexpr wchar_t kChineseAnsiCaption[] = L"GB3212";
// What the tip at an output says about the clipboard's digest.
constexpr wchar_t kOtherSettingTitle[] = L"剪贴板上的摘要来自另一种设置";
constexpr wchar_t kNoSettingTitle[] = L"剪贴板上的摘要与文本不符";
constexpr wchar_t kSearchFailedTitle[] = L"没能查完其他设置";
constexpr wchar_t kPasswordHashTitle[] = L"剪贴板上是口令散列";

// The whole text of `window`, however long: text set as a whole (file drops)
// can be far longer than anything typed, and cutting it would lose the user's
// text. False, with the reason recorded, when there is no memory to hold it.
bool ReadWholeText(HWND window, std::wstring& text)
{
    const int length = ::GetWindowTextLengthW(window);
    try {
        text.assign(static_cast<size_t>(length) + 1, L'\0');
    } catch (const std::bad_alloc&) {
        LastErrorSetSystem(ERROR_OUTOFMEMORY, L"读取文本时分配内存失败");
        return false;
    }
    text.resize(static_cast<size_t>(::GetWindowTextW(window, &text[0], length + 1)));
    return true;
}

// A digest wraps in the multi-line outputs, where a double-click would take
// only the piece on one line (of a failure text, one word); copying a digest
// starts with a double-click, so it takes the whole text.
LRESULT CALLBACK SelectAllOnDoubleClick(HWND output, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id, DWORD_PTR)
{
    if (message == WM_LBUTTONDBLCLK) {
        ::SendMessageW(output, EM_SETSEL, 0, -1);
        return 0;
    }
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(output, SelectAllOnDoubleClick, id);
    }
    return ::DefSubclassProc(output, message, wParam, lParam);
}

}  // namespace

CMainDlg::CMainDlg() { std::copy(std::begin(kOutputIds), std::end(kOutputIds), m_outputIds); }

LRESULT CMainDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow();
    CheckRadioButton(IDC_ANSI, IDC_UTF8, IDC_ANSI);
    SendDlgItemMessage(IDC_INPUT, EM_LIMITTEXT, kTypingLimit);
    SetIcon(
        static_cast<HICON>(::LoadImageW(CAppModule::ResourceInstance(), MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                        ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LR_SHARED)),
        false);

    m_hProv = 0;
    if (!AcquireHashProvider(&m_hProv, PROV_RSA_AES, nullptr)) {
        ShowLastError();
        EndDialog(0);
        return FALSE;
    }

    for (int outputId : m_outputIds) {
        ::SetWindowSubclass(GetDlgItem(outputId), SelectAllOnDoubleClick, 0, 0);
        PassContextMenuToDialog(GetDlgItem(outputId));
    }
    m_inputTip.Create(m_hWnd, GetDlgItem(IDC_INPUT));
    StartClipboardWatch();
    m_lossTip.Create(m_hWnd, GetDlgItem(IDC_INPUT));
    ::SetFocus(GetDlgItem(IDC_INPUT));
    SetDlgItemText(IDC_ANSI, EncodingCaption(ByteEncoding::Ansi).c_str());
    ::DragAcceptFiles(m_hWnd, TRUE);
    AddKeyItemToSystemMenu(m_hWnd);
    // The focus set above stays.
    return FALSE;
}

LRESULT CMainDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL&)
{
    EndClipboardWatch();
    m_searchWorker.reset();
    if (m_hProv) {
        ::CryptReleaseContext(m_hProv, 0);
        m_hProv = 0;
    }
    return 0;
}

LRESULT CMainDlg::OnCtlColorStatic(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    for (int i = 0; i < kShownDigestCount; ++i) {
        if (m_outputIds[i] == id) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            if (m_markedOutputs[i] && m_matchBrush) {
                return PaintAsMatch(dc);
            }
            ::SetBkColor(dc, ::GetSysColor(COLOR_WINDOW));
            ::SetTextColor(dc, ::GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_WINDOW));
        }
    }
    handled = FALSE;
    return 0;
}

LRESULT CMainDlg::OnDropFiles(UINT, WPARAM wParam, LPARAM, BOOL&)
{
    std::wstring paths;
    CollectDroppedFiles(reinterpret_cast<HDROP>(wParam), paths, TRUE);
    if (paths.empty()) {
        ShowInputTip(kNoDroppedPathTitle, kNoDroppedPathText);
        return 0;
    }
    if (::GetKeyState(VK_CONTROL) & 0x80) {
        InsertAtSelectionStart(paths);
    } else {
        SetDlgItemText(IDC_INPUT, paths.c_str());
    }
    PostInputChanged();
    return 0;
}

LRESULT CMainDlg::OnContextMenu(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    const HWND window = reinterpret_cast<HWND>(wParam);
    for (int row = 0; row < kShownDigestCount; ++row) {
        if (GetDlgItem(m_outputIds[row]) == window) {
            if (!TrackOutputMenu(window, lParam, m_digests, row)) {
                ShowLastError();
            }
            return 0;
        }
    }
    handled = FALSE;
    return 0;
}

LRESULT CMainDlg::OnActivate(UINT, WPARAM wParam, LPARAM, BOOL& handled)
{
    m_inputTip.SetOwnerActive(LOWORD(wParam) != WA_INACTIVE);
    m_matchTip.SetOwnerActive(LOWORD(wParam) != WA_INACTIVE);
    if (LOWORD(wParam) != WA_INACTIVE) {
        CheckClipboardDigest();
    }
    m_lossTip.SetOwnerActive(LOWORD(wParam) != WA_INACTIVE);
    // The dialog manager still keeps the focus across activations.
    handled = FALSE;
    return 0;
}

LRESULT CMainDlg::OnMove(UINT, WPARAM, LPARAM, BOOL&)
{
    m_inputTip.MoveTo(InputTipPoint());
    m_matchTip.MoveTo(OutputTipPoint(m_matchTipRow));
    m_lossTip.MoveTo(LossTipPoint());
    return 0;
}

LRESULT CMainDlg::OnDpiChanged(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    m_inputTip.FitToTarget();
    m_matchTip.FitToTarget();
    m_lossTip.FitToTarget();
    return OnMove(message, wParam, lParam, handled);
}

LRESULT CMainDlg::OnShowLimitTip(UINT, WPARAM, LPARAM, BOOL&)
{
    // Half a character left by the cut goes first: its removal is an edit,
    // which would hide the tip.
    DropHalfCharacterCutAtLimit(GetDlgItem(IDC_INPUT), static_cast<int>(kTypingLimit));
    ShowInputTip(kLimitTipTitle, kLimitTipText.c_str());
    return 0;
}

LRESULT CMainDlg::OnOK(WORD, WORD, HWND, BOOL&) { return 0; }

LRESULT CMainDlg::OnCancel(WORD, WORD id, HWND, BOOL&)
{
    EndDialog(id);
    return 0;
}

LRESULT CMainDlg::OnInputChange(WORD, WORD, HWND, BOOL&)
{
    m_inputTip.Hide();
    RecomputeDigests();
    if (ClipboardDigestUnmatched()) {
        ::SetTimer(m_hWnd, kSearchTimer, kSearchPauseMs, nullptr);
    }
    return 0;
}

LRESULT CMainDlg::OnInputLimitReached(WORD, WORD, HWND, BOOL&)
{
    ::PostMessageW(m_hWnd, kShowLimitTipMessage, 0, 0);
    return 0;
}

LRESULT CMainDlg::UpdateDigests(WORD, WORD, HWND, BOOL&)
{
    RecomputeDigests();
    if (ClipboardDigestUnmatched()) {
        ExplainClipboardDigest();
    }
    return 0;
}

void CMainDlg::RecomputeDigests()
{
    std::wstring text;
    m_digests = ReadWholeText(GetDlgItem(IDC_INPUT), text)
        ? ComputeDigestTexts(m_hProv, text.c_str(), text.size(), SelectedEncoding(), IsDlgButtonChecked(IDC_TERMINATOR),
                             DigestRequest(ShownDigests(), {m_keyDlg.DigestKey()}))
        : EveryDigestFailed(LastErrorString());
    ShowDigests();
    FollowClipboardDigest();
    ShowEncodingLoss(m_digests.loss);
}

LRESULT CMainDlg::OnUpperCase(int, NMHDR*, BOOL&)
{
    MapInputText(MapToUpperCase);
    return 1;
}

LRESULT CMainDlg::OnLowerCase(int, NMHDR*, BOOL&)
{
    MapInputText(MapToLowerCase);
    return 1;
}

LRESULT CMainDlg::OnAbout(int, NMHDR*, BOOL&)
{
    CAboutDlg about;
    about.DoModal(::GetActiveWindow(), 0);
    return 0;
}

LRESULT CMainDlg::OnCopyAsC(int, NMHDR*, BOOL&)
{
    if (SetClipboardText(m_hWnd, BuildCArrayExport(m_digests).c_str())) {
        ::MessageBoxW(m_hWnd, L"复制到剪切板成功。", L"完成", MB_ICONINFORMATION);
    } else {
        ShowLastError();
    }
    return 0;
}

void CMainDlg::MapInputText(void (*map)(std::wstring& text))
{
    std::wstring text;
    if (!ReadWholeText(GetDlgItem(IDC_INPUT), text)) {
        ShowLastError();
        return;
    }
    map(text);
    SetDlgItemText(IDC_INPUT, text.c_str());
    PostInputChanged();
}

void CMainDlg::InsertAtSelectionStart(const std::wstring& text)
{
    DWORD start = 0;
    SendDlgItemMessage(IDC_INPUT, EM_GETSEL, reinterpret_cast<WPARAM>(&start));
    SendDlgItemMessage(IDC_INPUT, EM_SETSEL, start, start);
    // The typing limit binds a replacement of the selection too and would
    // silently cut the inserted paths; it is lifted for the insertion only.
    SendDlgItemMessage(IDC_INPUT, EM_LIMITTEXT, 0);
    SendDlgItemMessage(IDC_INPUT, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    SendDlgItemMessage(IDC_INPUT, EM_LIMITTEXT, kTypingLimit);
}

void CMainDlg::PostInputChanged() const { ::PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_INPUT, EN_CHANGE), 0); }

void CMainDlg::ShowLastError() const { ::MessageBoxW(m_hWnd, LastErrorText(), nullptr, MB_ICONERROR); }

Encoding CMainDlg::SelectedEncoding() const
{
    for (const EncodingOption& option : kEncodingOptions) {
        if (IsDlgButtonChecked(option.id)) {
            return static_cast<ByteEncoding>(&option - kEncodingOptions);
        }
    }
    return ByteEncoding::Ansi;
}

void CMainDlg::ShowDigests()
{
    EnableCopyLink(m_digests.hasDigests);
    for (int i = 0; i < kShownDigestCount; ++i) {
        SetDlgItemText(m_outputIds[i], m_digests.texts[i].c_str());
    }
}

void CMainDlg::EnableCopyLink(bool enable)
{
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

void CMainDlg::ShowOutputLabels()
{
    for (int row = 0; row < kShownDigestCount; ++row) {
        const std::wstring label =
            DigestNameOf(row, m_keyDlg.HasKey()) + (L" (" + std::to_wstring(kDigestTable[row].length) + L"字节):");
        SetDlgItemText(kLabelIds[row], label.c_str());
    }
}

void CMainDlg::ShowInputTip(const wchar_t* title, const wchar_t* text)
{
    m_inputTip.Show(title, text, InputTipPoint());
}

POINT CMainDlg::InputTipPoint() const
{
    RECT input = {};
    ::GetWindowRect(GetDlgItem(IDC_INPUT), &input);
    // Near the left, so that the balloon, which opens to the right of its
    // stem, stays over the dialog.
    return {input.left + (input.right - input.left) / 4, input.bottom};
}

LRESULT CMainDlg::OnClipboardUpdate(UINT, WPARAM, LPARAM, BOOL&)
{
    CheckClipboardDigest();
    return 0;
}

LRESULT CMainDlg::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& handled)
{
    if (wParam != kSearchTimer) {
        handled = FALSE;
        return 0;
    }
    ::KillTimer(m_hWnd, kSearchTimer);
    if (ClipboardDigestUnmatched()) {
        ExplainClipboardDigest();
    }
    return 0;
}

void CMainDlg::StartClipboardWatch()
{
    m_matchBrush = ::CreateSolidBrush(kMatchBackground);
    m_matchTip.Create(m_hWnd, GetDlgItem(m_outputIds[0]));
    // Without the listener the check on each activation still sees a digest
    // copied in another window.
    ::AddClipboardFormatListener(m_hWnd);
}

void CMainDlg::EndClipboardWatch()
{
    ::RemoveClipboardFormatListener(m_hWnd);
    if (m_matchBrush) {
        ::DeleteObject(m_matchBrush);
        m_matchBrush = nullptr;
    }
}

void CMainDlg::CheckClipboardDigest()
{
    // The provider failed to open: the dialog is on its way out.
    if (!m_hProv) {
        return;
    }
    std::wstring text;
    // One unit more than a digest may take tells a longer text.
    if (!ReadClipboardTextStart(m_hWnd, kMaxExpectedDigestUnits + 1, text)) {
        return;  // another program has it open; the next update or activation looks again
    }
    m_clipboardDigest = ParseExpectedDigest(text.c_str(), text.size());
    FollowClipboardDigest();
    if (m_clipboardDigest.passwordScheme != nullptr) {
        ShowMatchTip(0, kPasswordHashTitle, PasswordHashWords(m_clipboardDigest) + L"。");
    } else if (ClipboardDigestUnmatched()) {
        ExplainClipboardDigest();
    }
}

bool CMainDlg::ClipboardDigestUnmatched() const { return m_clipboardDigest.IsDigest() && m_markedOutputs.none(); }

void CMainDlg::FollowClipboardDigest()
{
    if (m_searchWorker) {
        m_searchWorker->Cancel();
    }
    m_matchTip.Hide();
    MarkMatchingOutputs();
}

void CMainDlg::MarkMatchingOutputs()
{
    // Without a digest on the clipboard a keystroke has nothing to compare.
    if (!m_clipboardDigest.IsDigest() && m_markedOutputs.none()) {
        return;
    }
    const DigestSelection marked = MatchingDigests(m_digests, m_clipboardDigest);
    const DigestSelection changed = marked ^ m_markedOutputs;
    m_markedOutputs = marked;
    for (int i = 0; i < kShownDigestCount; ++i) {
        if (changed[i]) {
            ::InvalidateRect(GetDlgItem(m_outputIds[i]), nullptr, TRUE);
        }
    }
}

void CMainDlg::ExplainClipboardDigest()
{
    ::KillTimer(m_hWnd, kSearchTimer);
    std::wstring text;
    if (!ReadWholeText(GetDlgItem(IDC_INPUT), text)) {
        return;  // the outputs already say that the text could not be read
    }
    // The worker's thread starts with the first search: many runs never need one.
    if (!m_searchWorker) {
        m_searchWorker = std::make_unique<CSearchWorker>(m_hWnd, kSearchEndedMessage);
    }
    m_searchWorker->Start(std::move(text), m_clipboardDigest, m_keyDlg.GivenKey());
}

LRESULT CMainDlg::OnSearchEnded(UINT, WPARAM wParam, LPARAM, BOOL&)
{
    SearchResult found;
    bool emptyText = false;
    if (m_searchWorker && m_searchWorker->TakeResult(wParam, found, emptyText) && ClipboardDigestUnmatched()) {
        ShowSearchResult(found, emptyText);
    }
    return 0;
}

LRESULT CMainDlg::OnSysCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled)
{
    // The low four bits of a system command are the system's own.
    if ((wParam & 0xFFF0) != IDM_KEY) {
        handled = FALSE;
        return 0;
    }
    if (m_keyDlg.Ask(m_hWnd)) {
        ShowOutputLabels();
        UpdateDigests(BN_CLICKED, IDM_KEY, nullptr, handled);
    }
    return 0;
}

void CMainDlg::ShowSearchResult(const SearchResult& found, bool emptyText)
{
    const SettingWords words = {m_clipboardDigest, EncodingCaption, m_keyDlg.HasKey(), m_keyDlg.Reading()};
    if (!found.matches.empty()) {
        const SettingMatch& match = found.matches.front();
        ShowMatchTip(match.row, kOtherSettingTitle, SettingSentence(match, words, emptyText));
        return;
    }
    const DigestSelection digests = m_clipboardDigest.digests;
    int firstRow = 0;
    while (!digests[firstRow]) {
        ++firstRow;
    }
    if (found.failure.empty()) {
        ShowMatchTip(firstRow, kNoSettingTitle, NoSettingSentence(found, words));
    } else {
        ShowMatchTip(firstRow, kSearchFailedTitle, found.failure);
    }
}

void CMainDlg::ShowMatchTip(int row, const wchar_t* title, const std::wstring& text)
{
    m_matchTipRow = OutputOfLength(row);
    m_matchTip.Show(title, text.c_str(), OutputTipPoint(m_matchTipRow));
}

int CMainDlg::OutputOfLength(int row)
{
    if (row < kShownDigestCount) {
        return row;
    }
    for (int shown = 0; shown < kShownDigestCount; ++shown) {
        if (kDigestTable[shown].length == kDigestTable[row].length) {
            return shown;
        }
    }
    return 0;
}

LRESULT CMainDlg::PaintAsMatch(HDC dc) const
{
    ::SetBkColor(dc, kMatchBackground);
    ::SetTextColor(dc, kMatchText);
    return reinterpret_cast<LRESULT>(m_matchBrush);
}

std::wstring CMainDlg::EncodingCaption(Encoding encoding)
{
    const size_t option = static_cast<size_t>(encoding.kind);
    if (encoding.kind == ByteEncoding::Ansi && ::GetACP() == kChineseCodePage) {
        return kChineseAnsiCaption;
    }
    if (option < std::size(kEncodingOptions)) {
        return kEncodingOptions[option].caption;
    }
    // The search names encodings the window has no option for.
    const Cause* row = EncodingCause(encoding);
    return row != nullptr ? CauseWords(*row) : EncodingName(encoding);
}

POINT CMainDlg::OutputTipPoint(int row) const
{
    RECT output = {};
    ::GetWindowRect(GetDlgItem(m_outputIds[row]), &output);
    return {output.left + (output.right - output.left) / 4, output.bottom};
}

void CMainDlg::ShowEncodingLoss(const EncodingLoss& loss)
{
    if (loss.count == 0) {
        m_lossTip.Hide();
        return;
    }
    m_lossTip.Show(kEncodingLossTipTitle, EncodingLossTipText(loss).c_str(), LossTipPoint());
}

POINT CMainDlg::LossTipPoint() const
{
    RECT input = {};
    ::GetWindowRect(GetDlgItem(IDC_INPUT), &input);
    // Right of the other tip, whose balloon, half the box wide and a little
    // more, opens at a quarter of the box.
    return {input.left + (input.right - input.left) * 4 / 5, input.bottom};
}
