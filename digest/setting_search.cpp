#include "digest/setting_search.h"

#include <algorithm>

#include "digest/expected_digest.h"

namespace {

constexpr ByteEncoding kEncodings[] = {ByteEncoding::Ansi, ByteEncoding::Utf16Le, ByteEncoding::Utf8};

constexpr LineBreakVariant kLineBreakVariants[] = {
    {false, TextEnding::AsIs}, {false, TextEnding::LfAdded}, {false, TextEnding::FinalBreakRemoved},
    {true, TextEnding::AsIs},  {true, TextEnding::LfAdded},  {true, TextEnding::FinalBreakRemoved},
};

constexpr wchar_t kBreaksAsLfWords[] = L"换行为 LF";
constexpr wchar_t kWordSeparator[] = L"，";

const wchar_t* EndingWords(TextEnding ending)
{
    switch (ending) {
    case TextEnding::LfAdded:
        return L"末尾加一个换行 (LF)";
    case TextEnding::FinalBreakRemoved:
        return L"去掉末尾的换行";
    case TextEnding::AsIs:
        break;
    }
    return L"";
}

std::wstring WithLfBreaks(const wchar_t* text, size_t count)
{
    std::wstring result;
    result.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        if (!(text[i] == L'\r' && i + 1 < count && text[i + 1] == L'\n'))
            result += text[i];
    }
    return result;
}

// The text of `variant`, or false when the variant has nothing to change
// (no final line break to take away).
bool VariantText(const wchar_t* text, size_t count, const LineBreakVariant& variant, std::wstring& result)
{
    result = variant.breaksAsLf ? WithLfBreaks(text, count) : std::wstring(text, count);
    switch (variant.ending) {
    case TextEnding::LfAdded:
        result += L'\n';
        break;
    case TextEnding::FinalBreakRemoved:
        if (result.empty() || result.back() != L'\n')
            return false;
        result.pop_back();
        if (!result.empty() && result.back() == L'\r')
            result.pop_back();
        break;
    case TextEnding::AsIs:
        break;
    }
    return true;
}

// Adds the matches of one variant of the text; true once the search may end.
bool SearchEncodings(HCRYPTPROV provider, const std::wstring& text, const LineBreakVariant& lineBreaks,
                     const std::wstring& expected, bool firstOnly, std::vector<SettingMatch>& matches)
{
    const DigestSelection selection = DigestsOfHexLength(expected.size());
    for (ByteEncoding encoding : kEncodings) {
        for (bool withTerminator : {false, true}) {
            const DigestTexts digests =
                ComputeDigestTexts(provider, text.c_str(), text.size(), encoding, withTerminator, selection);
            const DigestSelection matching = MatchingDigests(digests, expected);
            for (int row = 0; row < kDigestCount; ++row) {
                if (matching[row])
                    matches.push_back({{encoding, withTerminator, lineBreaks}, row});
            }
            if (firstOnly && !matches.empty())
                return true;
        }
    }
    return false;
}

}  // namespace

std::wstring LineBreakWords(const LineBreakVariant& variant)
{
    std::wstring words = variant.breaksAsLf ? kBreaksAsLfWords : L"";
    const std::wstring ending = EndingWords(variant.ending);
    if (!words.empty() && !ending.empty())
        words += kWordSeparator;
    return words + ending;
}

std::vector<SettingMatch> FindSettingsGiving(HCRYPTPROV provider, const wchar_t* text, size_t count,
                                             const std::wstring& expected, bool firstOnly)
{
    std::vector<SettingMatch> matches;
    // A variant that gives the text of an earlier one (LF breaks of a text
    // without CR LF) would only name that one's matches again.
    std::vector<std::wstring> searched;
    std::wstring variantText;
    for (const LineBreakVariant& variant : kLineBreakVariants) {
        if (!VariantText(text, count, variant, variantText)
            || std::find(searched.begin(), searched.end(), variantText) != searched.end())
            continue;
        if (SearchEncodings(provider, variantText, variant, expected, firstOnly, matches))
            break;
        searched.push_back(variantText);
    }
    return matches;
}
