#include "hash/provider_digest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "support/last_error.h"
#include "tests/support/nist_vectors.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr DWORD kCapacity = 260;
const BYTE kAbc[] = {'a', 'b', 'c'};
const Bytes kMd5OfAbc = BytesFromHex("900150983cd24fb0d6963f7d28e17f72");

// One "<message>" <hex digest> case a line, as the RFC test suites print them.
std::vector<NistVector> ReadRfcSuite(const std::wstring& path)
{
    std::vector<NistVector> vectors;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr)
        return vectors;
    char line[512];
    while (fgets(line, sizeof(line), file) != nullptr) {
        const char* open = std::strchr(line, '"');
        const char* close = std::strrchr(line, '"');
        if (open == nullptr || close == open)
            continue;
        std::string hex(close + 2);
        while (!hex.empty() && (hex.back() == '\n' || hex.back() == '\r'))
            hex.pop_back();
        vectors.push_back({Bytes(open + 1, close), BytesFromHex(hex)});
    }
    fclose(file);
    return vectors;
}

Bytes Digest(HCRYPTPROV context, ALG_ID algorithm, const Bytes& message)
{
    BYTE digest[kCapacity];
    DWORD length = kCapacity;
    if (!HashWithProvider(context, algorithm, message.data(), static_cast<DWORD>(message.size()),
                          digest, &length)) {
        ADD_FAILURE() << "HashWithProvider failed";
        return {};
    }
    return Bytes(digest, digest + length);
}

// Opens the long-lived context the main window uses; the tests that pass 0
// exercise the temporary context instead.
class ProviderTest {
protected:
    void OpenContext()
    {
        ASSERT_TRUE(AcquireHashProvider(&m_context, PROV_RSA_AES, nullptr)) << LastErrorText();
    }
    void CloseContext()
    {
        if (m_context != 0)
            CryptReleaseContext(m_context, 0);
    }

    HCRYPTPROV m_context = 0;
};

struct KnownAnswerSuite {
    const char* name;
    const wchar_t* file;
    std::vector<NistVector> (*read)(const std::wstring& path);
    ALG_ID algorithm;
    size_t caseCount;
};

const KnownAnswerSuite kKnownAnswerSuites[] = {
    {"Md4Rfc1320", L"md4.txt", ReadRfcSuite, CALG_MD4, 7},
    {"Md5Rfc1321", L"md5.txt", ReadRfcSuite, CALG_MD5, 7},
    {"Sha1NistShort", L"SHA1ShortMsg.rsp", ReadNistVectors, CALG_SHA1, 65},
};

class ProviderKnownAnswers : public ProviderTest,
                             public ::testing::TestWithParam<std::tuple<KnownAnswerSuite, bool>> {
protected:
    void SetUp() override
    {
        if (std::get<1>(GetParam()))
            OpenContext();
    }
    void TearDown() override { CloseContext(); }
};

TEST_P(ProviderKnownAnswers, DigestsEveryPublishedMessage)
{
    const KnownAnswerSuite& suite = std::get<0>(GetParam());
    const std::vector<NistVector> vectors =
        suite.read(std::wstring(TEST_DATA_DIR L"/") + suite.file);
    ASSERT_EQ(suite.caseCount, vectors.size());

    for (size_t i = 0; i < vectors.size(); ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        EXPECT_EQ(vectors[i].digest, Digest(m_context, suite.algorithm, vectors[i].message))
            << LastErrorText();
    }
}

INSTANTIATE_TEST_SUITE_P(LongLivedAndTemporaryContext, ProviderKnownAnswers,
                         ::testing::Combine(::testing::ValuesIn(kKnownAnswerSuites),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<ProviderKnownAnswers::ParamType>& info) {
                             return std::string(std::get<0>(info.param).name)
                                    + (std::get<1>(info.param) ? "LongLivedContext"
                                                               : "TemporaryContext");
                         });

// The SHA-2 ids need the AES provider type, which a temporary context gets for them.
struct Sha2OfAbc {
    ALG_ID algorithm;
    const char* digest;
};

class TemporaryContextForSha2 : public ::testing::TestWithParam<Sha2OfAbc> {};

TEST_P(TemporaryContextForSha2, DigestsAbc)
{
    EXPECT_EQ(BytesFromHex(GetParam().digest),
              Digest(0, GetParam().algorithm, Bytes(kAbc, kAbc + 3)))
        << LastErrorText();
}

INSTANTIATE_TEST_SUITE_P(
    Fips180, TemporaryContextForSha2,
    ::testing::Values(
        Sha2OfAbc{CALG_SHA_256, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        Sha2OfAbc{CALG_SHA_384,
                  "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed"
                  "8086072ba1e7cc2358baeca134c825a7"},
        Sha2OfAbc{CALG_SHA_512,
                  "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a"
                  "2192992a274fc1a836ba3c23a3feebbd454d4423643ce80e2a9ac94fa54ca49f"}));

TEST(HashWithProvider, CapacityOfExactlyTheDigestSizeIsEnough)
{
    BYTE digest[20];
    DWORD length = 16;
    ASSERT_TRUE(HashWithProvider(0, CALG_MD5, kAbc, sizeof(kAbc), digest, &length))
        << LastErrorText();
    EXPECT_EQ(kMd5OfAbc, Bytes(digest, digest + length));

    length = 20;
    ASSERT_TRUE(HashWithProvider(0, CALG_SHA1, kAbc, sizeof(kAbc), digest, &length))
        << LastErrorText();
    EXPECT_EQ(20u, length);
}

// The program never deletes its container; the test does, to see it created.
void DeleteDefaultContainer()
{
    HCRYPTPROV unused = 0;
    CryptAcquireContextW(&unused, kDefaultKeyContainer, nullptr, PROV_RSA_FULL, CRYPT_DELETEKEYSET);
}

bool DefaultContainerExists()
{
    HCRYPTPROV context = 0;
    if (!CryptAcquireContextW(&context, kDefaultKeyContainer, nullptr, PROV_RSA_FULL, 0))
        return false;
    CryptReleaseContext(context, 0);
    return true;
}

TEST(KeyContainer, FirstAcquisitionCreatesItAndTheNextFindsIt)
{
    DeleteDefaultContainer();
    ASSERT_FALSE(DefaultContainerExists());
    EXPECT_EQ(static_cast<DWORD>(NTE_BAD_KEYSET), GetLastError());

    HCRYPTPROV context = 0;
    ASSERT_TRUE(AcquireHashProvider(&context, 0, nullptr)) << LastErrorText();
    CryptReleaseContext(context, 0);
    EXPECT_TRUE(DefaultContainerExists());

    ASSERT_TRUE(AcquireHashProvider(&context, PROV_RSA_AES, kDefaultKeyContainer))
        << LastErrorText();
    EXPECT_EQ(kMd5OfAbc, Digest(context, CALG_MD5, Bytes(kAbc, kAbc + 3)));
    CryptReleaseContext(context, 0);
}

TEST(KeyContainer, TemporaryContextCreatesItToo)
{
    DeleteDefaultContainer();
    ASSERT_FALSE(DefaultContainerExists());

    EXPECT_EQ(kMd5OfAbc, Digest(0, CALG_MD5, Bytes(kAbc, kAbc + 3))) << LastErrorText();
    EXPECT_TRUE(DefaultContainerExists());
}

// A failing call: `context` is the long-lived context or 0.
struct Failure {
    const char* name;
    BOOL (*call)(HCRYPTPROV context);
    bool longLivedContext;
    const wchar_t* expectedContext;
};

BOOL Md5IntoFifteenBytes(HCRYPTPROV context)
{
    BYTE digest[kCapacity];
    DWORD length = 15;
    return HashWithProvider(context, CALG_MD5, kAbc, sizeof(kAbc), digest, &length);
}

// A hash-class id that no provider defines.
constexpr ALG_ID kUnknownHashId = ALG_CLASS_HASH | ALG_TYPE_ANY | 0xFF;

BOOL UnknownAlgorithm(HCRYPTPROV context)
{
    BYTE digest[kCapacity];
    DWORD length = kCapacity;
    return HashWithProvider(context, kUnknownHashId, kAbc, sizeof(kAbc), digest, &length);
}

BOOL UnknownProviderType(HCRYPTPROV)
{
    HCRYPTPROV context = 0;
    const BOOL acquired = AcquireHashProvider(&context, 999, nullptr);
    if (acquired)
        CryptReleaseContext(context, 0);
    return acquired;
}

const Failure kFailures[] = {
    {"CapacityTooSmallLongLived", Md5IntoFifteenBytes, true, L"获取HASH数据失败"},
    {"CapacityTooSmallTemporary", Md5IntoFifteenBytes, false, L"获取HASH数据失败"},
    {"RefusedAlgorithmLongLived", UnknownAlgorithm, true, L"创建HASH对象失败"},
    {"RefusedAlgorithmTemporary", UnknownAlgorithm, false, L"创建HASH对象失败"},
    {"UnknownProviderType", UnknownProviderType, true, L"获取加密句柄失败"},
};

class ProviderFailures : public ProviderTest, public ::testing::TestWithParam<Failure> {
protected:
    void SetUp() override { OpenContext(); }
    void TearDown() override { CloseContext(); }
};

TEST_P(ProviderFailures, RecordContextAndSystemMessageAndLeaveTheContextUsable)
{
    const Failure& failure = GetParam();
    SetLastError(ERROR_SUCCESS);

    ASSERT_FALSE(failure.call(failure.longLivedContext ? m_context : 0));

    const std::wstring text = LastErrorText();
    const DWORD code = LastErrorCode();
    EXPECT_NE(0u, code);
    const std::wstring message = LastErrorSetSystem(code, nullptr);
    ASSERT_FALSE(message.empty());
    EXPECT_EQ(std::wstring(failure.expectedContext) + L":" + message, text);

    // Nothing the failed call opened or closed gets in the way of the next digest.
    EXPECT_EQ(kMd5OfAbc, Digest(m_context, CALG_MD5, Bytes(kAbc, kAbc + 3)));
    EXPECT_EQ(kMd5OfAbc, Digest(0, CALG_MD5, Bytes(kAbc, kAbc + 3)));
}

INSTANTIATE_TEST_SUITE_P(Table, ProviderFailures, ::testing::ValuesIn(kFailures),
                         [](const ::testing::TestParamInfo<Failure>& info) {
                             return info.param.name;
                         });

}  // namespace
