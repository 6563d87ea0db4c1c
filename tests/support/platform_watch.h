// Watches the program's calls into the platform through this executable's import table, which the program's
// code linked in here shares with the tests: their own calls of a hooked function take the hook too.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <atomic>
#include <cwchar>
#include <deque>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

// Points every import-table entry of this executable that holds `from` to `to`; returns how many it changed.
inline int RedirectImports(void* from, void* to)
{
    auto* base = reinterpret_cast<BYTE*>(::GetModuleHandleW(nullptr));
    const LONG headers = reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + headers);
    const IMAGE_DATA_DIRECTORY& table = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int changed = 0;
    for (auto* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + table.VirtualAddress); library->Name;
         ++library) {
        for (auto* entry = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk); entry->u1.Function;
             ++entry) {
            if (entry->u1.Function == reinterpret_cast<ULONG_PTR>(from)) {
                DWORD protection = 0;
                ::VirtualProtect(&entry->u1.Function, sizeof entry->u1.Function, PAGE_READWRITE, &protection);
                entry->u1.Function = reinterpret_cast<ULONG_PTR>(to);
                ::VirtualProtect(&entry->u1.Function, sizeof entry->u1.Function, protection, &protection);
                ++changed;
            }
        }
    }
    return changed;
}

// The address an import holds now, read once: the compiler takes a function's address for a constant and may read
// the import again after the hook has changed it, which would leave the hook in place for good.
template <typename Function> Function RealFunction(Function imported)
{
    Function volatile real = imported;
    return real;
}

// A function's address, as ImportHook takes it.
template <typename Function> void* Address(Function* function) { return reinterpret_cast<void*>(function); }

// An import and what to put in its place.
struct Replacement {
    void *imported = nullptr, *standIn = nullptr;
};

// A stand-in for a platform function that fails with `kError`, returning FALSE or null.
template <DWORD kError, typename Result, typename... Arguments> Result WINAPI Refuse(Arguments...)
{
    ::SetLastError(kError);
    return Result();
}
template <DWORD kError, typename Result, typename... Arguments>
Replacement Refusal(Result(WINAPI* imported)(Arguments...))
{
    return {Address(imported), Address(&Refuse<kError, Result, Arguments...>)};
}

// Points the import of `imported` (the address of a dllimport function, read from the import table) at
// `replacement` while it lives, so one hook at a time per function; null for none.
class ImportHook {
public:
    ImportHook(void* imported, void* replacement)
        : original(imported), m_replacement(replacement), m_changed(RedirectImports(imported, replacement))
    {
    }
    explicit ImportHook(const Replacement& replacement) : ImportHook(replacement.imported, replacement.standIn) { }
    ~ImportHook() { RedirectImports(m_replacement, original); }
    ImportHook(const ImportHook&) = delete;
    ImportHook& operator=(const ImportHook&) = delete;

    bool Installed() const { return m_changed > 0; }
    void* const original;

private:
    void* const m_replacement;
    const int m_changed;
};

// The provider contexts the program opens and releases, and acquisitions refused with an error of the test's
// choosing. One watch at a time.
class ProviderWatch {
public:
    using Acquisition = std::tuple<std::wstring, DWORD, DWORD>;  // container, type, flags

    bool Installed() const { return m_acquire.Installed() && m_release.Installed(); }
    // Contexts acquired and not yet released, by anyone in the process.
    int OpenContexts() const { return m_open; }
    // The next acquisitions fail with these errors in turn, unseen by the provider; the record starts again.
    void Refuse(std::deque<DWORD> errors)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_refusals = std::move(errors);
        m_acquisitions.clear();
    }
    // The acquisitions attempted since the last Refuse.
    std::vector<Acquisition> Acquisitions()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_acquisitions;
    }

private:
    static BOOL WINAPI Acquire(HCRYPTPROV* context, LPCWSTR container, LPCWSTR provider, DWORD type, DWORD flags)
    {
        ProviderWatch& watch = *s_watch;
        {
            std::lock_guard<std::mutex> lock(watch.m_mutex);
            watch.m_acquisitions.emplace_back(container ? container : L"(null)", type, flags);
            if (!watch.m_refusals.empty()) {
                ::SetLastError(watch.m_refusals.front());
                watch.m_refusals.pop_front();
                return FALSE;
            }
        }
        const BOOL acquired = reinterpret_cast<decltype(&::CryptAcquireContextW)>(watch.m_acquire.original)(
            context, container, provider, type, flags);
        watch.m_open += acquired && !(flags & CRYPT_DELETEKEYSET);
        return acquired;
    }
    static BOOL WINAPI Release(HCRYPTPROV context, DWORD flags)
    {
        const BOOL released =
            reinterpret_cast<decltype(&::CryptReleaseContext)>(s_watch->m_release.original)(context, flags);
        s_watch->m_open -= released != FALSE;
        return released;
    }

    static inline ProviderWatch* s_watch = nullptr;
    // In this order: the hooks find the watch ready, and go before it does.
    const struct Current {
        explicit Current(ProviderWatch* watch) { s_watch = watch; }
        ~Current() { s_watch = nullptr; }
    } m_current {this};
    std::atomic<int> m_open {0};
    std::mutex m_mutex;
    std::deque<DWORD> m_refusals;
    std::vector<Acquisition> m_acquisitions;
    ImportHook m_acquire {Address(&::CryptAcquireContextW), Address(&Acquire)};
    ImportHook m_release {Address(&::CryptReleaseContext), Address(&Release)};
};

// What the system itself says about `code`, without the line break at its end; `otherwise` when it has nothing.
inline std::wstring SystemMessage(DWORD code, const wchar_t* otherwise = L"")
{
    wchar_t text[4096] = {};
    ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                     MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 4096, nullptr);
    std::wstring message = text;
    message.erase(message.find_last_not_of(L"\r\n") + 1);
    return message.empty() ? otherwise : message;
}

// The detail a failure record gives for `code`: the system's message, else the program's own phrase.
inline std::wstring RecordedDetail(DWORD code)
{
    wchar_t unknown[32] = {};
    swprintf(unknown, 32, L"未知系统错误0x%08X。", static_cast<unsigned>(code));
    return SystemMessage(code, unknown);
}
