#include "app/key_dlg.h"

#include <algorithm>
#include <string>

namespace {

// The readings the dialog offers, in the order of their options, and what a
// key read so must be, said when it is not.
struct ReadingOption {
    int id;
    KeyReading reading;
    const wchar_t* refusalTitle;
    const wchar_t* rule;
};
constexpr ReadingOption kReadingOptions[] = {
    {IDC_KEY_AS_TEXT, KeyReading::Utf8Text, L"密钥不能按 UTF-8 文本读取", L"密钥的文本转不成 UTF-8。"},
    {IDC_KEY_AS_HEX, KeyReading::Hex, L"密钥不是十六进制",
     L"按十六进制读取的密钥是成对的十六进制数字（0-9、A-F，不分大小写），至少一对，对与对之间可有一个空格、冒号或连字"
     L"符，两端不能有空白或换行。"},
    {IDC_KEY_AS_BASE64, KeyReading::Base64, L"密钥不是 Base64",
     L"按 Base64 读取的密钥由 A-Z、a-z、0-9 和 + /（或 URL 用的 - _，不能混用）组成，末尾可有 = 补齐，中间和两端不能有"
     L"空白或换行。"},
};
constexpr wchar_t kRefusalEnd[] = L"框中的密钥保持原样，可改正后再按“确定”，或改选读法。";

const ReadingOption& OptionOf(KeyReading reading)
{
    return *std::find_if(std::begin(kReadingOptions), std::end(kReadingOptions),
                         [reading](const ReadingOption& option) { return option.reading == reading; });
}

// The key box's text as a key. The text is read into a buffer on the heap
// (beyond the string's own small buffer) that the key takes over when the
// text moves into it: no copy of the key stays behind, and the key wipes the
// buffer when it goes.
CGivenKey ReadKeyBox(HWND box)
{
    constexpr size_t kBeyondSmallString = 32;
    const int length = ::GetWindowTextLengthW(box);
    std::wstring text;
    text.reserve(std::max(static_cast<size_t>(length) + 1, kBeyondSmallString));
    text.resize(static_cast<size_t>(length) + 1);
    text.resize(static_cast<size_t>(::GetWindowTextW(box, &text[0], length + 1)));
    return CGivenKey::FromText(std::move(text));
}

}  // namespace

void AddKeyItemToSystemMenu(HWND window)
{
    HMENU menu = ::GetSystemMenu(window, FALSE);
    ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(menu, MF_STRING, IDM_KEY, kKeyMenuItemText);
}

bool CKeyDlg::Ask(HWND owner)
{
    const INT_PTR result = DoModal(owner);
    return result == IDOK || result == IDC_NO_KEY;
}

std::optional<CDigestKey> CKeyDlg::DigestKey() const
{
    if (!m_key) {
        return std::nullopt;
    }
    return m_keyBytes;
}

LRESULT CKeyDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&)
{
    CenterWindow();
    // A key pasted whole is never cut at the box's default limit.
    SendDlgItemMessage(IDC_KEY_TEXT, EM_LIMITTEXT, 0);
    // The tip window went with the dialog before: the edit below hides the new one.
    m_refusalTip.Create(m_hWnd, GetDlgItem(IDC_KEY_TEXT));
    SetDlgItemText(IDC_KEY_TEXT, m_key ? m_key->Text().c_str() : L"");
    CheckRadioButton(IDC_KEY_AS_TEXT, IDC_KEY_AS_BASE64, OptionOf(m_reading).id);
    // The key is selected, so that a key typed or pasted replaces it.
    ::SetFocus(GetDlgItem(IDC_KEY_TEXT));
    SendDlgItemMessage(IDC_KEY_TEXT, EM_SETSEL, 0, -1);
    return FALSE;
}

LRESULT CKeyDlg::OnOK(WORD, WORD, HWND, BOOL&)
{
    const KeyReading reading = CheckedReading();
    CGivenKey key = ReadKeyBox(GetDlgItem(IDC_KEY_TEXT));
    KeySetting setting;
    setting.reading = reading;
    CDigestKey bytes;
    if (!key.Read(setting, bytes)) {
        ShowRefusal(reading);
        return 0;
    }
    // The key before is wiped as it goes, before the new one takes its place.
    m_key.reset();
    m_key.emplace(key);
    m_keyBytes = bytes;
    m_reading = reading;
    EndDialog(IDOK);
    return 0;
}

LRESULT CKeyDlg::OnCancel(WORD, WORD, HWND, BOOL&)
{
    EndDialog(IDCANCEL);
    return 0;
}

LRESULT CKeyDlg::OnNoKey(WORD, WORD, HWND, BOOL&)
{
    m_key.reset();
    m_keyBytes = CDigestKey();
    EndDialog(IDC_NO_KEY);
    return 0;
}

LRESULT CKeyDlg::OnKeyEdited(WORD, WORD, HWND, BOOL&)
{
    m_refusalTip.Hide();
    return 0;
}

KeyReading CKeyDlg::CheckedReading() const
{
    for (const ReadingOption& option : kReadingOptions) {
        if (IsDlgButtonChecked(option.id)) {
            return option.reading;
        }
    }
    return KeyReading::Utf8Text;
}

void CKeyDlg::ShowRefusal(KeyReading reading)
{
    const ReadingOption& option = OptionOf(reading);
    RECT box = {};
    ::GetWindowRect(GetDlgItem(IDC_KEY_TEXT), &box);
    m_refusalTip.Show(option.refusalTitle, (std::wstring(option.rule) + kRefusalEnd).c_str(),
                      {box.left + (box.right - box.left) / 4, box.bottom});
    ::SetFocus(GetDlgItem(IDC_KEY_TEXT));
}
