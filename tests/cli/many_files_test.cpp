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

std::vector<GnuRun> ReadGnuRuns()
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
void ExpectGnuReport(const GnuRun& gnu, const CliRun& run)
{
    EXPECT_EQ(gnu.exitCode, run.exitCode) << run.err;
    EXPECT_EQ(gnu.out, Lines(run.out));
    EXPECT_EQ(gnu.errors, Lines(run.err).size()) << run.err;
}

// Standard output and error as one reader of both sees them: each failure to open a file comes right before the
// file's line, "texthash-cli: NAME: 计算文件校验时打开文件失败:..." and "NAME: FAILED open or read".
CliRun Parted(const std::vector<std::wstring>& lines, bool fileLines)
{
    CliRun run;
    for (size_t i = 0; i < lines.size(); ++i) {
        const bool ours = lines[i].rfind(kOurPrefix, 0) == 0;
        (ours ? run.err : run.out) += lines[i] + L"\r\n";
        const size_t failure = ours ? lines[i].find(L": 计算文件校验时打开文件失败") : std::wstring::npos;
        if (failure == std::wstring::npos || !fileLines)
            continue;
        const std::wstring name = lines[i].substr(std::size(kOurPrefix) - 1, failure - std::size(kOurPrefix) + 1);
        EXPECT_TRUE(i + 1 < lines.size() && lines[i + 1] == name + L": FAILED open or read") << lines[i];
    }
    return run;
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
            if (kind == "locked")
                m_locked = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        }
        ASSERT_EQ(292u, m_files.size());
        ASSERT_NE(INVALID_HANDLE_VALUE, m_locked);
        m_gnu = ReadGnuRuns();
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
    CliRun RunHere(const Arguments& arguments, int workers)
    {
        CliOptions options;
        std::wstring problem;
        EXPECT_TRUE(ParseCommandLine(arguments, options, problem)) << problem;
        const TempFile input(L"many_files_input.txt", kStandardInput);
        const TempFile output(L"many_files_output.txt", "");
        const HANDLE in = CreateFileW(input.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, 0);
        m_output = CreateFileW(output.path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
        const DWORD standard[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
        const HANDLE used[] = {in, m_output, m_output};
        HANDLE saved[3] = {};
        for (int i = 0; i < 3; ++i) {
            saved[i] = GetStdHandle(standard[i]);
            SetStdHandle(standard[i], used[i]);
        }
        const int threads = ThreadsOfThisProcess();
        const DWORD exitCode =
            options.check ? RunChecks(m_provider, options, workers) : RunDigests(m_provider, options, workers);
        EXPECT_EQ(threads, ThreadsOfThisProcess()) << "threads left behind";
        for (int i = 0; i < 3; ++i)
            SetStdHandle(standard[i], saved[i]);
        CloseHandle(in);
        CloseHandle(m_output);
        CliRun run = Parted(Lines(Wide(ReadBytes(output.path))), options.checkOutput != CheckOutput::Status);
        run.exitCode = exitCode;
        return run;
    }

    std::vector<std::unique_ptr<TempFile>> m_files;
    std::vector<GnuRun> m_gnu;
    HANDLE m_locked = INVALID_HANDLE_VALUE;
    HANDLE m_output = INVALID_HANDLE_VALUE;
};

TEST_F(ManyFiles, ReportWhatGnuReportsWithAnyNumberOfWorkers)
{
    for (const GnuRun& gnu : m_gnu) {
        for (int workers : {1, 2, 16}) {
            SCOPED_TRACE(testing::Message() << gnu.arguments[0] << " " << gnu.arguments[1] << " on " << workers);
            ExpectGnuReport(gnu, RunHere(gnu.arguments, workers));
        }
    }
    const std::vector<CliRun> runs =
        RunEach(m_gnu.size(), [this](size_t i) { return RunCli(m_gnu[i].arguments, kStandardInput); });
    for (size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(testing::Message() << m_gnu[i].arguments[0] << " " << m_gnu[i].arguments[1]);
        ExpectGnuReport(m_gnu[i], runs[i]);
    }
}

// A listed file whose digest the provider refuses was not checked: it fails the run as a file that cannot be read.
TEST_F(ManyFiles, AFileWhoseDigestFailsFailsTheCheck)
{
    const TempFile list(L"many_files_failing.md5", std::string(32, '0') + "  many_files/001.bin\n");
    const ImportHook refusal(Refusal<ERROR_BUSY>(RealFunction(&::CryptHashData)));
    ASSERT_TRUE(refusal.Installed());
    const CliRun run = RunHere({L"-c", list.path}, 2);
    EXPECT_EQ(1u, run.exitCode);
    EXPECT_EQ(L"many_files/001.bin: FAILED open or read\r\n", run.out);
    EXPECT_EQ(std::wstring(kOurPrefix) + L"many_files/001.bin: MD5: HASH数据失败:" + RecordedDetail(ERROR_BUSY)
                  + L"\r\n" + kOurPrefix + L"警告:有 1 个列出的文件无法读取\r\n",
              run.err);
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
    // The list but for standard input, with a pipe written late as its second line.
    const std::string pipeName = "\\\\.\\pipe\\texthash_many_files_test";
    std::string list = ReadBytes(kList);
    const size_t standardInput = list.rfind('\n', list.find("  -\n")) + 1;
    list.erase(standardInput, list.find('\n', standardInput) + 1 - standardInput);
    const std::wstring& pipeHex = kPattern100Digests[4];
    list.insert(list.find('\n') + 1, std::string(pipeHex.begin(), pipeHex.end()) + "  " + pipeName + "\n");
    const TempFile slowList(L"many_files_slow.sha256", list);
    const int listedFiles = static_cast<int>(std::count(list.begin(), list.end(), '\n')) - 1;
    std::vector<std::wstring> expected;
    std::copy_if(m_gnu[0].out.begin(), m_gnu[0].out.end(), std::back_inserter(expected),
                 [](const std::wstring& line) { return line != L"-: OK"; });
    expected.insert(expected.begin() + 1, Wide(pipeName) + L": OK");

    g_createFile = RealFunction(&::CreateFileW);
    const ImportHook hook(reinterpret_cast<void*>(g_createFile), reinterpret_cast<void*>(&CountingCreateFile));
    ASSERT_TRUE(hook.Installed());
    g_listedOpens = 0;
    const HANDLE pipe = CreateNamedPipeW(Wide(pipeName).c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1,
                                         65536, 65536, 0, nullptr);
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
        restOpened = WaitUntil([listedFiles] { return g_listedOpens >= listedFiles; });
        const std::string bytes = PatternBytes(100);
        DWORD written = 0;
        WriteFile(pipe, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        FlushFileBuffers(pipe);
        CloseHandle(pipe);
        WaitForSingleObject(runDone, INFINITE);
    });
    const CliRun run = RunHere({L"-c", slowList.path}, 4);
    SetEvent(runDone);
    writer.join();
    CloseHandle(runDone);
    EXPECT_TRUE(firstLineWritten) << "the first file's line waited for the pipe after it";
    EXPECT_TRUE(restOpened) << "the files after the pipe waited for it: " << g_listedOpens << " opened";
    ExpectGnuReport({{}, m_gnu[0].exitCode, expected, m_gnu[0].errors}, run);
}

}  // namespace
