#include "digest/file_pool.h"

#include <algorithm>
#include <new>
#include <system_error>
#include <utility>

#include "digest/file_digest.h"
#include "digest/parallel_file_digest.h"
#include "support/exclusive_lock.h"
#include "support/last_error.h"

namespace {

// What bounds the memory whatever the list: at most this many files wait to
// be reported (a slow file holds back the reports after it, not the
// digesting), with this many UTF-16 units of paths among them (one longer
// path alone is still taken), and this many large files read ahead at once.
constexpr size_t kMaxWaitingFiles = 1024;
constexpr size_t kMaxWaitingPathUnits = 1 << 21;
constexpr int kMaxReadAheads = 2;
// Beyond this, more threads waiting on the system only cost memory.
constexpr int kMaxFileWorkers = 32;

}  // namespace

int FileWorkerCount()
{
    const int processors = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    return std::min(2 * processors, kMaxFileWorkers);
}

CFilePool::CFilePool(HCRYPTPROV provider, int workers)
    : m_provider(provider), m_maxWorkers(static_cast<size_t>(std::max(1, workers)))
{
}

void CFilePool::Digest(const std::wstring& path, const DigestRequest& request, Report report)
{
    Add({path, request, std::move(report), {}, false});
}

void CFilePool::DigestHere(HANDLE file, const DigestRequest& request, Report report)
{
    WaitForEarlierDigests(AddedSoFar());
    FileOutcome outcome;
    CDigestSet set(m_provider, request);
    outcome.read = DigestOpenFile(set, file, outcome.digests);
    if (!outcome.read) {
        outcome.failure = LastErrorString();
        outcome.failureCode = LastErrorCode();
    }
    Add({L"", request, std::move(report), std::move(outcome), true});
}

void CFilePool::Then(const std::function<void()>& report)
{
    Add({L"", DigestSelection(), [report](const FileOutcome&) { report(); }, {}, true});
}

void CFilePool::WaitUntilReported(const std::function<bool()>& done)
{
    CExclusiveLock lock(m_lock);
    lock.WaitFor(m_progress, [&] { return m_failure || done(); });
}

void CFilePool::Finish()
{
    JoinAll();
    if (m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
}

ULONGLONG CFilePool::AddedSoFar()
{
    CExclusiveLock lock(m_lock);
    return Added();
}

void CFilePool::JoinAll()
{
    {
        CExclusiveLock lock(m_lock);
        m_finishing = true;
    }
    WakeAllConditionVariable(&m_jobAdded);
    WakeAllConditionVariable(&m_progress);
    for (std::thread& worker : m_workers) {
        if (worker.joinable())
            worker.join();
    }
    if (m_writer.joinable())
        m_writer.join();
}

// Without a thread to be had, the file is digested, or the report made, on
// the calling thread, as by a program that takes one file at a time.
void CFilePool::Add(Entry entry)
{
    const bool queued = HasWriter();
    if (!entry.digested && (!queued || !HasWorker())) {
        entry.outcome = DigestEntry(AddedSoFar(), entry);
        entry.digested = true;
    }
    if (!queued)
        return entry.report(entry.outcome);
    {
        CExclusiveLock lock(m_lock);
        lock.WaitFor(m_progress, [&] { return HasRoomFor(entry); });
        if (m_failure)
            return;
        m_pathUnits += entry.path.size();
        const bool digested = entry.digested;
        m_entries.push_back(std::move(entry));
        if (digested)
            MarkDigested(Added() - 1);
    }
    WakeConditionVariable(&m_jobAdded);
}

bool CFilePool::HasRoomFor(const Entry& entry) const
{
    return m_failure || m_entries.empty()
        || (m_entries.size() < kMaxWaitingFiles && m_pathUnits + entry.path.size() <= kMaxWaitingPathUnits);
}

// Another worker, up to the most allowed, when the files not yet taken, the
// one to be added included, outnumber the idle workers: a worker woken for a
// file counts as idle until it runs, and one may wait long on a pipe.
bool CFilePool::HasWorker()
{
    bool wanted = false;
    {
        CExclusiveLock lock(m_lock);
        wanted = Added() + 1 - std::max(m_nextJob, m_first) > static_cast<ULONGLONG>(m_idleWorkers);
    }
    if (wanted && m_workers.size() < m_maxWorkers && !m_finishing) {
        try {
            m_workers.emplace_back([this] { RunGuarded([this] { Work(); }); });
        } catch (const std::system_error&) {
            // The workers there are take the file in their turn.
        }
    }
    return !m_workers.empty();
}

bool CFilePool::HasWriter()
{
    if (!m_writer.joinable() && !m_writerRefused) {
        try {
            m_writer = std::thread([this] { RunGuarded([this] { Write(); }); });
        } catch (const std::system_error&) {
            m_writerRefused = true;
        }
    }
    return m_writer.joinable();
}

// Memory exhausted on a pool thread stops every thread and is thrown by Finish.
template <typename Body> void CFilePool::RunGuarded(Body body)
{
    try {
        body();
    } catch (const std::bad_alloc&) {
        {
            CExclusiveLock lock(m_lock);
            if (!m_failure)
                m_failure = std::current_exception();
        }
        WakeAllConditionVariable(&m_jobAdded);
        WakeAllConditionVariable(&m_progress);
    }
}

// Under the lock: the next entry still to be digested, skipping those that
// came digested.
bool CFilePool::TakeJob(ULONGLONG& index)
{
    m_nextJob = std::max(m_nextJob, m_first);
    while (m_nextJob < Added() && At(m_nextJob).digested)
        ++m_nextJob;
    if (m_failure || m_nextJob == Added())
        return false;
    index = m_nextJob++;
    return true;
}

void CFilePool::Work()
{
    for (;;) {
        ULONGLONG index = 0;
        Entry* entry = nullptr;
        {
            CExclusiveLock lock(m_lock);
            bool taken = false;
            ++m_idleWorkers;
            lock.WaitFor(m_jobAdded, [&] {
                taken = TakeJob(index);
                return taken || m_finishing || m_failure;
            });
            --m_idleWorkers;
            if (!taken)
                return;
            // An entry stays where it is until it is digested and reported.
            entry = &At(index);
        }
        entry->outcome = DigestEntry(index, *entry);
        {
            CExclusiveLock lock(m_lock);
            MarkDigested(index);
        }
    }
}

void CFilePool::Write()
{
    for (;;) {
        Entry entry;
        {
            CExclusiveLock lock(m_lock);
            lock.WaitFor(m_progress, [&] {
                return (!m_entries.empty() && m_entries.front().digested) || (m_finishing && m_entries.empty())
                    || m_failure;
            });
            if (m_entries.empty() || m_failure)
                return;
            entry = std::move(m_entries.front());
            m_entries.pop_front();
            ++m_first;
            m_pathUnits -= entry.path.size();
        }
        WakeAllConditionVariable(&m_progress);
        entry.report(entry.outcome);
        // Taken after the report, so that one who waits for what it did (WaitUntilReported) is woken.
        CExclusiveLock lock(m_lock);
        WakeAllConditionVariable(&m_progress);
    }
}

FileOutcome CFilePool::DigestEntry(ULONGLONG index, const Entry& entry)
{
    FileOutcome outcome;
    outcome.read = DigestFile(index, entry, outcome.digests);
    if (!outcome.read) {
        outcome.failure = LastErrorString();
        outcome.failureCode = LastErrorCode();
    }
    return outcome;
}

// A pipe or a device is read in its turn, never beside another: two names
// may lead to the same one, and it gives its bytes only once.
bool CFilePool::DigestFile(ULONGLONG index, const Entry& entry, DigestTexts& digests)
{
    COpenedFile file(entry.path.c_str());
    if (!file.Opened())
        return false;
    if (!file.OnDisk())
        WaitForEarlierDigests(index);
    if (FitsOnePiece(file))
        return DigestFileInParallel(m_provider, entry.request, file, 1, digests);
    TakeReadAhead();
    const bool digested =
        DigestFileInParallel(m_provider, entry.request, file, DigestThreadCount(entry.request.selected), digests);
    ReleaseReadAhead();
    return digested;
}

void CFilePool::WaitForEarlierDigests(ULONGLONG index)
{
    CExclusiveLock lock(m_lock);
    lock.WaitFor(m_progress, [&] { return m_digestedPrefix >= index || m_failure; });
}

// Under the lock.
void CFilePool::MarkDigested(ULONGLONG index)
{
    At(index).digested = true;
    while (m_digestedPrefix < Added() && (m_digestedPrefix < m_first || At(m_digestedPrefix).digested))
        ++m_digestedPrefix;
    WakeAllConditionVariable(&m_progress);
}

void CFilePool::TakeReadAhead()
{
    CExclusiveLock lock(m_lock);
    lock.WaitFor(m_progress, [&] { return m_readAheads < kMaxReadAheads || m_failure; });
    ++m_readAheads;
}

void CFilePool::ReleaseReadAhead()
{
    {
        CExclusiveLock lock(m_lock);
        --m_readAheads;
    }
    WakeAllConditionVariable(&m_progress);
}
