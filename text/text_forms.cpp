#include "text/text_forms.h"

#include <windows.h>

#include <algorithm>
#include <iterator>

#include "support/last_error.h"
#include "text/base64.h"
#include "text/json_text.h"
#include "text/parameters.h"

namespace {

// Blanks that editors trim at the ends of lines: spaces and tabs of any width.
bool IsBlank(wchar_t unit)
{
    return unit == L' ' || unit == L'\t' || unit == L'\v' || unit == L'\f' || unit == L'\u00A0' || unit == L'\u3000';
}

bool IsLineBreak(wchar_t unit) { return unit == L'\r' || unit == L'\n'; }

// Units before which no normalization form (NFC, NFD, NFKC) joins anything
// to what stands before them: starters that never compose with what precedes
// them, whose decompositions, canonical and compatibility, begin with such a
// starter. Every code point of these ranges was checked against Unicode's
// data; all are assigned, and Unicode never changes how an assigned one
// normalizes. Low surrogates are not among them, so no cut parts a pair.
constexpr struct {
    wchar_t first, last;
} kIndependentStarters[] = {
    {L'\u0000', L'\u02FF'},  // ASCII with its line breaks, Latin letters, spacing modifiers
    {L'\u0391', L'\u03A1'},  // Greek capitals up to the gap at U+03A2
    {L'\u03A3', L'\u0482'},  // the other Greek letters, Cyrillic up to its combining marks
    {L'\u048A', L'\u052F'},  // Cyrillic after them
    {L'\u1E00', L'\u1EFF'},  // Latin (Vietnamese) with marks, precomposed
    {L'\u2000', L'\u2064'},  // general punctuation
    {L'\u3000', L'\u3029'},  // CJK symbols and punctuation before the tone marks
    {L'\u3041', L'\u3096'},  // Hiragana
    {L'\u309B', L'\u30FF'},  // Katakana with the spacing sound marks
    {L'\u3400', L'\u9FFF'},  // CJK ideographs
    {L'\uAC00', L'\uD7A3'},  // Hangul syllables, which take trailing jamo but never join what precedes them
    {L'\uFF01', L'\uFF5E'},  // full-width ASCII
};

bool StartsIndependently(wchar_t unit)
{
    for (const auto& range : kIndependentStarters) {
        if (range.first <= unit && unit <= range.last)
            return true;
    }
    return false;
}

// The platform may take time that grows with the square of what it is given
// (Wine does), so it gets the text in pieces of about this many units.
constexpr size_t kPieceUnits = 256;

// Where the piece from `start` ends: before the first independent starter
// once the piece is long enough, or at the end of the text when none comes.
size_t PieceEnd(const std::wstring& text, size_t start)
{
    size_t end = std::min(start + kPieceUnits, text.size());
    while (end < text.size() && !StartsIndependently(text[end]))
        ++end;
    return end;
}

// Appends the `length` units at `piece` in `form` to `result`.
bool AppendNormalized(const wchar_t* piece, int length, NORM_FORM form, std::wstring& result)
{
    const size_t kept = result.size();
    // The platform's estimate is an upper bound; a refusal for too small a
    // buffer gives the next estimate.
    int capacity = NormalizeString(form, piece, length, nullptr, 0);
    for (int attempt = 0; capacity > 0 && attempt < 8; ++attempt) {
        result.resize(kept + static_cast<size_t>(capacity));
        const int written = NormalizeString(form, piece, length, &result[kept], capacity);
        if (written > 0) {
            result.resize(kept + static_cast<size_t>(written));
            return true;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            break;
        capacity = -written;
    }
    LastErrorSetSystem(0, L"规范化文本失败");
    return false;
}

bool Normalized(const std::wstring& text, NORM_FORM form, std::wstring& result)
{
    result.clear();
    result.reserve(text.size());
    for (size_t start = 0, end; start < text.size(); start = end) {
        end = PieceEnd(text, start);
        if (!AppendNormalized(&text[start], static_cast<int>(end - start), form, result))
            return false;
    }
    return true;
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

// Characters that text copied from web pages, word processors, chats and
// PDFs carries unseen.
bool IsInvisible(wchar_t unit)
{
    return unit == L'\u200B' || unit == L'\u200C' || unit == L'\u200D' || unit == L'\u2060' || unit == L'\uFEFF'
        || unit == L'\u00AD';
}

// The ASCII that someone who typed the text would have used in place of
// what word processors and chats write for it: typographic quotes (low ones
// too), dashes, the ellipsis and every Unicode space separator (category Zs);
// null for any other unit.
const wchar_t* PlainPunctuationOf(wchar_t unit)
{
    constexpr struct {
        wchar_t first, last;
        const wchar_t* plain;
    } kPlain[] = {
        {L'\u00A0', L'\u00A0', L" "},    // no-break space
        {L'\u1680', L'\u1680', L" "},    // Ogham space mark
        {L'\u2000', L'\u200A', L" "},    // en quad to hair space
        {L'\u2010', L'\u2015', L"-"},    // hyphen, non-breaking hyphen, figure, en and em dash, horizontal bar
        {L'\u2018', L'\u201A', L"'"},    // single quotes, the low one too
        {L'\u201C', L'\u201E', L"\""},   // double quotes, the low one too
        {L'\u2026', L'\u2026', L"..."},  // ellipsis
        {L'\u202F', L'\u202F', L" "},    // narrow no-break space
        {L'\u205F', L'\u205F', L" "},    // medium mathematical space
        {L'\u2212', L'\u2212', L"-"},    // minus sign
        {L'\u3000', L'\u3000', L" "},    // ideographic space
    };
    for (const auto& row : kPlain) {
        if (row.first <= unit && unit <= row.last)
            return row.plain;
    }
    return nullptr;
}

std::wstring WithoutInvisibles(const std::wstring& text, bool plainPunctuation)
{
    std::wstring result;
    result.reserve(text.size());
    for (wchar_t unit : text) {
        const wchar_t* plain = plainPunctuation ? PlainPunctuationOf(unit) : nullptr;
        if (plain != nullptr)
            result += plain;
        else if (!IsInvisible(unit))
            result += unit;
    }
    return result;
}

// Reads the \uXXXX escape at `at`, with the \uXXXX of a pair's second half
// after it when it is a first half. Returns the units read, 0 when the escape
// is broken or stands for half a pair alone.
size_t ReadUnicodeEscape(const std::wstring& text, size_t at, std::wstring& result)
{
    const long unit = HexValue(text, at + 2, 4);
    if (unit < 0 || IS_LOW_SURROGATE(unit))
        return 0;
    if (!IS_HIGH_SURROGATE(unit)) {
        result += static_cast<wchar_t>(unit);
        return 6;
    }
    const long second = text.compare(at + 6, 2, L"\\u") == 0 ? HexValue(text, at + 8, 4) : -1;
    if (!IS_LOW_SURROGATE(second))
        return 0;
    result += static_cast<wchar_t>(unit);
    result += static_cast<wchar_t>(second);
    return 12;
}

// Reads the escape whose backslash is at `at`. Returns the units read, 0 when
// no escape of source code, JSON or a log starts there.
size_t ReadEscape(const std::wstring& text, size_t at, std::wstring& result)
{
    constexpr struct {
        wchar_t letter, character;
    } kSingle[] = {
        {L'n', L'\n'}, {L'r', L'\r'},  {L't', L'\t'}, {L'b', L'\b'},  {L'f', L'\f'},
        {L'0', L'\0'}, {L'\\', L'\\'}, {L'"', L'"'},  {L'\'', L'\''}, {L'/', L'/'},
    };
    const wchar_t letter = at + 1 < text.size() ? text[at + 1] : L'\0';
    for (const auto& escape : kSingle) {
        if (escape.letter == letter) {
            result += escape.character;
            return 2;
        }
    }
    if (letter == L'u')
        return ReadUnicodeEscape(text, at, result);
    const long byte = letter == L'x' ? HexValue(text, at + 2, 2) : -1;
    if (byte < 0)
        return 0;
    result += static_cast<wchar_t>(byte);
    return 4;
}

// The units a broken escape spans, to name it.
size_t BrokenEscapeUnits(const std::wstring& text, size_t at)
{
    const wchar_t letter = at + 1 < text.size() ? text[at + 1] : L'\0';
    return letter == L'u' ? 6 : letter == L'x' ? 4 : 2;
}

bool WithEscapesRead(const std::wstring& text, std::wstring& result)
{
    result.clear();
    result.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        if (text[at] != L'\\') {
            result += text[at++];
            continue;
        }
        const size_t read = ReadEscape(text, at, result);
        if (read == 0) {
            LastErrorSetText(0, L"读取转义失败:\"%ls\" 不是可识别的转义",
                             text.substr(at, BrokenEscapeUnits(text, at)).c_str());
            return false;
        }
        at += read;
    }
    return true;
}

// The JSON forms' styles.
struct JsonForm {
    TextForm form;
    JsonStyle style;
};

// clang-format off
constexpr JsonForm kJsonForms[] = {
    {TextForm::JsonCompact,              {JsonLayout::Compact,   false, false}},
    {TextForm::JsonCompactAscii,         {JsonLayout::Compact,   false, true}},
    {TextForm::JsonSpaced,               {JsonLayout::Spaced,    false, false}},
    {TextForm::JsonSpacedAscii,          {JsonLayout::Spaced,    false, true}},
    {TextForm::JsonIndented2,            {JsonLayout::Indented2, false, false}},
    {TextForm::JsonIndented2Ascii,       {JsonLayout::Indented2, false, true}},
    {TextForm::JsonIndented4,            {JsonLayout::Indented4, false, false}},
    {TextForm::JsonIndented4Ascii,       {JsonLayout::Indented4, false, true}},
    {TextForm::JsonCompactSorted,        {JsonLayout::Compact,   true,  false}},
    {TextForm::JsonCompactSortedAscii,   {JsonLayout::Compact,   true,  true}},
    {TextForm::JsonSpacedSorted,         {JsonLayout::Spaced,    true,  false}},
    {TextForm::JsonSpacedSortedAscii,    {JsonLayout::Spaced,    true,  true}},
    {TextForm::JsonIndented2Sorted,      {JsonLayout::Indented2, true,  false}},
    {TextForm::JsonIndented2SortedAscii, {JsonLayout::Indented2, true,  true}},
    {TextForm::JsonIndented4Sorted,      {JsonLayout::Indented4, true,  false}},
    {TextForm::JsonIndented4SortedAscii, {JsonLayout::Indented4, true,  true}},
};
// clang-format on

const JsonForm* JsonFormOf(TextForm form)
{
    const auto found = std::find_if(std::begin(kJsonForms), std::end(kJsonForms),
                                    [form](const JsonForm& json) { return json.form == form; });
    return found == std::end(kJsonForms) ? nullptr : found;
}

}  // namespace

bool TextInForm(const std::wstring& text, TextForm form, std::wstring& result)
{
    if (const JsonForm* json = JsonFormOf(form))
        return JsonWrittenAgain(text, json->style, result);
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
    case TextForm::Trimmed:
        result = WithoutOuterWhiteSpace(text);
        return true;
    case TextForm::InvisiblesDropped:
        result = WithoutInvisibles(text, false);
        return true;
    case TextForm::PlainPunctuation:
        result = WithoutInvisibles(text, true);
        return true;
    case TextForm::EscapesRead:
        return WithEscapesRead(text, result);
    case TextForm::JsonEscaped:
        result.clear();
        AppendJsonEscaped(text, false, result);
        return true;
    case TextForm::ParametersSorted:
        return SortedParameters(text, result);
    case TextForm::AsTyped:
    default:
        break;
    }
    result = text;
    return true;
}

std::wstring WithoutOuterWhiteSpace(std::wstring_view text)
{
    const auto isSpace = [](wchar_t unit) { return IsBlank(unit) || IsLineBreak(unit); };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return std::wstring(text);
}

void MapToUpperCase(std::wstring& text) { CharUpperBuffW(&text[0], static_cast<DWORD>(text.size())); }

void MapToLowerCase(std::wstring& text) { CharLowerBuffW(&text[0], static_cast<DWORD>(text.size())); }
