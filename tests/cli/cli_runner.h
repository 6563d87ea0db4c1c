// The real texthash-cli.exe run as a child process with pipes for its
// standard input, output and error, as scripts meet it, and tables of runs.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

using Arguments = std::vector<std::wstring>;

// Bytes the console tests feed it.
inline const std::string kUtf8Mark = "\xEF\xBB\xBF";
inline const std::string kUtf16Mark = "\xFF\xFE";
inline const std::string kUtf16Abc("a\0b\0c\0", 6);
inline const std::string kLoneHalves("a\0\x3D\xD8z\0\0\xDE", 8);  // UTF-16LE: a, a pair's first half, z, a second half

// The tests' one UTF-8 conversion each way, apart from the program's own.
std::wstring FromUtf8(const std::string& bytes);
std::string ToUtf8(const std::wstring& text);

// The lines of `text`, without their line breaks (LF or CR LF).
std::vector<std::wstring> Lines(const std::wstring& text);

// Starts the program with `startup`'s handles, inherited, in `folder` (null: this process's own).
PROCESS_INFORMATION StartCli(const Arguments& arguments, STARTUPINFOW& startup, DWORD flags, const wchar_t* folder);

// Waits for the process to end, closes its handles and gives its exit code.
DWORD ExitCodeOf(const PROCESS_INFORMATION& process);

struct CliRun {
    DWORD exitCode = ~0u;
    std::wstring out, err;  // decoded from UTF-8
};

CliRun RunCli(const Arguments& arguments, const std::string& input = "", const wchar_t* folder = nullptr);

// Makes `count` runs, `run(i)` the i-th, a few at a time since starting a process under Wine is mostly waiting;
// the runs come back in order.
std::vector<CliRun> RunEach(size_t count, const std::function<CliRun(size_t)>& run);

// A run and what it must give: its exit code, its exact standard output, and
// each line of standard error: the program's name, then pieces in that order,
// the first at once, parted by "…" where anything may stand.
struct CliRow {
    Arguments arguments;
    std::string input;  // on standard input
    DWORD exitCode;
    std::wstring out;
    std::vector<std::wstring> err = {};
};

// Runs the rows in `folder`, a few at a time, and checks each.
void ExpectRunsAsRows(const std::vector<CliRow>& rows, const wchar_t* folder = nullptr);
