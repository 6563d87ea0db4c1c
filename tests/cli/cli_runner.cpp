#include "tests/cli/cli_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <sstream>
#include <functional>
#include <thread>

std::wstring FromUtf8(const std::string& bytes)
{
    std::wstring text(bytes.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                                    static_cast<int>(text.size())));
    return text;
}

std::string ToUtf8(const std::wstring& text)
{
    std::string bytes(3 * text.size(), '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                                     static_cast<int>(bytes.size()), nullptr, nullptr));
    return bytes;
}

std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::wistringstream stream(text);
    for (std::wstring line; std::getline(stream, line);)
        lines.push_back(line.empty() || line.back() != L'\r' ? line : line.substr(0, line.size() - 1));
    return lines;
}

namespace {

// What the program wrote to `pipe`, decoded; the pipe is closed.
std::wstring ReadToEnd(HANDLE pipe)
{
    std::string bytes;
    char piece[4096];
    DWORD read = 0;
    while (ReadFile(pipe, piece, sizeof(piece), &read, nullptr) && read != 0)
        bytes.append(piece, read);
    CloseHandle(pipe);
    return FromUtf8(bytes);
}

// A pipe whose `childEnd` the child inherits; the other end, which this process keeps, is returned.
HANDLE MakePipe(bool childReads, HANDLE& childEnd)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE ends[2] = {};  // read, write
    // Room for the input of most runs at once; the outputs are read while it is written.
    EXPECT_TRUE(CreatePipe(&ends[0], &ends[1], &inherit, 1 << 16));
    childEnd = ends[childReads ? 0 : 1];
    SetHandleInformation(ends[childReads ? 1 : 0], HANDLE_FLAG_INHERIT, 0);
    return ends[childReads ? 1 : 0];
}

// The program's name, then the row's pieces in order, the first at once.
void ExpectSays(const std::wstring& line, const std::wstring& pieces)
{
    const std::wstring name = L"texthash-cli: ";
    size_t at = line.rfind(name, 0) == 0 ? name.size() : std::wstring::npos;
    for (size_t start = 0, end = 0; at != std::wstring::npos && end != std::wstring::npos; start = end + 1) {
        end = pieces.find(L'…', start);
        const std::wstring piece = pieces.substr(start, end - start);
        const size_t found = line.find(piece, at);
        at = found == std::wstring::npos || (start == 0 && found != at) ? std::wstring::npos : found + piece.size();
    }
    EXPECT_NE(std::wstring::npos, at) << "expected: " << pieces << "\nsaid: " << line;
}

// The command line that gives `arguments` back to wmain, as the C runtime's parser reads it: an argument quoted
// where it holds blanks or quotes or is empty, a quote inside as \", the backslashes before a quote (or before the
// closing one) doubled.
std::wstring CommandLine(const Arguments& arguments)
{
    std::wstring line = L"texthash-cli";
    for (const std::wstring& argument : arguments) {
        if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
            line += L' ' + argument;
            continue;
        }
        line += L" \"";
        size_t backslashes = 0;
        for (wchar_t unit : argument) {
            if (unit == L'"')
                line.append(backslashes + 1, L'\\');
            backslashes = unit == L'\\' ? backslashes + 1 : 0;
            line += unit;
        }
        line.append(backslashes, L'\\');
        line += L'"';
    }
    return line;
}

}  // namespace

PROCESS_INFORMATION StartCli(const Arguments& arguments, STARTUPINFOW& startup, DWORD flags, const wchar_t* folder)
{
    std::wstring commandLine = CommandLine(arguments);
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process = {};
    // Wine on a loaded machine now and then fails a start (ERROR_INTERNAL_ERROR) that a later try makes.
    BOOL started = FALSE;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        Sleep(100 * attempt);
        started = CreateProcessW(TEXTHASH_CLI_EXE, &commandLine[0], nullptr, nullptr, TRUE, flags | CREATE_NO_WINDOW,
                                 nullptr, folder, &startup, &process);
    }
    EXPECT_TRUE(started) << "cannot start texthash-cli.exe: error " << GetLastError();
    return process;
}

DWORD ExitCodeOf(const PROCESS_INFORMATION& process)
{
    DWORD exitCode = ~0u;
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

CliRun RunCli(const Arguments& arguments, const std::string& input, const wchar_t* folder)
{
    STARTUPINFOW startup = {};
    HANDLE in, out, err;
    PROCESS_INFORMATION process = {};
    {
        // No other run's child may inherit this run's pipe ends, so only one run at a time has any.
        static std::mutex startingChild;
        const std::lock_guard<std::mutex> starting(startingChild);
        in = MakePipe(true, startup.hStdInput);
        out = MakePipe(false, startup.hStdOutput);
        err = MakePipe(false, startup.hStdError);
        process = StartCli(arguments, startup, 0, folder);
        for (HANDLE childEnd : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
            CloseHandle(childEnd);
    }
    // Each pipe served on its own: a run that fills one while another waits must fail its test, not hang.
    CliRun run;
    std::thread outReader([&run, out] { run.out = ReadToEnd(out); });
    std::thread errReader([&run, err] { run.err = ReadToEnd(err); });
    DWORD written = 0;
    WriteFile(in, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(in);
    outReader.join();
    errReader.join();
    run.exitCode = ExitCodeOf(process);
    return run;
}

std::vector<CliRun> RunEach(size_t count, const std::function<CliRun(size_t)>& run)
{
    std::vector<CliRun> runs(count);
    std::atomic<size_t> next {0};
    std::vector<std::thread> workers;
    for (int worker = 0; worker < 4; ++worker) {
        workers.emplace_back([&] {
            for (size_t i = next++; i < count; i = next++)
                runs[i] = run(i);
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    return runs;
}

void ExpectRunsAsRows(const std::vector<CliRow>& rows, const wchar_t* folder)
{
    const std::vector<CliRun> runs =
        RunEach(rows.size(), [&](size_t i) { return RunCli(rows[i].arguments, rows[i].input, folder); });
    for (size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(testing::Message() << CommandLine(rows[i].arguments));
        EXPECT_EQ(rows[i].exitCode, runs[i].exitCode) << runs[i].err;
        EXPECT_EQ(rows[i].out, runs[i].out);
        const std::vector<std::wstring> errors = Lines(runs[i].err);
        ASSERT_EQ(rows[i].err.size(), errors.size()) << runs[i].err;
        for (size_t line = 0; line < errors.size(); ++line)
            ExpectSays(errors[line], rows[i].err[line]);
    }
}
