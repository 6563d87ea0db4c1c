#include "app/digest_set.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/last_error.h"
#include "tests/app/reference_digests.h"
#include "tests/support/temp_file.h"

constexpr size_t kReadSize = 131072;  // HashFile's piece

class DigestSet : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(AcquireHashProvider(&m_provider, PROV_RSA_AES, nullptr)) << LastErrorText(); }
    void TearDown() override { CryptReleaseContext(m_provider, 0); }

    HCRYPTPROV m_provider = 0;
};

TEST_F(DigestSet, PiecesOfAnySizeGiveTheDigestsOfTheWhole)
{
    const std::string bytes = PatternBytes(1000);
    const SevenTexts expected = ReferenceDigests(m_provider, bytes);
    CDigestSet set(m_provider);  // one set, reset for every run
    // Around the 64- and 128-byte blocks of the SHA-2 classes.
    for (size_t pieceSize : {1, 63, 64, 65, 127, 128, 129, 1000}) {
        set.Reset();
        for (size_t offset = 0; offset < bytes.size(); offset += pieceSize) {
            set.Update(reinterpret_cast<const BYTE*>(bytes.data()) + offset,
                       static_cast<DWORD>(std::min(pieceSize, bytes.size() - offset)));
            set.Update(nullptr, 0);
        }
        const DigestTexts result = set.Finish();
        EXPECT_EQ(expected, result.texts) << "pieces of " << pieceSize;
        EXPECT_EQ((std::array<bool, kDigestCount>{}), result.failed);
        EXPECT_TRUE(result.copyEnabled);
    }
    set.Reset();
    EXPECT_EQ(ReferenceDigests(m_provider, ""), set.Finish().texts) << "no bytes at all";
}

TEST_F(DigestSet, AFailedProviderDigestKeepsItsFailureAndTheRestAreRight)
{
    HCRYPTPROV dss = 0;  // MD5 and SHA-1 but no MD4
    ASSERT_TRUE(CryptAcquireContextW(&dss, nullptr, nullptr, PROV_DSS, CRYPT_VERIFYCONTEXT));
    CDigestSet set(dss);
    set.Reset();
    const std::wstring failure = LastErrorText();
    set.Update(reinterpret_cast<const BYTE*>("abc"), 3);
    const DigestTexts result = set.Finish();
    CryptReleaseContext(dss, 0);

    EXPECT_EQ(0u, failure.rfind(L"创建HASH对象失败:", 0)) << failure;
    SevenTexts expected = ReferenceDigests(m_provider, "abc");
    expected[0] = failure;
    EXPECT_EQ(expected, result.texts);
    EXPECT_EQ((std::array<bool, kDigestCount>{true}), result.failed);
}

TEST_F(DigestSet, DigestFileGivesTheDigestsOfAnySizeOfFile)
{
    CDigestSet set(m_provider);
    for (size_t size : {size_t(0), size_t(1), kReadSize, 3 * kReadSize + 17}) {
        const std::string bytes = PatternBytes(size);
        const TempFile file(L"digest_set_test.bin", bytes);
        ASSERT_TRUE(file.created);
        DigestTexts result;
        ASSERT_TRUE(DigestFile(set, file.path.c_str(), result)) << LastErrorText();
        EXPECT_EQ(ReferenceDigests(m_provider, bytes), result.texts) << size << " bytes";
    }
}

TEST_F(DigestSet, DigestFileRecordsWhyAFileCannotBeReadAndLeavesTheTexts)
{
    CDigestSet set(m_provider);
    for (const std::wstring& path : {std::wstring(TEST_DATA_DIR L"/no such file.bin"), std::wstring(TEST_DATA_DIR)}) {
        DigestTexts result;
        result.texts[6] = L"kept";
        EXPECT_FALSE(DigestFile(set, path.c_str(), result));
        EXPECT_EQ(0u, std::wstring(LastErrorText()).rfind(L"计算文件校验时打开文件失败:", 0)) << LastErrorText();
        EXPECT_EQ(L"kept", result.texts[6]);
    }
}
