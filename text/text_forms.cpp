#include "text/text_forms.h"

#include <windows.h>

#include "support/last_error.h"

namespace {

// Blanks that editors trim at the ends of lines: spaces and tabs of any width.
bool IsBlank(wchar_t unit)
{
    return unit == L' ' || unit == L'\t' || unit == L'\v' || unit == L'\f' || unit == L'\u00A0' || unit == L'\u3000';
}

bool IsLineBreak(wchar_t unit) { return unit == L'\r' || unit == L'\n'; }

bool Normalized(const std::wstring& text, NORM_FORM form, std::wstring& result)
{
    result.clear();
    if (text.empty())
        return true;
    const int length = static_cast<int>(text.size());
    // The platform's estimate is an upper bound; a refusal for too small a
    // buffer gives the next estimate.
    int capacity = NormalizeString(form, text.c_str(), length, nullptr, 0);
    for (int attempt = 0; capacity > 0 && attempt < 8; ++attempt) {
        result.resize(static_cast<size_t>(capacity));
        const int written = NormalizeString(form, text.c_str(), length, &result[0], capacity);
        if (written > 0) {
            result.resize(static_cast<size_t>(written));
            return true;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            break;
        capacity = -written;
    }
    LastErrorSetSystem(0, L"规范化文本失败");
    return false;
}

std::wstring WithLineEndsTrimmed(const std::wstring& text)
{
    std::wstring result;
    result.reserve(text.size());
    size_t blanksFrom = 0;  // where the blanks that end `result` begin
    for (wchar_t unit : text) {
        if (IsLineBreak(unit))
            result.erase(blanksFrom);
        result += unit;
        if (!IsBlank(unit))
            blanksFrom = result.size();
    }
    result.erase(blanksFrom);
    return result;
}

}  // namespace

bool TextInForm(const std::wstring& text, TextForm form, std::wstring& result)
{
    switch (form) {
    case TextForm::Nfc:
        return Normalized(text, NormalizationC, result);
    case TextForm::Nfd:
        return Normalized(text, NormalizationD, result);
    case TextForm::Nfkc:
        return Normalized(text, NormalizationKC, result);
    case TextForm::UpperCase:
        result = text;
        MapToUpperCase(result);
        return true;
    case TextForm::LowerCase:
        result = text;
        MapToLowerCase(result);
        return true;
    case TextForm::LineEndsTrimmed:
        result = WithLineEndsTrimmed(text);
        return true;
    case TextForm::Trimmed: {
        const auto isSpace = [](wchar_t unit) { return IsBlank(unit) || IsLineBreak(unit); };
        size_t first = 0, end = text.size();
        while (first < end && isSpace(text[first]))
            ++first;
        while (end > first && isSpace(text[end - 1]))
            --end;
        result = text.substr(first, end - first);
        return true;
    }
    case TextForm::AsTyped:
    case TextForm::InvisiblesDropped:
    case TextForm::PlainPunctuation:
    case TextForm::EscapesRead:
    case TextForm::JsonEscaped:
        break;
    }
    result = text;
    return true;
}

void MapToUpperCase(std::wstring& text) { CharUpperBuffW(&text[0], static_cast<DWORD>(text.size())); }

void MapToLowerCase(std::wstring& text) { CharLowerBuffW(&text[0], static_cast<DWORD>(text.size())); }
