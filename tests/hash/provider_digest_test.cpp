// Every published answer every way the programs compute it, and the provider's contexts and failures.
#include "hash/provider_digest.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "hash/sha256.h"
#include "hash/sha2_path_override.h"
#include "hash/sha2_paths.h"
#include "hash/sha512.h"
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

// The digest of the message fed in two pieces: Finish, DigestToHex and DigestToString must write it (and a
// terminator) and not one byte past it.
void ExpectDigestWrittenExactly(CVnHashObject& hash, const KnownAnswer& answer, size_t split)
{
    const std::wstring expected = Hex(answer.digest);
    const size_t length = answer.digest.size();
    BYTE digest[80];
    std::fill_n(digest, 80, BYTE {0xCC});
    hash.Reset();
    hash.Update(answer.message.data(), static_cast<DWORD>(split));
    hash.Update(answer.message.data() + split, static_cast<DWORD>(answer.message.size() - split));
    ASSERT_EQ(length, hash.Finish(digest));
    ASSERT_EQ(expected + std::wstring(2 * (80 - length), L'C'), Hex(digest, 80));
    std::wstring hex(160, L'#'), text = L"earlier text";
    hash.DigestToHex(digest, &hex[0]);
    hash.DigestToString(digest, text);
    ASSERT_EQ(expected + L'\0' + L'#', hex.substr(0, 2 * length + 2));
    ASSERT_EQ(expected, text);
}

// Whole and split at each offset in a pending block, at its end and among whole blocks from the caller, on each
// path this processor offers; more splits would only cost time.
void ExpectEverySplitOnEveryPath(CVnHashObject& hash, const KnownAnswer& answer)
{
    const size_t size = answer.message.size(), block = hash.DigestLength() > 32 ? 128 : 64;
    const size_t lastSplit = size <= 4 * block ? std::min(size, 2 * block + 1) : 0;
    const auto onEach = [&](const auto& paths, bool (*use)(const char*)) {
        for (const auto& path : paths) {
            if (!use(path.name))
                continue;  // this processor lacks it
            for (size_t split = 0; split <= lastSplit; ++split)
                ASSERT_NO_FATAL_FAILURE(ExpectDigestWrittenExactly(hash, answer, split)) << path.name << ", " << split;
        }
    };
    block == 128 ? onEach(Sha512Paths(), &UseSha512Path) : onEach(Sha256Paths(), &UseSha256Path);
    UsePreferredSha2Paths();
}

// Every published answer every way the programs compute it: by the provider through the long-lived context
// and a temporary one (for the SHA-2 ids of the provider type that has them), and by the own SHA-2 classes.
// ShortMsg has every length from 0 to a block: each place where the padding fits or spills.
TEST_F(ProviderContext, GivesEveryPublishedAnswerEveryWay)
{
    CVnSha224 sha224;
    CVnSha256 sha256;
    CVnSha384 sha384;
    CVnSha512 sha512;
    // clang-format off
    const struct { const char* file; size_t count; ALG_ID algorithm; CVnHashObject* own; } suites[] = {
        {"md4.txt",            7,   CALG_MD4,     nullptr},
        {"md5.txt",            7,   CALG_MD5,     nullptr},
        {"SHA1ShortMsg.rsp",   65,  CALG_SHA1,    nullptr},
        {"SHA224ShortMsg.rsp", 65,  0,            &sha224},
        {"SHA224LongMsg.rsp",  64,  0,            &sha224},
        {"SHA256ShortMsg.rsp", 65,  CALG_SHA_256, &sha256},
        {"SHA256LongMsg.rsp",  64,  0,            &sha256},
        {"SHA384ShortMsg.rsp", 129, CALG_SHA_384, &sha384},
        {"SHA384LongMsg.rsp",  128, 0,            &sha384},
        {"SHA512ShortMsg.rsp", 129, CALG_SHA_512, &sha512},
        {"SHA512LongMsg.rsp",  128, 0,            &sha512},
    };
    // clang-format on
    for (const auto& suite : suites) {
        const std::vector<KnownAnswer> answers = ReadKnownAnswers(suite.file);
        EXPECT_EQ(suite.count, answers.size()) << suite.file;
        for (const KnownAnswer& answer : answers) {
            SCOPED_TRACE(testing::Message() << suite.file << ", " << answer.message.size() << " bytes");
            if (suite.algorithm != 0) {
                for (const HCRYPTPROV context : {m_context, HCRYPTPROV {0}})
                    EXPECT_EQ(Hex(answer.digest), Digest(context, suite.algorithm, answer.message));
            }
            if (suite.own != nullptr)
                ExpectEverySplitOnEveryPath(*suite.own, answer);
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
