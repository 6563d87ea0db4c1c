// The console program as scripts meet it: the real texthash-cli.exe run as a
// child process with pipes for its standard input, output and error.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "tests/cli/cli_runner.h"
#include "digest/c_array_export.h"
#include "digest/digest_pipeline.h"
#include "support/last_error.h"
#include "tests/digest/abc_c_array_export.h"
#include "tests/digest/reference_digests.h"
#include "tests/support/temp_file.h"

namespace {

// One run of the program and what it must give: exit code, exact standard
// output, and what its one error line mentions (none: no error output at all).
struct CliRow {
    Arguments arguments;
    std::string input;
    DWORD exitCode;
    std::wstring out;
    std::vector<std::wstring> err = {};
};

const wchar_t* const kNames[] = {L"MD4", L"MD5", L"SHA1", L"SHA224", L"SHA256", L"SHA384", L"SHA512"};

std::vector<CliRun> RunAll(const std::vector<CliRow>& rows)
{
    return RunEach(rows.size(), [&rows](size_t i) { return RunCli(rows[i].arguments, rows[i].input); });
}

// What the program prints for all seven digests of `digests`.
std::wstring DigestLines(const SevenTexts& digests)
{
    std::wstring lines;
    for (size_t i = 0; i < digests.size(); ++i)
        lines += std::wstring(kNames[i]) + L' ' + digests[i] + L"\r\n";
    return lines;
}

class Cli : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(AcquireHashProvider(&m_provider, PROV_RSA_AES, nullptr)) << LastErrorText(); }
    void TearDown() override { CryptReleaseContext(m_provider, 0); }

    // What the window shows for `text`, as the program prints it.
    std::wstring Lines(const std::wstring& text, ByteEncoding encoding = ByteEncoding::Ansi, bool terminator = false)
    {
        return DigestLines(ComputeDigestTexts(m_provider, text.c_str(), text.size(), encoding, terminator).texts);
    }

    HCRYPTPROV m_provider = 0;
};

}  // namespace

TEST_F(Cli, EveryRunGivesItsOutputErrorLineAndExitCode)
{
    using E = ByteEncoding;
    const std::string utf16Abc("a\0b\0c\0", 6);
    // A text outside ASCII that this code page has, and its bytes there.
    const std::wstring ansiText = GetACP() == 936 ? L"中文" : L"caf\u00E9";
    const std::string ansiBytes = GetACP() == 936 ? "\xD6\xD0\xCE\xC4" : "caf\xE9";
    // Several of the 131,072-byte pieces a file is read in, and an odd rest.
    const std::string large = PatternBytes(3 * 131072 + 17);
    const TempFile largeFile(L"cli_test_large.bin", large);
    const TempFile emptyFile(L"cli_test_empty.bin", "");
    ASSERT_TRUE(largeFile.created && emptyFile.created);
    const SevenTexts largeDigests = ReferenceDigests(m_provider, large);
    const SevenTexts abc = ReferenceDigests(m_provider, "abc");
    std::vector<CliRow> rows = {
        // abc in each encoding, with and without the terminator: the window's known answers.
        {{L"abc"}, "", 0, Lines(L"abc")},
        {{L"--only", L"md5", L"--terminator", L"abc"}, "", 0, L"MD5 147A664A2CA9410911E61986D3F0D52A\r\n"},
        {{L"--only=md5", L"--encoding", L"utf16le", L"abc"}, "", 0, L"MD5 CE1473CF80C6B3FDA8E3DFC006ADC315\r\n"},
        {{L"abc", L"--encoding=UTF16LE", L"--terminator", L"--only=MD5"},
         "",
         0,
         L"MD5 0325B2BC5BC6ECFBAC751818498ECE3F\r\n"},
        {{L"--only=md5", L"--encoding", L"utf8", L"abc"}, "", 0, L"MD5 900150983CD24FB0D6963F7D28E17F72\r\n"},
        {{L"--only=md5", L"--encoding=utf8", L"--terminator", L"abc"},
         "",
         0,
         L"MD5 147A664A2CA9410911E61986D3F0D52A\r\n"},
        // Words joined by single spaces; a word keeps its own spaces; after "--" all is text.
        {{L"a", L"b  c", L"-"}, "", 0, Lines(L"a b  c -")},
        {{L"--", L"--lower", L"-x"}, "", 0, Lines(L"--lower -x")},
        {{ansiText}, "", 0, Lines(ansiText)},
        {{L"--encoding=utf8", L"--terminator", L"中文", L"\U0001F600"},
         "",
         0,
         Lines(L"中文 \U0001F600", E::Utf8, true)},
        // Digest order, whatever the order asked for; the last --only counts.
        {{L"--only", L"sha256,md5", L"abc"}, "", 0, L"MD5 " + abc[1] + L"\r\nSHA256 " + abc[4] + L"\r\n"},
        {{L"--only=md4", L"--only=Sha1", L"--lower", L"abc"},
         "",
         0,
         L"SHA1 a9993e364706816aba3e25717850c26c9cd0d89d\r\n"},
        // The password hash of the NT logon: MD4 of the UTF-16LE text.
        {{L"--encoding=utf16le", L"--only=md4", L"password"}, "", 0, L"MD4 8846F7EAEE8FB117AD06BDD830B7586C\r\n"},
        {{L"--c", L"abc"}, "", 0, kAbcExport},
        // Standard input: byte-order marks are honoured over the input encoding and not digested.
        {{}, "abc", 0, Lines(L"abc")},
        {{L"--encoding", L"utf16le"},
         "\xEF\xBB\xBF"
         "abc",
         0,
         Lines(L"abc", E::Utf16Le)},
        {{L"--input-encoding", L"ansi"}, "\xFF\xFE" + utf16Abc, 0, Lines(L"abc")},
        {{L"--input-encoding", L"utf16le", L"--encoding", L"utf16le"}, utf16Abc, 0, Lines(L"abc", E::Utf16Le)},
        {{L"--encoding", L"utf8"}, "\xE4\xB8\xAD\r\n\n", 0, Lines(L"中\r\n\n", E::Utf8)},  // line breaks as they come
        {{L"--input-encoding", L"ansi", L"--encoding", L"utf16le"}, ansiBytes, 0, Lines(ansiText, E::Utf16Le)},
        {{L"--terminator"}, "", 0, Lines(L"", E::Ansi, true)},  // closed at once: the terminator alone
        // Usage: the bad option named, a pointer to --help.
        {{L"--bogus", L"abc"}, "", 2, L"", {L"\"--bogus\"", L"--help"}},
        {{L"--help", L"--bogus-after-help"}, "", 2, L"", {L"\"--bogus-after-help\""}},
        {{L"--encoding"}, "", 2, L"", {L"--encoding", L"缺少取值", L"--help"}},
        {{L"--file", L"--lower"}, "", 2, L"", {L"--file", L"缺少取值"}},
        {{L"--encoding", L"latin1", L"abc"}, "", 2, L"", {L"--encoding", L"\"latin1\"", L"--help"}},
        {{L"--input-encoding=utf-16", L"abc"}, "", 2, L"", {L"--input-encoding", L"\"utf-16\""}},
        {{L"--only", L"md5,sha3", L"abc"}, "", 2, L"", {L"--only", L"\"md5,sha3\""}},
        {{L"--only", L"md5,", L"abc"}, "", 2, L"", {L"--only", L"\"md5,\""}},
        {{L"--file="}, "", 2, L"", {L"--file", L"\"\""}},
        {{L"--lower=yes", L"abc"}, "", 2, L"", {L"--lower", L"不带取值"}},
        {{L"--c", L"--lower", L"abc"}, "", 2, L"", {L"--c", L"--lower"}},
        {{L"--c", L"--only", L"md5", L"abc"}, "", 2, L"", {L"--c", L"--only"}},
        {{L"--c", L"--file", emptyFile.path, L"--file", emptyFile.path}, "", 2, L"", {L"--c", L"一个文件"}},
        {{L"--file", emptyFile.path, L"abc"}, "", 2, L"", {L"\"abc\"", L"--file"}},
        // Standard input that is not text in its encoding, with the offset of the first bad byte.
        {{},
         "ab\xFF"
         "c",
         2,
         L"",
         {L"字节偏移 2 处", L"UTF-8"}},
        {{},
         "\xEF\xBB\xBF"
         "ab\xC3",
         2,
         L"",
         {L"字节偏移 5 处", L"UTF-8"}},
        {{}, "abc\xED\xA0\x80", 2, L"", {L"字节偏移 3 处", L"UTF-8"}},
        {{},
         "a\xE4\xB8"
         "bc",
         2,
         L"",
         {L"字节偏移 1 处", L"UTF-8"}},
        {{L"--input-encoding", L"utf16le"}, "abc", 2, L"", {L"字节偏移 2 处", L"UTF-16LE"}},
        {{},
         "\xFF\xFE"
         "a",
         2,
         L"",
         {L"字节偏移 2 处", L"UTF-16LE"}},
        // Nothing to digest: the window shows no digests either.
        {{}, "", 1, L"", {L"文本为空"}},
        {{L"--c"}, "\xEF\xBB\xBF", 1, L"", {L"文本为空"}},
        {{L""}, "", 1, L"", {L"文本为空"}},
        // Files as they are, in any size; those that cannot be read with the window's failure text.
        {{L"--file", largeFile.path}, "", 0, DigestLines(largeDigests)},
        {{L"--c", L"--file", largeFile.path}, "", 0, BuildCArrayExport(largeDigests)},
        {{L"--only", L"sha256", L"--lower", L"--file", emptyFile.path},
         "",
         0,
         L"SHA256 e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\r\n"},
        {{L"--file", L"cli_test_missing.bin"}, "", 1, L"", {L"cli_test_missing.bin: 计算文件校验时打开文件失败:"}},
        {{L"--file", TEST_DATA_DIR}, "", 1, L"", {std::wstring(TEST_DATA_DIR) + L": 计算文件校验时打开文件失败:"}},
        // Several files: a header line each, an empty line between; one that fails keeps its place.
        {{L"--file", largeFile.path, L"--file", L"cli_test_missing.bin", L"--only", L"md5", L"--file", emptyFile.path},
         "",
         1,
         L"FILE cli_test_large.bin\r\nMD5 " + largeDigests[1]
             + L"\r\n\r\nFILE cli_test_missing.bin\r\n\r\n"
               L"FILE cli_test_empty.bin\r\nMD5 D41D8CD98F00B204E9800998ECF8427E\r\n",
         {L"cli_test_missing.bin: 计算文件校验时打开文件失败:"}},
    };
    // Code page 1252 takes every byte; 936 has bytes that begin no character and pairs that are none.
    if (GetACP() == 936) {
        rows.push_back({{L"--input-encoding", L"ansi"}, "ab\x81\x30", 2, L"", {L"字节偏移 2 处", L"ANSI 代码页 936"}});
        rows.push_back({{L"--input-encoding", L"ansi"}, "\xFF", 2, L"", {L"字节偏移 0 处", L"ANSI 代码页 936"}});
    }
    const std::vector<CliRun> runs = RunAll(rows);
    for (size_t i = 0; i < runs.size(); ++i) {
        const CliRow& row = rows[i];
        const CliRun& run = runs[i];
        SCOPED_TRACE(testing::Message() << CommandLine(row.arguments));
        EXPECT_EQ(row.exitCode, run.exitCode) << run.err;
        EXPECT_EQ(row.out, run.out);
        if (row.err.empty()) {
            EXPECT_EQ(L"", run.err);
            continue;
        }
        EXPECT_EQ(0u, run.err.rfind(L"texthash-cli: ", 0)) << run.err;
        EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), L'\n')) << run.err;
        for (const std::wstring& mention : row.err)
            EXPECT_NE(std::wstring::npos, run.err.find(mention)) << run.err;
    }
}

TEST(CliHelp, HelpAndVersionSucceedAndSayWhatTheyShould)
{
    const std::vector<CliRun> runs = RunAll({{{L"--help"}, "", 0, L""},
                                             {{L"abc", L"--c", L"--lower", L"--help"}, "", 0, L""},
                                             {{L"--version"}, "", 0, L""}});
    for (const CliRun& run : runs)
        EXPECT_EQ(0u, run.exitCode);
    for (const CliRun& help : {runs[0], runs[1]}) {
        for (const wchar_t* option : {L"--encoding", L"--terminator", L"--input-encoding", L"--file", L"--only",
                                      L"--lower", L"--c ", L"--version", L"退出码"})
            EXPECT_NE(std::wstring::npos, help.out.find(option)) << option;
    }
    const std::wregex version(L"texthash-cli \\d+\\.\\d+\\.\\d+\\.\\d+\r\n");
    EXPECT_TRUE(std::regex_match(runs[2].out, version)) << runs[2].out;
}
