// Files digested by several threads from one reader, against digests computed on the Linux host.
#include "digest/parallel_file_digest.h"

#include <gtest/gtest.h>

#include <process.h>

#include <atomic>
#include <thread>

#include "tests/support/platform_watch.h"
#include "tests/support/process_threads.h"
#include "tests/support/provider_fixture.h"
#include "tests/support/temp_file.h"

namespace {

class ParallelFileDigest : public ProviderTest {
protected:
    // Digests `path` and checks that no thread of the run is left.
    DigestTexts Digest(const wchar_t* path, int threads, DigestSelection selected = ShownDigests(),
                       const ReadAhead& readAhead = kDefaultReadAhead)
    {
        const int threadsBefore = ThreadsOfThisProcess();
        DigestTexts digests;
        COpenedFile file(path);
        EXPECT_TRUE(file.Opened() && DigestFileInParallel(m_provider, selected, file, threads, digests, readAhead))
            << LastErrorText();
        EXPECT_EQ(threadsBefore, ThreadsOfThisProcess()) << "threads left after digesting " << path;
        return digests;
    }

    const TempFile m_large {L"parallel_large.bin", PatternBytes(kLargeSize)};
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

// Pieces of an odd size end inside the SHA-2 blocks; with two buffers each is recycled at every other piece.
TEST_F(ParallelFileDigest, AnyNumberOfThreadsAndAnyReadAheadGiveTheIndependentDigests)
{
    const TempFile empty(L"parallel_empty.bin", ""), small(L"parallel_small.bin", PatternBytes(100));
    ASSERT_TRUE(empty.created && small.created && m_large.created);
    const std::pair<const TempFile&, const SevenTexts&> files[] = {
        {empty, kEmptyDigests}, {small, kPattern100Digests}, {m_large, kLargeDigests}};
    for (const auto& [file, expected] : files) {
        for (int threads : {1, 2, 3, 7}) {
            for (const ReadAhead& readAhead : {kDefaultReadAhead, ReadAhead {2, 65539}}) {
                const DigestTexts digests = Digest(file.path.c_str(), threads, ShownDigests(), readAhead);
                SCOPED_TRACE(testing::Message() << file.path << " on " << threads << " threads, " << readAhead.buffers
                                                << " x " << readAhead.bufferBytes);
                EXPECT_TRUE(digests.hasDigests);
                EXPECT_EQ(expected, digests.texts);
                EXPECT_EQ((std::array<bool, kDigestCount> {}), digests.failed);
            }
        }
    }
}

TEST_F(ParallelFileDigest, ComputesOnlyTheSelectedDigests)
{
    g_createHash = RealFunction(&::CryptCreateHash);
    const ImportHook hook(Address(g_createHash), Address(&CountingCreateHash));
    ASSERT_TRUE(hook.Installed());
    const std::pair<const char*, int> cases[] = {{"0010000", 0}, {"1000010", 1}, {"0000111", 3}};  // provider hashes
    for (const auto& [rows, providerHashes] : cases) {
        g_hashesCreated = 0;
        const DigestSelection selected(rows);
        SevenTexts expected;
        for (int row = 0; row < kDigestCount; ++row)
            expected[row] = selected[row] ? kLargeDigests[row] : L"";
        EXPECT_EQ(expected, Digest(m_large.path.c_str(), 2, selected).texts) << rows;
        EXPECT_EQ(providerHashes, g_hashesCreated) << rows;
    }
}

// A digest refused on its own thread keeps its failure and the rest are right; with no thread to be had the
// file is digested on the calling thread.
TEST_F(ParallelFileDigest, WhatThePlatformRefusesFailsAloneOrFallsBackToOneThread)
{
    const std::wstring busy = L"HASH数据失败:" + RecordedDetail(ERROR_BUSY);
    // clang-format off
    const struct { Replacement refusal; int failedRows; } cases[] = {
        {Refusal<ERROR_BUSY>(RealFunction(&::CryptHashData)),                          3},  // the provider's three
        {{Address(RealFunction(&::_beginthreadex)), Address(&RefusingBeginThread)}, 0},
    };
    // clang-format on
    for (const auto& c : cases) {
        const ImportHook hook(c.refusal);
        ASSERT_TRUE(hook.Installed());
        SevenTexts texts = kLargeDigests;
        std::array<bool, kDigestCount> failed = {};
        std::fill_n(texts.begin(), c.failedRows, busy);
        std::fill_n(failed.begin(), c.failedRows, true);
        const DigestTexts digests = Digest(m_large.path.c_str(), 3);
        EXPECT_EQ(texts, digests.texts);
        EXPECT_EQ(failed, digests.failed);
    }
}

// What the size of a pipe says is nothing about its bytes: they are read to their end.
TEST_F(ParallelFileDigest, APipeIsReadToItsEnd)
{
    const wchar_t name[] = L"\\\\.\\pipe\\texthash_parallel_test";
    const HANDLE pipe =
        CreateNamedPipeW(name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, pipe);
    std::thread writer([pipe] {  // a pipe holds a fraction of the bytes: the writer waits for the reader
        const std::string bytes = PatternBytes(kThreeMiB);
        DWORD written = 0;
        ConnectNamedPipe(pipe, nullptr);
        WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(pipe);
    });
    DigestTexts digests;  // threads not counted: the writer's ends meanwhile
    COpenedFile file(name);
    EXPECT_TRUE(file.Opened() && DigestFileInParallel(m_provider, ShownDigests(), file, 2, digests)) << LastErrorText();
    writer.join();
    EXPECT_EQ(kThreeMiBDigests, digests.texts);
}

// Every selected digest once, on no more threads than digests, none idle; all seven on two threads differ by
// less than the costliest digest.
TEST(ShareDigests, EverySelectedDigestOnceOnNoMoreThreadsThanDigestsWithTheWorkBalanced)
{
    for (const DigestSelection selected : {AllDigests(), DigestSelection("1010101"), DigestSelection("0010000")}) {
        for (int threads : {1, 2, 3, 16}) {
            const std::vector<DigestSelection> shares = ShareDigests(selected, threads);
            DigestSelection covered;
            size_t digests = 0;
            for (const DigestSelection& share : shares) {
                EXPECT_TRUE(share.any());
                covered |= share;
                digests += share.count();
            }
            EXPECT_EQ(std::min<size_t>(threads, selected.count()), shares.size()) << selected << " on " << threads;
            EXPECT_EQ(std::make_pair(selected, selected.count()), std::make_pair(covered, digests));
        }
    }
    int work[2] = {};
    for (int share = 0; share < 2; ++share) {
        for (int row = 0; row < kDigestCount; ++row)
            work[share] += ShareDigests(ShownDigests(), 2)[share][row] ? kDigestTable[row].cost : 0;
    }
    EXPECT_LT(std::abs(work[0] - work[1]), kDigestTable[1].cost);
}

}  // namespace
