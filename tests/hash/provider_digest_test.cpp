#include "hash/provider_digest.h"

#include <gtest/gtest.h>

#include "support/last_error.h"
#include "tests/support/known_digests.h"
#include "tests/support/nist_vectors.h"
#include "tests/support/platform_watch.h"

namespace {

const Bytes kAbc = {'a', 'b', 'c'};

// The digest's hex, or the failure text. The window asks with a capacity of 260.
std::wstring Digest(HCRYPTPROV context, ALG_ID algorithm, const Bytes& message, DWORD capacity = 260)
{
    BYTE digest[260];
    if (!HashWithProvider(context, algorithm, message.data(), static_cast<DWORD>(message.size()), digest, &capacity))
        return LastErrorText();
    return Hex(digest, capacity);
}

// A long-lived context as the main window holds one; no other context may stay open.
class ProviderContext : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_watch.Installed());
        ASSERT_TRUE(AcquireHashProvider(&m_context, PROV_RSA_AES, nullptr)) << LastErrorText();
    }
    void TearDown() override
    {
        EXPECT_EQ(1, m_watch.OpenContexts()) << "a temporary context was left open, or the caller's released";
        CryptReleaseContext(m_context, 0);
    }
    ProviderWatch m_watch;
    HCRYPTPROV m_context = 0;
};

// The RFC and NIST messages, with the long-lived context and with a temporary one (context 0), which for
// the SHA-2 digests must be of the provider type that has them.
TEST_F(ProviderContext, DigestsEveryPublishedMessage)
{
    // clang-format off
    const struct { const char* file; ALG_ID algorithm; size_t count; } suites[] = {
        {"md4.txt",            CALG_MD4,     7},
        {"md5.txt",            CALG_MD5,     7},
        {"SHA1ShortMsg.rsp",   CALG_SHA1,    65},
        {"SHA256ShortMsg.rsp", CALG_SHA_256, 65},
        {"SHA384ShortMsg.rsp", CALG_SHA_384, 129},
        {"SHA512ShortMsg.rsp", CALG_SHA_512, 129},
    };
    // clang-format on
    for (const auto& suite : suites) {
        const std::vector<KnownAnswer> answers = ReadKnownAnswers(suite.file);
        EXPECT_EQ(suite.count, answers.size()) << suite.file;
        for (const KnownAnswer& answer : answers) {
            for (const HCRYPTPROV context : {m_context, HCRYPTPROV {0}})
                EXPECT_EQ(Hex(answer.digest), Digest(context, suite.algorithm, answer.message)) << suite.file;
        }
    }
}

// Acquisitions as the provider sees them (type and flags) after the errors it gives first: the missing
// container is created once, or opened again when another program created it in between; any other error is
// final.
TEST(AcquireHashProvider, OpensTheContainerCreatingItOnlyWhenMissing)
{
    ProviderWatch watch;
    ASSERT_TRUE(watch.Installed());
    const auto missing = static_cast<DWORD>(NTE_BAD_KEYSET), other = static_cast<DWORD>(NTE_PROVIDER_DLL_FAIL),
               exists = static_cast<DWORD>(NTE_EXISTS);
    using Call = ProviderWatch::Acquisition;
    const std::wstring box = L"Korvantis";  // the container every version of the program opens
    const Call full {box, PROV_RSA_FULL, 0}, fullNew {box, PROV_RSA_FULL, CRYPT_NEWKEYSET};
    const Call aes {box, PROV_RSA_AES, 0}, aesNew {box, PROV_RSA_AES, CRYPT_NEWKEYSET};
    // clang-format off
    const struct { const char* name; std::deque<DWORD> refusals; DWORD type; std::vector<Call> calls; DWORD failure; } cases[] = {
        {"missing",                      {},                       0,            {full, fullNew},       0},  // deleted below
        {"present",                      {},                       PROV_RSA_AES, {aes},                 0},
        {"otherError",                   {other},                  0,            {full},                other},
        {"creationFails",                {missing, other},         0,            {full, fullNew},       other},
        {"createdMeanwhile",             {missing, exists},        PROV_RSA_AES, {aes, aesNew, aes},    0},
        {"createdMeanwhileThenUnusable", {missing, exists, other}, 0,            {full, fullNew, full}, other},
        {"existsWithoutRace",            {exists},                 0,            {full},                exists},
    };
    // clang-format on
    HCRYPTPROV context = 0;
    CryptAcquireContextW(&context, kDefaultKeyContainer, nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
    for (const auto& c : cases) {
        watch.Refuse(c.refusals);
        context = 0;
        const int openBefore = watch.OpenContexts();
        const BOOL acquired = AcquireHashProvider(&context, c.type, nullptr);
        EXPECT_EQ(c.failure == 0, acquired != FALSE) << c.name << ": " << LastErrorText();
        // Counted before this test's own release, which the compiler may make through the address it read
        // before the hook went in.
        EXPECT_EQ(acquired ? 1 : 0, watch.OpenContexts() - openBefore) << c.name;
        if (acquired) {
            EXPECT_EQ(kAbcMd5, Digest(context, CALG_MD5, kAbc, 16)) << c.name;  // room for exactly the digest
            CryptReleaseContext(context, 0);
        } else {
            EXPECT_EQ(L"获取加密句柄失败:" + RecordedDetail(c.failure), LastErrorText()) << c.name;
            EXPECT_EQ(c.failure, LastErrorCode()) << c.name;
        }
        EXPECT_EQ(c.calls, watch.Acquisitions()) << c.name;
    }
}

TEST_F(ProviderContext, FailuresRecordContextAndSystemMessageAndLeaveTheContextUsable)
{
    const ALG_ID refused = ALG_CLASS_HASH | ALG_TYPE_ANY | 0xFF;
    HCRYPTPROV unknownType = 0;
    const auto busy = static_cast<DWORD>(NTE_PROVIDER_DLL_FAIL);
    CProviderHash unstarted;  // fed before any Start: only Update can fail
    // Each text and code is taken right after its call: braced lists run left to right.
    // clang-format off
    const struct { std::wstring text; DWORD code; const wchar_t* context; } cases[] = {
        {Digest(m_context, CALG_MD5, kAbc, 15),                                        LastErrorCode(), L"获取HASH数据失败"},
        {Digest(0, CALG_MD5, kAbc, 15),                                                LastErrorCode(), L"获取HASH数据失败"},
        {Digest(m_context, refused, kAbc),                                             LastErrorCode(), L"创建HASH对象失败"},
        {Digest(0, refused, kAbc),                                                     LastErrorCode(), L"创建HASH对象失败"},
        {AcquireHashProvider(&unknownType, 999, nullptr) ? L"acquired" : LastErrorText(), LastErrorCode(), L"获取加密句柄失败"},
        {(m_watch.Refuse({busy}), Digest(0, CALG_MD5, kAbc)),                          LastErrorCode(), L"Hash数据时获取加密句柄失败"},
        {unstarted.Update(kAbc.data(), 3) ? L"fed" : LastErrorText(),                  LastErrorCode(), L"HASH数据失败"},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_NE(0u, c.code) << c.context;
        EXPECT_EQ(c.context + (L":" + RecordedDetail(c.code)), c.text);
    }
    EXPECT_EQ(busy, cases[5].code);
    EXPECT_EQ(kAbcMd5, Digest(m_context, CALG_MD5, kAbc));
    EXPECT_EQ(kAbcMd5, Digest(0, CALG_MD5, kAbc));
}

}  // namespace
