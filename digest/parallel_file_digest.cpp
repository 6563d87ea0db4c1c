#include "digest/parallel_file_digest.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <system_error>
#include <thread>

#include "digest/file_digest.h"
#include "hash/file_pieces.h"
#include "hash/piece_ring.h"
#include "hash/sha2_paths.h"

namespace {

// The table's costs hold for the x86-64 build on a processor with the SHA
// extensions. Without them the portable SHA-224/256 code takes about seven
// times as long; the 32-bit build, short of registers for 64-bit words, takes
// about twice as long for the digests of 64-bit words (both measured with
// digest_bench).
constexpr int kPortableSha256CostFactor = 7;
constexpr int kWideWordsOn32BitCostFactor = 2;

bool WorksOnWideWords(OwnHashClass own)
{
    return own == OwnHashClass::Sha384 || own == OwnHashClass::Sha512 || own == OwnHashClass::Sha3_224
        || own == OwnHashClass::Sha3_256 || own == OwnHashClass::Sha3_384 || own == OwnHashClass::Sha3_512
        || own == OwnHashClass::Blake2b512;
}

int Cost(int row)
{
    const DigestKind& kind = kDigestTable[row];
    const bool sha256 = kind.ownClass == OwnHashClass::Sha224 || kind.ownClass == OwnHashClass::Sha256;
    if (sha256 && std::strcmp(ActiveSha256Path().name, "portable") == 0)
        return kind.cost * kPortableSha256CostFactor;
    if (WorksOnWideWords(kind.ownClass) && sizeof(void*) == 4)
        return kind.cost * kWideWordsOn32BitCostFactor;
    return kind.cost;
}

// The selected rows, the costliest first; equal costs in table order.
std::vector<int> RowsByCost(DigestSelection selected)
{
    std::vector<int> rows;
    for (int row = 0; row < kDigestCount; ++row) {
        if (selected[row])
            rows.push_back(row);
    }
    std::stable_sort(rows.begin(), rows.end(), [](int a, int b) { return Cost(a) > Cost(b); });
    return rows;
}

// The rows each share computed, put together in table order.
DigestTexts Merge(const std::vector<DigestSelection>& shares, std::deque<CDigestSet>& sets)
{
    DigestTexts merged;
    merged.hasDigests = true;
    for (size_t share = 0; share < shares.size(); ++share) {
        DigestTexts part = sets[share].Finish();
        for (int row = 0; row < kDigestCount; ++row) {
            if (shares[share][row]) {
                merged.values[row] = part.values[row];
                merged.texts[row] = std::move(part.texts[row]);
                merged.failed[row] = part.failed[row];
            }
        }
    }
    return merged;
}

// The digesting threads of one file, each draining the ring into its set.
// However the reading ends, the ring is ended and every thread joined.
class CDigestThreads {
public:
    explicit CDigestThreads(CPieceRing& ring) : m_ring(ring) { }
    CDigestThreads(const CDigestThreads&) = delete;
    CDigestThreads& operator=(const CDigestThreads&) = delete;
    ~CDigestThreads() { JoinAll(); }

    void Start(CDigestSet& set)
    {
        m_threads.emplace_back(
            [this, &set] { m_ring.Drain([&set](const BYTE* data, DWORD length) { set.Update(data, length); }); });
    }

    void JoinAll()
    {
        m_ring.End();
        for (std::thread& thread : m_threads) {
            if (thread.joinable())
                thread.join();
        }
    }

private:
    CPieceRing& m_ring;
    std::vector<std::thread> m_threads;
};

bool DigestOnThisThread(HCRYPTPROV provider, const DigestRequest& request, COpenedFile& file, DigestTexts& digests)
{
    CDigestSet set(provider, request);
    return DigestOpenedFile(set, file, digests);
}

}  // namespace

int DigestThreadCount(DigestSelection selected)
{
    const int processors = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return std::min(processors, static_cast<int>(selected.count()));
}

std::vector<DigestSelection> ShareDigests(DigestSelection selected, int threads)
{
    std::vector<DigestSelection> shares(std::max(0, std::min(threads, static_cast<int>(selected.count()))));
    std::vector<int> work(shares.size(), 0);
    for (int row : RowsByCost(selected)) {
        const size_t idlest = static_cast<size_t>(std::min_element(work.begin(), work.end()) - work.begin());
        shares[idlest].set(row);
        work[idlest] += Cost(row);
    }
    return shares;
}

bool FitsOnePiece(const COpenedFile& file, const ReadAhead& readAhead)
{
    return file.OnDisk() && file.Size() <= readAhead.bufferBytes;
}

bool DigestFileInParallel(HCRYPTPROV provider, const DigestRequest& request, COpenedFile& file, int threads,
                          DigestTexts& digests, const ReadAhead& readAhead)
{
    if (FitsOnePiece(file, readAhead))
        return DigestOnThisThread(provider, request, file, digests);
    const std::vector<DigestSelection> shares = ShareDigests(request.selected, threads);

    std::deque<CDigestSet> sets;
    for (const DigestSelection& share : shares)
        sets.emplace_back(provider, DigestRequest(share, request.parameters));
    CPieceRing ring(static_cast<int>(shares.size()), readAhead.buffers, readAhead.bufferBytes);
    BOOL read = FALSE;
    {
        CDigestThreads digesters(ring);
        try {
            for (CDigestSet& set : sets)
                digesters.Start(set);
        } catch (const std::system_error&) {
            // No more threads to be had: digest as before, on this thread alone.
            digesters.JoinAll();
            return DigestOnThisThread(provider, request, file, digests);
        }
        for (CDigestSet& set : sets)
            set.Reset();
        const auto room = [&ring](DWORD& bytes) { return ring.Room(bytes); };
        read = file.Read(~0ULL, room, [&ring](const BYTE*, DWORD length) { ring.Publish(length); });
    }
    if (read)
        digests = Merge(shares, sets);
    return read != FALSE;
}
