// The operations every hash class inherits: files, texts and hex output.
#include <gtest/gtest.h>

#include <cwchar>

#include "support/last_error.h"
#include "tests/hash/sha2_test_util.h"

namespace {

const wchar_t kOpenFailed[] = L"计算文件校验时打开文件失败";
const wchar_t kReadFailed[] = L"计算文件校验时读取文件失败";
constexpr DWORD kFileChunk = 131072;
constexpr ULONGLONG kWholeFile = ~0ULL;

std::vector<BYTE> FileContents(size_t size)
{
    std::vector<BYTE> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<BYTE>(i * 7 + i / 251);
    }
    return bytes;
}

// A file in the temporary folder, deleted with the object.
class TempFile {
public:
    explicit TempFile(const std::vector<BYTE>& contents)
    {
        wchar_t folder[MAX_PATH];
        wchar_t path[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        GetTempFileNameW(folder, L"sha", 0, path);
        m_path = path;
        const HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
        CloseHandle(file);
    }
    ~TempFile() { DeleteFileW(m_path.c_str()); }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const wchar_t* Path() const { return m_path.c_str(); }

private:
    std::wstring m_path;
};

struct FileCase {
    size_t fileSize;
    ULONGLONG limit;
    size_t bytesDigested;
};

const FileCase kFileCases[] = {
    {0, kWholeFile, 0},
    {1000, 0, 0},
    {1000, 1, 1},
    {1000, 999, 999},
    {1000, 1000, 1000},
    {1000, 1001, 1000},
    {1000, kWholeFile, 1000},
    {kFileChunk, kWholeFile, kFileChunk},          // one read
    {kFileChunk + 1, kWholeFile, kFileChunk + 1},  // a full read and one byte
    {kFileChunk + 1, kFileChunk, kFileChunk},
    {3 * kFileChunk, kFileChunk + 1, kFileChunk + 1},
};

class HashFileTest : public testing::TestWithParam<Sha2Algorithm> {
protected:
    std::shared_ptr<CVnHashObject> m_hash = GetParam().make();
};

TEST_P(HashFileTest, DigestsTheFileOrItsFirstLimitBytes)
{
    for (const FileCase& fileCase : kFileCases) {
        const std::vector<BYTE> contents = FileContents(fileCase.fileSize);
        const TempFile file(contents);
        const std::string expected = DigestHex(
            *m_hash, std::vector<BYTE>(contents.begin(), contents.begin() + fileCase.bytesDigested));

        BYTE digest[64];
        ASSERT_TRUE(m_hash->HashFile(file.Path(), fileCase.limit, digest)) << LastErrorCode();
        EXPECT_EQ(ToHex(digest, GetParam().digestLength), expected)
            << "file of " << fileCase.fileSize << " bytes, limit " << fileCase.limit;
    }
}

TEST_P(HashFileTest, MissingFileFailsWithTheOpenContext)
{
    BYTE digest[64] = {};
    const std::wstring path = std::wstring(TEST_DATA_DIR) + L"/no such file.bin";
    EXPECT_FALSE(m_hash->HashFile(path.c_str(), kWholeFile, digest));
    EXPECT_EQ(LastErrorCode(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(std::wstring(LastErrorText()).rfind(kOpenFailed, 0), 0u);
    EXPECT_EQ(ToHex(digest, sizeof(digest)), std::string(128, '0')) << "digest written";
}

TEST_P(HashFileTest, DirectoryFailsWithTheOpenContext)
{
    BYTE digest[64] = {};
    EXPECT_FALSE(m_hash->HashFile(TEST_DATA_DIR, kWholeFile, digest));
    EXPECT_NE(LastErrorCode(), 0u);
    EXPECT_EQ(std::wstring(LastErrorText()).rfind(kOpenFailed, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sha2, HashFileTest, testing::ValuesIn(kSha2Algorithms), AlgorithmName);

// Cuts its file short after the first piece has been digested, as another
// writer may do while HashFile reads (it shares the file for writing).
class CShrinkingFileSha256 : public CVnSha256 {
public:
    CShrinkingFileSha256(HANDLE writer, LONGLONG newSize) : m_writer(writer), m_newSize(newSize) {}

    void Update(const BYTE* data, DWORD length) override
    {
        CVnSha256::Update(data, length);
        LARGE_INTEGER size;
        size.QuadPart = m_newSize;
        ASSERT_TRUE(SetFilePointerEx(m_writer, size, nullptr, FILE_BEGIN) && SetEndOfFile(m_writer));
    }

private:
    HANDLE m_writer;
    LONGLONG m_newSize;
};

TEST(HashFileShrinkTest, FileCutShortWhileReadingFails)
{
    const TempFile file(FileContents(kFileChunk + 5000));
    const HANDLE writer = CreateFileW(file.Path(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    CShrinkingFileSha256 hash(writer, kFileChunk + 100);

    BYTE digest[32] = {};
    EXPECT_FALSE(hash.HashFile(file.Path(), kWholeFile, digest));
    CloseHandle(writer);
    EXPECT_EQ(LastErrorCode(), 0u);
    EXPECT_EQ(std::wstring(LastErrorText()), std::wstring(kReadFailed) + L":文件在读取期间变短了");
    EXPECT_EQ(ToHex(digest, sizeof(digest)), std::string(64, '0')) << "digest written";
}

struct TextCase {
    const wchar_t* text;
    int length;
    TextEncoding encoding;
    const char* sha256Hex;
};

const char kAbcUtf8[] = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";

TEST(HashTextTest, DigestsTheEncodedTextWithoutTerminator)
{
    const TextCase kCases[] = {
        {L"abc", 0, TextEncodingUtf8, kAbcUtf8},
        {L"abc", -1, TextEncodingAnsi, kAbcUtf8},
        {L"abcdef", 3, TextEncodingUtf8, kAbcUtf8},
        {L"abc", 0, TextEncodingUnicode, "13E228567E8249FCE53337F25D7970DE3BD68AB2653424C7B8F9FD05E33CAEDF"},
    };
    for (const TextCase& textCase : kCases) {
        CVnSha256 hash;
        BYTE digest[32];
        ASSERT_TRUE(hash.HashText(textCase.text, textCase.length, textCase.encoding, digest));
        EXPECT_EQ(ToHex(digest, sizeof(digest)), textCase.sha256Hex)
            << "encoding " << textCase.encoding << ", length " << textCase.length;
    }
}

TEST(HashTextTest, UnknownEncodingFailsAndTouchesNothing)
{
    CVnSha256 hash;
    hash.Reset();
    hash.Update(reinterpret_cast<const BYTE*>("abc"), 3);

    BYTE digest[32] = {};
    EXPECT_FALSE(hash.HashText(L"xyz", 0, static_cast<TextEncoding>(4), digest));
    EXPECT_EQ(ToHex(digest, sizeof(digest)), std::string(64, '0')) << "digest written";
    EXPECT_EQ(FinishToHex(hash), kAbcUtf8) << "digest in progress disturbed";
}

class DigestTextTest : public testing::TestWithParam<Sha2Algorithm> {};

TEST_P(DigestTextTest, TwoUpperCaseDigitsPerByteAndOneZero)
{
    std::shared_ptr<CVnHashObject> hash = GetParam().make();
    const DWORD length = GetParam().digestLength;
    BYTE digest[64];
    for (DWORD i = 0; i < length; ++i) {
        digest[i] = static_cast<BYTE>(i * 37 + 5);
    }
    const std::string expected = ToHex(digest, length);

    wchar_t text[2 * 64 + 8];
    std::wmemset(text, L'#', sizeof(text) / sizeof(text[0]));
    hash->DigestToHex(digest, text);
    EXPECT_EQ(std::wstring(text), std::wstring(expected.begin(), expected.end()));
    EXPECT_EQ(text[2 * length + 1], L'#') << "written past the zero";

    std::wstring hexText = L"previous text, to be replaced entirely";
    hash->DigestToString(digest, hexText);
    EXPECT_EQ(hexText, std::wstring(expected.begin(), expected.end()));
}

INSTANTIATE_TEST_SUITE_P(Sha2, DigestTextTest, testing::ValuesIn(kSha2Algorithms), AlgorithmName);

TEST(FormatHexTest, NoBytesGiveAnEmptyText)
{
    wchar_t text[1] = {L'#'};
    FormatHex(nullptr, 0, text);
    EXPECT_EQ(text[0], L'\0');
}

}  // namespace
