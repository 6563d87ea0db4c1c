// Files digested by several threads from one reader, against digests computed on the Linux host.
#include "digest/parallel_file_digest.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <process.h>

#include <atomic>
#include <thread>

#include "tests/support/provider_fixture.h"
#include "tests/support/platform_watch.h"
#include "tests/support/temp_file.h"

namespace {

// The threads of this process now.
int ThreadsOfThisProcess()
{
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    int threads = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        threads += entry.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    return threads;
}

class ParallelFileDigest : public ProviderTest {
protected:
    // Digests `path` and checks that no thread of the run is left.
    DigestTexts Digest(const std::wstring& path, int threads, DigestSelection selected = AllDigests(),
                       const ReadAhead& readAhead = kDefaultReadAhead)
    {
        const int threadsBefore = ThreadsOfThisProcess();
        DigestTexts digests;
        EXPECT_TRUE(DigestFileInParallel(m_provider, selected, path.c_str(), threads, digests, readAhead))
            << LastErrorText();
        EXPECT_EQ(threadsBefore, ThreadsOfThisProcess()) << "threads left after digesting " << path;
        return digests;
    }

    const TempFile m_large {L"parallel_large.bin", PatternBytes(kLargeSize)};
};

// The address an import holds now, read once: the compiler takes a function's address for a constant and may read
// the import again after the hook has changed it, which would leave the hook in place for good.
template <typename Function> Function RealFunction(Function imported)
{
    Function volatile real = imported;
    return real;
}

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

TEST_F(ParallelFileDigest, AnyNumberOfThreadsAndAnyReadAheadGiveTheIndependentDigests)
{
    const TempFile empty(L"parallel_empty.bin", ""), small(L"parallel_small.bin", PatternBytes(100));
    ASSERT_TRUE(empty.created && small.created && m_large.created);
    // Pieces of an odd size end inside the SHA-2 blocks; with two buffers each is recycled at every other piece.
    const ReadAhead readAheads[] = {kDefaultReadAhead, {2, 65539}};
    const struct {
        const TempFile& file;
        const SevenTexts& digests;
    } files[] = {{empty, kEmptyDigests}, {small, kPattern100Digests}, {m_large, kLargeDigests}};
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
        EXPECT_EQ(expected, Digest(m_large.path, 2, selected).texts) << rows;
        EXPECT_EQ(providerHashes, g_hashesCreated) << rows;
    }
}

TEST_F(ParallelFileDigest, ADigestFailingOnItsOwnThreadKeepsItsFailureAndTheRestAreRight)
{
    const ImportHook hook(Refusal<ERROR_BUSY>(RealFunction(&::CryptHashData)));
    ASSERT_TRUE(hook.Installed());
    const DigestTexts digests = Digest(m_large.path, 3);
    SevenTexts expected = kLargeDigests;
    std::fill_n(expected.begin(), 3, L"HASH数据失败:" + RecordedDetail(ERROR_BUSY));
    EXPECT_EQ(expected, digests.texts);
    EXPECT_EQ((std::array<bool, kDigestCount> {true, true, true}), digests.failed);
}

TEST_F(ParallelFileDigest, WithNoThreadToBeHadTheFileIsDigestedOnTheCallingThread)
{
    const ImportHook hook(Address(RealFunction(&::_beginthreadex)), Address(&RefusingBeginThread));
    ASSERT_TRUE(hook.Installed());
    EXPECT_EQ(kLargeDigests, Digest(m_large.path, 3).texts);
}

TEST_F(ParallelFileDigest, AFileThatCannotBeOpenedFailsWithTheReadersTextAndLeavesNoThread)
{
    const int threadsBefore = ThreadsOfThisProcess();
    DigestTexts digests;
    digests.texts[0] = L"untouched";
    EXPECT_FALSE(DigestFileInParallel(m_provider, AllDigests(), L"parallel_missing.bin", 3, digests));
    EXPECT_EQ(0u, std::wstring(LastErrorText()).rfind(L"计算文件校验时打开文件失败:", 0)) << LastErrorText();
    EXPECT_EQ(L"untouched", digests.texts[0]);
    EXPECT_EQ(threadsBefore, ThreadsOfThisProcess());
}

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
    DigestTexts digests;  // not counting threads: the writer's ends meanwhile
    EXPECT_TRUE(DigestFileInParallel(m_provider, AllDigests(), name, 2, digests)) << LastErrorText();
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

}  // namespace
