#include "digest/digest_pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "support/last_error.h"
#include "tests/support/provider_fixture.h"
#include "tests/support/temp_file.h"

class DigestPipeline : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(AcquireHashProvider(&m_provider, PROV_RSA_AES, nullptr)) << LastErrorText(); }
    void TearDown() override { CryptReleaseContext(m_provider, 0); }

    // The seven digests of exactly `bytes`; none of no bytes.
    SevenTexts Reference(const std::string& bytes) const
    {
        return bytes.empty() ? SevenTexts() : ReferenceDigests(m_provider, bytes);
    }

    HCRYPTPROV m_provider = 0;
};

TEST_F(DigestPipeline, DigestsExactlyTheWholeEncodedText)
{
    using E = ByteEncoding;
    const std::string chineseAnsi = GetACP() == 936 ? "\xD6\xD0\xCE\xC4" : "??";
    const std::string zero(1, '\0');
    const struct {
        std::wstring text;
        E encoding;
        bool terminator;
        std::string bytes;
    } cases[] = {
        {L"", E::Ansi, false, ""},
        {L"", E::Utf8, false, ""},
        {L"", E::Utf16Le, false, ""},
        {L"", E::Ansi, true, zero},
        {L"", E::Utf8, true, zero},
        {L"", E::Utf16Le, true, zero + zero},
        {L"abc", E::Ansi, false, "abc"},
        {L"abc", E::Ansi, true, "abc" + zero},
        {L"abc", E::Utf8, false, "abc"},
        {L"abc", E::Utf8, true, "abc" + zero},
        {L"abc", E::Utf16Le, false, std::string("a\0b\0c\0", 6)},
        {L"abc", E::Utf16Le, true, std::string("a\0b\0c\0\0\0", 8)},
        {L"a\r\nb", E::Ansi, false, "a\r\nb"},
        {L"a\r\nb", E::Utf16Le, false, std::string("a\0\r\0\n\0b\0", 8)},
        {L"\u4E2D\u6587", E::Ansi, true, chineseAnsi + zero},
        {L"\u4E2D\u6587", E::Utf8, false, "\xE4\xB8\xAD\xE6\x96\x87"},
        // Past the 131,071 units an edit box gives a fixed buffer and the 262,144-byte conversion buffer,
        // which takes 87,381 units of UTF-8 at a time: a surrogate pair across that boundary stays whole.
        {std::wstring(140000, L'\u4E2D'), E::Utf16Le, false, Repeat("\x2D\x4E", 140000)},
        {std::wstring(87380, L'\u4E2D') + L"\xD83D\xDE00" + std::wstring(2620, L'\u4E2D'), E::Utf8, false,
         Repeat("\xE4\xB8\xAD", 87380) + "\xF0\x9F\x98\x80" + Repeat("\xE4\xB8\xAD", 2620)},
    };
    for (const auto& c : cases) {
        const DigestTexts result =
            ComputeDigestTexts(m_provider, c.text.c_str(), c.text.size(), c.encoding, c.terminator);
        EXPECT_EQ(!c.bytes.empty(), result.hasDigests);
        EXPECT_EQ(Reference(c.bytes), result.texts) << c.text.size() << " units in encoding " << int(c.encoding);
    }
}

// The digest set underneath, fed as the console program feeds it a file.
TEST_F(DigestPipeline, ASetFedInPiecesOfAnySizeGivesTheDigestsOfTheWhole)
{
    const std::string bytes = PatternBytes(1000);
    CDigestSet set(m_provider);  // one set, reset for every run
    // Around the 64- and 128-byte blocks of the SHA-2 classes.
    for (size_t pieceSize : {1, 63, 64, 65, 127, 128, 129, 1000}) {
        set.Reset();
        for (size_t offset = 0; offset < bytes.size(); offset += pieceSize) {
            set.Update(reinterpret_cast<const BYTE*>(bytes.data()) + offset,
                       static_cast<DWORD>(std::min(pieceSize, bytes.size() - offset)));
            set.Update(nullptr, 0);
        }
        EXPECT_EQ(Reference(bytes), set.Finish().texts) << "pieces of " << pieceSize;
    }
}

TEST_F(DigestPipeline, AFailedProviderDigestShowsItsFailureAndTheRestAreRight)
{
    HCRYPTPROV dss = 0;  // MD5 and SHA-1 but no MD4
    ASSERT_TRUE(CryptAcquireContextW(&dss, nullptr, nullptr, PROV_DSS, CRYPT_VERIFYCONTEXT));
    const DigestTexts result = ComputeDigestTexts(dss, L"abc", 3, ByteEncoding::Utf8, false);
    CryptReleaseContext(dss, 0);
    EXPECT_EQ(0u, result.texts[0].rfind(L"创建HASH对象失败:", 0)) << result.texts[0];
    SevenTexts expected = Reference("abc");
    expected[0] = LastErrorText();
    EXPECT_EQ(expected, result.texts);
    EXPECT_EQ((std::array<bool, kDigestCount> {true}), result.failed);
}

// The digest table itself: each row's name, length and computing class, and
// that a selection computes its rows alone, pinned by the known answers for abc.
TEST_F(DigestPipeline, EachRowOfTheTableGivesItsKnownDigestAloneOrWithTheOthers)
{
    const struct {
        const wchar_t* name;
        const wchar_t* abc;
    } known[] = {
        {L"MD4", L"A448017AAF21D8525FC10AE87AA6729D"},
        {L"MD5", L"900150983CD24FB0D6963F7D28E17F72"},
        {L"SHA1", L"A9993E364706816ABA3E25717850C26C9CD0D89D"},
        {L"SHA224", L"23097D223405D8228642A477BDA255B32AADBCE4BDA0B3F7E36C9DA7"},
        {L"SHA256", L"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
        {L"SHA384",
         L"CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED"
         L"8086072BA1E7CC2358BAECA134C825A7"},
        {L"SHA512",
         L"DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A"
         L"2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F"},
    };
    static_assert(std::size(known) == kDigestCount, "one known answer per row");
    const DigestTexts all = ComputeDigestTexts(m_provider, L"abc", 3, ByteEncoding::Utf8, false);
    for (int row = 0; row < kDigestCount; ++row) {
        EXPECT_STREQ(known[row].name, kDigestTable[row].name);
        EXPECT_EQ(known[row].abc, all.texts[row]);
        EXPECT_EQ(2 * kDigestTable[row].length, all.texts[row].size()) << known[row].name;

        DigestSelection alone;
        alone.set(row);
        const DigestTexts one = ComputeDigestTexts(m_provider, L"abc", 3, ByteEncoding::Utf8, false, alone);
        for (int other = 0; other < kDigestCount; ++other)
            EXPECT_EQ(other == row ? known[row].abc : L"", one.texts[other]) << known[row].name << " alone";
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
