#include "digest/setting_search.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <iterator>
#include <thread>
#include <tuple>

#include "digest/signed_message.h"
#include "support/last_error.h"

namespace {

constexpr LineBreaks kLineBreaks[] = {LineBreaks::AsTyped, LineBreaks::Lf, LineBreaks::CrLf};
constexpr TextEnding kEndings[] = {TextEnding::AsIs, TextEnding::LfAdded, TextEnding::CrLfAdded,
                                   TextEnding::FinalBreakRemoved};
constexpr TwiceDigest kTwiceDigests[] = {TwiceDigest::Raw, TwiceDigest::LowerHex, TwiceDigest::UpperHex};
// The window's encodings, whose digests of the text as typed the digest of a digest starts from.
constexpr int kWindowEncodingOrder = 0;

// A fingerprint of UTF-16 units that grows with them: texts that differ
// almost always differ in it, so that a text is compared with the earlier
// ones only where the fingerprints agree.
struct Fingerprint {
    uint64_t value = 0;
    size_t length = 0;

    Fingerprint Then(std::wstring_view units) const
    {
        Fingerprint next = *this;
        for (wchar_t unit : units)
            next.value = next.value * 0x100000001B3ull + unit + 1;
        next.length += units.size();
        return next;
    }
    bool operator==(const Fingerprint& other) const { return value == other.value && length == other.length; }
};

// One variant of the text to digest: its form, its line breaks and its end,
// and what ends it after the body it shares with other variants.
struct Variant {
    TextForm form;
    size_t formIndex;  // 0 for the text as typed, then the table's forms in order
    LineBreaks breaks;
    TextEnding ending;
    std::wstring suffix;  // the final line break kept, and any added (ASCII)
};

// A form of the text with its line breaks written one way, before its final
// line break: the search digests it once per encoding, and each variant's
// suffix finishes a copy of the digests' state.
struct Body {
    std::wstring text;
    Fingerprint fingerprint;
    std::vector<Variant> variants;
};

// What a signer put before and after the body and how it keyed the digest: a
// signed prefix, and the key as read and used. The body's bytes are digested
// once for each signing.
struct Signing {
    std::wstring prefix;  // with its join
    PrefixJoin join = PrefixJoin::AsGiven;
    std::optional<KeySetting> key;
    CDigestKey keyBytes;
    size_t set = 0;  // the digest set: 0 the plain one, else 1 + the row of SearchPlan::setKeys
    // With the key in the message: the key's bytes stand as they were read,
    // so only encodings of one byte a unit take it.
    bool singleByteOnly = false;
};

// Everything the search digests, made from the text once for all digests.
struct SearchPlan {
    std::vector<Body> bodies;
    // The bytes the text writes out as hex or as Base64, where it is wholly either.
    std::vector<std::pair<DataReading, std::vector<BYTE>>> data;
    // How a signer may have joined a prefix and a key to the body; the first signs the body alone, as typed.
    std::vector<Signing> signings;
    // The keys the signings use as the digests' key, each once: each share keeps a digest set for each.
    std::vector<CDigestKey> setKeys;
    CauseSet tried;
};


void Try(CauseSet& tried, CauseKind kind, int value)
{
    if (const Cause* cause = FindCause(kind, value))
        tried.set(static_cast<size_t>(CauseRow(*cause)));
}

// Whether `body` + `suffix` is `other` + `otherSuffix`, without joining them: suffixes are a few units, so where
// the bodies differ in length, the longer one's end is the shorter one's suffix.
bool SameText(std::wstring_view body, std::wstring_view suffix, std::wstring_view other, std::wstring_view otherSuffix)
{
    if (body.size() + suffix.size() != other.size() + otherSuffix.size())
        return false;
    if (body.size() > other.size())
        return SameText(other, otherSuffix, body, suffix);
    const std::wstring_view beyond = other.substr(body.size());
    return other.substr(0, body.size()) == body && suffix.substr(0, beyond.size()) == beyond
        && suffix.substr(beyond.size()) == otherSuffix;
}

// Whether a planned variant has the text `body` + `suffix` already.
bool IsPlanned(const SearchPlan& plan, std::wstring_view body, const Fingerprint& fingerprint, const std::wstring& suffix)
{
    const Fingerprint whole = fingerprint.Then(suffix);
    for (const Body& earlier : plan.bodies) {
        for (const Variant& variant : earlier.variants) {
            if (earlier.fingerprint.Then(variant.suffix) == whole
                && SameText(earlier.text, variant.suffix, body, suffix))
                return true;
        }
    }
    return false;
}

// A form of the text with its line breaks written one way: its body, before its final line break, with the body's
// fingerprint, and that line break.
struct BrokenForm {
    std::wstring body;
    Fingerprint fingerprint;
    std::wstring finalBreak;
};

BrokenForm BreakForm(const std::wstring& formed, LineBreaks breaks)
{
    BrokenForm broken;
    broken.body = WithLineBreaks(formed, breaks);
    const size_t bodyLength = broken.body.size() - FinalBreakLength(broken.body);
    broken.finalBreak = broken.body.substr(bodyLength);
    broken.body.resize(bodyLength);
    broken.fingerprint = Fingerprint().Then(broken.body);
    return broken;
}

// Plans the variants of one form of the text with its line breaks written
// one way, leaving out those whose text a planned one has.
void PlanVariants(SearchPlan& plan, TextForm form, size_t formIndex, LineBreaks breaks, BrokenForm broken)
{
    std::vector<Variant> variants;
    for (TextEnding ending : kEndings) {
        if (ending == TextEnding::FinalBreakRemoved && broken.finalBreak.empty())
            continue;
        Try(plan.tried, CauseKind::Ending, static_cast<int>(ending));
        const std::wstring suffix =
            ending == TextEnding::FinalBreakRemoved ? L"" : broken.finalBreak + EndingSuffix(ending);
        const auto sameSuffix = [&suffix](const Variant& planned) { return planned.suffix == suffix; };
        if (!IsPlanned(plan, broken.body, broken.fingerprint, suffix)
            && std::none_of(variants.begin(), variants.end(), sameSuffix))
            variants.push_back({form, formIndex, breaks, ending, suffix});
    }
    if (variants.empty())
        return;
    const auto sameBody = [&broken](const Body& earlier) {
        return earlier.fingerprint == broken.fingerprint && earlier.text == broken.body;
    };
    auto shared = std::find_if(plan.bodies.begin(), plan.bodies.end(), sameBody);
    if (shared == plan.bodies.end())
        shared = plan.bodies.insert(plan.bodies.end(), {std::move(broken.body), broken.fingerprint, {}});
    shared->variants.insert(shared->variants.end(), variants.begin(), variants.end());
}

// Threads for `tasks` tasks: one a processor, at most four. A long text's forms and searches take seconds on one.
size_t ThreadsFor(size_t tasks)
{
    constexpr size_t kMaxThreads = 4;
    return std::max<size_t>(1, std::min({size_t(std::thread::hardware_concurrency()), kMaxThreads, tasks}));
}

// Runs work(0) here and work(1) ... work(threads - 1) on threads of their own.
void RunSideBySide(size_t threads, const std::function<void(size_t)>& work)
{
    std::vector<std::thread> helpers;
    for (size_t share = 1; share < threads; ++share)
        helpers.emplace_back(work, share);
    work(0);
    for (std::thread& helper : helpers)
        helper.join();
}

// A form of the text as the platform made it, if it could, with its line breaks written each way; none where it is
// the text as typed.
struct MadeForm {
    bool made = false;
    bool asTyped = false;
    std::vector<BrokenForm> broken;
};

std::vector<MadeForm> MakeForms(const std::wstring& text, const std::vector<TextForm>& forms)
{
    std::vector<MadeForm> made(forms.size());
    std::atomic<size_t> next {0};
    RunSideBySide(ThreadsFor(forms.size()), [&](size_t) {
        for (size_t index = next++; index < forms.size(); index = next++) {
            MadeForm& form = made[index];
            std::wstring formed;
            form.made = TextInForm(text, forms[index], formed);
            form.asTyped = index != 0 && formed == text;
            for (LineBreaks breaks : kLineBreaks) {
                if (form.made && !form.asTyped)
                    form.broken.push_back(BreakForm(formed, breaks));
            }
        }
    });
    return made;
}

// The forms of the text in the search's order; the ones the platform cannot make are left out.
void PlanBodies(const std::wstring& text, SearchPlan& plan)
{
    std::vector<TextForm> forms = {TextForm::AsTyped};
    for (int row = 0; row < kCauseCount; ++row) {
        if (kCauses[row].kind == CauseKind::Form)
            forms.push_back(static_cast<TextForm>(kCauses[row].value));
    }
    std::vector<MadeForm> made = MakeForms(text, forms);
    for (size_t formIndex = 0; formIndex < forms.size(); ++formIndex) {
        if (!made[formIndex].made)
            continue;
        Try(plan.tried, CauseKind::Form, static_cast<int>(forms[formIndex]));
        // Most forms leave most texts as they are: then every variant is one of the typed text's.
        if (made[formIndex].asTyped)
            continue;
        for (size_t way = 0; way < std::size(kLineBreaks); ++way) {
            Try(plan.tried, CauseKind::LineBreaks, static_cast<int>(kLineBreaks[way]));
            PlanVariants(plan, forms[formIndex], formIndex, kLineBreaks[way], std::move(made[formIndex].broken[way]));
        }
    }
}

// The text read as data, where it wholly is hex or Base64.
void PlanData(const std::wstring& text, SearchPlan& plan)
{
    for (DataReading reading : {DataReading::Hex, DataReading::Base64}) {
        std::vector<BYTE> bytes;
        if (!ReadTextAsData(text, reading, bytes))
            continue;
        plan.data.emplace_back(reading, std::move(bytes));
        Try(plan.tried, CauseKind::Data, static_cast<int>(reading));
    }
}

bool SameKey(const CDigestKey& a, const CDigestKey& b)
{
    return a.Length() == b.Length() && std::equal(a.Bytes(), a.Bytes() + a.Length(), b.Bytes());
}

// The keys a signer may have read from the one the user holds, each once: the readings and endings the table
// has, the key as typed first.
std::vector<std::pair<KeySetting, CDigestKey>> KeyReadings(const CGivenKey& given, CauseSet& tried)
{
    std::vector<std::pair<KeySetting, CDigestKey>> keys;
    for (int readingRow = 0; readingRow < kCauseCount; ++readingRow) {
        if (kCauses[readingRow].kind != CauseKind::KeyReading)
            continue;
        for (KeyEnding ending : {KeyEnding::AsIs, KeyEnding::LfAdded, KeyEnding::CrLfAdded, KeyEnding::Trimmed}) {
            KeySetting setting;
            setting.reading = static_cast<KeyReading>(kCauses[readingRow].value);
            setting.ending = ending;
            CDigestKey key;
            const auto same = [&key](const auto& earlier) { return SameKey(earlier.second, key); };
            if (!given.Read(setting, key) || std::any_of(keys.begin(), keys.end(), same))
                continue;
            keys.emplace_back(setting, key);
            tried.set(static_cast<size_t>(readingRow));
            Try(tried, CauseKind::KeyEnding, static_cast<int>(ending));
        }
    }
    return keys;
}

// The key's uses in the order of the table: the digest's key, then the key in the message; a text put into the
// message is a text the signer read.
void PlanKeyedSignings(const CGivenKey& given, Signing base, SearchPlan& plan)
{
    const std::vector<std::pair<KeySetting, CDigestKey>> keys = KeyReadings(given, plan.tried);
    for (int useRow = 0; useRow < kCauseCount; ++useRow) {
        if (kCauses[useRow].kind != CauseKind::KeyUse)
            continue;
        const KeyUse use = static_cast<KeyUse>(kCauses[useRow].value);
        const bool keysTheDigest = use == KeyUse::Keyed || use == KeyUse::AppendedKeyed;
        const bool inMessage = use != KeyUse::Keyed && use != KeyUse::None;
        for (const auto& [setting, key] : keys) {
            if (use == KeyUse::None && &key != &keys.front().second)
                break;
            if (inMessage && !ReadsText(setting.reading))
                continue;
            Signing signing = base;
            signing.key = setting;
            signing.key->use = use;
            signing.keyBytes = key;
            signing.singleByteOnly = inMessage;
            if (keysTheDigest) {
                const auto sameKey = [&key](const CDigestKey& planned) { return SameKey(planned, key); };
                const auto planned = std::find_if(plan.setKeys.begin(), plan.setKeys.end(), sameKey);
                signing.set = 1 + static_cast<size_t>(planned - plan.setKeys.begin());
                if (planned == plan.setKeys.end())
                    plan.setKeys.push_back(key);
            }
            plan.signings.push_back(signing);
            plan.tried.set(static_cast<size_t>(useRow));
        }
    }
}

// The prefixes a sender may have signed before the body: none, then the one given by the user (as given, with
// "." and with ":") or else by a timestamped header; each with every use of the key.
void PlanSignings(const SearchScope& scope, const ExpectedDigest& expected, SearchPlan& plan)
{
    std::vector<Signing> prefixed(1);
    if (!scope.prefix.empty()) {
        for (PrefixJoin join : {PrefixJoin::AsGiven, PrefixJoin::Dot, PrefixJoin::Colon}) {
            const wchar_t* joined = join == PrefixJoin::Dot ? L"." : join == PrefixJoin::Colon ? L":" : L"";
            prefixed.emplace_back();
            prefixed.back().prefix = scope.prefix + joined;
            prefixed.back().join = join;
        }
    } else if (!expected.signedPrefix.empty()) {
        prefixed.emplace_back();
        prefixed.back().prefix = expected.signedPrefix;
    }
    for (const Signing& base : prefixed) {
        if (!base.prefix.empty())
            Try(plan.tried, CauseKind::Prefix, static_cast<int>(base.join));
        if (scope.key)
            PlanKeyedSignings(*scope.key, base, plan);
        else
            plan.signings.push_back(base);
    }
}

// An encoding as the search tries it: a row of the table, with or without its mark.
struct SearchEncoding {
    const Cause* row;
    bool mark;
    int order;
};

Encoding EncodingOf(const SearchEncoding& tried) { return EncodingOf(*tried.row); }

bool InScope(const SearchScope& scope, const SearchEncoding& tried)
{
    const Encoding encoding = EncodingOf(tried);
    const bool sameEncoding = !scope.encoding
        || (scope.encoding->kind == encoding.kind && CodePageOf(*scope.encoding) == CodePageOf(encoding));
    return sameEncoding && (!scope.byteOrderMarkOnly || tried.mark);
}

// The encodings in `scope` in the search's order, with their marks; a code
// page the system lacks is left out.
std::vector<SearchEncoding> EncodingsInScope(const SearchScope& scope)
{
    const int markOrder = FindCause(CauseKind::Mark, 0)->order;
    std::vector<SearchEncoding> encodings;
    for (int row = 0; row < kCauseCount; ++row) {
        const Cause& cause = kCauses[row];
        if (cause.kind != CauseKind::Encoding)
            continue;
        const Encoding encoding = EncodingOf(cause);
        if (encoding.kind == ByteEncoding::CodePage && !IsValidCodePage(CodePageOf(encoding)))
            continue;
        for (bool mark : {false, true}) {
            const SearchEncoding tried = {&cause, mark, mark ? std::max(cause.order, markOrder) : cause.order};
            if ((!mark || !ByteOrderMark(encoding).empty()) && InScope(scope, tried))
                encodings.push_back(tried);
        }
    }
    std::stable_sort(encodings.begin(), encodings.end(),
                     [](const SearchEncoding& a, const SearchEncoding& b) { return a.order < b.order; });
    return encodings;
}

// ASCII `units` (line breaks, the terminator) as the encoding writes them.
std::string AsciiIn(std::wstring_view units, Encoding encoding)
{
    std::string bytes;
    for (wchar_t unit : units) {
        const char byte = static_cast<char>(unit);
        if (encoding.kind == ByteEncoding::Utf16Be)
            bytes += '\0';
        bytes += byte;
        if (encoding.kind == ByteEncoding::Utf16Le)
            bytes += '\0';
    }
    return bytes;
}

// A match, and its place among the others.
struct OrderedMatch {
    SettingMatch match;
    std::tuple<bool, int, size_t, int, int, size_t, size_t, bool> place;
};

// One thread's share of the search for one selection of digests: the bodies
// it takes in every encoding; the first share then adds the others' findings
// and digests the data readings and the digests of the digests.
class CSearch {
public:
    CSearch(HCRYPTPROV provider, DigestSelection selection, const ExpectedDigest& expected, const SearchScope& scope,
            const SearchPlan& plan, const std::atomic<bool>& stop, std::atomic<bool>& halt)
        : m_provider(provider),
          m_selection(selection),
          m_expected(expected),
          m_scope(scope),
          m_plan(plan),
          m_stop(stop),
          m_halt(halt)
    {
        m_sets.emplace_back(provider, DigestRequest(selection));
        for (const CDigestKey& key : plan.setKeys)
            m_sets.emplace_back(provider, DigestRequest(KeyedSelection(selection, key), {key}));
    }

    // Runs the bodies that `next` hands out until there are none left, the
    // search is stopped or a share failed.
    void RunBodies(std::atomic<size_t>& next);
    // Takes what another share found and tried.
    void TakeFrom(CSearch& other);
    // Digests the data readings and the digests of the digests, and gives the result.
    void Finish(SearchResult& result);

private:
    // A digest set of the share, with a second that finishes copies of its state.
    struct SetPair {
        SetPair(HCRYPTPROV provider, const DigestRequest& request)
            : selection(request.selected), running(provider, request), copy(provider, request)
        {
        }
        DigestSelection selection;
        CDigestSet running, copy;
    };
    // Where a match stands among its equals: form, line breaks, ending, encoding, signing, terminator.
    using Place = std::tuple<size_t, int, int, size_t, size_t, bool>;

    // The rows of `selection` that take `key`.
    static DigestSelection KeyedSelection(DigestSelection selection, const CDigestKey& key);
    bool Stopped();
    bool RunBody(const Body& body);
    bool Pass(const Body& body, size_t encodingIndex, const std::string& bytes, const EncodingLoss& loss);
    bool Sign(const Body& body, size_t encodingIndex, size_t signingIndex, const std::string& bytes,
              const EncodingLoss& loss);
    bool FinishVariant(SetPair& set, const TextSetting& setting, const std::string& suffix, const EncodingLoss& loss,
                       const Place& where);
    bool DigestData(DataReading reading, const std::vector<BYTE>& bytes);
    bool DigestTwice();
    void Compare(const std::array<DigestValue, kDigestCount>& values, DigestSelection selection,
                 const SettingMatch& match, int order, const Place& where);
    bool Failed(const std::wstring& failure);

    HCRYPTPROV m_provider;
    DigestSelection m_selection;
    // The plain set first, then one for each of the plan's keys.
    std::deque<SetPair> m_sets;
    const ExpectedDigest& m_expected;
    const SearchScope& m_scope;
    const SearchPlan& m_plan;
    const std::atomic<bool>& m_stop;
    // Set when a share failed: the others stop too.
    std::atomic<bool>& m_halt;
    std::vector<SearchEncoding> m_encodings = EncodingsInScope(m_scope);
    // The digests of the text as typed in each of the window's encodings, which a digest of a digest starts from.
    struct TypedDigests {
        size_t encodingIndex;
        Encoding encoding;
        EncodingLoss loss;
        std::array<DigestValue, kDigestCount> values;
    };
    std::vector<TypedDigests> m_typedDigests;
    std::vector<OrderedMatch> m_found;
    CauseSet m_tried;
    std::wstring m_failure;
    bool m_stopped = false;
};

bool CSearch::Stopped()
{
    m_stopped = m_stopped || m_stop.load(std::memory_order_relaxed);
    return m_stopped || m_halt.load(std::memory_order_relaxed);
}

bool CSearch::Failed(const std::wstring& failure)
{
    m_failure = failure;
    m_halt = true;
    return false;
}

DigestSelection CSearch::KeyedSelection(DigestSelection selection, const CDigestKey& key)
{
    for (int row = 0; row < kDigestCount; ++row)
        selection[row] = selection[row] && KeyRefusal(row, key.Length()).empty();
    return selection;
}

void CSearch::Compare(const std::array<DigestValue, kDigestCount>& values, DigestSelection selection,
                      const SettingMatch& match, int order, const Place& where)
{
    for (int row = 0; row < kDigestCount; ++row) {
        if (!selection[row] || !m_expected.Is(values[row]))
            continue;
        SettingMatch found = match;
        found.row = row;
        m_found.push_back({found, std::tuple_cat(std::make_tuple(match.loss.count != 0, order), where)});
    }
}

bool CSearch::FinishVariant(SetPair& set, const TextSetting& base, const std::string& suffix,
                            const EncodingLoss& loss, const Place& where)
{
    for (bool withTerminator : {false, true}) {
        // A signature's message ends with its body: a counted terminator is a text's.
        if ((m_scope.terminatorOnly && !withTerminator) || (withTerminator && (base.key || !base.prefix.empty())))
            continue;
        TextSetting setting = base;
        setting.withTerminator = withTerminator;
        const std::string bytes = suffix + (withTerminator ? AsciiIn(std::wstring(1, L'\0'), setting.encoding) : "");
        set.copy.CopyStateFrom(set.running);
        set.copy.Update(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
        std::array<DigestValue, kDigestCount> values;
        std::wstring failure;
        if (!set.copy.FinishValues(values, failure))
            return Failed(failure);
        if (withTerminator)
            Try(m_tried, CauseKind::Terminator, 0);
        Place place = where;
        std::get<5>(place) = withTerminator;
        Compare(values, set.selection, {setting, 0, loss}, SettingOrder(setting), place);
        const bool typedAsIs = setting.form == TextForm::AsTyped && setting.lineBreaks.breaks == LineBreaks::AsTyped
            && setting.lineBreaks.ending == TextEnding::AsIs && !setting.byteOrderMark && !withTerminator
            && !setting.key && setting.prefix.empty();
        if (typedAsIs && SettingOrder(setting) == kWindowEncodingOrder)
            m_typedDigests.push_back({std::get<3>(where), setting.encoding, loss, values});
    }
    return true;
}

bool CSearch::Pass(const Body& body, size_t encodingIndex, const std::string& bytes, const EncodingLoss& loss)
{
    const SearchEncoding& tried = m_encodings[encodingIndex];
    for (size_t signing = 0; signing < m_plan.signings.size(); ++signing) {
        if (!Sign(body, encodingIndex, signing, bytes, loss))
            return false;
    }
    m_tried.set(static_cast<size_t>(CauseRow(*tried.row)));
    if (tried.mark)
        Try(m_tried, CauseKind::Mark, 0);
    return true;
}

// One signing of the body in one encoding: what comes before the body, the body, and each variant's end.
bool CSearch::Sign(const Body& body, size_t encodingIndex, size_t signingIndex, const std::string& bytes,
                   const EncodingLoss& loss)
{
    const SearchEncoding& tried = m_encodings[encodingIndex];
    const Encoding encoding = EncodingOf(tried);
    const Signing& signing = m_plan.signings[signingIndex];
    // A mark starts a file, not a signature's message.
    const bool signature = signing.key || !signing.prefix.empty();
    if ((signature && tried.mark) || (signing.singleByteOnly && ZeroUnitBytes(encoding) != 1))
        return true;
    TextSetting around;
    around.encoding = encoding;
    around.key = signing.key;
    around.prefix = signing.prefix;
    SignedMessage message;
    EncodingLoss prefixLoss;
    if (!SignedMessageAround(around, signing.keyBytes, message, prefixLoss))
        return Failed(LastErrorString());
    const std::string before = std::string(tried.mark ? ByteOrderMark(encoding) : std::string_view()) + message.before;
    SetPair& set = m_sets[signing.set];
    set.running.Reset();
    set.running.Update(reinterpret_cast<const BYTE*>(before.data()), static_cast<DWORD>(before.size()));
    set.running.Update(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    for (const Variant& variant : body.variants) {
        TextSetting setting;
        setting.encoding = encoding;
        setting.byteOrderMark = tried.mark;
        setting.lineBreaks = {variant.breaks, variant.ending};
        setting.form = variant.form;
        setting.key = signing.key;
        setting.prefix = signing.prefix;
        setting.prefixJoin = signing.join;
        const Place where = {variant.formIndex, static_cast<int>(variant.breaks), static_cast<int>(variant.ending),
                             encodingIndex, signingIndex, false};
        if (!FinishVariant(set, setting, AsciiIn(variant.suffix, encoding) + message.after, loss, where))
            return false;
    }
    return true;
}

bool CSearch::RunBody(const Body& body)
{
    // The bytes each single-byte encoding gave this body, by code page: a code page that gives the same bytes as an
    // earlier one (the ANSI code page by its number, or another that writes this text alike) says nothing new, and
    // is no code page the search tried: a "none" names each code page once, and only where it gave bytes of its own.
    std::vector<std::pair<UINT, std::string>> earlierBytes;
    for (size_t index = 0; index < m_encodings.size(); ++index) {
        if (Stopped())
            return false;
        const SearchEncoding& tried = m_encodings[index];
        // A row is encoded once, and passed with and without its mark then.
        const auto sameRow = [&tried](const SearchEncoding& other) { return other.row == tried.row; };
        if (std::any_of(m_encodings.begin(), m_encodings.begin() + index, sameRow))
            continue;
        const Encoding encoding = EncodingOf(tried);
        const UINT number = CodePageOf(encoding);
        const bool codePage = encoding.kind == ByteEncoding::CodePage;
        if (codePage && !HoldsEveryCharacter(number, body.text.c_str(), body.text.size()))
            continue;
        const auto sameNumber = [number](const auto& earlier) { return earlier.first == number; };
        if (codePage && std::any_of(earlierBytes.begin(), earlierBytes.end(), sameNumber))
            continue;
        std::string bytes;
        bytes.reserve(body.text.size() * 3);
        EncodingLoss loss;
        const auto append = [&bytes](const BYTE* piece, DWORD length) {
            bytes.append(reinterpret_cast<const char*>(piece), length);
        };
        if (!EncodeTextInPieces(body.text.c_str(), body.text.size(), encoding, append, loss))
            return Failed(LastErrorString());
        const auto sameBytes = [&bytes](const auto& earlier) { return earlier.second == bytes; };
        if (codePage && std::any_of(earlierBytes.begin(), earlierBytes.end(), sameBytes))
            continue;
        for (size_t entry = index; entry < m_encodings.size(); ++entry) {
            if (sameRow(m_encodings[entry]) && !Pass(body, entry, bytes, loss))
                return false;
        }
        if (ZeroUnitBytes(encoding) == 1)
            earlierBytes.emplace_back(number, std::move(bytes));
    }
    return true;
}

bool CSearch::DigestData(DataReading reading, const std::vector<BYTE>& bytes)
{
    SetPair& plain = m_sets.front();
    plain.running.Reset();
    plain.running.Update(bytes.data(), static_cast<DWORD>(bytes.size()));
    std::array<DigestValue, kDigestCount> values;
    std::wstring failure;
    if (!plain.running.FinishValues(values, failure))
        return Failed(failure);
    TextSetting setting;
    setting.data = reading;
    Compare(values, plain.selection, {setting, 0, {}}, SettingOrder(setting), {0, 0, 0, 0, 0, false});
    return true;
}

// Each digest of the text as typed, digested again by its own algorithm.
bool CSearch::DigestTwice()
{
    for (size_t typed = 0; typed < m_typedDigests.size(); ++typed) {
        const TypedDigests& digests = m_typedDigests[typed];
        for (int row = 0; row < kDigestCount; ++row) {
            if (!m_selection[row])
                continue;
            for (TwiceDigest twice : kTwiceDigests) {
                const std::string bytes = TwiceDigestInput(digests.values[row], twice);
                const DigestTexts second = DigestBytes(m_provider, reinterpret_cast<const BYTE*>(bytes.data()),
                                                       bytes.size(), DigestSelection().set(static_cast<size_t>(row)));
                if (second.failed[row])
                    return Failed(second.texts[row]);
                TextSetting setting;
                setting.encoding = digests.encoding;
                setting.twice = twice;
                Compare(second.values, m_selection, {setting, 0, digests.loss}, SettingOrder(setting),
                        {typed, 0, 0, 0, 0, false});
                Try(m_tried, CauseKind::Twice, static_cast<int>(twice));
            }
        }
    }
    return true;
}

void CSearch::RunBodies(std::atomic<size_t>& next)
{
    for (size_t body = next++; body < m_plan.bodies.size() && RunBody(m_plan.bodies[body]); body = next++) { }
}

void CSearch::TakeFrom(CSearch& other)
{
    m_found.insert(m_found.end(), other.m_found.begin(), other.m_found.end());
    m_typedDigests.insert(m_typedDigests.end(), other.m_typedDigests.begin(), other.m_typedDigests.end());
    m_tried |= other.m_tried;
    m_stopped = m_stopped || other.m_stopped;
    if (m_failure.empty())
        m_failure = other.m_failure;
}

void CSearch::Finish(SearchResult& result)
{
    // The window's encodings in its order, whichever share digested them.
    std::sort(m_typedDigests.begin(), m_typedDigests.end(),
              [](const TypedDigests& a, const TypedDigests& b) { return a.encodingIndex < b.encodingIndex; });
    bool finished = !Stopped() && m_failure.empty();
    for (const auto& [reading, bytes] : m_plan.data)
        finished = finished && !Stopped() && DigestData(reading, bytes);
    finished = finished && !Stopped() && DigestTwice();
    result.cancelled = m_stopped;
    result.failure = m_failure;
    result.tried = m_tried | m_plan.tried;
    result.digests |= m_selection;
    if (!finished)
        return;
    std::stable_sort(m_found.begin(), m_found.end(),
                     [](const OrderedMatch& a, const OrderedMatch& b) { return a.place < b.place; });
    for (const OrderedMatch& ordered : m_found)
        result.matches.push_back(ordered.match);
}

// The search of one selection of digests, its bodies spread over the processors.
void Search(HCRYPTPROV provider, DigestSelection selection, const ExpectedDigest& expected, const SearchScope& scope,
            const std::atomic<bool>& stop, const SearchPlan& plan, SearchResult& result)
{
    std::atomic<bool> halt {false};
    std::atomic<size_t> next {0};
    std::deque<CSearch> shares;
    const size_t threads = ThreadsFor(plan.bodies.size());
    for (size_t share = 0; share < threads; ++share)
        shares.emplace_back(provider, selection, expected, scope, plan, stop, halt);
    RunSideBySide(threads, [&](size_t share) { shares[share].RunBodies(next); });
    for (size_t share = 1; share < shares.size(); ++share)
        shares.front().TakeFrom(shares[share]);
    shares.front().Finish(result);
}

}  // namespace

SearchResult FindSettingsGiving(HCRYPTPROV provider, const wchar_t* text, size_t count, const ExpectedDigest& expected,
                                const SearchScope& scope, const std::atomic<bool>& stop)
{
    SearchResult result;
    SearchPlan plan;
    const std::wstring typed(text, count);
    PlanBodies(typed, plan);
    PlanData(typed, plan);
    PlanSignings(scope, expected, plan);
    const DigestSelection searchable = expected.digests & scope.digests;
    // The window's digests first: another algorithm is the less likely cause.
    for (const DigestSelection selection : {searchable & ShownDigests(), searchable & ~ShownDigests()}) {
        if (selection.any() && result.matches.empty() && result.failure.empty() && !result.cancelled)
            Search(provider, selection, expected, scope, stop, plan, result);
    }
    return result;
}

std::wstring BeyondTheSearchWords(bool keyGiven, const wchar_t* howToGiveKey)
{
    if (keyGiven)
        return L"加了盐的摘要不能由文本和密钥求出。";
    return std::wstring(L"如果这是带密钥的签名（HMAC 等），") + howToGiveKey + L"给出密钥再查；加了盐的摘要不能只由文本求出。";
}

std::wstring TriedCausesWords(const SearchResult& result, const SearchScope& scope, const wchar_t* separator,
                              const std::function<std::wstring(Encoding)>& encodingName)
{
    const auto tried = [&result](const Cause& cause) { return result.tried[static_cast<size_t>(CauseRow(cause))]; };
    // The brief words of the tried causes that `belong`, after `first`.
    const auto join = [&](std::wstring first, const std::function<bool(const Cause&)>& belongs,
                          const std::function<std::wstring(const Cause&)>& words) {
        for (int row = 0; row < kCauseCount; ++row) {
            const std::wstring said = belongs(kCauses[row]) && tried(kCauses[row]) ? words(kCauses[row]) : L"";
            if (!said.empty())
                first += (first.empty() ? L"" : L"、") + said;
        }
        return first;
    };
    // A row without brief words is named with the row above it.
    const auto ifAny = [](const wchar_t* before, const std::wstring& words) {
        return words.empty() ? words : before + words;
    };
    const auto brief = [](const Cause& cause) { return std::wstring(cause.brief != nullptr ? cause.brief : L""); };
    const auto isKind = [](CauseKind kind) { return [kind](const Cause& cause) { return cause.kind == kind; }; };
    const auto isCodePage = [](const Cause& cause) {
        return cause.kind == CauseKind::Encoding && EncodingOf(cause).kind == ByteEncoding::CodePage;
    };
    std::wstring encodings = join(
        L"", [&](const Cause& cause) { return cause.kind == CauseKind::Encoding && !isCodePage(cause); },
        [&](const Cause& cause) { return encodingName(EncodingOf(cause)); });
    if (tried(*FindCause(CauseKind::Mark, 0)))
        encodings += scope.byteOrderMarkOnly ? L"（都带 BOM）" : L"（带或不带 BOM）";
    const std::wstring codePages =
        join(L"", isCodePage, [](const Cause& cause) { return std::to_wstring(CodePageOf(EncodingOf(cause))); });
    const std::wstring readings = join(L"", isKind(CauseKind::Data), brief);
    const std::wstring twice = join(L"", isKind(CauseKind::Twice), brief);
    const std::wstring groups[] = {
        encodings.empty() ? L"" : L"编码 " + encodings,
        codePages.empty() ? L"" : L"代码页 " + codePages + L"（能原样表示文本时）",
        scope.terminatorOnly                              ? L"包含终结符"
            : tried(*FindCause(CauseKind::Terminator, 0)) ? L"有无终结符"
                                                          : L"不含终结符",
        join(L"换行照原样", isKind(CauseKind::LineBreaks), brief),
        join(L"末尾照原样", isKind(CauseKind::Ending), brief),
        join(L"文本照原样", isKind(CauseKind::Form), brief),
        readings,
        twice.empty() ? L"" : L"摘要的摘要（" + twice + L"）",
        ifAny(L"正文前的文本：", join(L"", isKind(CauseKind::Prefix), brief)),
        ifAny(L"密钥按 ", join(L"", isKind(CauseKind::KeyReading), brief)),
        ifAny(L"密钥末尾照原样、", join(L"", isKind(CauseKind::KeyEnding), brief)),
        ifAny(L"密钥用作 ", join(L"", isKind(CauseKind::KeyUse), brief)),
    };
    std::wstring words;
    for (const std::wstring& group : groups) {
        if (!group.empty())
            words += (words.empty() ? L"" : separator) + group;
    }
    return words;
}
