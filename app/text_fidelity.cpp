#include "app/text_fidelity.h"

const wchar_t kEncodingLossTipTitle[] = L"摘要不是框中原文的摘要";

std::wstring EncodingLossTipText(const EncodingLoss& loss)
{
    return EncodingLossSentence(loss, {L"框中", L"下方的摘要", L"，", L"。", L"。选择 Unicode 可按原文计算。"});
}

void DropHalfPairCutAtLimit(HWND input, int limit)
{
    // Only a box filled to its limit was cut; it holds no more than the limit.
    if (::GetWindowTextLengthW(input) != limit)
        return;
    std::wstring text(static_cast<size_t>(limit) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(input, &text[0], limit + 1)));
    DWORD caret = 0;
    ::SendMessageW(input, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    const bool highBefore = caret > 0 && caret <= text.size() && IS_HIGH_SURROGATE(text[caret - 1]);
    const bool lowAfter = caret < text.size() && IS_LOW_SURROGATE(text[caret]);
    if (!highBefore || lowAfter)
        return;
    ::SendMessageW(input, EM_SETSEL, caret - 1, caret);
    ::SendMessageW(input, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L""));
}
