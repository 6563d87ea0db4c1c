#include "hash/provider_digest.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/last_error.h"
#include "tests/support/nist_vectors.h"

class ProviderHash : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(AcquireHashProvider(&m_context, PROV_RSA_AES, nullptr)) << LastErrorText(); }
    void TearDown() override { CryptReleaseContext(m_context, 0); }

    // Starts `hash`, feeds `message` in pieces of `pieceSize` and returns the hex or the failure text.
    std::wstring DigestInPieces(CProviderHash& hash, ALG_ID algorithm, const Bytes& message, size_t pieceSize,
                                DWORD capacity = 64) const
    {
        if (!hash.Start(m_context, algorithm))
            return LastErrorText();
        for (size_t offset = 0; offset < message.size(); offset += pieceSize) {
            const size_t piece = std::min(pieceSize, message.size() - offset);
            if (!hash.Update(message.data() + offset, static_cast<DWORD>(piece)))
                return LastErrorText();
        }
        BYTE digest[64];
        return hash.Finish(digest, &capacity) ? Hex(digest, capacity) : LastErrorText();
    }

    HCRYPTPROV m_context = 0;
};

TEST_F(ProviderHash, PiecesOfAnySizeGiveTheDigestOfTheWhole)
{
    std::vector<std::pair<ALG_ID, KnownAnswer>> answers;
    const struct { const char* file; ALG_ID algorithm; } suites[] = {
        {"md4.txt", CALG_MD4}, {"md5.txt", CALG_MD5}, {"SHA1ShortMsg.rsp", CALG_SHA1}};
    for (const auto& suite : suites) {
        for (const KnownAnswer& answer : ReadKnownAnswers(suite.file))
            answers.push_back({suite.algorithm, answer});
    }
    const Bytes millionA(1000000, 'a');
    answers.push_back({CALG_MD5, {millionA, BytesFromHex("7707D6AE4E027C70EEA2A935C2296F21")}});
    answers.push_back({CALG_SHA1, {millionA, BytesFromHex("34AA973CD4C4DAA4F61EEB2BDBAD27316534016F")}});
    ASSERT_EQ(7u + 7u + 65u + 2u, answers.size());

    CProviderHash hash;  // one object, started afresh for every digest
    for (const auto& [algorithm, answer] : answers) {
        for (size_t pieceSize : {size_t(1), size_t(3), size_t(64), size_t(1000)}) {
            EXPECT_EQ(Hex(answer.digest), DigestInPieces(hash, algorithm, answer.message, pieceSize))
                << answer.message.size() << " bytes in pieces of " << pieceSize;
        }
    }
}

TEST_F(ProviderHash, EachStepRecordsItsOwnFailureAndANewStartRecovers)
{
    const ALG_ID refused = ALG_CLASS_HASH | ALG_TYPE_ANY | 0xFF;
    const Bytes abc = {'a', 'b', 'c'};
    CProviderHash hash;
    const struct { std::wstring text; const wchar_t* context; } cases[] = {
        {DigestInPieces(hash, refused, abc, 3), L"创建HASH对象失败:"},
        {hash.Update(abc.data(), 3) ? L"fed" : LastErrorText(), L"HASH数据失败:"},
        {DigestInPieces(hash, CALG_MD5, abc, 1, 15), L"获取HASH数据失败:"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(0u, c.text.rfind(c.context, 0)) << c.text;
    EXPECT_EQ(L"900150983CD24FB0D6963F7D28E17F72", DigestInPieces(hash, CALG_MD5, abc, 1));
}
