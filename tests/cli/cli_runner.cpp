#include "tests/cli/cli_runner.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

namespace {

// What the program wrote to `pipe`, decoded from UTF-8; the pipe is closed.
std::wstring ReadToEnd(HANDLE pipe)
{
    std::string bytes;
    char piece[4096];
    DWORD read = 0;
    while (ReadFile(pipe, piece, sizeof(piece), &read, nullptr) && read != 0)
        bytes.append(piece, read);
    CloseHandle(pipe);
    std::wstring text(bytes.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                                    static_cast<int>(text.size())));
    return text;
}

// A pipe whose `childEnd` the child inherits while `ownEnd` stays with this process.
void MakePipe(bool childReads, HANDLE& childEnd, HANDLE& ownEnd)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    // Room for the input of most runs at once; the outputs are read while it is written.
    EXPECT_TRUE(CreatePipe(&read, &write, &inherit, 1 << 16));
    childEnd = childReads ? read : write;
    ownEnd = childReads ? write : read;
    SetHandleInformation(ownEnd, HANDLE_FLAG_INHERIT, 0);
}

}  // namespace

std::wstring CommandLine(const Arguments& arguments)
{
    std::wstring line = L"texthash-cli";
    for (const std::wstring& argument : arguments) {
        const bool plain = !argument.empty() && argument.find_first_of(L" \t") == std::wstring::npos;
        line += plain ? L' ' + argument : L" \"" + argument + L'"';
    }
    return line;
}

CliRun RunCli(const Arguments& arguments, const std::string& input, const wchar_t* folder)
{
    std::wstring commandLine = CommandLine(arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    HANDLE in = nullptr, out = nullptr, err = nullptr;
    PROCESS_INFORMATION process = {};
    {
        // Another run's child must not inherit this run's pipe ends: whatever is
        // inheritable exists only while one run starts its child.
        static std::mutex startingChild;
        const std::lock_guard<std::mutex> starting(startingChild);
        MakePipe(true, startup.hStdInput, in);
        MakePipe(false, startup.hStdOutput, out);
        MakePipe(false, startup.hStdError, err);
        EXPECT_TRUE(CreateProcessW(TEXTHASH_CLI_EXE, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                   folder, &startup, &process))
            << "cannot start texthash-cli.exe: error " << GetLastError();
        for (HANDLE childEnd : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
            CloseHandle(childEnd);
    }
    // Each pipe served on its own, so that a run that writes much to one of
    // them while another is full fails its test instead of waiting forever.
    CliRun run;
    std::thread outReader([&run, out] { run.out = ReadToEnd(out); });
    std::thread errReader([&run, err] { run.err = ReadToEnd(err); });
    DWORD written = 0;
    WriteFile(in, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
    CloseHandle(in);
    outReader.join();
    errReader.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
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
