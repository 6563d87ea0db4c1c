#include "digest/c_array_export.h"

#include <algorithm>

namespace {

const wchar_t kEntryEnd[] = L"\r\n\r\n";
// Stands in the comment for a digest without any text (nothing was digested).
const wchar_t kNoDigest[] = L"无摘要";

std::wstring Declaration(const std::wstring& name, const std::wstring& hex)
{
    std::wstring text = L"const unsigned char ";
    text += name;
    text += L'[' + std::to_wstring(hex.size() / 2) + L"] = {";
    for (size_t pair = 0; pair < hex.size(); pair += 2) {
        if (pair != 0) {
            text += L',';
        }
        text += L"0x";
        text.append(hex, pair, 2);
    }
    text += L"};";
    return text;
}

bool IsLineBreak(wchar_t unit) { return unit == L'\r' || unit == L'\n'; }

// `text` made safe to stand inside a one-line C comment.
std::wstring CommentBody(const std::wstring& text)
{
    std::wstring body;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!IsLineBreak(text[i])) {
            body += text[i];
        } else if (i == 0 || !IsLineBreak(text[i - 1])) {
            body += L' ';
        }
        if (text[i] == L'*' && i + 1 < text.size() && text[i + 1] == L'/') {
            body += L' ';
        }
    }
    return body;
}

std::wstring Comment(const std::wstring& name, const std::wstring& text)
{
    const std::wstring body = text.empty() ? std::wstring(kNoDigest) : CommentBody(text);
    return std::wstring(L"/* ") + name + L": " + body + L" */";
}

// A keyed digest's array is named after its keyed name, as C names go: "HMAC_SHA256".
std::wstring KeyedArrayName(int row)
{
    std::wstring name = kDigestTable[row].keyedName;
    std::replace(name.begin(), name.end(), L'-', L'_');
    return name;
}

}  // namespace

std::wstring BuildCArrayExport(const DigestTexts& digests)
{
    std::wstring text;
    for (int i = 0; i < kShownDigestCount; ++i) {
        const std::wstring name = digests.keyed ? KeyedArrayName(i) : kDigestTable[i].cArrayName;
        const std::wstring& digest = digests.texts[i];
        const bool declared = !digests.failed[i] && !digest.empty();
        text += declared ? Declaration(name, digest) : Comment(name, digest);
        text += kEntryEnd;
    }
    return text;
}
