// The settings search, run off the window's thread: with many causes and a
// long text it takes longer than a keystroke, and the window never waits for
// it. One thread serves the window's life; a new request stops the search
// that runs, and so does a cancellation.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "digest/setting_search.h"

class CSearchWorker {
public:
    // Each finished search is announced by posting `message` to `window`,
    // with the request's number as wParam.
    CSearchWorker(HWND window, UINT message);
    // Stops the search that runs and waits for the thread.
    ~CSearchWorker();
    CSearchWorker(const CSearchWorker&) = delete;
    CSearchWorker& operator=(const CSearchWorker&) = delete;

    // Starts a search of `text` for `expected`, stopping the one that runs;
    // with `key`, the search tries it as signers read and use keys.
    void Start(std::wstring text, const ExpectedDigest& expected, const std::optional<CGivenKey>& key);
    // Stops the search that runs, if any; nothing is announced for it.
    void Cancel();
    // The result of the request announced as `number`, when that is still the
    // latest request; `emptyText` says whether it searched the empty text.
    bool TakeResult(WPARAM number, SearchResult& result, bool& emptyText);

private:
    struct Request {
        WPARAM number;
        std::wstring text;
        ExpectedDigest expected;
        std::optional<CGivenKey> key;
    };

    void Serve();
    SearchResult Search(HCRYPTPROV provider, const Request& request);

    const HWND m_window;
    const UINT m_message;
    std::mutex m_lock;
    std::condition_variable m_requested;
    std::optional<Request> m_request;
    // The latest request's number: results of earlier ones are dropped.
    WPARAM m_latest = 0;
    std::optional<SearchResult> m_result;
    bool m_resultOfEmptyText = false;
    std::atomic<bool> m_stop {false};
    bool m_quit = false;
    std::thread m_thread;
};
