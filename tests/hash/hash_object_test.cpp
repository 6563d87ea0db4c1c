#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "hash/sha256.h"
#include "support/last_error.h"
#include "tests/support/nist_vectors.h"
#include "tests/support/platform_watch.h"
#include "tests/support/temp_file.h"

constexpr size_t kReadSize = 131072;  // HashFile's piece
constexpr ULONGLONG kWholeFile = ~0ULL;

// No handle of the file is left open: nobody else may have it open to share.
static bool OpensExclusively(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

TEST(HashFile, DigestsTheFileOrItsFirstLimitBytes)
{
    const struct {
        size_t size;
        ULONGLONG limit;
        size_t digested;
    } cases[] = {
        {0, kWholeFile, 0},
        {1000, 0, 0},
        {1000, 999, 999},
        {1000, 1000, 1000},
        {1000, 1001, 1000},
        {1000, kWholeFile, 1000},
        {kReadSize, kWholeFile, kReadSize},
        {kReadSize + 1, kWholeFile, kReadSize + 1},
    };
    for (const auto& c : cases) {
        const std::string bytes = PatternBytes(c.size);
        const TempFile file(L"hash_object_test.bin", bytes);
        CVnSha256 hash;
        BYTE digest[32];
        ASSERT_TRUE(hash.HashFile(file.path.c_str(), c.limit, digest)) << LastErrorText();
        const std::wstring fromFile = Hex(digest, 32);
        hash.Reset();
        hash.Update(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(c.digested));
        EXPECT_EQ(Hex(digest, hash.Finish(digest)), fromFile) << c.size << " bytes, limit " << c.limit;
        EXPECT_TRUE(OpensExclusively(file.path));
    }
}

// What the size of a pipe or of a /proc file says is nothing about its bytes: they are read to their end.
TEST(HashFile, ReadsPipesAndFilesWithoutSizeToTheirEnd)
{
    const wchar_t pipe[] = L"\\\\.\\pipe\\texthash-hash-object-test";
    const HANDLE server =
        CreateNamedPipeW(pipe, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, server);
    // Several pieces and an odd rest; a pipe holds a fraction of that, so the writer waits for the reader.
    std::thread writer([server] {
        const std::string bytes = PatternBytes(3 * kReadSize + 17);
        DWORD written = 0;
        if (ConnectNamedPipe(server, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED)
            WriteFile(server, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(server);
    });
    CVnSha256 hash;
    BYTE digest[32];
    EXPECT_TRUE(hash.HashFile(pipe, kWholeFile, digest)) << LastErrorText();
    writer.join();
    EXPECT_EQ(L"731E366F256273EF7DFB7ADAF7D16A505F6D88C0FDB638A2EC53D4E903C41224", Hex(digest, 32));

    // Under Wine the host's /proc is on drive Z:; its files report size 0.
    const wchar_t procFile[] = L"Z:\\proc\\version";
    const HANDLE file = CreateFileW(procFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        GTEST_SKIP() << "no /proc here";
    char bytes[65536];
    DWORD read = 0;
    LARGE_INTEGER size = {};
    EXPECT_TRUE(ReadFile(file, bytes, sizeof(bytes), &read, nullptr) && GetFileSizeEx(file, &size));
    CloseHandle(file);
    EXPECT_EQ(0, size.QuadPart);
    ASSERT_NE(0u, read);
    ASSERT_TRUE(hash.HashFile(procFile, kWholeFile, digest)) << LastErrorText();
    const std::wstring fromFile = Hex(digest, 32);
    hash.Reset();
    hash.Update(reinterpret_cast<const BYTE*>(bytes), read);
    EXPECT_EQ(Hex(digest, hash.Finish(digest)), fromFile);
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

// The platform refusing the size or the bytes of a file it has opened, as a locked range refuses a read.
static BOOL WINAPI RefuseFileSize(HANDLE, PLARGE_INTEGER)
{
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}
static BOOL WINAPI RefuseRead(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED)
{
    SetLastError(ERROR_LOCK_VIOLATION);
    return FALSE;
}

TEST(HashFile, FailsWithTheReasonAndWritesNoDigest)
{
    const TempFile file(L"hash_object_test.bin", PatternBytes(kReadSize + 5000));
    const struct {
        std::wstring path;
        DWORD code;
        const wchar_t* text;
        void* refused = nullptr;  // the platform function that fails, and how
        void* refusal = nullptr;
    } cases[] = {
        {TEST_DATA_DIR L"/no such file.bin", ERROR_FILE_NOT_FOUND, L"计算文件校验时打开文件失败:"},
        {TEST_DATA_DIR, ERROR_ACCESS_DENIED, L"计算文件校验时打开文件失败:"},
        {file.path, 0, L"计算文件校验时读取文件失败:文件在读取期间变短了"},
        {file.path, ERROR_NOT_SUPPORTED, L"计算文件校验时读取文件失败:", reinterpret_cast<void*>(&::GetFileSizeEx),
         reinterpret_cast<void*>(&RefuseFileSize)},
        {file.path, ERROR_LOCK_VIOLATION, L"计算文件校验时读取文件失败:", reinterpret_cast<void*>(&::ReadFile),
         reinterpret_cast<void*>(&RefuseRead)},
    };
    for (const auto& c : cases) {
        CShrinkingFileSha256 hash;
        hash.writer = CreateFileW(file.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        const std::unique_ptr<ImportHook> refusal(c.refused ? new ImportHook(c.refused, c.refusal) : nullptr);
        EXPECT_TRUE(!refusal || refusal->Installed());
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
    const wchar_t* abc = L"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
    const struct {
        const wchar_t* text;
        int length;
        int encoding;
        std::wstring sha256;
    } cases[] = {
        {L"abc", 0, TextEncodingUtf8, abc},
        {L"abcdef", 3, TextEncodingAnsi, abc},
        {L"abc", -1, TextEncodingUnicode, L"13E228567E8249FCE53337F25D7970DE3BD68AB2653424C7B8F9FD05E33CAEDF"},
        {L"abc", 0, 4, std::wstring(64, L'0')},  // refused, nothing written
    };
    for (const auto& c : cases) {
        CVnSha256 hash;
        BYTE digest[32] = {};
        EXPECT_EQ(c.encoding != 4, !!hash.HashText(c.text, c.length, static_cast<TextEncoding>(c.encoding), digest));
        EXPECT_EQ(c.sha256, Hex(digest, 32)) << c.encoding;
    }
}
