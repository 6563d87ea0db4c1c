#include <gtest/gtest.h>

#include <fstream>

#include "hash/sha256.h"
#include "support/last_error.h"
#include "tests/support/known_digests.h"
#include "tests/support/nist_vectors.h"
#include "tests/support/platform_watch.h"
#include "tests/support/temp_file.h"

namespace {

constexpr size_t kReadSize = 131072;  // HashFile's piece
constexpr ULONGLONG kWholeFile = ~0ULL;

// No handle of the file is left open: nobody else may have it open to share.
bool OpensExclusively(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

std::wstring Sha256(const std::string& bytes)
{
    CVnSha256 hash;
    BYTE digest[32];
    hash.Reset();
    hash.Update(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    return Hex(digest, hash.Finish(digest));
}

// Under Wine the host's /proc is on drive Z:; its files report size 0, and yet have bytes.
const wchar_t kProcFile[] = L"Z:\\proc\\version";

TEST(HashFile, DigestsTheFileOrItsFirstLimitBytes)
{
    std::ifstream procFile("Z:\\proc\\version", std::ios::binary);
    const std::string bytes = PatternBytes(kReadSize + 1), proc {std::istreambuf_iterator<char>(procFile), {}};
    const TempFile file(L"hash_object_test.bin", bytes);
    // clang-format off
    const struct { std::wstring path; ULONGLONG limit; std::string digested; } cases[] = {
        {file.path, kWholeFile,    bytes},
        {file.path, 0,             ""},
        {file.path, 999,           bytes.substr(0, 999)},
        {file.path, kReadSize,     bytes.substr(0, kReadSize)},
        {file.path, kReadSize + 2, bytes},
        {kProcFile, kWholeFile,    proc},
    };
    // clang-format on
    CVnSha256 hash;  // one object for every row: HashFile starts afresh
    for (const auto& c : cases) {
        if (c.digested.empty() && c.path == kProcFile)
            continue;  // no /proc here
        BYTE digest[32];
        EXPECT_TRUE(hash.HashFile(c.path.c_str(), c.limit, digest)) << LastErrorText();
        EXPECT_EQ(Sha256(c.digested), Hex(digest, 32)) << c.path << ", limit " << c.limit;
    }
    EXPECT_TRUE(OpensExclusively(file.path));
}

// Cuts its file short after the first piece, as another writer may while HashFile reads.
struct CShrinkingFileSha256 : CVnSha256 {
    void Update(const BYTE* data, DWORD length) override
    {
        CVnSha256::Update(data, length);
        SetFilePointer(writer, kReadSize + 100, nullptr, FILE_BEGIN);
        EXPECT_TRUE(SetEndOfFile(writer));
    }
    HANDLE writer = INVALID_HANDLE_VALUE;
};

TEST(HashFile, FailsWithTheReasonAndWritesNoDigest)
{
    const TempFile file(L"hash_object_test.bin", PatternBytes(kReadSize + 5000));
    const std::wstring openFailed = L"计算文件校验时打开文件失败:", readFailed = L"计算文件校验时读取文件失败:";
    // The platform refusing the size or the bytes of a file it has opened, as a locked range refuses a read.
    // clang-format off
    const struct { std::wstring path; DWORD code; std::wstring text; Replacement refusal = {}; } cases[] = {
        {TEST_DATA_DIR L"/no such file.bin", ERROR_FILE_NOT_FOUND, openFailed},
        {TEST_DATA_DIR,                      ERROR_ACCESS_DENIED,  openFailed},
        {file.path,                          0,                    readFailed + L"文件在读取期间变短了"},
        {file.path,                          ERROR_NOT_SUPPORTED,  readFailed, Refusal<ERROR_NOT_SUPPORTED>(&::GetFileSizeEx)},
        {file.path,                          ERROR_LOCK_VIOLATION, readFailed, Refusal<ERROR_LOCK_VIOLATION>(&::ReadFile)},
    };
    // clang-format on
    for (const auto& c : cases) {
        CShrinkingFileSha256 hash;
        hash.writer = CreateFileW(file.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        const ImportHook refusal(c.refusal);
        EXPECT_TRUE(!c.refusal.imported || refusal.Installed());
        BYTE digest[32] = {};
        EXPECT_FALSE(hash.HashFile(c.path.c_str(), kWholeFile, digest));
        CloseHandle(hash.writer);
        EXPECT_EQ(0u, std::wstring(LastErrorText()).rfind(c.text, 0)) << LastErrorText();
        EXPECT_EQ(c.code, LastErrorCode());
        EXPECT_EQ(Bytes(32, 0), Bytes(digest, digest + 32));
        EXPECT_TRUE(OpensExclusively(file.path));
    }
}

TEST(HashText, DigestsTheEncodedTextWithoutTerminator)
{
    const std::wstring sha256OfAbc = kAbcDigests[4], untouched(64, L'0');
    const std::wstring utf16Abc = L"13E228567E8249FCE53337F25D7970DE3BD68AB2653424C7B8F9FD05E33CAEDF";
    // clang-format off
    const struct { const wchar_t* text; int length; int encoding; std::wstring sha256; } cases[] = {
        {L"abc",    0,  TextEncodingUtf8,    sha256OfAbc},
        {L"abcdef", 3,  TextEncodingAnsi,    sha256OfAbc},
        {L"abc",    -1, TextEncodingUnicode, utf16Abc},
        {L"abc",    0,  4,                   untouched},  // refused
    };
    // clang-format on
    for (const auto& c : cases) {
        CVnSha256 hash;
        BYTE digest[32] = {};
        EXPECT_EQ(c.encoding != 4, !!hash.HashText(c.text, c.length, static_cast<TextEncoding>(c.encoding), digest));
        EXPECT_EQ(c.sha256, Hex(digest, 32)) << c.encoding;
    }
}

}  // namespace
