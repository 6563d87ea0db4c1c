#include "hash/provider_digest.h"

#include <gtest/gtest.h>

#include "support/last_error.h"
#include "tests/support/nist_vectors.h"

const Bytes kAbc = {'a', 'b', 'c'};
const std::wstring kMd5OfAbc = L"900150983CD24FB0D6963F7D28E17F72";

// The digest's hex, or the failure text.
static std::wstring Digest(HCRYPTPROV context, ALG_ID algorithm, const Bytes& message, DWORD capacity = 64)
{
    BYTE digest[64];
    if (!HashWithProvider(context, algorithm, message.data(), static_cast<DWORD>(message.size()), digest, &capacity))
        return LastErrorText();
    return Hex(digest, capacity);
}

class ProviderContext : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(AcquireHashProvider(&m_context, PROV_RSA_AES, nullptr)) << LastErrorText(); }
    void TearDown() override { CryptReleaseContext(m_context, 0); }
    HCRYPTPROV m_context = 0;
};

struct Suite { const char* file; ALG_ID algorithm; size_t count; };
static void PrintTo(const Suite& suite, std::ostream* out) { *out << suite.file; }

// The second parameter chooses the long-lived context or a temporary one (context 0).
class ProviderKnownAnswers : public ProviderContext, public testing::WithParamInterface<std::tuple<Suite, bool>> {};

TEST_P(ProviderKnownAnswers, DigestsEveryPublishedMessage)
{
    const auto& [suite, longLived] = GetParam();
    const std::vector<KnownAnswer> answers = ReadKnownAnswers(suite.file);
    ASSERT_EQ(suite.count, answers.size());
    for (const KnownAnswer& answer : answers)
        EXPECT_EQ(Hex(answer.digest), Digest(longLived ? m_context : 0, suite.algorithm, answer.message));
}

INSTANTIATE_TEST_SUITE_P(RfcAndNist, ProviderKnownAnswers, testing::Combine(testing::Values(
    Suite{"md4.txt", CALG_MD4, 7}, Suite{"md5.txt", CALG_MD5, 7}, Suite{"SHA1ShortMsg.rsp", CALG_SHA1, 65},
    Suite{"SHA256ShortMsg.rsp", CALG_SHA_256, 65}), testing::Bool()));

TEST(KeyContainer, FirstAcquisitionCreatesItAndTheNextFindsIt)
{
    HCRYPTPROV context = 0;
    CryptAcquireContextW(&context, kDefaultKeyContainer, nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
    ASSERT_FALSE(CryptAcquireContextW(&context, kDefaultKeyContainer, nullptr, PROV_RSA_FULL, 0));
    for (int acquisition = 0; acquisition < 2; ++acquisition) {
        ASSERT_TRUE(AcquireHashProvider(&context, 0, nullptr)) << LastErrorText();
        EXPECT_EQ(kMd5OfAbc, Digest(context, CALG_MD5, kAbc, 16));  // room for exactly the digest
        CryptReleaseContext(context, 0);
    }
}

TEST_F(ProviderContext, FailuresRecordContextAndSystemMessageAndLeaveTheContextUsable)
{
    const ALG_ID refused = ALG_CLASS_HASH | ALG_TYPE_ANY | 0xFF;
    HCRYPTPROV unknownType = 0;
    // Each text and code is taken right after its call: braced lists run left to right.
    const struct { std::wstring text; DWORD code; const wchar_t* context; } cases[] = {
        {Digest(m_context, CALG_MD5, kAbc, 15), LastErrorCode(), L"获取HASH数据失败"},
        {Digest(0, CALG_MD5, kAbc, 15), LastErrorCode(), L"获取HASH数据失败"},
        {Digest(m_context, refused, kAbc), LastErrorCode(), L"创建HASH对象失败"},
        {Digest(0, refused, kAbc), LastErrorCode(), L"创建HASH对象失败"},
        {AcquireHashProvider(&unknownType, 999, nullptr) ? L"acquired" : LastErrorText(), LastErrorCode(),
         L"获取加密句柄失败"},
    };
    for (const auto& c : cases) {
        EXPECT_NE(0u, c.code) << c.context;
        EXPECT_EQ(c.context + (L":" + std::wstring(LastErrorSetSystem(c.code, nullptr))), c.text);
    }
    EXPECT_EQ(kMd5OfAbc, Digest(m_context, CALG_MD5, kAbc));
    EXPECT_EQ(kMd5OfAbc, Digest(0, CALG_MD5, kAbc));
}
