#include "digest/setting_search.h"

#include <algorithm>
#include <iterator>

#include "digest/expected_digest.h"
#include "support/last_error.h"

namespace {

constexpr ByteEncoding kEncodings[] = {ByteEncoding::Ansi, ByteEncoding::Utf16Le, ByteEncoding::Utf8};
constexpr LineBreaks kLineBreaks[] = {LineBreaks::AsTyped, LineBreaks::Lf, LineBreaks::CrLf};
constexpr TextEnding kEndings[] = {TextEnding::AsIs, TextEnding::LfAdded, TextEnding::CrLfAdded,
                                   TextEnding::FinalBreakRemoved};

constexpr wchar_t kWordSeparator[] = L"，";

const wchar_t* BreaksWords(LineBreaks breaks)
{
    switch (breaks) {
    case LineBreaks::Lf:
        return L"换行为 LF";
    case LineBreaks::CrLf:
        return L"换行为 CR LF";
    case LineBreaks::AsTyped:
        break;
    }
    return L"";
}

const wchar_t* EndingWords(TextEnding ending)
{
    switch (ending) {
    case TextEnding::LfAdded:
        return L"末尾加一个换行 (LF)";
    case TextEnding::CrLfAdded:
        return L"末尾加一个换行 (CR LF)";
    case TextEnding::FinalBreakRemoved:
        return L"去掉末尾的换行";
    case TextEnding::AsIs:
        break;
    }
    return L"";
}

// What each ending appends to the text, before any terminator.
const wchar_t* EndingSuffix(TextEnding ending)
{
    return ending == TextEnding::LfAdded ? L"\n" : ending == TextEnding::CrLfAdded ? L"\r\n" : L"";
}

// The text with every line break written as `breaks`; a lone CR is no line
// break and stays.
std::wstring WithLineBreaks(const wchar_t* text, size_t count, LineBreaks breaks)
{
    if (breaks == LineBreaks::AsTyped)
        return std::wstring(text, count);
    std::wstring result;
    result.reserve(count + count / 16);
    for (size_t i = 0; i < count; ++i) {
        const bool crBeforeLf = text[i] == L'\r' && i + 1 < count && text[i + 1] == L'\n';
        const bool lfAlone = text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r');
        if (breaks == LineBreaks::Lf && crBeforeLf)
            continue;
        if (breaks == LineBreaks::CrLf && lfAlone)
            result += L'\r';
        result += text[i];
    }
    return result;
}

// Units of the line break that ends `text` (LF or CR LF); 0 when none does.
size_t FinalBreakLength(const std::wstring& text)
{
    if (text.empty() || text.back() != L'\n')
        return 0;
    return text.size() > 1 && text[text.size() - 2] == L'\r' ? 2 : 1;
}

// One variant of the text to digest: its line breaks written one way (the
// base) and its end treated one way.
struct Variant {
    LineBreakVariant lineBreaks;
    std::wstring text;
};

// The variants in search order; one that gives the text of an earlier one
// would only name that one's matches again and is left out.
std::vector<Variant> DistinctVariants(const wchar_t* text, size_t count)
{
    std::vector<Variant> variants;
    for (LineBreaks breaks : kLineBreaks) {
        const std::wstring base = WithLineBreaks(text, count, breaks);
        const size_t finalBreak = FinalBreakLength(base);
        for (TextEnding ending : kEndings) {
            if (ending == TextEnding::FinalBreakRemoved && finalBreak == 0)
                continue;
            const std::wstring variant = ending == TextEnding::FinalBreakRemoved
                ? base.substr(0, base.size() - finalBreak)
                : base + EndingSuffix(ending);
            const auto same = [&variant](const Variant& earlier) { return earlier.text == variant; };
            if (std::none_of(variants.begin(), variants.end(), same))
                variants.push_back({{breaks, ending}, variant});
        }
    }
    return variants;
}

// A match and its place in the search order, to sort the matches by.
struct OrderedMatch {
    SettingMatch match;
    size_t variant, encoding;
};

// Digests the variants of one base in one encoding with one pass over the
// text: the base before its final line break is digested once, and each
// ending and terminator finishes a copy of the digests' state.
class CBasePass {
public:
    CBasePass(HCRYPTPROV provider, DigestSelection selection, const std::wstring& expected, const SearchScope& scope,
              const std::vector<Variant>& variants)
        : m_running(provider, selection),
          m_copy(provider, selection),
          m_expected(expected),
          m_scope(scope),
          m_variants(variants)
    {
    }

    // Digests the variants `ofBase` (indexes into the variants) of `base`;
    // false with Failure() set when a digest or a conversion failed.
    bool Run(const std::wstring& base, const std::vector<size_t>& ofBase, size_t encodingIndex,
             std::vector<OrderedMatch>& matches);
    const std::wstring& Failure() const { return m_failure; }

private:
    bool Feed(CDigestSet& set, const std::wstring& units);
    bool Finish(size_t variantIndex, const std::wstring& suffix, std::vector<OrderedMatch>& matches);

    CDigestSet m_running, m_copy;
    const std::wstring& m_expected;
    const SearchScope& m_scope;
    const std::vector<Variant>& m_variants;
    size_t m_encodingIndex = 0;
    EncodingLoss m_loss;
    std::wstring m_failure;
};

bool CBasePass::Feed(CDigestSet& set, const std::wstring& units)
{
    if (FeedEncodedText(units.c_str(), units.size(), kEncodings[m_encodingIndex], set, m_loss))
        return true;
    m_failure = LastErrorString();
    return false;
}

bool CBasePass::Finish(size_t variantIndex, const std::wstring& suffix, std::vector<OrderedMatch>& matches)
{
    for (bool withTerminator : {false, true}) {
        if (m_scope.terminatorOnly && !withTerminator)
            continue;
        m_copy.CopyStateFrom(m_running);
        if (!Feed(m_copy, withTerminator ? suffix + L'\0' : suffix))
            return false;
        const DigestTexts digests = m_copy.Finish();
        const auto failed = std::find(digests.failed.begin(), digests.failed.end(), true);
        if (failed != digests.failed.end()) {
            m_failure = digests.texts[static_cast<size_t>(failed - digests.failed.begin())];
            return false;
        }
        const TextSetting setting = {kEncodings[m_encodingIndex], withTerminator, m_variants[variantIndex].lineBreaks};
        const DigestSelection matching = MatchingDigests(digests, m_expected);
        for (int row = 0; row < kDigestCount; ++row) {
            if (matching[row])
                matches.push_back({{setting, row, m_loss}, variantIndex, m_encodingIndex});
        }
    }
    return true;
}

bool CBasePass::Run(const std::wstring& base, const std::vector<size_t>& ofBase, size_t encodingIndex,
                    std::vector<OrderedMatch>& matches)
{
    m_encodingIndex = encodingIndex;
    m_loss = EncodingLoss();
    const size_t finalBreak = FinalBreakLength(base);
    m_running.Reset();
    if (!Feed(m_running, base.substr(0, base.size() - finalBreak)))
        return false;
    for (size_t i : ofBase) {
        if (m_variants[i].lineBreaks.ending == TextEnding::FinalBreakRemoved && !Finish(i, L"", matches))
            return false;
    }
    if (!Feed(m_running, base.substr(base.size() - finalBreak)))
        return false;
    for (size_t i : ofBase) {
        const TextEnding ending = m_variants[i].lineBreaks.ending;
        if (ending != TextEnding::FinalBreakRemoved && !Finish(i, EndingSuffix(ending), matches))
            return false;
    }
    return true;
}

// The indexes of the variants whose line breaks are written as `breaks`.
std::vector<size_t> VariantsOfBase(const std::vector<Variant>& variants, LineBreaks breaks)
{
    std::vector<size_t> indexes;
    for (size_t i = 0; i < variants.size(); ++i) {
        if (variants[i].lineBreaks.breaks == breaks)
            indexes.push_back(i);
    }
    return indexes;
}

}  // namespace

std::wstring LineBreakWords(const LineBreakVariant& variant)
{
    std::wstring words = BreaksWords(variant.breaks);
    const std::wstring ending = EndingWords(variant.ending);
    if (!words.empty() && !ending.empty())
        words += kWordSeparator;
    return words + ending;
}

SearchResult FindSettingsGiving(HCRYPTPROV provider, const wchar_t* text, size_t count, const std::wstring& expected,
                                const SearchScope& scope)
{
    SearchResult result;
    const DigestSelection selection = DigestsOfHexLength(expected.size()) & scope.digests;
    if (selection.none())
        return result;
    const std::vector<Variant> variants = DistinctVariants(text, count);
    std::vector<OrderedMatch> found;
    CBasePass pass(provider, selection, expected, scope, variants);
    for (size_t encoding = 0; encoding < std::size(kEncodings); ++encoding) {
        if (scope.encoding && *scope.encoding != kEncodings[encoding])
            continue;
        for (LineBreaks breaks : kLineBreaks) {
            const std::vector<size_t> ofBase = VariantsOfBase(variants, breaks);
            if (!ofBase.empty() && !pass.Run(WithLineBreaks(text, count, breaks), ofBase, encoding, found)) {
                result.failure = pass.Failure();
                return result;
            }
        }
    }
    // The simplest explanation first: no replaced characters, then the search's order.
    std::stable_sort(found.begin(), found.end(), [](const OrderedMatch& a, const OrderedMatch& b) {
        const bool aLost = a.match.loss.count != 0, bLost = b.match.loss.count != 0;
        return aLost != bLost ? !aLost
            : a.variant != b.variant ? a.variant < b.variant
                                     : a.encoding < b.encoding;
    });
    for (const OrderedMatch& ordered : found)
        result.matches.push_back(ordered.match);
    return result;
}
