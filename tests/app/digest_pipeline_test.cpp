#include "app/digest_pipeline.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "hash/provider_digest.h"
#include "hash/sha256.h"
#include "hash/sha512.h"
#include "support/last_error.h"

namespace {

using Texts = std::array<std::wstring, kDigestCount>;

// Bytes written as a string literal, embedded zeros included.
template <size_t N>
std::string Raw(const char (&bytes)[N])
{
    return std::string(bytes, N - 1);
}

std::wstring Hex(const BYTE* bytes, DWORD count)
{
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text;
    for (DWORD i = 0; i < count; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 15];
    }
    return text;
}

const BYTE* Data(const std::string& bytes)
{
    return reinterpret_cast<const BYTE*>(bytes.data());
}

template <class THash>
std::wstring Sha2Hex(const std::string& bytes)
{
    THash hash;
    hash.Reset();
    hash.Update(Data(bytes), static_cast<DWORD>(bytes.size()));
    BYTE digest[64];
    return Hex(digest, hash.Finish(digest));
}

class DigestPipeline : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(AcquireHashProvider(&m_provider, PROV_RSA_AES, nullptr)) << LastErrorText();
    }
    void TearDown() override
    {
        if (m_provider != 0)
            CryptReleaseContext(m_provider, 0);
    }

    DigestTexts Compute(const std::wstring& text, ByteEncoding encoding, bool withTerminator) const
    {
        return ComputeDigestTexts(m_provider, text.c_str(), text.size(), encoding, withTerminator);
    }

    // The seven digest texts of exactly `bytes`, by the separately tested engine.
    Texts ReferenceTexts(const std::string& bytes) const
    {
        Texts texts;
        const ALG_ID providerAlgorithms[] = {CALG_MD4, CALG_MD5, CALG_SHA1};
        for (int i = 0; i < 3; ++i) {
            BYTE digest[260];
            DWORD length = sizeof(digest);
            EXPECT_TRUE(HashWithProvider(m_provider, providerAlgorithms[i], Data(bytes),
                                         static_cast<DWORD>(bytes.size()), digest, &length));
            texts[i] = Hex(digest, length);
        }
        texts[3] = Sha2Hex<CVnSha224>(bytes);
        texts[4] = Sha2Hex<CVnSha256>(bytes);
        texts[5] = Sha2Hex<CVnSha384>(bytes);
        texts[6] = Sha2Hex<CVnSha512>(bytes);
        return texts;
    }

    void ExpectDigestsOf(const std::string& bytes, const DigestTexts& result) const
    {
        EXPECT_TRUE(result.copyEnabled);
        EXPECT_EQ(ReferenceTexts(bytes), result.texts);
    }

    HCRYPTPROV m_provider = 0;
};

TEST_F(DigestPipeline, EmptyTextWithoutTerminatorLeavesEveryOutputEmpty)
{
    for (ByteEncoding encoding : {ByteEncoding::Ansi, ByteEncoding::Utf8, ByteEncoding::Utf16Le}) {
        const DigestTexts result = Compute(L"", encoding, false);
        EXPECT_FALSE(result.copyEnabled);
        EXPECT_EQ(Texts(), result.texts);
    }
}

const Texts kAbcTexts = {
    L"A448017AAF21D8525FC10AE87AA6729D",
    L"900150983CD24FB0D6963F7D28E17F72",
    L"A9993E364706816ABA3E25717850C26C9CD0D89D",
    L"23097D223405D8228642A477BDA255B32AADBCE4BDA0B3F7E36C9DA7",
    L"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD",
    L"CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED"
    L"8086072BA1E7CC2358BAECA134C825A7",
    L"DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A"
    L"2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F",
};

TEST_F(DigestPipeline, AbcInAnsiGivesThePublishedDigestsInOutputOrder)
{
    const DigestTexts result = Compute(L"abc", ByteEncoding::Ansi, false);
    EXPECT_TRUE(result.copyEnabled);
    EXPECT_EQ(kAbcTexts, result.texts);
}

TEST(DigestPipelineFailure, AFailedProviderDigestShowsItsFailureAndTheRunGoesOn)
{
    // The DSS provider has MD5 and SHA-1 but no MD4.
    HCRYPTPROV dss = 0;
    ASSERT_TRUE(CryptAcquireContextW(&dss, nullptr, nullptr, PROV_DSS, CRYPT_VERIFYCONTEXT));
    const DigestTexts result = ComputeDigestTexts(dss, L"abc", 3, ByteEncoding::Utf8, false);
    CryptReleaseContext(dss, 0);

    EXPECT_TRUE(result.copyEnabled);
    EXPECT_EQ(0u, result.texts[0].find(L"创建HASH对象失败:")) << result.texts[0];
    for (int i = 1; i < kDigestCount; ++i)
        EXPECT_EQ(kAbcTexts[i], result.texts[i]);
}

struct Md5Case {
    const wchar_t* text;
    ByteEncoding encoding;
    bool withTerminator;
    const wchar_t* md5;
};

class PipelineMd5 : public DigestPipeline, public ::testing::WithParamInterface<Md5Case> {};

TEST_P(PipelineMd5, MatchesTheKnownDigest)
{
    const Md5Case& sample = GetParam();
    EXPECT_EQ(sample.md5, Compute(sample.text, sample.encoding, sample.withTerminator).texts[1]);
}

INSTANTIATE_TEST_SUITE_P(
    KnownAnswers, PipelineMd5,
    ::testing::Values(
        Md5Case{L"", ByteEncoding::Ansi, true, L"93B885ADFE0DA089CDF634904FD59F71"},
        Md5Case{L"", ByteEncoding::Utf8, true, L"93B885ADFE0DA089CDF634904FD59F71"},
        Md5Case{L"abc", ByteEncoding::Ansi, true, L"147A664A2CA9410911E61986D3F0D52A"},
        Md5Case{L"abc", ByteEncoding::Utf16Le, false, L"CE1473CF80C6B3FDA8E3DFC006ADC315"},
        Md5Case{L"abc", ByteEncoding::Utf16Le, true, L"0325B2BC5BC6ECFBAC751818498ECE3F"}));

// What bytes a text becomes: every digest must be that of exactly these bytes.
struct BytesCase {
    const char* name;
    std::wstring text;
    ByteEncoding encoding;
    bool withTerminator;
    std::string bytes;
};

class PipelineBytes : public DigestPipeline, public ::testing::WithParamInterface<BytesCase> {};

TEST_P(PipelineBytes, DigestsExactlyTheEncodedBytes)
{
    const BytesCase& sample = GetParam();
    ExpectDigestsOf(sample.bytes, Compute(sample.text, sample.encoding, sample.withTerminator));
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, PipelineBytes,
    ::testing::Values(
        BytesCase{"TerminatorAloneUtf16Le", L"", ByteEncoding::Utf16Le, true, Raw("\0\0")},
        BytesCase{"AbcUtf8", L"abc", ByteEncoding::Utf8, false, Raw("abc")},
        BytesCase{"AbcUtf8WithTerminator", L"abc", ByteEncoding::Utf8, true, Raw("abc\0")},
        BytesCase{"LineBreakAnsi", L"a\r\nb", ByteEncoding::Ansi, false, Raw("a\r\nb")},
        BytesCase{"LineBreakUtf8", L"a\r\nb", ByteEncoding::Utf8, false, Raw("a\r\nb")},
        BytesCase{"LineBreakUtf16Le", L"a\r\nb", ByteEncoding::Utf16Le, false,
                  Raw("a\0\r\0\n\0b\0")},
        BytesCase{"ChineseUtf8", L"\u4E2D\u6587", ByteEncoding::Utf8, true,
                  Raw("\xE4\xB8\xAD\xE6\x96\x87\0")},
        BytesCase{"ChineseUtf16Le", L"\u4E2D\u6587", ByteEncoding::Utf16Le, false,
                  Raw("\x2D\x4E\x87\x65")}),
    [](const ::testing::TestParamInfo<BytesCase>& info) { return info.param.name; });

TEST_F(DigestPipeline, ChineseInTheAnsiCodePage)
{
    std::string bytes;
    switch (GetACP()) {
    case 936:
        bytes = Raw("\xD6\xD0\xCE\xC4");
        break;
    case 1252:  // neither character exists there: the default character stands in
        bytes = Raw("??");
        break;
    default:
        GTEST_SKIP() << "no expectation for ANSI code page " << GetACP();
    }
    ExpectDigestsOf(bytes, Compute(L"\u4E2D\u6587", ByteEncoding::Ansi, false));
    ExpectDigestsOf(bytes + '\0', Compute(L"\u4E2D\u6587", ByteEncoding::Ansi, true));
}

// Texts beyond what the input box takes by typing, and conversions beyond the
// 262,144-byte stack buffer: digested whole, never cut.
struct LongCase {
    const char* name;
    wchar_t unit;
    size_t count;
    ByteEncoding encoding;
    std::string unitBytes;
};

class PipelineLongText : public DigestPipeline, public ::testing::WithParamInterface<LongCase> {};

TEST_P(PipelineLongText, DigestsTheWholeText)
{
    const LongCase& sample = GetParam();
    std::string bytes;
    for (size_t i = 0; i < sample.count; ++i)
        bytes += sample.unitBytes;
    ExpectDigestsOf(bytes,
                    Compute(std::wstring(sample.count, sample.unit), sample.encoding, false));
}

INSTANTIATE_TEST_SUITE_P(
    BeyondTheBuffers, PipelineLongText,
    ::testing::Values(
        LongCase{"Utf8FillingTheStackBuffer", L'x', 262144, ByteEncoding::Utf8, "x"},
        LongCase{"Utf8OneByteBeyondTheStackBuffer", L'x', 262145, ByteEncoding::Utf8, "x"},
        LongCase{"AnsiOneByteBeyondTheStackBuffer", L'x', 262145, ByteEncoding::Ansi, "x"},
        LongCase{"Utf8ChineseOfThreeBytesEach", L'\u4E2D', 90000, ByteEncoding::Utf8,
                 "\xE4\xB8\xAD"},
        LongCase{"Utf16LeBeyond131071Units", L'\u4E2D', 200000, ByteEncoding::Utf16Le,
                 Raw("\x2D\x4E")}),
    [](const ::testing::TestParamInfo<LongCase>& info) { return info.param.name; });

TEST_F(DigestPipeline, TextTooLongToConvertFailsInEveryOutput)
{
    // Refused before a single unit is read, so the short buffer is never overrun.
    const DigestTexts result = ComputeDigestTexts(m_provider, L"", static_cast<size_t>(INT_MAX),
                                                  ByteEncoding::Utf8, false);

    EXPECT_FALSE(result.copyEnabled);
    const std::wstring failure = LastErrorText();
    EXPECT_EQ(0u, failure.find(L"转换文本编码失败:"));
    for (const std::wstring& text : result.texts)
        EXPECT_EQ(failure, text);
}

}  // namespace
