// --check and --tag of the console program against the lists that GNU's
// md5sum..sha512sum and OpenSSL wrote, and against what GNU --check printed
// and returned for them (tests/data/check, made by make_lists.sh there).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "tests/cli/cli_runner.h"
#include "tests/support/temp_file.h"

namespace {

#define CHECK_DATA_DIR TEST_DATA_DIR L"/check"

// Where the lists' names lead; every run here starts in it.
const wchar_t kFilesFolder[] = CHECK_DATA_DIR L"/files";

const wchar_t* const kListedFiles[] = {L"alpha.txt", L"beta.bin", L"empty.txt", L"two words.txt", L"sub/gamma.txt"};

// Known answers for alpha.txt ("alpha" and a line feed), from the host's tools.
const char kAlphaMd4[] = "463b87f355d5899b805533675a6e279b";
const char kAlphaMd5[] = "9f9f90dbe3e5ee1218c86b8839db1995";
const char kAlphaSha1[] = "d046cd9b7ffb7661e449683313d41f6fc33e3130";
const char kAlphaSha256[] = "b6a98d9ce9a2d9149288fa3df42d377c3e42737afdcdaf714e33c0a100b51060";
const char kAlphaSha256Upper[] = "B6A98D9CE9A2D9149288FA3DF42D377C3E42737AFDCDAF714E33C0A100B51060";

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

std::string ReadDataFile(const std::wstring& path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    EXPECT_TRUE(file.good()) << path;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// GNU's lines as this program ends them.
std::wstring WithCrLf(const std::wstring& text) { return std::regex_replace(text, std::wregex(L"\n"), L"\r\n"); }

std::vector<std::wstring> Lines(const std::wstring& text)
{
    std::vector<std::wstring> lines;
    std::wistringstream stream(text);
    for (std::wstring line; std::getline(stream, line);)
        lines.push_back(line.empty() || line.back() != L'\r' ? line : line.substr(0, line.size() - 1));
    return lines;
}

CliRun RunInFilesFolder(const Arguments& arguments, const std::string& input = "")
{
    return RunCli(arguments, input, kFilesFolder);
}

// One run of GNU --check as gnu_check.txt records it.
struct GnuCheck {
    std::wstring arguments;  // after -c, separated by single spaces
    DWORD exitCode = ~0u;
    std::wstring out;  // with CR LF
    std::vector<std::wstring> err;
};

std::vector<GnuCheck> ReadGnuChecks()
{
    std::vector<GnuCheck> checks;
    std::wistringstream records(FromUtf8(ReadDataFile(CHECK_DATA_DIR L"/gnu_check.txt")));
    for (std::wstring line; std::getline(records, line);) {
        const std::wstring word = line.substr(0, line.find(L' '));
        const std::wstring rest = line.substr(std::min(line.size(), word.size() + 1));
        if (word == L"run")
            checks.push_back({rest, ~0u, L"", {}});
        else if (word == L"exit")
            checks.back().exitCode = std::stoul(rest);
        else if (word == L"out")
            checks.back().out += rest + L"\r\n";
        else if (word == L"err")
            checks.back().err.push_back(rest);
    }
    return checks;
}

Arguments CheckArguments(const std::wstring& words)
{
    Arguments arguments = {L"--check"};
    std::wistringstream stream(words);
    for (std::wstring word; stream >> word;)
        arguments.push_back(word);
    return arguments;
}

// GNU's warnings and this program's, which say the same in Chinese: the
// names and counts they carry must agree.
struct SameMeaning {
    const wchar_t* gnu;
    const wchar_t* ours;
};

const SameMeaning kSameMeanings[] = {
    {LR"(^\w+: WARNING: (\d+) lines? (?:is|are) improperly formatted$)",
     L"^texthash-cli: 警告:有 (\\d+) 行格式不正确$"},
    {LR"(^\w+: WARNING: (\d+) listed files? could not be read$)",
     L"^texthash-cli: 警告:有 (\\d+) 个列出的文件无法读取$"},
    {LR"(^\w+: WARNING: (\d+) computed checksums? did NOT match$)",
     L"^texthash-cli: 警告:有 (\\d+) 个计算出的校验和不匹配$"},
    {LR"(^\w+: (.+): no properly formatted checksum lines found$)", L"^texthash-cli: (.+): 没有找到格式正确的校验行$"},
    {LR"(^\w+: (.+): no file was verified$)", L"^texthash-cli: (.+): 没有校验任何文件$"},
    {LR"(^\w+: (.+): (\d+): improperly formatted \w+ checksum line$)",
     L"^texthash-cli: (.+): (\\d+): 校验行格式不正确$"},
    // A listed file or a list that cannot be opened or read; GNU quotes names with spaces.
    {LR"(^\w+: '?(.+?)'?: (?:No such file or directory|Is a directory|read error)$)",
     L"^texthash-cli: (.+): (?:计算文件校验时打开文件失败|打开校验清单失败|读取校验清单失败):.+$"},
};

bool Captures(const std::wstring& line, const wchar_t* pattern, std::vector<std::wstring>& groups)
{
    std::wsmatch match;
    if (!std::regex_match(line, match, std::wregex(pattern)))
        return false;
    groups.assign(match.begin() + 1, match.end());
    return true;
}

void ExpectSameMeaning(const std::wstring& gnu, const std::wstring& ours)
{
    for (const SameMeaning& meaning : kSameMeanings) {
        std::vector<std::wstring> gnuGroups, ourGroups;
        if (!Captures(gnu, meaning.gnu, gnuGroups))
            continue;
        EXPECT_TRUE(Captures(ours, meaning.ours, ourGroups)) << "GNU: " << gnu << "\nours: " << ours;
        EXPECT_EQ(gnuGroups, ourGroups) << "GNU: " << gnu << "\nours: " << ours;
        return;
    }
    ADD_FAILURE() << "a GNU line of unknown meaning: " << gnu;
}

// A run whose expected output was written here: exact standard output, and
// per line of standard error what it mentions.
struct CheckRow {
    Arguments arguments;
    std::string input;
    DWORD exitCode;
    std::wstring out;
    std::vector<std::wstring> err = {};
};

std::string Line(const std::string& hex, const std::string& name) { return hex + "  " + name + "\n"; }

std::wstring Oks(size_t count, const std::wstring& name = L"alpha.txt")
{
    std::wstring lines;
    for (size_t i = 0; i < count; ++i)
        lines += name + L": OK\r\n";
    return lines;
}

}  // namespace

TEST(CliCheck, ReportsWhatGnuCheckReportsForTheListsTheUsualToolsWrote)
{
    const std::vector<GnuCheck> checks = ReadGnuChecks();
    ASSERT_GT(checks.size(), 70u);
    const std::vector<CliRun> runs =
        RunEach(checks.size(), [&checks](size_t i) { return RunInFilesFolder(CheckArguments(checks[i].arguments)); });
    for (size_t i = 0; i < checks.size(); ++i) {
        const GnuCheck& gnu = checks[i];
        const CliRun& run = runs[i];
        SCOPED_TRACE(testing::Message() << "--check " << gnu.arguments);
        EXPECT_EQ(gnu.exitCode, run.exitCode) << run.err;
        EXPECT_EQ(gnu.out, run.out);
        const std::vector<std::wstring> errors = Lines(run.err);
        ASSERT_EQ(gnu.err.size(), errors.size()) << run.err;
        for (size_t line = 0; line < errors.size(); ++line)
            ExpectSameMeaning(gnu.err[line], errors[line]);
    }
}

TEST(CliCheck, ReadsWhatOnlyOtherToolsWriteAndRefusesWhatNamesNoFile)
{
    const std::string megabyte(1 << 20, 'a');
    // A list that names standard input: "-", as the usual tools take it.
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    const TempFile stdinList(std::wstring(folder) + L"\\check_test_stdin.lst", Line(kAlphaMd5, "-"));
    ASSERT_TRUE(stdinList.created);
    // Names are UTF-8 whatever the code page. Wine in the C locale holds no
    // such name on the Linux side, so there it can only be reported back.
    const TempFile chinese(std::wstring(folder) + L"\\check_test_中文 名.txt", "\xE4\xB8\xAD\xE6\x96\x87\r\n");
    std::vector<CheckRow> rows = {
        // A byte-order mark, CR LF, comments and empty lines are no improperly formatted lines.
        {{L"--check", L"--strict"}, "\xEF\xBB\xBF" + Line(kAlphaMd5, "alpha.txt"), 0, Oks(1)},
        {{L"-c", L"--strict", L"-"},
         "# by hand\r\n\r\nSHA-256 (alpha.txt) = " + std::string(kAlphaSha256Upper)
             + "\r\nSHA-1 (alpha.txt) = " + kAlphaSha1 + "\r\n",
         0,
         Oks(2)},
        // OpenSSL before 3, and MD4 tagged or (with --only md4) as 32 digits.
        {{L"-c", L"-w"},
         "SHA256(alpha.txt)= " + std::string(kAlphaSha256) + "\nMD4 (alpha.txt) = " + kAlphaMd4 + "\n",
         0,
         Oks(2)},
        {{L"-c", L"--only", L"md4"}, Line(kAlphaMd4, "alpha.txt"), 0, Oks(1)},
        {{L"-c"}, Line(kAlphaMd4, "alpha.txt"), 1, L"alpha.txt: FAILED\r\n", {L"有 1 个计算出的校验和不匹配"}},
        // An escaped line break stays escaped in the report; Windows opens no such name.
        {{L"-c"},
         "\\" + Line(kAlphaMd5, "line\\nbreak.txt"),
         1,
         L"\\line\\nbreak.txt: FAILED open or read\r\n",
         {L"\\line\\nbreak.txt: 计算文件校验时打开文件失败:", L"有 1 个列出的文件无法读取"}},
        // Names that could only open another file: an unknown escape, a NUL.
        {{L"-c", L"-w"},
         "\\" + Line(kAlphaMd5, "alpha\\t.txt") + Line(kAlphaMd5, std::string("alpha.txt\0.old", 14)),
         1,
         L"",
         {L"标准输入: 1: 校验行格式不正确", L"标准输入: 2: 校验行格式不正确", L"标准输入: 没有找到格式正确的校验行"}},
        // A name that no path can hold is a file that cannot be opened; the lines after it count.
        {{L"-c", L"--quiet"},
         Line(kAlphaMd5, "alpha.txt") + Line(kAlphaMd5, megabyte) + "SHA256 (alpha.txt) = " + kAlphaSha256 + "\n",
         1,
         std::wstring(megabyte.begin(), megabyte.end()) + L": FAILED open or read\r\n",
         {L"计算文件校验时打开文件失败", L"有 1 个列出的文件无法读取"}},
        {{L"-c"}, megabyte, 1, L"", {L"标准输入: 没有找到格式正确的校验行"}},
        {{L"-c", L"--status"}, "", 1, L"", {L"标准输入: 没有找到格式正确的校验行"}},
        {{L"-c", stdinList.path}, "abc", 1, L"-: FAILED\r\n", {L"有 1 个计算出的校验和不匹配"}},
        {{L"-c", stdinList.path}, "alpha\n", 0, Oks(1, L"-")},
        {{L"-c", L"--quiet"},
         Line(kAlphaMd5, "\xE4\xB8\xAD\xE6\x96\x87.txt"),
         1,
         L"中文.txt: FAILED open or read\r\n",
         {L"中文.txt: 计算文件校验时打开文件失败", L"有 1 个列出的文件无法读取"}},
        // --file - is standard input's bytes as they are.
        {{L"--file", L"-", L"--only", L"sha256", L"--lower"},
         std::string("a\r\nb\0c", 6),
         0,
         L"SHA256 6253d1ec42d765356e50ad56cd81bf2802afb3f7810a75a6927a97c95e3b374a\r\n"},
        {{L"--tag", L"--only", L"md5", L"--file", L"-", L"--file", L"alpha.txt"},
         "abc",
         0,
         L"MD5 (-) = 900150983CD24FB0D6963F7D28E17F72\r\nMD5 (alpha.txt) = 9F9F90DBE3E5EE1218C86B8839DB1995\r\n"},
        // Options that mean nothing here are refused, as bad usage.
        {{L"--status", L"abc"}, "", 2, L"", {L"--status 只用于 --check"}},
        {{L"--file", L"alpha.txt", L"-w"}, "", 2, L"", {L"-w 只用于 --check"}},
        {{L"--check", L"--file", L"alpha.txt"}, "", 2, L"", {L"--check 不能与 --file 同用"}},
        {{L"-c", L"--tag", L"x.lst"}, "", 2, L"", {L"--check 不能与 --tag 同用"}},
        {{L"-c", L"--c", L"x.lst"}, "", 2, L"", {L"--check 不能与 --c 同用"}},
        {{L"-c", L"--encoding", L"utf8", L"x.lst"}, "", 2, L"", {L"--encoding 不能与 --check 同用"}},
        {{L"-c", L"--input-encoding", L"utf8"}, "", 2, L"", {L"--input-encoding 不能与 --check 同用"}},
        {{L"--lower", L"-c", L"x.lst"}, "", 2, L"", {L"--lower 不能与 --check 同用"}},
        {{L"--tag", L"abc"}, "", 2, L"", {L"--tag 只用于 --file"}},
        {{L"--check=x.lst"}, "", 2, L"", {L"--check 不带取值"}},
    };
    if (chinese.created)
        rows.push_back(
            {{L"-c"}, Line("f04ac2f0c9ebfe3be0361cda31b09f63", ToUtf8(chinese.path)), 0, Oks(1, chinese.path)});
    const std::vector<CliRun> runs =
        RunEach(rows.size(), [&rows](size_t i) { return RunInFilesFolder(rows[i].arguments, rows[i].input); });
    for (size_t i = 0; i < rows.size(); ++i) {
        const CheckRow& row = rows[i];
        const CliRun& run = runs[i];
        SCOPED_TRACE(testing::Message() << CommandLine(row.arguments));
        EXPECT_EQ(row.exitCode, run.exitCode) << run.err;
        EXPECT_EQ(row.out, run.out);
        const std::vector<std::wstring> errors = Lines(run.err);
        ASSERT_EQ(row.err.size(), errors.size()) << run.err;
        for (size_t line = 0; line < errors.size(); ++line)
            EXPECT_NE(std::wstring::npos, errors[line].find(row.err[line])) << errors[line];
    }
}

TEST(CliCheck, TaggedLinesAreThoseOfTheUsualToolsAndCheckBack)
{
    const wchar_t* const tools[] = {L"md5", L"sha1", L"sha224", L"sha256", L"sha384", L"sha512"};
    std::vector<Arguments> runs;
    for (const wchar_t* tool : tools)
        runs.push_back({L"--tag", L"--lower", L"--only", tool});
    // A backslash in a Windows path is escaped as the usual tools escape it.
    runs.push_back({L"--tag", L"--lower", L"--only", L"sha256", L"--file", L"sub\\gamma.txt"});
    // All seven digests, as the program writes them by default.
    runs.push_back({L"--tag"});
    for (size_t i = 0; i < runs.size(); ++i) {
        for (const wchar_t* name : kListedFiles) {
            if (i != std::size(tools))
                runs[i].insert(runs[i].end(), {L"--file", name});
        }
    }
    const std::vector<CliRun> tagged = RunEach(runs.size(), [&runs](size_t i) { return RunInFilesFolder(runs[i]); });
    for (size_t i = 0; i < std::size(tools); ++i) {
        EXPECT_EQ(0u, tagged[i].exitCode) << tagged[i].err;
        EXPECT_EQ(WithCrLf(FromUtf8(ReadDataFile(CHECK_DATA_DIR L"/lists/" + std::wstring(tools[i]) + L"-tag.lst"))),
                  tagged[i].out);
    }
    EXPECT_EQ(WithCrLf(FromUtf8(ReadDataFile(CHECK_DATA_DIR L"/lists/escaped-tag.lst"))), tagged[std::size(tools)].out);

    const CliRun& all = tagged.back();
    EXPECT_EQ(std::size(kListedFiles) * 7, Lines(all.out).size());
    const CliRun checked = RunInFilesFolder({L"--check", L"-"}, ToUtf8(all.out));
    EXPECT_EQ(0u, checked.exitCode) << checked.err;
    std::wstring oks;
    for (const wchar_t* name : kListedFiles)
        oks += Oks(7, name);
    EXPECT_EQ(oks, checked.out);
}

TEST(CliCheck, HelpNamesTheOptionsOfChecking)
{
    const CliRun help = RunCli({L"--help"}, "");
    EXPECT_EQ(0u, help.exitCode);
    for (const wchar_t* option : {L"-c, --check", L"--tag", L"--quiet", L"--status", L"--strict", L"--ignore-missing",
                                  L"-w, --warn", L"--file -"})
        EXPECT_NE(std::wstring::npos, help.out.find(option)) << option;
}
