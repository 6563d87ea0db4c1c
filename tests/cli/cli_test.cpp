// The console program as scripts meet it: the real texthash-cli.exe run as a
// child process with pipes for its standard input, output and error.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <regex>
#include <thread>

#include "app/c_array_export.h"
#include "app/digest_pipeline.h"
#include "support/last_error.h"
#include "tests/app/abc_c_array_export.h"
#include "tests/app/reference_digests.h"
#include "tests/support/temp_file.h"
#include "text/encode_text.h"

namespace {

using Arguments = std::vector<std::wstring>;

struct CliRun {
    DWORD exitCode = 0;
    std::wstring out;  // decoded from UTF-8
    std::wstring err;
};

const wchar_t* const kNames[] = {L"MD4", L"MD5", L"SHA1", L"SHA224", L"SHA256", L"SHA384", L"SHA512"};

// The argument as the C runtime's parser gives it back to wmain.
std::wstring Quoted(const std::wstring& argument)
{
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t unit : argument) {
        if (unit == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(unit == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        quoted += unit;
        backslashes = 0;
    }
    return quoted.append(2 * backslashes, L'\\') + L'"';
}

std::wstring FromUtf8(const std::string& bytes)
{
    std::wstring text(bytes.size(), L'\0');
    text.resize(MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                                    static_cast<int>(text.size())));
    return text;
}

std::string ReadToEnd(HANDLE pipe)
{
    std::string bytes;
    char piece[4096];
    DWORD read = 0;
    while (ReadFile(pipe, piece, sizeof(piece), &read, nullptr) && read != 0)
        bytes.append(piece, read);
    return bytes;
}

// A pipe whose one end the child inherits.
struct ChildPipe {
    explicit ChildPipe(bool childReads)
    {
        SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
        HANDLE read = nullptr, write = nullptr;
        EXPECT_TRUE(CreatePipe(&read, &write, &inherit, 0));
        child = childReads ? read : write;
        parent = childReads ? write : read;
        SetHandleInformation(parent, HANDLE_FLAG_INHERIT, 0);
    }
    ~ChildPipe()
    {
        CloseChildEnd();
        CloseHandle(parent);
    }
    void CloseChildEnd()
    {
        if (child != nullptr)
            CloseHandle(child);
        child = nullptr;
    }
    HANDLE child = nullptr;
    HANDLE parent = nullptr;
};

CliRun RunCli(const Arguments& arguments, const std::string& input = "")
{
    std::wstring commandLine = Quoted(TEXTHASH_CLI_EXE);
    for (const std::wstring& argument : arguments)
        commandLine += L' ' + Quoted(argument);
    // Another run's child must not inherit this run's pipe ends: whatever is
    // inheritable exists only while one run starts its child.
    static std::mutex startingChild;
    std::unique_lock<std::mutex> starting(startingChild);
    ChildPipe in(true), out(false), err(false);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.child;
    startup.hStdOutput = out.child;
    startup.hStdError = err.child;
    PROCESS_INFORMATION process = {};
    CliRun run;
    run.exitCode = ~0u;
    if (!CreateProcessW(TEXTHASH_CLI_EXE, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process)) {
        ADD_FAILURE() << "cannot start texthash-cli.exe: error " << GetLastError();
        return run;
    }
    in.CloseChildEnd();
    out.CloseChildEnd();
    err.CloseChildEnd();
    starting.unlock();
    std::thread writer([&] {
        DWORD written = 0;
        WriteFile(in.parent, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
        CloseHandle(in.parent);
        in.parent = nullptr;
    });
    std::string errBytes;
    std::thread errReader([&] { errBytes = ReadToEnd(err.parent); });
    const std::string outBytes = ReadToEnd(out.parent);
    writer.join();
    errReader.join();
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.out = FromUtf8(outBytes);
    run.err = FromUtf8(errBytes);
    return run;
}

struct CliCall {
    Arguments arguments;
    std::string input;
};

// Runs the calls a few at a time, since starting a process under Wine is
// mostly waiting; the runs come back in call order.
std::vector<CliRun> RunAll(const std::vector<CliCall>& calls)
{
    constexpr int kRunsAtATime = 4;
    std::vector<CliRun> runs(calls.size());
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (int worker = 0; worker < kRunsAtATime; ++worker) {
        workers.emplace_back([&] {
            for (size_t call = next++; call < calls.size(); call = next++)
                runs[call] = RunCli(calls[call].arguments, calls[call].input);
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    return runs;
}

// A table row's standard input: its `input`, or none when it has no such column.
template <class Row>
auto InputOf(const Row& row, int) -> decltype(std::string(row.input))
{
    return row.input;
}
template <class Row>
std::string InputOf(const Row&, long)
{
    return "";
}

// Runs every row of a table with its `arguments` and input.
template <class Rows>
std::vector<CliRun> RunRows(const Rows& rows)
{
    std::vector<CliCall> calls;
    for (const auto& row : rows)
        calls.push_back({row.arguments, InputOf(row, 0)});
    return RunAll(calls);
}

// What the program prints for all seven digests of `digests`.
std::wstring DigestLines(const SevenTexts& digests)
{
    std::wstring lines;
    for (size_t i = 0; i < digests.size(); ++i)
        lines += std::wstring(kNames[i]) + L' ' + digests[i] + L"\r\n";
    return lines;
}

std::wstring LowerCase(std::wstring text)
{
    CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

size_t LineCount(const std::wstring& text)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), L'\n'));
}

class Cli : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(AcquireHashProvider(&m_provider, PROV_RSA_AES, nullptr)) << LastErrorText(); }
    void TearDown() override { CryptReleaseContext(m_provider, 0); }

    // What the window shows for `text`: the pipeline run in this process.
    DigestTexts Window(const std::wstring& text, ByteEncoding encoding, bool terminator) const
    {
        return ComputeDigestTexts(m_provider, text.c_str(), text.size(), encoding, terminator);
    }

    HCRYPTPROV m_provider = 0;
};

// The ANSI form of a text that this code page has.
std::wstring AnsiSample()
{
    return GetACP() == 936 ? L"中文" : L"caf\u00E9";
}

std::string AnsiBytes(const std::wstring& text)
{
    std::string bytes(text.size() * 2, '\0');
    bytes.resize(WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                                     static_cast<int>(bytes.size()), nullptr, nullptr));
    return bytes;
}

}  // namespace

TEST_F(Cli, TextArgumentsGiveTheWindowsDigestsInEachEncoding)
{
    using E = ByteEncoding;
    const struct { Arguments arguments; std::wstring text; E encoding; bool terminator; const wchar_t* md5; } cases[] = {
        {{L"abc"}, L"abc", E::Ansi, false, L"900150983CD24FB0D6963F7D28E17F72"},
        {{L"--terminator", L"abc"}, L"abc", E::Ansi, true, L"147A664A2CA9410911E61986D3F0D52A"},
        {{L"--encoding", L"utf16le", L"abc"}, L"abc", E::Utf16Le, false, L"CE1473CF80C6B3FDA8E3DFC006ADC315"},
        {{L"abc", L"--encoding=UTF16LE", L"--terminator"}, L"abc", E::Utf16Le, true,
         L"0325B2BC5BC6ECFBAC751818498ECE3F"},
        {{L"--encoding", L"utf8", L"abc"}, L"abc", E::Utf8, false, L"900150983CD24FB0D6963F7D28E17F72"},
        {{L"--encoding", L"utf8", L"--terminator", L"abc"}, L"abc", E::Utf8, true, L"147A664A2CA9410911E61986D3F0D52A"},
        {{L"--encoding", L"ansi", L"--terminator", L"--", L""}, L"", E::Ansi, true, L"93B885ADFE0DA089CDF634904FD59F71"},
        // Words joined by single spaces; a word keeps its own spaces.
        {{L"a", L"b  c", L"-"}, L"a b  c -", E::Ansi, false, nullptr},
        {{L"--", L"--lower", L"-x"}, L"--lower -x", E::Ansi, false, nullptr},
        {{AnsiSample()}, AnsiSample(), E::Ansi, false, nullptr},
        {{L"--encoding", L"utf8", L"--terminator", L"中文", L"\U0001F600"}, L"中文 \U0001F600", E::Utf8, true, nullptr},
        {{L"--encoding", L"utf16le", L"中文"}, L"中文", E::Utf16Le, false, nullptr},
    };
    const std::vector<CliRun> runs = RunRows(cases);
    for (size_t i = 0; i < runs.size(); ++i) {
        const auto& c = cases[i];
        const CliRun& run = runs[i];
        const SevenTexts window = Window(c.text, c.encoding, c.terminator).texts;
        EXPECT_EQ(0u, run.exitCode) << run.err;
        EXPECT_EQ(DigestLines(window), run.out) << c.arguments.back();
        EXPECT_EQ(L"", run.err);
        if (c.md5 != nullptr) {
            EXPECT_EQ(c.md5, window[1]);  // the window's known answer
        }
    }
}

TEST_F(Cli, OutputOptionsPickAndShapeTheDigests)
{
    const SevenTexts abc = Window(L"abc", ByteEncoding::Ansi, false).texts;
    const struct { Arguments arguments; std::wstring out; } cases[] = {
        // Digest order, whatever the order asked for.
        {{L"--only", L"sha256,md5", L"abc"}, L"MD5 " + abc[1] + L"\r\nSHA256 " + abc[4] + L"\r\n"},
        {{L"--only=Sha1", L"--lower", L"abc"}, L"SHA1 a9993e364706816aba3e25717850c26c9cd0d89d\r\n"},
        {{L"--lower", L"--only", L"md4", L"--only", L"sha512", L"abc"}, L"SHA512 " + LowerCase(abc[6]) + L"\r\n"},
        // The password hash of the NT logon: MD4 of the UTF-16LE text.
        {{L"--encoding", L"utf16le", L"--only", L"md4", L"password"}, L"MD4 8846F7EAEE8FB117AD06BDD830B7586C\r\n"},
        {{L"--c", L"abc"}, kAbcExport},
        {{L"--c", L"--encoding", L"utf8", L"中文"}, BuildCArrayExport(Window(L"中文", ByteEncoding::Utf8, false).texts)},
    };
    const std::vector<CliRun> runs = RunRows(cases);
    for (size_t i = 0; i < runs.size(); ++i) {
        const auto& c = cases[i];
        const CliRun& run = runs[i];
        EXPECT_EQ(0u, run.exitCode) << run.err;
        EXPECT_EQ(c.out, run.out) << c.arguments.front();
        EXPECT_EQ(L"", run.err);
    }
}

TEST_F(Cli, StandardInputIsDecodedAndDigestedAsTheWindowWould)
{
    using E = ByteEncoding;
    const std::string utf16Abc("a\0b\0c\0", 6);
    const struct { std::string input; Arguments arguments; std::wstring text; E encoding; bool terminator; } cases[] = {
        {"abc", {}, L"abc", E::Ansi, false},
        // Byte-order marks are honoured, whatever the input encoding says, and not digested.
        {"\xEF\xBB\xBF" "abc", {L"--encoding", L"utf16le"}, L"abc", E::Utf16Le, false},
        {"\xFF\xFE" + utf16Abc, {L"--encoding", L"utf16le"}, L"abc", E::Utf16Le, false},
        {"\xFF\xFE" + utf16Abc, {L"--input-encoding", L"ansi"}, L"abc", E::Ansi, false},
        {utf16Abc, {L"--input-encoding", L"utf16le", L"--encoding", L"utf16le"}, L"abc", E::Utf16Le, false},
        {std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), {L"--encoding", L"utf8"}, L"\U0001F600", E::Utf8, false},
        {"\xF0\x9F\x98\x80", {L"--encoding", L"utf16le"}, L"\U0001F600", E::Utf16Le, false},
        // Line breaks as they come.
        {"\xE4\xB8\xAD\r\n\n", {L"--encoding", L"utf8"}, L"中\r\n\n", E::Utf8, false},
        {AnsiBytes(AnsiSample()), {L"--input-encoding", L"ansi", L"--encoding", L"utf16le"}, AnsiSample(), E::Utf16Le,
         false},
        // Standard input closed at once, or holding only a mark: the terminator alone.
        {"", {L"--terminator"}, L"", E::Ansi, true},
        {"\xEF\xBB\xBF", {L"--terminator", L"--encoding", L"utf16le"}, L"", E::Utf16Le, true},
    };
    const std::vector<CliRun> runs = RunRows(cases);
    for (size_t i = 0; i < runs.size(); ++i) {
        const auto& c = cases[i];
        const CliRun& run = runs[i];
        EXPECT_EQ(0u, run.exitCode) << run.err;
        EXPECT_EQ(DigestLines(Window(c.text, c.encoding, c.terminator).texts), run.out) << c.input;
        EXPECT_EQ(L"", run.err);
    }
}

TEST_F(Cli, BadInputGetsOneClearLineAndItsExitCode)
{
    const TempFile file(L"cli_test_bad_input.bin", "abc");
    struct Case { Arguments arguments; std::string input; DWORD exitCode; std::vector<std::wstring> mentions; };
    std::vector<Case> cases = {
        // Usage: the bad option named, a pointer to --help.
        {{L"--bogus", L"abc"}, "", 2, {L"\"--bogus\"", L"--help"}},
        {{L"-h"}, "", 2, {L"\"-h\"", L"--help"}},
        {{L"--encoding"}, "", 2, {L"--encoding", L"缺少取值", L"--help"}},
        {{L"--file", L"--lower"}, "", 2, {L"--file", L"缺少取值"}},
        {{L"--encoding", L"latin1", L"abc"}, "", 2, {L"--encoding", L"\"latin1\"", L"--help"}},
        {{L"--input-encoding=utf-16", L"abc"}, "", 2, {L"--input-encoding", L"\"utf-16\""}},
        {{L"--only", L"md5,sha3", L"abc"}, "", 2, {L"--only", L"\"md5,sha3\""}},
        {{L"--only", L"md5,", L"abc"}, "", 2, {L"--only", L"\"md5,\""}},
        {{L"--only=", L"abc"}, "", 2, {L"--only", L"\"\""}},
        {{L"--file="}, "", 2, {L"--file", L"\"\""}},
        {{L"--lower=yes", L"abc"}, "", 2, {L"--lower", L"不带取值"}},
        {{L"--c", L"--lower", L"abc"}, "", 2, {L"--c", L"--lower"}},
        {{L"--c", L"--only", L"md5", L"abc"}, "", 2, {L"--c", L"--only"}},
        {{L"--c", L"--file", file.path, L"--file", file.path}, "", 2, {L"--c", L"一个文件"}},
        {{L"--file", file.path, L"abc"}, "", 2, {L"\"abc\"", L"--file"}},
        // Standard input that is not text in its encoding, with the offset of the first bad byte.
        {{}, "ab\xFF" "c", 2, {L"字节偏移 2 处", L"UTF-8"}},
        {{}, "\xEF\xBB\xBF" "ab\xC3", 2, {L"字节偏移 5 处", L"UTF-8"}},
        {{}, "\xC0\x80", 2, {L"字节偏移 0 处", L"UTF-8"}},
        {{}, "abc\xED\xA0\x80", 2, {L"字节偏移 3 处", L"UTF-8"}},
        {{}, "\xF4\x90\x80\x80", 2, {L"字节偏移 0 处", L"UTF-8"}},
        {{}, "a\xE4\xB8" "bc", 2, {L"字节偏移 1 处", L"UTF-8"}},
        {{L"--input-encoding", L"utf16le"}, "abc", 2, {L"字节偏移 2 处", L"UTF-16LE"}},
        {{}, "\xFF\xFE" "a", 2, {L"字节偏移 2 处", L"UTF-16LE"}},
        // Nothing to digest: the window shows no digests either.
        {{}, "", 1, {L"文本为空"}},
        {{L"--c"}, "\xEF\xBB\xBF", 1, {L"文本为空"}},
        {{L""}, "", 1, {L"文本为空"}},
        // Files that cannot be read, with the window's failure text.
        {{L"--file", L"cli_test_missing.bin"}, "", 1, {L"cli_test_missing.bin: 计算文件校验时打开文件失败:"}},
        {{L"--file", TEST_DATA_DIR}, "", 1, {std::wstring(TEST_DATA_DIR) + L": 计算文件校验时打开文件失败:"}},
    };
    // Code page 1252 takes every byte; 936 has bytes that begin no character and pairs that are none.
    if (GetACP() == 936) {
        cases.push_back({{L"--input-encoding", L"ansi"}, "ab\x81\x30", 2, {L"字节偏移 2 处", L"ANSI 代码页 936"}});
        cases.push_back({{L"--input-encoding", L"ansi"}, "\xFF", 2, {L"字节偏移 0 处", L"ANSI 代码页 936"}});
    }
    const std::vector<CliRun> runs = RunRows(cases);
    for (size_t i = 0; i < runs.size(); ++i) {
        const auto& c = cases[i];
        const CliRun& run = runs[i];
        EXPECT_EQ(c.exitCode, run.exitCode) << run.err;
        EXPECT_EQ(L"", run.out);
        EXPECT_EQ(0u, run.err.rfind(L"texthash-cli: ", 0)) << run.err;
        EXPECT_EQ(1u, LineCount(run.err)) << run.err;
        for (const std::wstring& mention : c.mentions)
            EXPECT_NE(std::wstring::npos, run.err.find(mention)) << run.err;
    }
}

TEST_F(Cli, FilesAreDigestedAsTheyAreInAnySize)
{
    // Several of the 131,072-byte pieces the file is read in, and an odd rest.
    const std::string large = PatternBytes(3 * 131072 + 17);
    const TempFile largeFile(L"cli_test_large.bin", large);
    const TempFile emptyFile(L"cli_test_empty.bin", "");
    const std::wstring largeLines = DigestLines(ReferenceDigests(m_provider, large));
    const SevenTexts empty = ReferenceDigests(m_provider, "");
    const struct { Arguments arguments; DWORD exitCode; std::wstring out; size_t failureLines; } cases[] = {
        {{L"--file", largeFile.path}, 0, largeLines, 0},
        {{L"--file", emptyFile.path}, 0, DigestLines(empty), 0},
        {{L"--c", L"--file", largeFile.path}, 0, BuildCArrayExport(ReferenceDigests(m_provider, large)), 0},
        {{L"--only", L"sha256", L"--lower", L"--file", emptyFile.path}, 0,
         L"SHA256 e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\r\n", 0},
        // Several files: a header line each, an empty line between; one that fails keeps its place.
        {{L"--file", largeFile.path, L"--file", L"cli_test_missing.bin", L"--only", L"md5", L"--file", emptyFile.path}, 1,
         L"FILE cli_test_large.bin\r\n" + largeLines.substr(largeLines.find(L"MD5 "), 38)
             + L"\r\nFILE cli_test_missing.bin\r\n\r\nFILE cli_test_empty.bin\r\nMD5 " + empty[1] + L"\r\n",
         1},
    };
    ASSERT_TRUE(largeFile.created && emptyFile.created);
    const std::vector<CliRun> runs = RunRows(cases);
    for (size_t i = 0; i < runs.size(); ++i) {
        const auto& c = cases[i];
        const CliRun& run = runs[i];
        EXPECT_EQ(c.exitCode, run.exitCode) << run.err;
        EXPECT_EQ(c.out, run.out) << c.arguments.back();
        EXPECT_EQ(c.failureLines, LineCount(run.err)) << run.err;
    }
}

TEST(CliHelp, HelpAndVersionSucceedAndSayWhatTheyShould)
{
    const CliRun help = RunCli({L"--help", L"--bogus-after-help-is-still-refused"});
    EXPECT_EQ(2u, help.exitCode);
    for (const Arguments& arguments : {Arguments{L"--help"}, Arguments{L"abc", L"--c", L"--lower", L"--help"}}) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(0u, run.exitCode);
        for (const wchar_t* option : {L"--encoding", L"--terminator", L"--input-encoding", L"--file", L"--only",
                                      L"--lower", L"--c ", L"--version", L"退出码"})
            EXPECT_NE(std::wstring::npos, run.out.find(option)) << option;
    }
    const CliRun version = RunCli({L"--version"});
    EXPECT_EQ(0u, version.exitCode);
    EXPECT_TRUE(std::regex_match(version.out, std::wregex(L"texthash-cli \\d+\\.\\d+\\.\\d+\\.\\d+\r\n"))) << version.out;
}
