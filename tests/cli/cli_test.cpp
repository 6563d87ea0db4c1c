// The console program as scripts meet it: the real texthash-cli.exe run as a
// child process with pipes for its standard input, output and error.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <thread>

#include "cli/digest_report.h"
#include "tests/cli/cli_runner.h"
#include "digest/c_array_export.h"
#include "digest/digest_pipeline.h"
#include "support/last_error.h"
#include "tests/support/known_digests.h"
#include "tests/support/provider_fixture.h"
#include "tests/support/provider_fixture.h"
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
static_assert(std::size(kNames) == kDigestCount, "one name per digest");

std::vector<CliRun> RunAll(const std::vector<CliRow>& rows)
{
    return RunEach(rows.size(), [&rows](size_t i) { return RunCli(rows[i].arguments, rows[i].input); });
}

// What the program prints for all seven digests of `digests`.
DigestTexts AsDigests(const SevenTexts& texts)
{
    DigestTexts digests;
    digests.texts = texts;
    digests.hasDigests = true;
    return digests;
}

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

// Runs every row and checks its exit code, its exact output and its one error line.
void ExpectRunsAsRows(const std::vector<CliRow>& rows)
{
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
    // Past the reader's four 2 MiB pieces: digested on several threads.
    const TempFile nineMiBFile(L"cli_test_9mib.bin", PatternBytes(kLargeSize));
    const TempFile threeMiBFile(L"cli_test_3mib.bin", PatternBytes(kThreeMiB));
    ASSERT_TRUE(largeFile.created && emptyFile.created && nineMiBFile.created && threeMiBFile.created);
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
        // Digest order, whatever the order asked for; a flag given twice means it once.
        {{L"--only", L"sha256,md5", L"abc"}, "", 0, L"MD5 " + abc[1] + L"\r\nSHA256 " + abc[4] + L"\r\n"},
        {{L"--lower", L"--only=Sha1", L"--lower", L"abc"}, "", 0, L"SHA1 a9993e364706816aba3e25717850c26c9cd0d89d\r\n"},
        // The password hash of the NT logon: MD4 of the UTF-16LE text.
        {{L"--encoding=utf16le", L"--only=md4", L"password"}, "", 0, L"MD4 8846F7EAEE8FB117AD06BDD830B7586C\r\n"},
        {{L"--c", L"abc"}, "", 0, kAbcExport},
        // Standard input: without --input-encoding a byte-order mark names the encoding; with it, only that
        // encoding's own mark is one. A mark is not digested.
        {{}, "abc", 0, Lines(L"abc")},
        {{L"--encoding", L"utf16le"},
         "\xEF\xBB\xBF"
         "abc",
         0,
         Lines(L"abc", E::Utf16Le)},
        {{L"--encoding=utf8", L"--only=md5"}, "\xFF\xFE" + utf16Abc, 0, L"MD5 900150983CD24FB0D6963F7D28E17F72\r\n"},
        {{L"--input-encoding", L"utf16le", L"--encoding=utf8", L"--only=md5"},
         "\xFF\xFE" + utf16Abc,
         0,
         L"MD5 900150983CD24FB0D6963F7D28E17F72\r\n"},
        {{L"--input-encoding", L"utf8", L"--encoding=utf8", L"--only=md5"},
         "\xEF\xBB\xBF"
         "abc",
         0,
         L"MD5 900150983CD24FB0D6963F7D28E17F72\r\n"},
        {{L"--input-encoding", L"utf16le", L"--encoding=utf8", L"--only=md5"},  // U+BBEF U+00BF
         std::string("\xEF\xBB\xBF\0", 4),
         0,
         L"MD5 8F94784CAB531131DEB574E488CEAA23\r\n"},
        {{L"--input-encoding", L"utf8"},
         std::string("\xFF\xFE"
                     "a\0",
                     4),
         2,
         L"",
         {L"字节偏移 0 处", L"UTF-8"}},
        {{L"--input-encoding", L"utf16le", L"--encoding", L"utf16le"}, utf16Abc, 0, Lines(L"abc", E::Utf16Le)},
        {{L"--encoding", L"utf8"}, "\xE4\xB8\xAD\r\n\n", 0, Lines(L"中\r\n\n", E::Utf8)},  // line breaks as they come
        {{L"--input-encoding", L"ansi", L"--encoding", L"utf16le"}, ansiBytes, 0, Lines(ansiText, E::Utf16Le)},
        {{L"--terminator"}, "", 0, Lines(L"", E::Ansi, true)},  // closed at once: the terminator alone
        // Options that would go unused, or whose one value is given twice, are refused by name.
        {{L"--only", L"md5", L"--only", L"sha1", L"abc"}, "", 2, L"", {L"--only", L"只能给出一次", L"--help"}},
        {{L"--encoding=utf8", L"--encoding", L"utf8", L"abc"}, "", 2, L"", {L"--encoding", L"只能给出一次"}},
        {{L"--input-encoding=utf8", L"--input-encoding=ansi"}, "abc", 2, L"", {L"--input-encoding", L"只能给出一次"}},
        {{L"--terminator", L"--file", emptyFile.path}, "", 2, L"", {L"--terminator", L"--file"}},
        {{L"--file", emptyFile.path, L"--encoding", L"utf8"}, "", 2, L"", {L"--encoding", L"--file"}},
        {{L"--input-encoding", L"utf8", L"abc"}, "", 2, L"", {L"--input-encoding", L"文本参数"}},
        {{L"--input-encoding", L"utf8", L"--file", L"-"}, "abc", 2, L"", {L"--input-encoding", L"--file"}},
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
        // No text: the digests of the empty message, as for an empty file.
        {{}, "", 0, DigestLines(kEmptyDigests)},
        {{L"--c"}, "\xEF\xBB\xBF", 0, BuildCArrayExport(AsDigests(kEmptyDigests))},
        {{L""}, "", 0, DigestLines(kEmptyDigests)},
        {{L"--encoding=utf16le", L"--only=sha256", L"--lower", L"--", L""},
         "",
         0,
         L"SHA256 e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\r\n"},
        // Files as they are, in any size; those that cannot be read with the window's failure text.
        {{L"--file", largeFile.path}, "", 0, DigestLines(largeDigests)},
        {{L"--c", L"--file", largeFile.path}, "", 0, BuildCArrayExport(AsDigests(largeDigests))},
        {{L"--only", L"sha256", L"--lower", L"--file", emptyFile.path},
         "",
         0,
         L"SHA256 e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855\r\n"},
        {{L"--file", L"cli_test_missing.bin"}, "", 1, L"", {L"cli_test_missing.bin: 计算文件校验时打开文件失败:"}},
        {{L"--file", TEST_DATA_DIR}, "", 1, L"", {std::wstring(TEST_DATA_DIR) + L": 计算文件校验时打开文件失败:"}},
        // Standard input named as a file: its bytes as they are, read past the pipe's buffer to the end.
        {{L"--only", L"md5", L"--file", L"-"}, "abc", 0, L"MD5 900150983CD24FB0D6963F7D28E17F72\r\n"},
        {{L"--only", L"sha256", L"--file", L"/dev/stdin"},
         PatternBytes(200000),
         0,
         L"SHA256 E870FEC3223BAC8F6147B08B31E6E6E4BB9ABD783820BCD212B7737AF6A02174\r\n"},
        {{L"--only", L"md5", L"--file", L"\\dev\\stdin"},
         "\xEF\xBB\xBF"
         "abc",
         0,
         L"MD5 53A492DEBAE1C7ABF6615813B4B5CA99\r\n"},
        {{L"--only", L"md5", L"--file", L"-"}, "", 0, L"MD5 D41D8CD98F00B204E9800998ECF8427E\r\n"},
        {{L"--only", L"md5", L"--file", L"-", L"--file", emptyFile.path},
         "abc",
         0,
         L"FILE -\r\nMD5 900150983CD24FB0D6963F7D28E17F72\r\n\r\n"
         L"FILE cli_test_empty.bin\r\nMD5 D41D8CD98F00B204E9800998ECF8427E\r\n"},
        {{L"--file", L"-", L"--file", L"/dev/stdin"}, "abc", 2, L"", {L"标准输入只能读一次", L"--file"}},
        // Several files: a header line each, an empty line between; one that fails keeps its place.
        {{L"--file", largeFile.path, L"--file", L"cli_test_missing.bin", L"--only", L"md5", L"--file", emptyFile.path},
         "",
         1,
         L"FILE cli_test_large.bin\r\nMD5 " + largeDigests[1]
             + L"\r\n\r\nFILE cli_test_missing.bin\r\n\r\n"
               L"FILE cli_test_empty.bin\r\nMD5 D41D8CD98F00B204E9800998ECF8427E\r\n",
         {L"cli_test_missing.bin: 计算文件校验时打开文件失败:"}},
        // Several files past the read-ahead keep their order, the one that fails its place.
        {{L"--file", nineMiBFile.path, L"--file", L"cli_test_missing.bin", L"--file", threeMiBFile.path},
         "",
         1,
         L"FILE cli_test_9mib.bin\r\n" + DigestLines(kLargeDigests) + L"\r\nFILE cli_test_missing.bin\r\n\r\n"
             + L"FILE cli_test_3mib.bin\r\n" + DigestLines(kThreeMiBDigests),
         {L"cli_test_missing.bin: 计算文件校验时打开文件失败:"}},
        {{L"--only", L"sha512,md4", L"--file", threeMiBFile.path},
         "",
         0,
         L"MD4 " + kThreeMiBDigests[0] + L"\r\nSHA512 " + kThreeMiBDigests[6] + L"\r\n"},
    };
    // Code page 1252 takes every byte; 936 has bytes that begin no character and pairs that are none.
    // A UTF-16LE mark is ANSI text when ANSI is given.
    const std::string ansiWithMark =
        "\xFF\xFE"
        "ab";
    const Arguments ansiToUtf8 = {L"--input-encoding", L"ansi", L"--encoding", L"utf8", L"--only", L"md5"};
    if (GetACP() == 1252)
        rows.push_back({ansiToUtf8, ansiWithMark, 0, L"MD5 13F1AE39B89C89781F87FB5D80458915\r\n"});  // "ÿþab"
    if (GetACP() == 936) {
        rows.push_back({ansiToUtf8, ansiWithMark, 2, L"", {L"字节偏移 0 处", L"ANSI 代码页 936"}});
        rows.push_back({{L"--input-encoding", L"ansi"}, "ab\x81\x30", 2, L"", {L"字节偏移 2 处", L"ANSI 代码页 936"}});
        rows.push_back({{L"--input-encoding", L"ansi"}, "\xFF", 2, L"", {L"字节偏移 0 处", L"ANSI 代码页 936"}});
    }
    // Characters the encoding replaced: the digests of the replacement (MD5 by Python's hashlib) and a warning,
    // exit code 0. The ANSI code page's own: "abc ??" in 1252, "a??b" in 936.
    const std::wstring warned = GetACP() == 936 ? L"a\U0001F600b" : L"abc \u4F60\u597D";
    const std::wstring warnedMd5 =
        GetACP() == 936 ? L"5C04ABB6B0CAB26B9DF5BAA55E1A21D7" : L"20803F205012BBD66AC54FA097BEC262";
    const std::wstring heldMd5 =  // the same text in UTF-8, which holds it
        GetACP() == 936 ? L"186CA4F1A2D2AC0D5381177C6719713B" : L"AD6EA602CDC18579AD5A9F384B1CC91D";
    const std::vector<std::wstring> warning = GetACP() == 936
        ? std::vector<std::wstring> {L"警告", L"ANSI 代码页 936", L" 1 个字符", L"第 2 个字符", L"(U+1F600)"}
        : std::vector<std::wstring> {L"警告", L"ANSI 代码页 1252", L" 2 个字符", L"第 5 个字符", L"“你”(U+4F60)"};
    const std::string loneHalf("a\0\x3D\xD8z\0\0\xDE", 8);  // a, the first half of a pair, z, a second half
    const std::vector<CliRow> lossRows = {
        {{L"--only=md5", warned}, "", 0, L"MD5 " + warnedMd5 + L"\r\n", warning},
        {{L"--only=md5", L"--encoding=utf8", warned}, "", 0, L"MD5 " + heldMd5 + L"\r\n", {}},
        {{L"--only=md5", L"--input-encoding=utf16le", L"--encoding=utf8"},
         loneHalf,
         0,
         L"MD5 019C8E0518C6F4A11EB043D6EBD2F425\r\n",
         {L"警告", L"UTF-8", L" 2 个字符", L"第 2 个字符", L"U+D83D(落单的代理项)"}},
        {{L"--only=md5", L"--input-encoding=utf16le", L"--encoding=utf16le"},
         loneHalf,
         0,
         L"MD5 A7B4B5F5DAA32346BE9D38B7A7239607\r\n",
         {}},
    };
    rows.insert(rows.end(), lossRows.begin(), lossRows.end());
    ExpectRunsAsRows(rows);
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
                                      L"--lower", L"--c ", L"--match", L"--version", L"退出码"})
            EXPECT_NE(std::wstring::npos, help.out.find(option)) << option;
    }
    // The window's version block is the program's too, with the version it prints.
    std::vector<BYTE> block(GetFileVersionInfoSizeW(TEXTHASH_CLI_EXE, nullptr));
    VS_FIXEDFILEINFO* fixed = nullptr;
    wchar_t* product = nullptr;
    UINT length = 0;
    ASSERT_TRUE(!block.empty() && GetFileVersionInfoW(TEXTHASH_CLI_EXE, 0, DWORD(block.size()), block.data())
                && VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length)
                && VerQueryValueW(block.data(), L"\\StringFileInfo\\080404b0\\ProductName",
                                  reinterpret_cast<void**>(&product), &length));
    const auto number = [](DWORD word, int shift) { return std::to_wstring((word >> shift) & 0xFFFF); };
    EXPECT_EQ(L"texthash-cli " + number(fixed->dwFileVersionMS, 16) + L'.' + number(fixed->dwFileVersionMS, 0) + L'.'
                  + number(fixed->dwFileVersionLS, 16) + L'.' + number(fixed->dwFileVersionLS, 0) + L"\r\n",
              runs[2].out);
    EXPECT_EQ(std::wstring(L"岚鹊文本哈希工具"), product);
}

// A digest the provider refused: its reason on standard error, named with the file and the digest, while the
// other digests are printed; with --c it stays a comment in the export.
TEST(CliReport, AFailedDigestGoesToStandardErrorAndTheOthersArePrinted)
{
    DigestTexts digests;
    digests.texts = {L"创建HASH对象失败:坏的算法", L"0A", L"1B", L"2C", L"3D", L"4E", L"5F"};
    digests.failed[0] = true;
    digests.hasDigests = true;
    CliOptions lower, cArrays;
    lower.lowerCase = true;
    cArrays.cArrays = true;
    const DigestReport lines = ReportDigests(L"a.bin", digests, lower), exported = ReportDigests(L"", digests, cArrays);
    EXPECT_EQ(L"MD5 0a\r\nSHA1 1b\r\nSHA224 2c\r\nSHA256 3d\r\nSHA384 4e\r\nSHA512 5f\r\n", lines.output);
    EXPECT_EQ(std::vector<std::wstring> {L"a.bin: MD4: 创建HASH对象失败:坏的算法"}, lines.failures);
    EXPECT_EQ(0u, exported.output.rfind(L"/* Md4: 创建HASH对象失败:坏的算法 */\r\n\r\n", 0)) << exported.output;
    EXPECT_EQ(std::vector<std::wstring> {L"MD4: 创建HASH对象失败:坏的算法"}, exported.failures);
}

namespace {

// Exit codes of `count` runs of `arguments` let go at the same moment, output discarded: all are created
// suspended and resumed together, so that they reach the same steps at nearly the same time.
std::vector<DWORD> ExitCodesOfSimultaneousRuns(const Arguments& arguments, size_t count)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    const HANDLE discard = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       &inherit, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = discard;
    std::vector<PROCESS_INFORMATION> processes(count);
    for (PROCESS_INFORMATION& process : processes) {
        std::wstring commandLine = CommandLine(arguments);
        EXPECT_TRUE(CreateProcessW(TEXTHASH_CLI_EXE, &commandLine[0], nullptr, nullptr, TRUE,
                                   CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process));
    }
    CloseHandle(discard);
    for (const PROCESS_INFORMATION& process : processes)
        ResumeThread(process.hThread);
    std::vector<DWORD> exitCodes;
    for (const PROCESS_INFORMATION& process : processes) {
        DWORD exitCode = ~0u;
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &exitCode);
        exitCodes.push_back(exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    return exitCodes;
}

}  // namespace

// Programs started together on a profile without the key container race to create it; every one must digest.
TEST(CliFirstRuns, AllSucceedWhenStartedTogetherWithoutTheKeyContainer)
{
    const std::vector<DWORD> allSucceeded(8, 0);
    for (int round = 0; round < 4; ++round) {
        HCRYPTPROV deleted = 0;
        CryptAcquireContextW(&deleted, kDefaultKeyContainer, nullptr, PROV_RSA_AES, CRYPT_DELETEKEYSET);
        EXPECT_EQ(allSucceeded, ExitCodesOfSimultaneousRuns({L"--only", L"md5", L"abc"}, allSucceeded.size()))
            << "round " << round;
    }
}

// The settings under which the text gives a digest, as the options that reproduce them; the line breaks of
// standard input are its own (LF, as echo writes them). Expected digests from Python's hashlib.
TEST(CliMatch, PrintsEverySettingThatGivesTheDigest)
{
    const std::wstring abcMd5 = L"900150983cd24fb0d6963f7d28e17f72";
    const std::wstring bothAbcMd5 = L"--only md5 --encoding ansi\r\n--only md5 --encoding utf8\r\n";
    ExpectRunsAsRows({
        {{L"--match", abcMd5, L"abc"}, "", 0, bothAbcMd5},
        {{L"abc", L"--match=90:01:50:98:3C:D2:4F:B0:D6:96:3F:7D:28:E1:7F:72"}, "", 0, bothAbcMd5},
        {{L"--match", L" 9001-5098-3cd2-4fb0-d696-3f7d-28e1-7f72\r\n"}, "abc", 0, bothAbcMd5},
        {{L"--match", abcMd5},
         "abc\n",
         0,
         L"--only md5 --encoding ansi  # 去掉末尾的换行\r\n--only md5 --encoding utf8  # 去掉末尾的换行\r\n"},
        {{L"--match", L"CE1473CF80C6B3FDA8E3DFC006ADC315", L"abc"}, "", 0, L"--only md5 --encoding utf16le\r\n"},
        {{L"--match", L"3DCB4C17861B8F91181AC048B360A28C9F28D305443C97D96AB5583D8D44AF61", L"岚鹊文本"},
         "",
         0,
         L"--only sha256 --encoding utf8 --terminator\r\n"},
        {{L"--match", L"61F8655A9B219B9CE122C6C7CD59AD09FEAC38240699CFEC8D0C9B1E81A748AB"},
         "\xE7\xAC\xAC\xE4\xB8\x80\xE8\xA1\x8C\r\n\xE7\xAC\xAC\xE4\xBA\x8C\xE8\xA1\x8C\r\n",
         0,
         L"--only sha256 --encoding utf8  # 换行为 LF，去掉末尾的换行\r\n"},
        {{L"--match", L"900150983CD24FB0D6963F7D28E17F73", L"abc"}, "", 1, L"", {L"900150983CD24FB0D6963F7D28E17F73"}},
        {{L"--match", L"900150983CD24FB0D6963F7D28E17F", L"abc"}, "", 2, L"", {L"--match"}},
        {{L"--match", abcMd5 + L"00", L"abc"}, "", 2, L"", {L"--match"}},
        {{L"--match", L"md5:" + abcMd5, L"abc"}, "", 2, L"", {L"--match"}},
        {{L"abc", L"--match"}, "", 2, L"", {L"--match"}},
        {{L"--match", abcMd5, L"--file", L"abc.txt"}, "", 2, L"", {L"--match", L"--file"}},
    });
}
