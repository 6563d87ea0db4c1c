#include "digest/setting_search.h"

#include <algorithm>
#include <iterator>

#include "digest/expected_digest.h"
#include "support/last_error.h"

namespace {

// An encoding as the search tries it, and the stage of the search it belongs
// to: the window's three first, then with their byte-order marks, then
// UTF-16BE.
struct SearchEncoding {
    ByteEncoding encoding;
    bool byteOrderMark;
    int stage;
};

// clang-format off
constexpr SearchEncoding kEncodings[] = {
    {ByteEncoding::Ansi,    false, 0},
    {ByteEncoding::Utf16Le, false, 0},
    {ByteEncoding::Utf8,    false, 0},
    {ByteEncoding::Utf8,    true,  1},
    {ByteEncoding::Utf16Le, true,  1},
    {ByteEncoding::Utf16Be, false, 2},
    {ByteEncoding::Utf16Be, true,  2},
};
// clang-format on

// The other forms of the text, tried one at a time after every encoding and
// line-break variant of the text as typed.
constexpr TextForm kForms[] = {TextForm::Nfc,       TextForm::Nfd,       TextForm::Nfkc,
                               TextForm::UpperCase, TextForm::LowerCase, TextForm::LineEndsTrimmed,
                               TextForm::Trimmed};
constexpr int kFirstFormStage = 3;
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

const wchar_t* FormWords(TextForm form)
{
    switch (form) {
    case TextForm::Nfc:
        return L"文本为 NFC 组合形式";
    case TextForm::Nfd:
        return L"文本为 NFD 分解形式";
    case TextForm::Nfkc:
        return L"文本为 NFKC 兼容形式（全角字母、数字和标点换成半角）";
    case TextForm::UpperCase:
        return L"文本转为大写";
    case TextForm::LowerCase:
        return L"文本转为小写";
    case TextForm::LineEndsTrimmed:
        return L"去掉每行末尾的空白";
    case TextForm::Trimmed:
        return L"去掉文本首尾的空白";
    case TextForm::InvisiblesDropped:
    case TextForm::PlainPunctuation:
    case TextForm::EscapesRead:
    case TextForm::JsonEscaped:
    case TextForm::AsTyped:
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
// base) and its end treated one way, or another form of the text as typed.
struct Variant {
    LineBreakVariant lineBreaks;
    TextForm form;
    std::wstring text;
    int formStage;  // for another form: its stage of the search
};

// Adds the variant unless an earlier one has its text already: it would only
// name that one's matches again.
void AddDistinct(std::vector<Variant>& variants, Variant variant)
{
    const auto same = [&variant](const Variant& earlier) { return earlier.text == variant.text; };
    if (std::none_of(variants.begin(), variants.end(), same))
        variants.push_back(std::move(variant));
}

// The variants in search order: every line-break variant of the text, then
// each other form of it that the platform can make.
std::vector<Variant> DistinctVariants(const wchar_t* text, size_t count)
{
    std::vector<Variant> variants;
    for (LineBreaks breaks : kLineBreaks) {
        const std::wstring base = WithLineBreaks(text, count, breaks);
        const size_t finalBreak = FinalBreakLength(base);
        for (TextEnding ending : kEndings) {
            if (ending == TextEnding::FinalBreakRemoved && finalBreak == 0)
                continue;
            AddDistinct(variants,
                        {{breaks, ending},
                         TextForm::AsTyped,
                         ending == TextEnding::FinalBreakRemoved ? base.substr(0, base.size() - finalBreak)
                                                                 : base + EndingSuffix(ending),
                         0});
        }
    }
    const std::wstring typed(text, count);
    for (size_t i = 0; i < std::size(kForms); ++i) {
        std::wstring formed;
        if (TextInForm(typed, kForms[i], formed))
            AddDistinct(variants,
                        {{LineBreaks::AsTyped, TextEnding::AsIs},
                         kForms[i],
                         std::move(formed),
                         kFirstFormStage + static_cast<int>(i)});
    }
    return variants;
}

// A match and its place in the search order, to sort the matches by.
struct OrderedMatch {
    SettingMatch match;
    int stage;
    size_t variant, encoding;
};

// Digests the variants of one base in one encoding with one pass over the
// text: the base before its final line break is digested once, and each
// ending and terminator finishes a copy of the digests' state.
class CBasePass {
public:
    CBasePass(HCRYPTPROV provider, DigestSelection selection, const ExpectedDigest& expected, const SearchScope& scope,
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
    void FeedMark(CDigestSet& set);
    bool Finish(size_t variantIndex, const std::wstring& suffix, std::vector<OrderedMatch>& matches);

    CDigestSet m_running, m_copy;
    const ExpectedDigest& m_expected;
    const SearchScope& m_scope;
    const std::vector<Variant>& m_variants;
    size_t m_encodingIndex = 0;
    EncodingLoss m_loss;
    std::wstring m_failure;
};

bool CBasePass::Feed(CDigestSet& set, const std::wstring& units)
{
    if (FeedEncodedText(units.c_str(), units.size(), kEncodings[m_encodingIndex].encoding, set, m_loss))
        return true;
    m_failure = LastErrorString();
    return false;
}

void CBasePass::FeedMark(CDigestSet& set)
{
    const SearchEncoding& encoding = kEncodings[m_encodingIndex];
    const std::string_view mark = encoding.byteOrderMark ? ByteOrderMark(encoding.encoding) : std::string_view();
    set.Update(reinterpret_cast<const BYTE*>(mark.data()), static_cast<DWORD>(mark.size()));
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
        const SearchEncoding& encoding = kEncodings[m_encodingIndex];
        const Variant& variant = m_variants[variantIndex];
        const TextSetting setting = {encoding.encoding, encoding.byteOrderMark, withTerminator, variant.lineBreaks,
                                     variant.form};
        const int stage = variant.form == TextForm::AsTyped ? encoding.stage : variant.formStage;
        const DigestSelection matching = MatchingDigests(digests, m_expected);
        for (int row = 0; row < kDigestCount; ++row) {
            if (matching[row])
                matches.push_back({{setting, row, m_loss}, stage, variantIndex, m_encodingIndex});
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
    FeedMark(m_running);
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

// The indexes of the line-break variants whose line breaks are written as `breaks`.
std::vector<size_t> VariantsOfBase(const std::vector<Variant>& variants, LineBreaks breaks)
{
    std::vector<size_t> indexes;
    for (size_t i = 0; i < variants.size(); ++i) {
        if (variants[i].form == TextForm::AsTyped && variants[i].lineBreaks.breaks == breaks)
            indexes.push_back(i);
    }
    return indexes;
}

bool InScope(const SearchScope& scope, const SearchEncoding& encoding)
{
    return (!scope.encoding || *scope.encoding == encoding.encoding)
        && (!scope.byteOrderMarkOnly || encoding.byteOrderMark);
}

// Every setting in `scope` for the `selection` of digests.
SearchResult SearchDigests(HCRYPTPROV provider, const wchar_t* text, size_t count, const std::vector<Variant>& variants,
                           const ExpectedDigest& expected, const SearchScope& scope, DigestSelection selection)
{
    SearchResult result;
    std::vector<OrderedMatch> found;
    CBasePass pass(provider, selection, expected, scope, variants);
    for (size_t encoding = 0; encoding < std::size(kEncodings); ++encoding) {
        if (!InScope(scope, kEncodings[encoding]))
            continue;
        bool passed = true;
        for (LineBreaks breaks : kLineBreaks) {
            const std::vector<size_t> ofBase = VariantsOfBase(variants, breaks);
            passed =
                passed && (ofBase.empty() || pass.Run(WithLineBreaks(text, count, breaks), ofBase, encoding, found));
        }
        for (size_t i = 0; i < variants.size(); ++i) {
            if (variants[i].form != TextForm::AsTyped)
                passed = passed && pass.Run(variants[i].text, {i}, encoding, found);
        }
        if (!passed) {
            result.failure = pass.Failure();
            return result;
        }
    }
    // The simplest explanation first: no replaced characters, then the search's order.
    std::stable_sort(found.begin(), found.end(), [](const OrderedMatch& a, const OrderedMatch& b) {
        const bool aLost = a.match.loss.count != 0, bLost = b.match.loss.count != 0;
        if (aLost != bLost)
            return !aLost;
        if (a.stage != b.stage)
            return a.stage < b.stage;
        return a.variant != b.variant ? a.variant < b.variant : a.encoding < b.encoding;
    });
    for (const OrderedMatch& ordered : found)
        result.matches.push_back(ordered.match);
    return result;
}

}  // namespace

std::wstring TextFormWords(TextForm form) { return FormWords(form); }

std::wstring LineBreakWords(const LineBreakVariant& variant)
{
    std::wstring words = BreaksWords(variant.breaks);
    const std::wstring ending = EndingWords(variant.ending);
    if (!words.empty() && !ending.empty())
        words += kWordSeparator;
    return words + ending;
}

SearchResult FindSettingsGiving(HCRYPTPROV provider, const wchar_t* text, size_t count, const ExpectedDigest& expected,
                                const SearchScope& scope)
{
    SearchResult result;
    const DigestSelection searchable = expected.digests & scope.digests;
    const std::vector<Variant> variants = DistinctVariants(text, count);
    // The window's digests first: another algorithm is the less likely cause.
    for (const DigestSelection selection : {searchable & ShownDigests(), searchable & ~ShownDigests()}) {
        if (selection.any() && result.matches.empty() && result.failure.empty())
            result = SearchDigests(provider, text, count, variants, expected, scope, selection);
    }
    return result;
}
