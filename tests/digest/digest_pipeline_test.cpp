// The digests of a text's bytes in each encoding, and what the encoding replaced: literal bytes here, digested
// by the separately tested one-shot engine.
#include "digest/digest_pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <tuple>

#include "tests/support/provider_fixture.h"
#include "tests/support/temp_file.h"

namespace {

using E = ByteEncoding;
using DigestPipeline = ProviderTest;

auto Fields(const EncodingLoss& loss)
{
    return std::make_tuple(loss.codePage, loss.count, loss.firstPosition, loss.firstCharacter);
}

struct EncodingCase {
    UINT onlyIn;  // the ANSI code page the row is for; 0: any
    std::wstring text;
    E encoding;
    bool terminator;
    std::string bytes;  // none: no digests
    EncodingLoss loss;  // none, or the code page, the characters replaced and the first one's position and value
};

// What a code page lacks, holds or replaces by a look-alike ("best fit") differs between 1252 and 936; Wine gives
// a default character for each half of a surrogate pair. The whole text is digested, past the 131,071 units an
// edit box keeps in a fixed buffer, and in pieces of the 262,144-byte conversion buffer (87,381 units of UTF-8,
// 262,144 or 131,072 of ANSI) that never part a pair.
TEST_F(DigestPipeline, DigestsTheWholeEncodedTextAndSaysWhatTheEncodingReplaced)
{
    const UINT acp = GetACP();
    const std::wstring emoji = L"\U0001F600";
    const std::string zero(1, '\0'), emojiUtf8 = "\xF0\x9F\x98\x80", replaced = "\xEF\xBF\xBD";
    const std::string zhongWenGbk = "\xD6\xD0\xCE\xC4";
    // clang-format off
    const EncodingCase cases[] = {
        {0,    L"",                           E::Utf8,    false, "",                                  {}},
        {0,    L"",                           E::Ansi,    true,  zero,                                {}},
        {0,    L"abc",                        E::Ansi,    false, "abc",                               {}},
        {0,    L"abc",                        E::Ansi,    true,  "abc" + zero,                        {}},
        {0,    L"abc",                        E::Utf8,    true,  "abc" + zero,                        {}},
        {0,    L"abc",                        E::Utf16Le, false, std::string("a\0b\0c\0", 6),        {}},
        {0,    L"abc",                        E::Utf16Le, true,  std::string("a\0b\0c\0\0\0", 8),    {}},
        {0,    L"a\r\nb",                     E::Utf16Le, false, std::string("a\0\r\0\n\0b\0", 8),    {}},
        {0,    L"\u4E2D\u6587",               E::Utf8,    false, "\xE4\xB8\xAD\xE6\x96\x87",          {}},
        {0,    L"\u4E2D" + emoji,             E::Utf8,    false, "\xE4\xB8\xAD" + emojiUtf8,           {}},
        {0,    L"a\xD800",                    E::Utf16Le, false, std::string("a\0\0\xD8", 4),        {}},  // holds every unit
        {0,    L"a" + emoji + L"z",           E::Ansi,    false, "a??z",                              {acp, 1, 2, 0x1F600}},
        {0,    L"a\xD83Dz\xDE00",             E::Utf8,    false, "a" + replaced + "z" + replaced,    {CP_UTF8, 2, 2, 0xD83D}},
        {0,    emoji + L"\xDC00",             E::Utf8,    false, emojiUtf8 + replaced,               {CP_UTF8, 1, 2, 0xDC00}},
        {1252, L"abc \u4F60\u597D",           E::Ansi,    false, "abc ??",                            {1252, 2, 5, 0x4F60}},
        {1252, L"\uFF21\uFF22\uFF23",         E::Ansi,    false, "ABC",                               {1252, 3, 1, 0xFF21}},
        {1252, L"x\u221E\u03A9\u0101\u0130?", E::Ansi,    false, "x8OaI?",                            {1252, 4, 2, 0x221E}},
        {1252, L"caf\u00E9 \u00DF",           E::Ansi,    false, "caf\xE9 \xDF",                      {}},
        {1252, L"a\u0080",                    E::Ansi,    false, "a?",                                {1252, 1, 2, 0x80}},  // below U+0100, not in 1252
        {936,  L"\u4E2D\u6587",               E::Ansi,    true,  zhongWenGbk + zero,                  {}},
        {936,  L"\u4E2D\u6587\u00DF",         E::Ansi,    false, zhongWenGbk + "?",                   {936, 1, 3, 0xDF}},
        {936,  L"\u00DF",                     E::Ansi,    false, "?",                                 {936, 1, 1, 0xDF}},
        {936,  L"\uFF21\uFF22\uFF23",         E::Ansi,    false, "\xA3\xC1\xA3\xC2\xA3\xC3",          {}},
        {0, Repeat(L"\u4E2D", 140000),          E::Utf16Le, false, Repeat("\x2D\x4E", 140000),        {}},
        {0, Repeat(emoji.c_str(), 50000) + L"\xD800" L"a", E::Utf8, false, Repeat(emojiUtf8.c_str(), 50000) + replaced + "a", {CP_UTF8, 1, 50001, 0xD800}},
        {0, Repeat(emoji.c_str(), 150000),      E::Ansi,    false, std::string(300000, '?'),            {acp, 150000, 1, 0x1F600}},
    };
    // clang-format on
    for (const EncodingCase& c : cases) {
        if (c.onlyIn != 0 && c.onlyIn != acp)
            continue;
        const DigestTexts result =
            ComputeDigestTexts(m_provider, c.text.c_str(), c.text.size(), c.encoding, c.terminator);
        SCOPED_TRACE(testing::Message() << c.text.size() << " units in encoding " << int(c.encoding));
        EXPECT_EQ(!c.bytes.empty(), result.hasDigests);
        EXPECT_EQ(c.bytes.empty() ? SevenTexts() : Reference(c.bytes), result.texts);
        EXPECT_EQ(Fields(c.loss), Fields(result.loss));
    }
}

TEST(EncodingLossNames, NameTheEncodingAndTheFirstCharacter)
{
    // The system's code page is the ANSI one; another is a code page by its number.
    const auto ansi = [](UINT codePage) { return std::wstring(GetACP() == codePage ? L"ANSI " : L""); };
    // clang-format off
    const struct { EncodingLoss loss; std::wstring encoding, character; } cases[] = {
        {{1252, 2, 5, 0x4F60},    ansi(1252) + L"代码页 1252", L"“你”(U+4F60)"},
        {{936, 1, 1, 0x1F600},    ansi(936) + L"代码页 936",   L"“\U0001F600”(U+1F600)"},
        {{CP_UTF8, 1, 2, 0xDC00}, L"UTF-8",               L"U+DC00(落单的代理项)"},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(c.encoding, EncodingLossName(c.loss));
        EXPECT_EQ(c.character, ReplacedCharacterName(c.loss));
    }
}

// The digest set underneath, fed as the console program feeds it files: one set, reset for every file.
TEST_F(DigestPipeline, ASetFedInPiecesOfAnySizeGivesTheDigestsOfTheWhole)
{
    const std::string bytes = PatternBytes(1000);
    CDigestSet set(m_provider);
    for (size_t pieceSize : {1, 63, 64, 65, 127, 128, 129, 1000}) {  // around the 64- and 128-byte blocks
        set.Reset();
        for (size_t offset = 0; offset < bytes.size(); offset += pieceSize) {
            set.Update(reinterpret_cast<const BYTE*>(bytes.data()) + offset,
                       static_cast<DWORD>(std::min(pieceSize, bytes.size() - offset)));
            set.Update(nullptr, 0);
        }
        EXPECT_EQ(kPattern1000Digests, set.Finish().texts) << "pieces of " << pieceSize;
    }
}

TEST_F(DigestPipeline, AFailedProviderDigestShowsItsFailureAndTheRestAreRight)
{
    HCRYPTPROV dss = 0;  // MD5 and SHA-1 but no MD4
    ASSERT_TRUE(CryptAcquireContextW(&dss, nullptr, nullptr, PROV_DSS, CRYPT_VERIFYCONTEXT));
    const DigestTexts result = ComputeDigestTexts(dss, L"abc", 3, ByteEncoding::Utf8, false);
    CryptReleaseContext(dss, 0);
    EXPECT_EQ(0u, result.texts[0].rfind(L"创建HASH对象失败:", 0)) << result.texts[0];
    SevenTexts expected = kAbcDigests;
    expected[0] = LastErrorText();
    EXPECT_EQ(expected, result.texts);
    EXPECT_EQ((std::array<bool, kDigestCount> {true}), result.failed);
}

// The digest table's order and computing classes, and that a selection computes its rows alone.
TEST_F(DigestPipeline, EachRowOfTheTableGivesItsKnownDigestAloneOrWithTheOthers)
{
    EXPECT_EQ(kAbcDigests, ComputeDigestTexts(m_provider, L"abc", 3, ByteEncoding::Utf8, false).texts);
    SevenTexts all = kAbcDigests;
    std::copy(kAbcDigestsBeyondSeven.begin(), kAbcDigestsBeyondSeven.end(), all.begin() + kShownDigestCount);
    EXPECT_EQ(all, ComputeDigestTexts(m_provider, L"abc", 3, ByteEncoding::Utf8, false, AllDigests()).texts);
    for (int row = 0; row < kDigestCount; ++row) {
        SevenTexts alone;
        alone[row] = all[row];
        const DigestSelection selected = DigestSelection().set(row);
        EXPECT_EQ(alone, ComputeDigestTexts(m_provider, L"abc", 3, ByteEncoding::Utf8, false, selected).texts);
    }
}

// A count the conversion's int or the UTF-16LE byte count's DWORD cannot hold is refused before any unit is
// read: the reason in every slot, and no digests for the copy link.
TEST_F(DigestPipeline, ATextTooLongToConvertShowsTheReasonInEverySlot)
{
    SevenTexts reason;
    std::fill_n(reason.begin(), kShownDigestCount, L"转换文本编码失败:文本过长.");
    for (ByteEncoding encoding : {ByteEncoding::Ansi, ByteEncoding::Utf8, ByteEncoding::Utf16Le}) {
        const DigestTexts result = ComputeDigestTexts(m_provider, L"abc", INT_MAX, encoding, false);
        EXPECT_EQ(reason, result.texts) << int(encoding);
        EXPECT_EQ((std::array<bool, kDigestCount> {true, true, true, true, true, true, true}), result.failed);
        EXPECT_FALSE(result.hasDigests);
    }
}

}  // namespace
