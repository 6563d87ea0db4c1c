#include "digest/encoding_loss.h"

#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <mutex>

namespace {

bool IsSurrogate(wchar_t unit) { return IS_HIGH_SURROGATE(unit) || IS_LOW_SURROGATE(unit); }

enum UnitKind : unsigned char { kHeld = 0, kLost = 1, kSurrogate = 2 };

// What a code page does with each UTF-16 unit, found once for all of
// them with a few conversions that refuse best fit: a text may hold any number
// of different characters, and asking for each of its units would cost more
// than converting it. The code page converts each unit on its own (one
// character of one or two bytes), so a unit is lost where its character is the
// default one; the code page has no character beyond the Basic Multilingual
// Plane, so every surrogate is lost.
class CodePageUnitKinds {
public:
    explicit CodePageUnitKinds(UINT codePage)
    {
        CPINFO info = {};
        GetCPInfo(codePage, &info);
        bool lead[256] = {};
        for (int i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
            for (int byte = info.LeadByte[i]; byte <= info.LeadByte[i + 1]; ++byte)
                lead[byte] = true;
        }
        for (unsigned first = 0; first < 0x10000; first += kChunkUnits)
            FindLost(codePage, info, lead, first);
    }
    UnitKind Kind(wchar_t unit) const { return m_kinds[unit]; }

private:
    static constexpr unsigned kChunkUnits = 2048;

    void FindLost(UINT codePage, const CPINFO& info, const bool (&lead)[256], unsigned first)
    {
        wchar_t units[kChunkUnits];
        for (unsigned i = 0; i < kChunkUnits; ++i)
            units[i] = IsSurrogate(wchar_t(first + i)) ? L'?' : wchar_t(first + i);
        char bytes[2 * kChunkUnits];
        const int count = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, units, kChunkUnits, bytes, sizeof(bytes),
                                              nullptr, nullptr);
        const size_t defaultLength = info.DefaultChar[1] != 0 ? 2 : 1;
        for (unsigned i = 0, at = 0; i < kChunkUnits && int(at) < count; ++i) {
            const size_t length = lead[BYTE(bytes[at])] ? 2 : 1;
            const bool replaced = length == defaultLength && memcmp(bytes + at, info.DefaultChar, length) == 0;
            m_kinds[first + i] = KindOf(wchar_t(first + i), replaced);
            at += unsigned(length);
        }
    }

    // Every code page tried holds ASCII, the default character itself too.
    static UnitKind KindOf(wchar_t unit, bool convertedToDefault)
    {
        if (IsSurrogate(unit))
            return UnitKind(kLost | kSurrogate);
        return convertedToDefault && unit >= 0x80 ? kLost : kHeld;
    }

    UnitKind m_kinds[0x10000] = {};
};

// Each code page's kinds, found when it is first asked for: the ANSI code
// page on every run, others when a search or the console asks. A search runs
// beside the window's own digests, so the cache has a lock.
const CodePageUnitKinds& UnitKindsOf(UINT codePage)
{
    static std::mutex lock;
    static std::map<UINT, std::unique_ptr<CodePageUnitKinds>> kinds;
    const std::lock_guard<std::mutex> held(lock);
    std::unique_ptr<CodePageUnitKinds>& found = kinds[codePage];
    if (!found)
        found = std::make_unique<CodePageUnitKinds>(codePage);
    return *found;
}

size_t CharacterLength(const wchar_t* text, size_t at, size_t end)
{
    return at + 1 < end && IS_SURROGATE_PAIR(text[at], text[at + 1]) ? 2 : 1;
}

char32_t CodePoint(const wchar_t* units, size_t length)
{
    return length == 2 ? 0x10000 + ((char32_t(units[0]) - 0xD800) << 10) + (char32_t(units[1]) - 0xDC00)
                       : char32_t(units[0]);
}

// Characters in the first `units` units of `text`.
size_t CharactersBefore(const wchar_t* text, size_t units)
{
    size_t characters = 0;
    for (size_t at = 0; at < units; at += CharacterLength(text, at, units))
        ++characters;
    return characters;
}

// Adds `count` replaced characters, the first of them at unit `at`.
void Note(UINT codePage, const wchar_t* text, size_t at, size_t end, size_t count, EncodingLoss& loss)
{
    if (loss.count == 0) {
        loss.codePage = codePage;
        loss.firstPosition = CharactersBefore(text, at) + 1;
        loss.firstCharacter = CodePoint(text + at, CharacterLength(text, at, end));
    }
    loss.count += count;
}

size_t PairsIn(const wchar_t* text, size_t start, size_t end)
{
    size_t pairs = 0;
    for (size_t at = start; at + 1 < end; ++at)
        pairs += IS_SURROGATE_PAIR(text[at], text[at + 1]);
    return pairs;
}

// A text the code page lacks characters of may be long and lack nearly all of
// them: the walk adds up the units' kinds without a branch, and looks further
// only where something was lost.
void NoteCodePageLosses(UINT codePage, const wchar_t* text, size_t start, size_t end, EncodingLoss& loss)
{
    const CodePageUnitKinds& kinds = UnitKindsOf(codePage);
    size_t lostUnits = 0;
    unsigned seen = 0;
    for (size_t at = start; at < end; ++at) {
        const UnitKind kind = kinds.Kind(text[at]);
        lostUnits += kind & kLost;
        seen |= kind;
    }
    if (lostUnits == 0)
        return;
    // Both units of a pair are lost, and the pair is one character.
    const size_t characters = (seen & kSurrogate) != 0 ? lostUnits - PairsIn(text, start, end) : lostUnits;
    size_t first = start;
    while (kinds.Kind(text[first]) == kHeld)
        ++first;
    Note(codePage, text, first, end, characters, loss);
}

// UTF-8 holds every character but half a pair.
void NoteLoneSurrogates(const wchar_t* text, size_t start, size_t end, EncodingLoss& loss)
{
    for (size_t at = start; at < end; at += CharacterLength(text, at, end)) {
        if (IsSurrogate(text[at]) && CharacterLength(text, at, end) == 1)
            Note(CP_UTF8, text, at, end, 1, loss);
    }
}

}  // namespace

void NoteReplacedCharacters(UINT codePage, const wchar_t* text, size_t start, size_t length, EncodingLoss& loss)
{
    if (codePage == CP_UTF8)
        NoteLoneSurrogates(text, start, start + length, loss);
    else
        NoteCodePageLosses(codePage, text, start, start + length, loss);
}

bool HoldsEveryCharacter(UINT codePage, const wchar_t* text, size_t count)
{
    const CodePageUnitKinds& kinds = UnitKindsOf(codePage);
    unsigned seen = 0;
    for (size_t at = 0; at < count; ++at)
        seen |= kinds.Kind(text[at]);
    return seen == kHeld;
}

std::wstring CodePageName(UINT codePage)
{
    if (codePage == CP_UTF8)
        return L"UTF-8";
    return (codePage == GetACP() ? L"ANSI 代码页 " : L"代码页 ") + std::to_wstring(codePage);
}

std::wstring EncodingLossName(const EncodingLoss& loss) { return CodePageName(loss.codePage); }

std::wstring ReplacedCharacterName(const EncodingLoss& loss)
{
    wchar_t codePoint[16];
    std::swprintf(codePoint, 16, L"U+%04X", static_cast<unsigned>(loss.firstCharacter));
    if (loss.firstCharacter >= 0xD800 && loss.firstCharacter <= 0xDFFF)
        return std::wstring(codePoint) + L"(落单的代理项)";
    std::wstring character;
    if (loss.firstCharacter > 0xFFFF) {
        character += wchar_t(0xD800 + ((loss.firstCharacter - 0x10000) >> 10));
        character += wchar_t(0xDC00 + ((loss.firstCharacter - 0x10000) & 0x3FF));
    } else {
        character += wchar_t(loss.firstCharacter);
    }
    return L"“" + character + L"”(" + codePoint + L")";
}

std::wstring EncodingLossSentence(const EncodingLoss& loss, const LossWording& wording)
{
    return EncodingLossName(loss) + L" 不能原样表示" + wording.where + L"的 " + std::to_wstring(loss.count) + L" 个字符"
        + wording.comma + L"转换时换成了别的字符" + wording.comma + wording.digests + L"对应换过之后的字节"
        + wording.stop + L"第一个是第 " + std::to_wstring(loss.firstPosition) + L" 个字符" + ReplacedCharacterName(loss)
        + wording.wayOut;
}
