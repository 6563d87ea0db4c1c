// The pipeline says when the chosen encoding replaced characters of the text, while the bytes digested stay
// those of the plain conversion: literal bytes here, digested by the separately tested one-shot engine.
#include "digest/digest_pipeline.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/provider_fixture.h"

namespace {

using E = ByteEncoding;
using EncodingLossTest = ProviderTest;

struct LossCase {
    UINT onlyIn;  // the ANSI code page the row is for; 0: any
    std::wstring text;
    E encoding;
    std::string bytes;
    UINT codePage;  // 0: nothing replaced
    size_t count, first;
    char32_t character;
};

// Characters that one ANSI code page lacks or holds and the other the other way round; Wine gives a default
// character for each unit of a surrogate pair.
TEST_F(EncodingLossTest, CountsAndLocatesWhatTheEncodingReplacedAndDigestsThePlainConversion)
{
    const UINT acp = GetACP();
    const wchar_t emoji[] = L"\U0001F600";
    const std::string emojiUtf8 = "\xF0\x9F\x98\x80", replaced = "\xEF\xBF\xBD", zhongWenGbk = "\xD6\xD0\xCE\xC4";
    // clang-format off
    const LossCase cases[] = {
        {1252, L"abc \u4F60\u597D",            E::Ansi,    "abc ??",                     1252,    2, 5, 0x4F60},
        {1252, L"\uFF21\uFF22\uFF23",          E::Ansi,    "ABC",                        1252,    3, 1, 0xFF21},  // best fit
        {1252, L"x\u221E\u03A9\u0101\u0130?",  E::Ansi,    "x8OaI?",                     1252,    4, 2, 0x221E},
        {1252, L"caf\u00E9 \u00DF",            E::Ansi,    "caf\xE9 \xDF",               0,       0, 0, 0},
        {936,  L"\u4E2D\u6587\u00DF",          E::Ansi,    zhongWenGbk + "?",            936,     1, 3, 0xDF},
        {936,  L"\u00DF",                      E::Ansi,    "?",                          936,     1, 1, 0xDF},
        {936,  L"\u4E2D\u6587",                E::Ansi,    zhongWenGbk,                  0,       0, 0, 0},
        {936,  L"\uFF21\uFF22\uFF23",          E::Ansi,    "\xA3\xC1\xA3\xC2\xA3\xC3",   0,       0, 0, 0},
        {0,    L"a" + std::wstring(emoji) + L"z", E::Ansi, "a??z",                       acp,     1, 2, 0x1F600},
        {0,    L"a\xD83Dz\xDE00",              E::Utf8,    "a" + replaced + "z" + replaced, CP_UTF8, 2, 2, 0xD83D},
        {0,    emoji + std::wstring(L"\xDC00"), E::Utf8,   emojiUtf8 + replaced,         CP_UTF8, 1, 2, 0xDC00},
        {0,    L"\u4E2D" + std::wstring(emoji), E::Utf8,   "\xE4\xB8\xAD" + emojiUtf8,   0,       0, 0, 0},
        {0,    L"a\xD800",                     E::Utf16Le, std::string("a\0\0\xD8", 4),  0,       0, 0, 0},  // holds every unit
        // A UTF-8 piece takes 87,381 units: pairs across the first boundary, a lone half in the second piece.
        {0, Repeat(emoji, 50000) + L"\xD800" L"a", E::Utf8, Repeat(emojiUtf8.c_str(), 50000) + replaced + "a", CP_UTF8, 1, 50001, 0xD800},
        // Past every ANSI piece boundary (262,144 or 131,072 units): each pair counted once, in every piece.
        {0, Repeat(emoji, 150000), E::Ansi, std::string(300000, '?'), acp, 150000, 1, 0x1F600},
    };
    // clang-format on
    for (const LossCase& c : cases) {
        if (c.onlyIn != 0 && c.onlyIn != acp)
            continue;
        const DigestTexts result = ComputeDigestTexts(m_provider, c.text.c_str(), c.text.size(), c.encoding, false);
        SCOPED_TRACE(testing::Message() << c.text.size() << " units in encoding " << int(c.encoding));
        EXPECT_EQ(Reference(c.bytes), result.texts);
        const EncodingLoss& loss = result.loss;
        EXPECT_EQ(std::tie(c.codePage, c.count, c.first, c.character),
                  std::tie(loss.codePage, loss.count, loss.firstPosition, loss.firstCharacter));
    }
}

TEST(EncodingLossNames, NameTheEncodingAndTheFirstCharacter)
{
    // clang-format off
    const struct { EncodingLoss loss; const wchar_t *encoding, *character; } cases[] = {
        {{1252, 2, 5, 0x4F60},    L"ANSI 代码页 1252", L"“你”(U+4F60)"},
        {{936, 1, 1, 0x1F600},    L"ANSI 代码页 936",  L"“\U0001F600”(U+1F600)"},
        {{CP_UTF8, 1, 2, 0xDC00}, L"UTF-8",            L"U+DC00(落单的代理项)"},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(c.encoding, EncodingLossName(c.loss));
        EXPECT_EQ(c.character, ReplacedCharacterName(c.loss));
    }
}

}  // namespace
