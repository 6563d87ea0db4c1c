#include "cli/console_io.h"

#include <cwchar>
#include <iterator>

#include "support/last_error.h"
#include "text/encode_text.h"

namespace {

// Hands `count` items to `write` in pieces that a DWORD counts, until all are
// taken; `write` returns how many it took, 0 on failure.
template <class T, class WriteFunction> bool WriteAll(const T* items, size_t count, WriteFunction write)
{
    while (count != 0) {
        const DWORD taken = write(items, count < MAXDWORD ? static_cast<DWORD>(count) : MAXDWORD);
        if (taken == 0)
            return false;
        items += taken;
        count -= taken;
    }
    return true;
}

bool WriteConsoleText(HANDLE console, const std::wstring& text)
{
    return WriteAll(text.data(), text.size(), [console](const wchar_t* piece, DWORD length) {
        DWORD written = 0;
        return WriteConsoleW(console, piece, length, &written, nullptr) ? written : 0;
    });
}

bool WriteUtf8(HANDLE handle, const std::wstring& text)
{
    const std::string bytes = WideToUtf8(text.data(), static_cast<int>(text.size()));
    // The conversion gives nothing when it fails; nothing must not pass for the text.
    if (bytes.empty() != text.empty())
        return false;
    return WriteAll(bytes.data(), bytes.size(), [handle](const char* piece, DWORD length) {
        DWORD written = 0;
        return WriteFile(handle, piece, length, &written, nullptr) ? written : 0;
    });
}

// Asking is a round trip to the system under Wine, once for every line
// written; a handle stays what it is, so each thread asks once per handle.
bool IsConsoleStandardHandle(DWORD which, HANDLE handle)
{
    struct Asked {
        HANDLE handle = nullptr;
        bool console = false;
    };
    thread_local Asked asked[2];  // standard output, standard error
    Asked& known = asked[which == STD_ERROR_HANDLE ? 1 : 0];
    if (known.handle != handle)
        known = {handle, IsConsole(handle)};
    return known.console;
}

// Characters that would move or colour the terminal's text, or turn its
// direction, rather than show: a message quoting what the user gave (a value,
// a name in a list) shows them as escapes, so that it stays one plain line.
bool IsControl(wchar_t unit)
{
    return unit < 0x20 || (unit >= 0x7F && unit <= 0x9F) || unit == 0x200E || unit == 0x200F
        || (unit >= 0x202A && unit <= 0x202E) || (unit >= 0x2066 && unit <= 0x2069);
}

std::wstring WithVisibleControls(const std::wstring& line)
{
    std::wstring shown;
    shown.reserve(line.size());
    for (wchar_t unit : line) {
        if (!IsControl(unit)) {
            shown += unit;
            continue;
        }
        const wchar_t* named = unit == L'\n' ? L"\\n" : unit == L'\r' ? L"\\r" : unit == L'\t' ? L"\\t" : nullptr;
        wchar_t escape[8];
        swprintf(escape, std::size(escape), unit < 0x100 ? L"\\x%02X" : L"\\u%04X", unsigned(unit));
        shown += named != nullptr ? named : escape;
    }
    return shown;
}

}  // namespace

bool IsConsole(HANDLE handle)
{
    DWORD mode = 0;
    return GetConsoleMode(handle, &mode) != FALSE;
}

bool WriteStandardText(DWORD which, const std::wstring& text)
{
    const HANDLE handle = GetStdHandle(which);
    const bool written =
        IsConsoleStandardHandle(which, handle) ? WriteConsoleText(handle, text) : WriteUtf8(handle, text);
    if (!written)
        LastErrorSetSystem(0, which == STD_ERROR_HANDLE ? L"写入标准错误失败" : L"写入标准输出失败");
    return written;
}

const wchar_t kProgramName[] = L"texthash-cli";

void ReportProblem(const std::wstring& line)
{
    // Standard error is the last place to tell of a failure; if even that
    // fails, the exit code still does.
    WriteStandardText(STD_ERROR_HANDLE, std::wstring(kProgramName) + L": " + WithVisibleControls(line) + L"\r\n");
}

void ReportRecordedFailure(const std::wstring& label)
{
    const std::wstring text = LastErrorString();
    ReportProblem(label.empty() ? text : label + L": " + text);
}

void ReportUsageProblem(const std::wstring& problem)
{
    ReportProblem(problem + L";用法见 " + kProgramName + L" --help");
}
