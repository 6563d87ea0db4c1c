// Many files digested side by side, each reported in the order it was added:
// a worker mostly waits on the system (opening, asking the size, reading,
// closing), so several files in flight keep the processors busy, while the
// reports come out one after another as if the files had been digested in
// turn.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <deque>
#include <exception>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "digest/digest_set.h"

// How the digesting of one file ended.
struct FileOutcome {
    bool read = false;  // opened and read whole; otherwise the failure below
    DigestTexts digests;
    std::wstring failure;  // the recorded failure text (support/last_error.h)
    DWORD failureCode = 0;
};

// About two workers per logical processor, since they mostly wait.
int FileWorkerCount();

class CFilePool {
public:
    using Report = std::function<void(const FileOutcome& outcome)>;

    // The digests come from `provider`, which must stay open until Finish.
    // At most `workers` threads digest files, started as files arrive.
    CFilePool(HCRYPTPROV provider, int workers);
    CFilePool(const CFilePool&) = delete;
    CFilePool& operator=(const CFilePool&) = delete;
    // Whatever happened, every thread of the pool has ended when it is gone.
    ~CFilePool() { JoinAll(); }

    // Digests the file at `path` on a worker (a large file with its own
    // read-ahead and digest threads); a pipe or device waits until every file
    // added before it is digested. `report` runs on the pool's one writing
    // thread, as soon as every report added before it has run.
    void Digest(const std::wstring& path, const DigestRequest& request, Report report);
    // Digests `file`, open already (standard input), from where it stands on
    // the calling thread, once every file added before it is digested.
    void DigestHere(HANDLE file, const DigestRequest& request, Report report);
    // Runs `report` in its turn, with nothing to digest.
    void Then(const std::function<void()>& report);
    // Waits on the calling thread until `done` holds, asked again after each
    // report; gives up when memory ran out on a pool thread, since nothing is
    // reported then.
    void WaitUntilReported(const std::function<bool()>& done);
    // Waits until every report has run and every thread of the pool has
    // ended. Memory exhausted on one of them is thrown here.
    void Finish();

private:
    struct Entry {
        std::wstring path;
        DigestRequest request;
        Report report;
        FileOutcome outcome;
        bool digested = false;
    };

    void Add(Entry entry);
    void JoinAll();
    ULONGLONG AddedSoFar();
    bool HasWorker();
    bool HasWriter();
    bool HasRoomFor(const Entry& entry) const;
    Entry& At(ULONGLONG index) { return m_entries[static_cast<size_t>(index - m_first)]; }
    ULONGLONG Added() const { return m_first + m_entries.size(); }
    bool TakeJob(ULONGLONG& index);
    void Work();
    void Write();
    FileOutcome DigestEntry(ULONGLONG index, const Entry& entry);
    bool DigestFile(ULONGLONG index, const Entry& entry, DigestTexts& digests);
    void WaitForEarlierDigests(ULONGLONG index);
    void MarkDigested(ULONGLONG index);
    void TakeReadAhead();
    void ReleaseReadAhead();
    template <typename Body> void RunGuarded(Body body);

    const HCRYPTPROV m_provider;
    const size_t m_maxWorkers;
    std::vector<std::thread> m_workers;
    std::thread m_writer;
    bool m_writerRefused = false;

    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_jobAdded = CONDITION_VARIABLE_INIT;  // for the workers
    CONDITION_VARIABLE m_progress = CONDITION_VARIABLE_INIT;  // a file digested, a report taken, a read-ahead freed
    std::deque<Entry> m_entries;                              // added and not yet reported, in order
    ULONGLONG m_first = 0;                                    // the number of the first of them
    ULONGLONG m_nextJob = 0;                                  // the next a worker takes
    ULONGLONG m_digestedPrefix = 0;                           // every entry before this one is digested
    size_t m_pathUnits = 0;                                   // of the entries' paths
    int m_idleWorkers = 0;
    int m_readAheads = 0;
    bool m_finishing = false;
    std::exception_ptr m_failure;  // memory exhausted on a thread: everything stops
};
