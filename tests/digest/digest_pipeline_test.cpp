#include "digest/digest_pipeline.h"

#include <gtest/gtest.h>

#include <climits>

#include "tests/support/provider_fixture.h"

using DigestPipeline = ProviderTest;

TEST_F(DigestPipeline, DigestsExactlyTheWholeEncodedText)
{
    using E = ByteEncoding;
    const std::string chineseAnsi = GetACP() == 936 ? "\xD6\xD0\xCE\xC4" : "??";
    const std::string zero(1, '\0');
    // clang-format off
    const struct { std::wstring text; E encoding; bool terminator; std::string bytes; } cases[] = {
        {L"",             E::Utf8,    false, ""},  // no bytes, no digests
        {L"",             E::Ansi,    true,  zero},
        {L"abc",          E::Ansi,    false, "abc"},
        {L"abc",          E::Ansi,    true,  "abc" + zero},
        {L"abc",          E::Utf8,    true,  "abc" + zero},
        {L"abc",          E::Utf16Le, false, std::string("a\0b\0c\0", 6)},
        {L"abc",          E::Utf16Le, true,  std::string("a\0b\0c\0\0\0", 8)},
        {L"a\r\nb",       E::Utf16Le, false, std::string("a\0\r\0\n\0b\0", 8)},
        {L"\u4E2D\u6587", E::Ansi,    true,  chineseAnsi + zero},
        {L"\u4E2D\u6587", E::Utf8,    false, "\xE4\xB8\xAD\xE6\x96\x87"},
        // Past the 131,071 units an edit box gives a fixed buffer and the 262,144-byte conversion buffer,
        // which takes 87,381 units of UTF-8 at a time: a surrogate pair across that boundary stays whole.
        {std::wstring(140000, L'\u4E2D'), E::Utf16Le, false, Repeat("\x2D\x4E", 140000)},
        {std::wstring(87380, L'\u4E2D') + L"\xD83D\xDE00" + std::wstring(2620, L'\u4E2D'), E::Utf8, false,
         Repeat("\xE4\xB8\xAD", 87380) + "\xF0\x9F\x98\x80" + Repeat("\xE4\xB8\xAD", 2620)},
    };
    // clang-format on
    for (const auto& c : cases) {
        const DigestTexts result =
            ComputeDigestTexts(m_provider, c.text.c_str(), c.text.size(), c.encoding, c.terminator);
        EXPECT_EQ(!c.bytes.empty(), result.hasDigests);
        EXPECT_EQ(c.bytes.empty() ? SevenTexts() : Reference(c.bytes), result.texts)
            << c.text.size() << " units in encoding " << int(c.encoding);
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
    for (int row = 0; row < kDigestCount; ++row) {
        SevenTexts alone;
        alone[row] = kAbcDigests[row];
        const DigestSelection selected = DigestSelection().set(row);
        EXPECT_EQ(alone, ComputeDigestTexts(m_provider, L"abc", 3, ByteEncoding::Utf8, false, selected).texts);
    }
}

// A count the conversion's int or the UTF-16LE byte count's DWORD cannot hold is refused before any unit is
// read: the reason in every slot, and no digests for the copy link.
TEST_F(DigestPipeline, ATextTooLongToConvertShowsTheReasonInEverySlot)
{
    SevenTexts reason;
    reason.fill(L"转换文本编码失败:文本过长.");
    for (ByteEncoding encoding : {ByteEncoding::Ansi, ByteEncoding::Utf8, ByteEncoding::Utf16Le}) {
        const DigestTexts result = ComputeDigestTexts(m_provider, L"abc", INT_MAX, encoding, false);
        EXPECT_EQ(reason, result.texts) << int(encoding);
        EXPECT_EQ((std::array<bool, kDigestCount> {true, true, true, true, true, true, true}), result.failed);
        EXPECT_FALSE(result.hasDigests);
    }
}
