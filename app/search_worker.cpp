#include "app/search_worker.h"

#include "hash/provider_digest.h"
#include "support/last_error.h"

CSearchWorker::CSearchWorker(HWND window, UINT message)
    : m_window(window), m_message(message), m_thread([this] { Serve(); })
{
}

CSearchWorker::~CSearchWorker()
{
    {
        const std::lock_guard<std::mutex> held(m_lock);
        m_quit = true;
        m_stop = true;
    }
    m_requested.notify_one();
    m_thread.join();
}

void CSearchWorker::Start(std::wstring text, const ExpectedDigest& expected, const std::optional<CGivenKey>& key)
{
    {
        const std::lock_guard<std::mutex> held(m_lock);
        m_stop = true;
        m_request = Request {++m_latest, std::move(text), expected, key};
    }
    m_requested.notify_one();
}

void CSearchWorker::Cancel()
{
    const std::lock_guard<std::mutex> held(m_lock);
    m_stop = true;
    m_request.reset();
    ++m_latest;
}

bool CSearchWorker::TakeResult(WPARAM number, SearchResult& result, bool& emptyText)
{
    const std::lock_guard<std::mutex> held(m_lock);
    if (number != m_latest || !m_result)
        return false;
    result = std::move(*m_result);
    emptyText = m_resultOfEmptyText;
    m_result.reset();
    return true;
}

// The thread digests with a provider context of its own, beside the window's.
SearchResult CSearchWorker::Search(HCRYPTPROV provider, const Request& request)
{
    if (provider == 0) {
        SearchResult failed;
        failed.failure = LastErrorString();
        return failed;
    }
    SearchScope scope;
    scope.key = request.key;
    return FindSettingsGiving(provider, request.text.c_str(), request.text.size(), request.expected, scope, m_stop);
}

void CSearchWorker::Serve()
{
    HCRYPTPROV provider = 0;
    if (!AcquireHashProvider(&provider, PROV_RSA_AES, nullptr))
        provider = 0;
    for (;;) {
        Request request;
        {
            std::unique_lock<std::mutex> held(m_lock);
            m_requested.wait(held, [this] { return m_quit || m_request.has_value(); });
            if (m_quit)
                break;
            request = std::move(*m_request);
            m_request.reset();
            m_stop = false;
        }
        SearchResult result = Search(provider, request);
        const std::lock_guard<std::mutex> held(m_lock);
        if (result.cancelled || request.number != m_latest)
            continue;
        m_result = std::move(result);
        m_resultOfEmptyText = request.text.empty();
        ::PostMessageW(m_window, m_message, request.number, 0);
    }
    if (provider != 0)
        ::CryptReleaseContext(provider, 0);
}
