// Lists of hundreds of files checked with one, two and many workers, in this process and as a child, against what
// GNU sha256sum printed and returned for them (tests/data/many, made by make_many.sh there).
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <thread>

#include "cli/check_run.h"
#include "cli/command_line.h"
#include "cli/digest_run.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/platform_watch.h"
#include "tests/support/process_threads.h"
#include "tests/support/provider_fixture.h"
#include "tests/support/temp_file.h"

namespace {

#define MANY_DATA_DIR TEST_DATA_DIR L"/many"
const wchar_t kList[] = MANY_DATA_DIR L"/many.sha256";
// What make_many.sh gave GNU on standard input, for the list's "-".
const char kStandardInput[] = "standard input of the many-files check\n";
const wchar_t kUnreadable[] = L": FAILED open or read";
const wchar_t kOpenFailed[] = L": 计算文件校验时打开文件失败";
const wchar_t kOurPrefix[] = L"texthash-cli: ";

std::string ReadBytes(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::wstring Wide(const std::string& utf8)
{
    std::wstring text(utf8.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0],
                                    static_cast<int>(text.size())));
    return text;
}

std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::wistringstream stream(text);
    for (std::wstring line; std::getline(stream, line);)
        lines.push_back(line.substr(0, line.find_last_not_of(L'\r') + 1));
    return lines;
}

// One run of GNU as gnu.txt records it: the arguments ours takes, the exit code, the output, the error lines.
struct GnuRun {
    Arguments arguments;
    DWORD exitCode = ~0u;
    std::vector<std::wstring> out;
    size_t errors = 0;
};

std::vector<GnuRun> ReadGnuRuns(const std::vector<std::wstring>& readable)
{
    std::vector<GnuRun> runs;
    std::wistringstream records(Wide(ReadBytes(MANY_DATA_DIR L"/gnu.txt")));
    for (std::wstring word, rest; records >> word && std::getline(records, rest);) {
        rest.erase(0, 1);
        if (word == L"run") {
            runs.emplace_back();
            std::wistringstream arguments(rest);
            for (std::wstring argument; arguments >> argument;)
                runs.back().arguments.push_back(argument == L"many.sha256" ? kList : argument);
            for (const std::wstring& name : readable) {
                if (runs.back().arguments[0] == L"--tag")
                    runs.back().arguments.insert(runs.back().arguments.end(), {L"--file", name});
            }
        } else if (word == L"exit") {
            runs.back().exitCode = std::stoul(rest);
        } else if (word == L"out") {
            runs.back().out.push_back(rest);
        } else if (word == L"err") {
            ++runs.back().errors;
        }
    }
    return runs;
}

// Standard output and exit code as GNU's, and as many error lines.
void ExpectGnuReport(const GnuRun& gnu, DWORD exitCode, const std::wstring& out, const std::wstring& err)
{
    EXPECT_EQ(gnu.exitCode, exitCode) << err;
    EXPECT_EQ(gnu.out, Lines(out));
    EXPECT_EQ(gnu.errors, Lines(err).size()) << err;
}

// The interleaved report of one run: every failure to open stands right before its file's line.
void ExpectFailuresWithTheirLines(const std::vector<std::wstring>& lines, bool lineAfterFailure)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t failure = lines[i].find(kOpenFailed);
        if (lines[i].rfind(kOurPrefix, 0) != 0 || failure == std::wstring::npos)
            continue;
        const std::wstring name = lines[i].substr(std::size(kOurPrefix) - 1, failure - std::size(kOurPrefix) + 1);
        EXPECT_TRUE(!lineAfterFailure || (i + 1 < lines.size() && lines[i + 1] == name + kUnreadable)) << name;
    }
}

// The listed files, made anew from files.txt for every test: the same pattern bytes at each size, a folder, a
// file held open so that nothing else can read it; the missing ones left out.
class ManyFiles : public ProviderTest {
protected:
    void SetUp() override
    {
        ProviderTest::SetUp();
        CreateDirectoryW(L"many_files", nullptr);
        std::ifstream listed(MANY_DATA_DIR L"/files.txt");
        std::string kind, name;
        for (size_t size = 0; listed >> kind >> size >> name;) {
            const std::wstring path(name.begin(), name.end());
            if (kind == "folder")
                CreateDirectoryW(path.c_str(), nullptr);
            else if (kind != "missing" && kind != "stdin")
                m_files.push_back(std::make_unique<TempFile>(path, PatternBytes(size)));
            if (kind == "file")
                m_readable.push_back(path);
            if (kind == "locked")
                m_locked = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        }
        ASSERT_EQ(292u, m_files.size());
        ASSERT_NE(INVALID_HANDLE_VALUE, m_locked);
        m_gnu = ReadGnuRuns(m_readable);
        ASSERT_EQ(5u, m_gnu.size());
    }
    void TearDown() override
    {
        CloseHandle(m_locked);
        m_files.clear();
        RemoveDirectoryW(L"many_files\\013.bin");
        RemoveDirectoryW(L"many_files");
        ProviderTest::TearDown();
    }

    // Runs the console program's run in this process with `workers`, standard output and error into one file.
    int RunHere(const Arguments& arguments, int workers, std::wstring& out, std::wstring& err)
    {
        CliOptions options;
        std::wstring problem;
        EXPECT_TRUE(ParseCommandLine(arguments, options, problem)) << problem;
        const TempFile input(L"many_files_input.txt", kStandardInput);
        const TempFile output(L"many_files_output.txt", "");
        const HANDLE in = CreateFileW(input.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, 0);
        m_output = CreateFileW(output.path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        const HANDLE saved[] = {GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE),
                                GetStdHandle(STD_ERROR_HANDLE)};
        SetStdHandle(STD_INPUT_HANDLE, in);
        SetStdHandle(STD_OUTPUT_HANDLE, m_output);
        SetStdHandle(STD_ERROR_HANDLE, m_output);
        const int threads = ThreadsOfThisProcess();
        const int exitCode =
            options.check ? RunChecks(m_provider, options, workers) : RunDigests(m_provider, options, workers);
        EXPECT_EQ(threads, ThreadsOfThisProcess()) << "threads left behind";
        SetStdHandle(STD_INPUT_HANDLE, saved[0]);
        SetStdHandle(STD_OUTPUT_HANDLE, saved[1]);
        SetStdHandle(STD_ERROR_HANDLE, saved[2]);
        CloseHandle(in);
        CloseHandle(m_output);
        const std::vector<std::wstring> lines = Lines(Wide(ReadBytes(output.path)));
        ExpectFailuresWithTheirLines(lines, options.checkOutput != CheckOutput::Status);
        out.clear();
        err.clear();
        for (const std::wstring& line : lines)
            (line.rfind(kOurPrefix, 0) == 0 ? err : out) += line + L"\r\n";
        return exitCode;
    }

    std::vector<std::unique_ptr<TempFile>> m_files;
    std::vector<std::wstring> m_readable;
    std::vector<GnuRun> m_gnu;
    HANDLE m_locked = INVALID_HANDLE_VALUE;
    HANDLE m_output = INVALID_HANDLE_VALUE;
};

TEST_F(ManyFiles, ReportWhatGnuReportsWithAnyNumberOfWorkers)
{
    for (const GnuRun& gnu : m_gnu) {
        for (int workers : {1, 2, 16}) {
            SCOPED_TRACE(testing::Message() << CommandLine(gnu.arguments).substr(0, 60) << " on " << workers);
            std::wstring out, err;
            const int exitCode = RunHere(gnu.arguments, workers, out, err);
            ExpectGnuReport(gnu, exitCode, out, err);
        }
    }
    const std::vector<CliRun> runs =
        RunEach(m_gnu.size(), [this](size_t i) { return RunCli(m_gnu[i].arguments, kStandardInput); });
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(CommandLine(m_gnu[i].arguments).substr(0, 60));
        ExpectGnuReport(m_gnu[i], runs[i].exitCode, runs[i].out, runs[i].err);
    }
}

// Counts the opens of the listed files, from any thread.
std::atomic<int> g_listedOpens {0};
decltype(&::CreateFileW) g_createFile = nullptr;  // the system's own, taken before the hook
HANDLE WINAPI CountingCreateFile(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                 DWORD disposition, DWORD flags, HANDLE model)
{
    g_listedOpens += wcsstr(name, L"many_files/") != nullptr;
    return g_createFile(name, access, share, security, disposition, flags, model);
}

bool WaitUntil(const std::function<bool()>& done)
{
    for (int waited = 0; waited < 60000 && !done(); waited += 10)
        Sleep(10);
    return done();
}

TEST_F(ManyFiles, ASlowPipeEarlyHoldsBackNoLineBeforeItAndNoDigestAfterIt)
{
    // The first listed file, a pipe written late, then the whole list but for standard input.
    const std::wstring pipeName = L"\\\\.\\pipe\\texthash_many_files_test";
    const std::string listed = ReadBytes(kList);
    const size_t firstEnd = listed.find('\n') + 1;
    const size_t standardInput = listed.find("  -\n");
    const size_t standardInputStart = listed.rfind('\n', standardInput) + 1;
    const std::string list = listed.substr(0, firstEnd)
        + std::string(kPattern100Digests[4].begin(), kPattern100Digests[4].end()) + "  "
        + std::string(pipeName.begin(), pipeName.end()) + "\n" + listed.substr(0, standardInputStart)
        + listed.substr(standardInput + 4);
    const TempFile slowList(L"many_files_slow.sha256", list);
    std::vector<std::wstring> expected = {m_gnu[0].out[0], pipeName + L": OK"};
    for (const std::wstring& line : m_gnu[0].out) {
        if (line != L"-: OK")
            expected.push_back(line);
    }

    g_createFile = RealFunction(&::CreateFileW);
    const ImportHook hook(reinterpret_cast<void*>(g_createFile), reinterpret_cast<void*>(&CountingCreateFile));
    ASSERT_TRUE(hook.Installed());
    g_listedOpens = 0;
    const HANDLE pipe = CreateNamedPipeW(pipeName.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 65536,
                                         65536, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, pipe);
    const HANDLE runDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool firstLineWritten = false, restOpened = false;
    // Stays until the run has counted its threads.
    std::thread writer([&] {
        ConnectNamedPipe(pipe, nullptr);
        firstLineWritten = WaitUntil([this] {
            LARGE_INTEGER size = {};
            return GetFileSizeEx(m_output, &size) && size.QuadPart > 0;
        });
        restOpened = WaitUntil([] { return g_listedOpens >= 300; });
        const std::string bytes = PatternBytes(100);
        DWORD written = 0;
        WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        FlushFileBuffers(pipe);
        CloseHandle(pipe);
        WaitForSingleObject(runDone, INFINITE);
    });
    std::wstring out, err;
    const int exitCode = RunHere({L"-c", slowList.path}, 4, out, err);
    SetEvent(runDone);
    writer.join();
    CloseHandle(runDone);
    EXPECT_TRUE(firstLineWritten) << "the first file's line waited for the pipe after it";
    EXPECT_TRUE(restOpened) << "the files after the pipe waited for it: " << g_listedOpens << " opened";
    EXPECT_EQ(expected, Lines(out));
    EXPECT_EQ(m_gnu[0].exitCode, static_cast<DWORD>(exitCode));
    EXPECT_EQ(m_gnu[0].errors, Lines(err).size()) << err;
}

}  // namespace
