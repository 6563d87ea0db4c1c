// Files digested by several threads from one reader, against digests computed on the Linux host.
#include "digest/parallel_file_digest.h"

#include <gtest/gtest.h>

#include <process.h>

#include <atomic>
#include <thread>

#include "support/last_error.h"
#include "tests/support/provider_fixture.h"
#include "tests/support/platform_watch.h"
#include "tests/support/process_threads.h"
#include "tests/support/temp_file.h"

namespace {

SevenTexts OnlyRows(const SevenTexts& texts, DigestSelection selected)
{
    SevenTexts kept;
    for (int row = 0; row < kDigestCount; ++row)
        kept[row] = selected[row] ? texts[row] : L"";
    return kept;
}

class ParallelFileDigest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(AcquireHashProvider(&m_provider, PROV_RSA_AES, nullptr)) << LastErrorText(); }
    void TearDown() override { CryptReleaseContext(m_provider, 0); }

    // Digests `path` and checks that no thread of the run is left.
    DigestTexts Digest(const std::wstring& path, int threads, DigestSelection selected = AllDigests(),
                       const ReadAhead& readAhead = kDefaultReadAhead)
    {
        const int threadsBefore = ThreadsOfThisProcess();
        DigestTexts digests;
        COpenedFile file(path.c_str());
        EXPECT_TRUE(file.Opened() && DigestFileInParallel(m_provider, selected, file, threads, digests, readAhead))
            << LastErrorText();
        EXPECT_EQ(threadsBefore, ThreadsOfThisProcess()) << "threads left after digesting " << path;
        return digests;
    }

    HCRYPTPROV m_provider = 0;
};

// Counts the provider's hash objects created, from any thread.
std::atomic<int> g_hashesCreated {0};
decltype(&::CryptCreateHash) g_createHash = nullptr;  // the provider's own, taken before the hook
BOOL WINAPI CountingCreateHash(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTKEY key, DWORD flags, HCRYPTHASH* hash)
{
    ++g_hashesCreated;
    return g_createHash(provider, algorithm, key, flags, hash);
}

// How the C runtime refuses a thread when the system has none to give.
uintptr_t __cdecl RefusingBeginThread(void*, unsigned, unsigned(__stdcall*)(void*), void*, unsigned, unsigned*)
{
    errno = EAGAIN;
    return 0;
}

constexpr DWORD kRefusedHashData = ERROR_BUSY;
BOOL WINAPI RefusingHashData(HCRYPTHASH, const BYTE*, DWORD, DWORD)
{
    SetLastError(kRefusedHashData);
    return FALSE;
}

}  // namespace

TEST_F(ParallelFileDigest, AnyNumberOfThreadsAndAnyReadAheadGiveTheIndependentDigests)
{
    const TempFile empty(L"parallel_empty.bin", "");
    const TempFile small(L"parallel_small.bin", PatternBytes(100));
    const TempFile large(L"parallel_large.bin", PatternBytes(kLargeSize));
    ASSERT_TRUE(empty.created && small.created && large.created);
    // Pieces of an odd size end inside the SHA-2 blocks; with two buffers each is recycled at every other piece.
    const ReadAhead readAheads[] = {kDefaultReadAhead, {2, 65539}};
    const struct {
        const TempFile& file;
        const SevenTexts& digests;
    } files[] = {{empty, kEmptyDigests}, {small, kPattern100Digests}, {large, kLargeDigests}};
    for (const auto& file : files) {
        for (int threads : {1, 2, 3, 7}) {
            for (const ReadAhead& readAhead : readAheads) {
                const DigestTexts digests = Digest(file.file.path, threads, AllDigests(), readAhead);
                SCOPED_TRACE(testing::Message() << file.file.path << " on " << threads << " threads, "
                                                << readAhead.buffers << " x " << readAhead.bufferBytes);
                EXPECT_TRUE(digests.hasDigests);
                EXPECT_EQ(file.digests, digests.texts);
                EXPECT_EQ((std::array<bool, kDigestCount> {}), digests.failed);
            }
        }
    }
}

TEST_F(ParallelFileDigest, ComputesOnlyTheSelectedDigests)
{
    const TempFile large(L"parallel_only.bin", PatternBytes(kLargeSize));
    ASSERT_TRUE(large.created);
    g_createHash = RealFunction(&::CryptCreateHash);
    const ImportHook hook(reinterpret_cast<void*>(g_createHash), reinterpret_cast<void*>(&CountingCreateHash));
    ASSERT_TRUE(hook.Installed());
    const struct {
        DigestSelection selected;
        int providerHashes;
    } cases[] = {{DigestSelection("0010000"), 0}, {DigestSelection("1000010"), 1}, {DigestSelection("0000111"), 3}};
    for (const auto& c : cases) {
        g_hashesCreated = 0;
        const DigestTexts digests = Digest(large.path, 2, c.selected);
        EXPECT_EQ(OnlyRows(kLargeDigests, c.selected), digests.texts) << c.selected;
        EXPECT_EQ(c.providerHashes, g_hashesCreated) << c.selected;
    }
}

TEST_F(ParallelFileDigest, ADigestFailingOnItsOwnThreadKeepsItsFailureAndTheRestAreRight)
{
    const TempFile large(L"parallel_refused.bin", PatternBytes(kLargeSize));
    ASSERT_TRUE(large.created);
    const ImportHook hook(reinterpret_cast<void*>(RealFunction(&::CryptHashData)),
                          reinterpret_cast<void*>(&RefusingHashData));
    ASSERT_TRUE(hook.Installed());
    const DigestTexts digests = Digest(large.path, 3);
    SevenTexts expected = kLargeDigests;
    std::fill_n(expected.begin(), 3, L"HASH数据失败:" + RecordedDetail(kRefusedHashData));
    EXPECT_EQ(expected, digests.texts);
    EXPECT_EQ((std::array<bool, kDigestCount> {true, true, true}), digests.failed);
}

TEST_F(ParallelFileDigest, WithNoThreadToBeHadTheFileIsDigestedOnTheCallingThread)
{
    const TempFile large(L"parallel_no_threads.bin", PatternBytes(kLargeSize));
    ASSERT_TRUE(large.created);
    const ImportHook hook(reinterpret_cast<void*>(RealFunction(&::_beginthreadex)),
                          reinterpret_cast<void*>(&RefusingBeginThread));
    ASSERT_TRUE(hook.Installed());
    EXPECT_EQ(kLargeDigests, Digest(large.path, 3).texts);
}

TEST_F(ParallelFileDigest, APipeIsReadToItsEnd)
{
    const wchar_t name[] = L"\\\\.\\pipe\\texthash_parallel_test";
    const HANDLE pipe =
        CreateNamedPipeW(name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, pipe);
    std::thread writer([pipe] {
        ConnectNamedPipe(pipe, nullptr);
        const std::string bytes = PatternBytes(kThreeMiB);
        DWORD written = 0;
        WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        FlushFileBuffers(pipe);
        CloseHandle(pipe);
    });
    DigestTexts digests;
    COpenedFile file(name);
    EXPECT_TRUE(file.Opened() && DigestFileInParallel(m_provider, AllDigests(), file, 2, digests)) << LastErrorText();
    writer.join();
    EXPECT_EQ(kThreeMiBDigests, digests.texts);
}

TEST(ShareDigests, EverySelectedDigestOnceOnNoMoreThreadsThanDigestsWithTheWorkBalanced)
{
    const auto cost = [](DigestSelection share) {
        int sum = 0;
        for (int row = 0; row < kDigestCount; ++row)
            sum += share[row] ? kDigestTable[row].cost : 0;
        return sum;
    };
    for (const DigestSelection selected : {AllDigests(), DigestSelection("1010101"), DigestSelection("0010000")}) {
        for (int threads : {1, 2, 3, 16}) {
            const std::vector<DigestSelection> shares = ShareDigests(selected, threads);
            SCOPED_TRACE(testing::Message() << selected << " on " << threads << " threads");
            EXPECT_EQ(std::min<size_t>(threads, selected.count()), shares.size());
            DigestSelection covered;
            for (const DigestSelection& share : shares) {
                EXPECT_TRUE(share.any());
                EXPECT_TRUE((covered & share).none());
                covered |= share;
            }
            EXPECT_EQ(selected, covered);
        }
    }
    // All seven on two threads: the two differ by less than the costliest digest.
    const std::vector<DigestSelection> two = ShareDigests(AllDigests(), 2);
    EXPECT_LE(std::abs(cost(two[0]) - cost(two[1])), cost(DigestSelection().set(1)));
}
