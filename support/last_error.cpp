#include "support/last_error.h"

#include <cstdarg>
#include <cwchar>
#include <new>

namespace {

// Internet-client error codes have their texts in wininet.dll's message table.
constexpr DWORD kFirstInternetError = 12000;
constexpr DWORD kLastInternetError = 12999;
constexpr DWORD kMessageCapacity = 4096;
// Formatted texts grow up to this many characters before the format is given up.
constexpr size_t kMaxFormattedLength = 1 << 20;

thread_local CLastError* t_record = nullptr;

// Found on first need and held for the life of the process. Written without a
// lock: two racing first uses at worst look the same module up twice.
HMODULE g_internetMessages = nullptr;

// The thread's record, made on first use. A failed allocation leaves the
// pointer null so that the next call tries again.
CLastError* ThreadRecord()
{
    if (t_record == nullptr) {
        t_record = new (std::nothrow) CLastError {0, std::wstring()};
    }
    return t_record;
}

// The platform's wide printf, in which %s takes wide text as %ls does. MinGW's
// C99 vswprintf would read %s as a narrow string; the runtime's own
// _vsnwprintf keeps the platform's convention. -1 when the text does not fit.
int FormatWide(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list args)
{
#ifdef _MSC_VER
    return _vsnwprintf_s(buffer, capacity, _TRUNCATE, format, args);
#else
    return _vsnwprintf(buffer, capacity, format, args);
#endif
}

std::wstring FormatText(const wchar_t* format, va_list args)
{
    if (format == nullptr) {
        return std::wstring();
    }
    std::wstring text(256, L'\0');
    while (text.size() <= kMaxFormattedLength) {
        va_list attempt;
        va_copy(attempt, args);
        const int written = FormatWide(&text[0], text.size(), format, attempt);
        va_end(attempt);
        if (written >= 0 && static_cast<size_t>(written) < text.size()) {
            text.resize(written);
            return text;
        }
        text.resize(text.size() * 2);
    }
    return std::wstring();
}

void TrimTrailing(std::wstring& text, const wchar_t* characters)
{
    const size_t keep = text.find_last_not_of(characters);
    text.erase(keep == std::wstring::npos ? 0 : keep + 1);
}

std::wstring ContextText(const wchar_t* format, va_list args)
{
    std::wstring context = FormatText(format, args);
    TrimTrailing(context, L":");
    return context;
}

HMODULE MessageModuleFor(DWORD code)
{
    if (code < kFirstInternetError || code > kLastInternetError) {
        return nullptr;
    }
    if (g_internetMessages == nullptr) {
        HMODULE module = GetModuleHandleW(L"wininet.dll");
        g_internetMessages = module != nullptr ? module : LoadLibraryW(L"wininet.dll");
    }
    return g_internetMessages;
}

// ":" followed by the system's message for `code`, or by the program's own
// phrase when the system has none.
std::wstring SystemDetail(DWORD code)
{
    wchar_t detail[kMessageCapacity];
    detail[0] = L':';
    const HMODULE module = MessageModuleFor(code);
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (module != nullptr) {
        flags |= FORMAT_MESSAGE_FROM_HMODULE;
    }
    const DWORD length = FormatMessageW(flags, module, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), detail + 1,
                                        kMessageCapacity - 1, nullptr);
    if (length == 0) {
        swprintf(detail, kMessageCapacity, L":未知系统错误0x%08X。", static_cast<unsigned>(code));
    }
    return detail;
}

// The first colon that is not part of a drive path, a URL or a time of day.
size_t SeparatorPosition(const std::wstring& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        const wchar_t next = text[i + 1];
        const bool partOfValue = next == L'/' || next == L'\\' || (next >= L'0' && next <= L'9');
        if (text[i] == L':' && !partOfValue) {
            return i;
        }
    }
    return std::wstring::npos;
}

}  // namespace

const wchar_t* LastErrorSetSystem(DWORD code, const wchar_t* contextFormat, ...)
{
    // Read before anything else can overwrite the thread's last error.
    if (code == 0) {
        code = GetLastError();
    }
    CLastError* record = ThreadRecord();
    if (record == nullptr) {
        return L"";
    }
    record->m_code = code;

    va_list args;
    va_start(args, contextFormat);
    const std::wstring context = ContextText(contextFormat, args);
    va_end(args);

    const std::wstring detail = SystemDetail(code);
    record->m_text = context.empty() ? detail.substr(1) : context + detail;
    TrimTrailing(record->m_text, L"\r\n");
    return record->m_text.c_str();
}

const wchar_t* LastErrorSetText(DWORD code, const wchar_t* format, ...)
{
    CLastError* record = ThreadRecord();
    if (record == nullptr) {
        return L"";
    }
    record->m_code = code;
    va_list args;
    va_start(args, format);
    record->m_text = FormatText(format, args);
    va_end(args);
    return record->m_text.c_str();
}

const wchar_t* LastErrorReplaceContext(const wchar_t* contextFormat, ...)
{
    CLastError* record = ThreadRecord();
    if (record == nullptr) {
        return L"";
    }
    va_list args;
    va_start(args, contextFormat);
    std::wstring text = ContextText(contextFormat, args);
    va_end(args);

    const size_t separator = SeparatorPosition(record->m_text);
    if (separator != std::wstring::npos) {
        text += record->m_text.substr(separator);
    }
    record->m_text = text;
    return record->m_text.c_str();
}

const wchar_t* LastErrorText()
{
    const CLastError* record = ThreadRecord();
    return record != nullptr ? record->m_text.c_str() : nullptr;
}

std::wstring LastErrorString()
{
    const wchar_t* text = LastErrorText();
    return text != nullptr ? text : L"";
}

DWORD LastErrorCode()
{
    const CLastError* record = ThreadRecord();
    return record != nullptr ? record->m_code : 0;
}
