// The pipeline says when the chosen encoding replaced characters of the text, while the bytes digested stay
// those of the plain conversion: literal bytes here, digested by the separately tested one-shot engine.
#include "digest/digest_pipeline.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/last_error.h"
#include "tests/support/provider_fixture.h"

namespace {

using E = ByteEncoding;

struct LossCase {
    std::wstring text;
    E encoding;
    std::string bytes;
    UINT codePage;  // 0: nothing replaced
    size_t count, firstPosition;
    char32_t firstCharacter;
};

auto Fields(const EncodingLoss& loss)
{
    return std::make_tuple(loss.codePage, loss.count, loss.firstPosition, loss.firstCharacter);
}

// Wine gives a default character for each unit of a surrogate pair.
const std::wstring kEmoji = L"\U0001F600";

std::wstring Repeat16(const std::wstring& piece, size_t times)
{
    std::wstring text;
    for (size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

// Characters that one ANSI code page lacks or holds and the other the other way round.
std::vector<LossCase> AnsiCases()
{
    if (GetACP() == 936) {
        return {
            {L"a" + kEmoji + L"z", E::Ansi, "a??z", 936, 1, 2, 0x1F600},
            {L"\u4E2D\u6587\u00DF", E::Ansi, "\xD6\xD0\xCE\xC4?", 936, 1, 3, 0xDF},
            {L"\u00DF", E::Ansi, "?", 936, 1, 1, 0xDF},
            {L"\u4E2D\u6587", E::Ansi, "\xD6\xD0\xCE\xC4", 0, 0, 0, 0},
            {L"\uFF21\uFF22\uFF23", E::Ansi, "\xA3\xC1\xA3\xC2\xA3\xC3", 0, 0, 0, 0},
        };
    }
    return {
        {L"abc \u4F60\u597D", E::Ansi, "abc ??", 1252, 2, 5, 0x4F60},
        // Best fit: nothing reports a default character here.
        {L"\uFF21\uFF22\uFF23", E::Ansi, "ABC", 1252, 3, 1, 0xFF21},
        {L"x\u221E\u03A9\u0101\u0130?", E::Ansi, "x8OaI?", 1252, 4, 2, 0x221E},
        {L"a" + kEmoji + L"z", E::Ansi, "a??z", 1252, 1, 2, 0x1F600},
        {L"caf\u00E9 \u00DF", E::Ansi, "caf\xE9 \xDF", 0, 0, 0, 0},
    };
}

const LossCase kEveryCodePageCases[] = {
    {L"a\xD83Dz\xDE00", E::Utf8, "a\xEF\xBF\xBDz\xEF\xBF\xBD", CP_UTF8, 2, 2, 0xD83D},
    {kEmoji + L"\xDC00", E::Utf8, "\xF0\x9F\x98\x80\xEF\xBF\xBD", CP_UTF8, 1, 2, 0xDC00},
    {L"\u4E2D" + kEmoji, E::Utf8, "\xE4\xB8\xAD\xF0\x9F\x98\x80", 0, 0, 0, 0},
    // UTF-16LE holds every unit, a lone surrogate too.
    {L"a\xD800", E::Utf16Le, std::string("a\0\0\xD8", 4), 0, 0, 0, 0},
    // A UTF-8 piece takes 87,381 units: pairs across the first boundary, a lone half in the second piece.
    {Repeat16(kEmoji, 50000) + L"\xD800" + L"a", E::Utf8,
     Repeat("\xF0\x9F\x98\x80", 50000)
         + "\xEF\xBF\xBD"
           "a",
     CP_UTF8, 1, 50001, 0xD800},
};

}  // namespace

class EncodingLossTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(AcquireHashProvider(&m_provider, PROV_RSA_AES, nullptr)) << LastErrorText(); }
    void TearDown() override { CryptReleaseContext(m_provider, 0); }

    void Expect(const LossCase& c)
    {
        const DigestTexts result = ComputeDigestTexts(m_provider, c.text.c_str(), c.text.size(), c.encoding, false);
        SCOPED_TRACE(testing::Message() << c.text.size() << " units in encoding " << int(c.encoding));
        EXPECT_EQ(ReferenceDigests(m_provider, c.bytes), result.texts);
        EXPECT_EQ(std::make_tuple(c.codePage, c.count, c.firstPosition, c.firstCharacter), Fields(result.loss));
    }

    HCRYPTPROV m_provider = 0;
};

TEST_F(EncodingLossTest, CountsAndLocatesWhatTheEncodingReplacedAndDigestsThePlainConversion)
{
    for (const LossCase& c : AnsiCases())
        Expect(c);
    for (const LossCase& c : kEveryCodePageCases)
        Expect(c);
    // Past every ANSI piece boundary (262,144 or 131,072 units): each pair counted once, in every piece.
    const UINT ansi = GetACP();
    Expect({Repeat16(kEmoji, 150000), E::Ansi, std::string(300000, '?'), ansi, 150000, 1, 0x1F600});
}

// Known answers (MD5 by Python's hashlib) of texts the window showed without a word about what was replaced.
TEST_F(EncodingLossTest, KeepsTheDigestsOfTheBytesTheConversionGives)
{
    const struct {
        std::wstring text;
        E encoding;
        UINT codePage;  // 0: any
        const wchar_t* md5;
    } cases[] = {
        {L"abc \u4F60\u597D", E::Ansi, 1252, L"20803F205012BBD66AC54FA097BEC262"},    // abc ??
        {L"\uFF21\uFF22\uFF23", E::Ansi, 1252, L"902FBDD2B1DF0C4F70B4A5D23525E932"},  // ABC
        {L"a" + kEmoji + L"b", E::Ansi, 0, L"5C04ABB6B0CAB26B9DF5BAA55E1A21D7"},      // a??b
        {L"a\xD83Dz\xDE00", E::Utf8, 0, L"019C8E0518C6F4A11EB043D6EBD2F425"},         // a EF BF BD z EF BF BD
    };
    for (const auto& c : cases) {
        if (c.codePage != 0 && c.codePage != GetACP())
            continue;
        const DigestTexts result = ComputeDigestTexts(m_provider, c.text.c_str(), c.text.size(), c.encoding, false);
        EXPECT_EQ(c.md5, result.texts[1]);
        EXPECT_NE(0u, result.loss.count) << c.md5;
    }
}

TEST(EncodingLossNames, NameTheEncodingAndTheFirstCharacter)
{
    const struct {
        EncodingLoss loss;
        const wchar_t *encoding, *character;
    } cases[] = {
        {{1252, 2, 5, 0x4F60}, L"ANSI 代码页 1252", L"“你”(U+4F60)"},
        {{936, 1, 1, 0x1F600}, L"ANSI 代码页 936", L"“\U0001F600”(U+1F600)"},
        {{CP_UTF8, 1, 2, 0xDC00}, L"UTF-8", L"U+DC00(落单的代理项)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.encoding, EncodingLossName(c.loss));
        EXPECT_EQ(c.character, ReplacedCharacterName(c.loss));
    }
}
