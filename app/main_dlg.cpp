#include "app/main_dlg.h"

#include <shellapi.h>

#include <algorithm>
#include <array>
#include <iterator>
#include <new>

#include "app/about_dlg.h"
#include "app/clipboard.h"
#include "app/dropped_files.h"
#include "app/setting_words.h"
#include "app/text_case.h"
#include "app/text_fidelity.h"
#include "digest/c_array_export.h"
#include "digest/expected_digest.h"
#include "digest/setting_search.h"
#include "hash/provider_digest.h"
#include "support/last_error.h"

namespace {

// The input box accepts 65,535 typed units; text set as a whole can be longer.
constexpr WPARAM kTypingLimit = 0xFFFF;
constexpr UINT kChineseCodePage = 936;

// The digest outputs, in the digest table's order.
constexpr int kOutputIds[] = {IDC_MD4, IDC_MD5, IDC_SHA1, IDC_SHA224, IDC_SHA256, IDC_SHA384, IDC_SHA512};
static_assert(std::size(kOutputIds) == kDigestCount, "one output per digest of the table");

// What the tip at the input box says.
constexpr wchar_t kLimitTipTitle[] = L"已达到输入上限";
const std::wstring kLimitTipText = L"输入框最多可输入 " + std::to_wstring(kTypingLimit)
    + L" 个字符，超出的部分没有输入。下方的摘要只对应框中现有的文本。";
constexpr wchar_t kNoDroppedPathTitle[] = L"没有读到拖放的路径";
constexpr wchar_t kNoDroppedPathText[] = L"拖放的项目没有给出可用的路径，输入和摘要保持不变。";

// An output that shows the clipboard's digest: dark text on light green.
constexpr COLORREF kMatchBackground = RGB(0xC6, 0xEF, 0xCE);
constexpr COLORREF kMatchText = RGB(0x00, 0x61, 0x00);
// The encoding options, in ByteEncoding's order.
constexpr int kEncodingOptions[] = {IDC_ANSI, IDC_UNICODE, IDC_UTF8};
// What the tip at an output says about the clipboard's digest.
constexpr wchar_t kOtherSettingTitle[] = L"剪贴板上的摘要来自另一种设置";
constexpr wchar_t kNoSettingTitle[] = L"剪贴板上的摘要与文本不符";

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
    }
    m_inputTip.Create(m_hWnd, GetDlgItem(IDC_INPUT));
    StartClipboardWatch();
    m_lossTip.Create(m_hWnd, GetDlgItem(IDC_INPUT));
    ::SetFocus(GetDlgItem(IDC_INPUT));
    CPINFOEXW codePage = {};
    if (::GetCPInfoExW(CP_ACP, 0, &codePage) && codePage.CodePage == kChineseCodePage) {
        SetDlgItemText(IDC_ANSI, L"GB3212");
    }
    ::DragAcceptFiles(m_hWnd, TRUE);
    // The focus set above stays.
    return FALSE;
}

LRESULT CMainDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL&)
{
    EndClipboardWatch();
    if (m_hProv) {
        ::CryptReleaseContext(m_hProv, 0);
        m_hProv = 0;
    }
    return 0;
}

LRESULT CMainDlg::OnCtlColorStatic(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled)
{
    const int id = ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    for (int i = 0; i < kDigestCount; ++i) {
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
    // Half a pair left by the cut goes first: its removal is an edit, which
    // would hide the tip.
    DropHalfPairCutAtLimit(GetDlgItem(IDC_INPUT), static_cast<int>(kTypingLimit));
    ShowInputTip(kLimitTipTitle, kLimitTipText.c_str());
    return 0;
}

LRESULT CMainDlg::OnOK(WORD, WORD, HWND, BOOL&) { return 0; }

LRESULT CMainDlg::OnCancel(WORD, WORD id, HWND, BOOL&)
{
    EndDialog(id);
    return 0;
}

LRESULT CMainDlg::OnInputChange(WORD code, WORD id, HWND control, BOOL& handled)
{
    m_inputTip.Hide();
    return UpdateDigests(code, id, control, handled);
}

LRESULT CMainDlg::OnInputLimitReached(WORD, WORD, HWND, BOOL&)
{
    ::PostMessageW(m_hWnd, kShowLimitTipMessage, 0, 0);
    return 0;
}

LRESULT CMainDlg::UpdateDigests(WORD, WORD, HWND, BOOL&)
{
    std::wstring text;
    if (!ReadWholeText(GetDlgItem(IDC_INPUT), text)) {
        ShowFailureInOutputs(LastErrorText());
        FollowClipboardDigest();
        m_lossTip.Hide();
        return 0;
    }
    const DigestTexts digests =
        ComputeDigestTexts(m_hProv, text.c_str(), text.size(), SelectedEncoding(), IsDlgButtonChecked(IDC_TERMINATOR));
    ShowDigestTexts(digests);
    FollowClipboardDigest();
    ShowEncodingLoss(digests.loss);
    return 0;
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
    std::array<std::wstring, kDigestCount> outputs;
    if (!ReadOutputTexts(outputs)) {
        ShowLastError();
        return 0;
    }
    if (SetClipboardText(m_hWnd, BuildCArrayExport(outputs).c_str())) {
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

ByteEncoding CMainDlg::SelectedEncoding() const
{
    if (IsDlgButtonChecked(IDC_ANSI)) {
        return ByteEncoding::Ansi;
    }
    if (IsDlgButtonChecked(IDC_UTF8)) {
        return ByteEncoding::Utf8;
    }
    return ByteEncoding::Utf16Le;
}

void CMainDlg::ShowDigestTexts(const DigestTexts& digests)
{
    EnableCopyLink(digests.hasDigests);
    for (int i = 0; i < kDigestCount; ++i) {
        SetDlgItemText(m_outputIds[i], digests.texts[i].c_str());
    }
}

void CMainDlg::ShowFailureInOutputs(const wchar_t* text)
{
    EnableCopyLink(false);
    for (int outputId : m_outputIds) {
        SetDlgItemText(outputId, text ? text : L"");
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
    m_matchTip.Hide();
    MarkMatchingOutputs();
    if (!m_clipboardDigest.empty() && m_markedOutputs.none()) {
        ExplainClipboardDigest();
    }
}

void CMainDlg::FollowClipboardDigest()
{
    m_matchTip.Hide();
    MarkMatchingOutputs();
}

void CMainDlg::MarkMatchingOutputs()
{
    // Without a digest on the clipboard a keystroke has nothing to compare.
    if (m_clipboardDigest.empty() && m_markedOutputs.none()) {
        return;
    }
    std::array<std::wstring, kDigestCount> shown;
    // Outputs that could not be read stay empty and match nothing.
    ReadOutputTexts(shown);
    const DigestSelection marked = MatchingDigests(shown, m_clipboardDigest);
    const DigestSelection changed = marked ^ m_markedOutputs;
    m_markedOutputs = marked;
    for (int i = 0; i < kDigestCount; ++i) {
        if (changed[i]) {
            ::InvalidateRect(GetDlgItem(m_outputIds[i]), nullptr, TRUE);
        }
    }
}

void CMainDlg::ExplainClipboardDigest()
{
    std::wstring text;
    if (!ReadWholeText(GetDlgItem(IDC_INPUT), text)) {
        return;  // the outputs already say that the text could not be read
    }
    const std::vector<SettingMatch> found =
        FindSettingsGiving(m_hProv, text.c_str(), text.size(), m_clipboardDigest, true);
    if (!found.empty()) {
        const SettingMatch& match = found.front();
        ShowMatchTip(match.row, kOtherSettingTitle, SettingSentence(match, EncodingCaption(match.setting.encoding)));
        return;
    }
    const DigestSelection digests = DigestsOfHexLength(m_clipboardDigest.size());
    int firstRow = 0;
    while (!digests[firstRow]) {
        ++firstRow;
    }
    ShowMatchTip(firstRow, kNoSettingTitle, NoSettingSentence(digests));
}

void CMainDlg::ShowMatchTip(int row, const wchar_t* title, const std::wstring& text)
{
    m_matchTipRow = row;
    m_matchTip.Show(title, text.c_str(), OutputTipPoint(row));
}

bool CMainDlg::ReadOutputTexts(std::array<std::wstring, kDigestCount>& texts) const
{
    for (int i = 0; i < kDigestCount; ++i) {
        if (!ReadWholeText(GetDlgItem(m_outputIds[i]), texts[i])) {
            return false;
        }
    }
    return true;
}

LRESULT CMainDlg::PaintAsMatch(HDC dc) const
{
    ::SetBkColor(dc, kMatchBackground);
    ::SetTextColor(dc, kMatchText);
    return reinterpret_cast<LRESULT>(m_matchBrush);
}

std::wstring CMainDlg::EncodingCaption(ByteEncoding encoding) const
{
    const int option = kEncodingOptions[static_cast<int>(encoding)];
    std::wstring caption;
    ReadWholeText(GetDlgItem(option), caption);
    return caption;
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
