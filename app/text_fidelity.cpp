#include "app/text_fidelity.h"

const wchar_t kEncodingLossTipTitle[] = L"摘要不是框中原文的摘要";

std::wstring EncodingLossTipText(const EncodingLoss& loss)
{
    return EncodingLossSentence(loss, {L"框中", L"下方的摘要", L"，", L"。", L"。选择 Unicode 可按原文计算。"});
}

namespace {

// Whether the caret parts two units that belong together: a pair's halves,
// or CR and LF.
bool PartsCharacter(const std::wstring& text, DWORD caret)
{
    if (caret == 0 || caret > text.size())
        return false;
    const wchar_t before = text[caret - 1];
    const wchar_t after = caret < text.size() ? text[caret] : L'\0';
    return (IS_HIGH_SURROGATE(before) && !IS_LOW_SURROGATE(after)) || (before == L'\r' && after != L'\n');
}

}  // namespace

void DropHalfCharacterCutAtLimit(HWND input, int limit)
{
    // Only a box filled to its limit was cut; it holds no more than the limit.
    if (::GetWindowTextLengthW(input) != limit)
        return;
    std::wstring text(static_cast<size_t>(limit) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(input, &text[0], limit + 1)));
    DWORD caret = 0;
    ::SendMessageW(input, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    if (!PartsCharacter(text, caret))
        return;
    ::SendMessageW(input, EM_SETSEL, caret - 1, caret);
    ::SendMessageW(input, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
}
