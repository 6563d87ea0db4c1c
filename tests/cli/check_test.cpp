// --check and --tag of the console program against the lists that GNU's
// md5sum..sha512sum, b2sum, b3sum and OpenSSL wrote, and against what GNU
// --check printed and returned for them (tests/data/check, made by
// make_lists.sh there).
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>

#include "cli/checksum_list.h"
#include "cli/command_line.h"
#include "cli/digest_report.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/known_digests.h"
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

// A data file as text, its lines ended as this program ends them.
std::wstring DataText(const std::wstring& name)
{
    std::ifstream file((CHECK_DATA_DIR L"/" + name).c_str(), std::ios::binary);
    EXPECT_TRUE(file.good()) << name;
    const std::wstring text = FromUtf8({std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()});
    return std::regex_replace(text, std::wregex(L"\r?\n"), L"\r\n");
}

// GNU's standard error lines as this program says them: the same names and counts, in Chinese.
// clang-format off
const std::pair<const wchar_t*, const wchar_t*> kGnuWords[] = {
    {LR"(\w+: WARNING: (\d+) lines? (?:is|are) improperly formatted)",  L"警告:有 $1 行格式不正确"},
    {LR"(\w+: WARNING: (\d+) listed files? could not be read)",         L"警告:有 $1 个列出的文件无法读取"},
    {LR"(\w+: WARNING: (\d+) computed checksums? did NOT match)",       L"警告:有 $1 个计算出的校验和不匹配"},
    {LR"(\w+: (.+): no properly formatted checksum lines found)",       L"$1: 没有找到格式正确的校验行"},
    {LR"(\w+: (.+): no file was verified)",                             L"$1: 没有校验任何文件"},
    {LR"(\w+: (.+): (\d+): improperly formatted \w+ checksum line)",    L"$1: $2: 校验行格式不正确"},
    // A listed file or a list that cannot be opened or read; GNU quotes names with spaces.
    {LR"(\w+: '?(.+?)'?: (?:No such file or directory|Is a directory|read error))", L"$1: …失败:"},
};
// clang-format on

std::wstring InOurWords(const std::wstring& gnu)
{
    for (const auto& [gnuWords, ourWords] : kGnuWords) {
        std::wsmatch match;
        if (std::regex_match(gnu, match, std::wregex(gnuWords)))
            return match.format(ourWords);
    }
    ADD_FAILURE() << "a GNU line of unknown meaning: " << gnu;
    return gnu;
}

// The runs of GNU --check that gnu_check.txt records, with what they gave.
std::vector<CliRow> GnuChecks()
{
    std::vector<CliRow> checks;
    for (const std::wstring& line : Lines(DataText(L"gnu_check.txt"))) {
        const std::wstring word = line.substr(0, line.find(L' '));
        const std::wstring rest = line.substr(std::min(line.size(), word.size() + 1));
        if (word == L"run") {
            checks.push_back({{L"--check"}, "", ~0u, L""});
            std::wistringstream arguments(rest);
            for (std::wstring argument; arguments >> argument;)
                checks.back().arguments.push_back(argument);
        } else if (word == L"exit")
            checks.back().exitCode = std::stoul(rest);
        else if (word == L"out")
            checks.back().out += rest + L"\r\n";
        else if (word == L"err")
            checks.back().err.push_back(InOurWords(rest));
        else if (word == L"says")
            checks.back().err.push_back(rest);
    }
    return checks;
}

std::string Line(const std::string& hex, const std::string& name) { return hex + "  " + name + "\n"; }

// ASCII text in UTF-16, either byte order.
std::string Utf16(const std::string& ascii, bool bigEndian)
{
    std::string bytes;
    for (char c : ascii)
        bytes += bigEndian ? std::string {'\0', c} : std::string {c, '\0'};
    return bytes;
}

std::wstring Oks(size_t count, const std::wstring& name = L"alpha.txt")
{
    std::wstring lines;
    for (size_t i = 0; i < count; ++i)
        lines += name + L": OK\r\n";
    return lines;
}

// Each listed file passed, in the order the lists name them.
std::wstring ListedOks()
{
    std::wstring lines;
    for (const wchar_t* name : kListedFiles)
        lines += Oks(1, name);
    return lines;
}

}  // namespace

TEST(CliCheck, ReportsWhatGnuCheckReportsForTheListsTheUsualToolsWrote)
{
    const std::vector<CliRow> checks = GnuChecks();
    ASSERT_GT(checks.size(), 70u);
    ExpectRunsAsRows(checks, kFilesFolder);
}

TEST(CliCheck, ReadsWhatOnlyOtherToolsWriteAndRefusesWhatNamesNoFile)
{
    const std::string megabyte(1 << 20, 'a'), alpha = Line(kAlphaMd5, "alpha.txt");
    const std::wstring longName(megabyte.begin(), megabyte.end());
    const std::string pastLimit(17 << 20, 'a');
    const std::wstring nameStart = std::wstring(60, L'a') + L"…", nameTooLong = nameStart + L": 文件名过长";
    const std::wstring noneFound = L"标准输入: 没有找到格式正确的校验行", notRead = L"警告:有 1 个列出的文件无法读取";
    // A list that names standard input: "-", as the usual tools take it.
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    const TempFile stdinList(std::wstring(folder) + L"\\check_test_stdin.lst", Line(kAlphaMd5, "-"));
    ASSERT_TRUE(stdinList.created);
    const std::pair<std::string, std::wstring> ansiName = GetACP() == 936
        ? std::make_pair("\xD6\xD0\xCE\xC4.txt", L"中文.txt")
        : std::make_pair("caf\xE9.txt", L"caf\u00E9.txt");
    // Names are UTF-8 whatever the code page. Wine in the C locale holds no
    // such name on the Linux side, so there it can only be reported back.
    const TempFile chinese(std::wstring(folder) + L"\\check_test_中文 名.txt", ToUtf8(L"中文\r\n"));
    // clang-format off
    std::vector<CliRow> rows = {
        // A byte-order mark, CR LF, comments and empty lines are no improperly formatted lines; a last line needs no line break.
        {{L"--check", L"--strict"},     kUtf8Mark + alpha, 0, Oks(1)},
        {{L"-c"},                       alpha + std::string(kAlphaMd5) + "  alpha.txt", 0, Oks(2)},
        {{L"-c", L"--strict", L"-"},    "# by hand\r\n\r\nSHA-256 (alpha.txt) = " + std::string(kAlphaSha256Upper) + "\r\nSHA-1 (alpha.txt) = " + kAlphaSha1 + "\r\n", 0, Oks(2)},
        // OpenSSL before 3, and MD4 tagged, which only other tools write.
        {{L"-c", L"-w"},                "SHA256(alpha.txt)= " + std::string(kAlphaSha256) + "\nMD4 (alpha.txt) = " + kAlphaMd4 + "\n", 0, Oks(2)},
        // Tagged lines with any blanks around "=", as GNU reads them; a list in UTF-16 with its mark, as PowerShell writes.
        {{L"-cw"},                      "MD5 (alpha.txt) =" + std::string(kAlphaMd5) + "\nMD5 (alpha.txt) =  " + kAlphaMd5 + "\n", 0, Oks(2)},
        {{L"-c"},                       kUtf16Mark + Utf16(alpha, false), 0, Oks(1)},
        {{L"-c"},                       "\xFE\xFF" + Utf16(alpha, true), 0, Oks(1)},
        // With --only, lines of other digests are improperly formatted, as for GNU sha256sum -c.
        {{L"-c", L"--only", L"sha256"}, alpha, 1, L"", {noneFound}},
        {{L"-cq"},                      "junk\n" + alpha, 0, L"", {L"警告:有 1 行格式不正确"}},
        {{L"-c"},                       Line(kAlphaMd5, "sub"), 1, L"sub: FAILED open or read\r\n", {L"sub: 计算文件校验时打开文件失败:这是文件夹,不是文件", notRead}},
        // An escaped line break stays escaped in the report; Windows opens no such name.
        {{L"-c"},                       "\\" + Line(kAlphaMd5, "line\\nbreak.txt"), 1, L"\\line\\nbreak.txt: FAILED open or read\r\n", {L"\\line\\nbreak.txt: 计算文件校验时打开文件失败:", notRead}},
        // Names that could only open another file: an unknown escape, a NUL.
        {{L"-c", L"-w"},                "\\" + Line(kAlphaMd5, "alpha\\t.txt") + Line(kAlphaMd5, std::string("alpha.txt\0.old", 14)), 1, L"", {L"标准输入: 1: 校验行格式不正确", L"标准输入: 2: 校验行格式不正确", noneFound}},
        // A list that is no UTF-8 is read in the ANSI code page, as lists written there are.
        {{L"-c"},                       Line(kAlphaMd5, ansiName.first), 1, ansiName.second + L": FAILED open or read\r\n", {L"标准输入: 清单不是 UTF-8 文本,按 ANSI 代码页 " + std::to_wstring(GetACP()) + L" 读取", ansiName.second + L": 计算文件校验时打开文件失败", notRead}},
        // A name that no path can hold is a file that cannot be opened; the lines after it count.
        {{L"-c", L"--quiet"},           alpha + Line(kAlphaMd5, megabyte) + "SHA256 (alpha.txt) = " + kAlphaSha256 + "\n", 1, longName + L": FAILED open or read\r\n", {longName + L": 计算文件校验时打开文件失败", notRead}},
        // Past the 16 MiB a line is held whole, so is a checksum line, GNU's or tagged, cut in its report; any other line is
        // improper, a FILE line too, which leaves the digest line after it without a file.
        {{L"-c", L"-w"},                Line(kAlphaMd5, pastLimit) + "SHA256 (" + pastLimit + ") = " + kAlphaSha256 + "\n" + pastLimit + "\nFILE " + pastLimit + "\nMD5 " + kAlphaMd5 + "\n" + alpha, 1, nameStart + L": FAILED open or read\r\n" + nameStart + L": FAILED open or read\r\n" + Oks(1), {nameTooLong, nameTooLong, L"标准输入: 3: 校验行格式不正确", L"标准输入: 4: 校验行格式不正确", L"标准输入: 5: 校验行格式不正确", L"警告:有 3 行格式不正确", L"警告:有 2 个列出的文件无法读取"}},
        // Untagged lines decide their digest per list and per length: a second list of the same length, SHA-512, decides anew.
        {{L"-c", L"-", L"../lists/sha512.lst"}, ToUtf8(DataText(L"lists/b2sum.lst") + DataText(L"lists/b3sum.lst")), 0, ListedOks() + ListedOks() + ListedOks(), {L"标准输入: 按 BLAKE2b 校验:清单里 128 位十六进制的摘要与第一个能读取的文件的 BLAKE2b 相符", L"标准输入: 按 BLAKE3 校验:…"}},
        {{L"-c", L"--status", L"../lists/b2sum.lst"}, "", 0, L""},
        // b2sum -l writes BLAKE2b at other lengths, tagged or not.
        {{L"-c"},                       Line("67b755180b7a98f6aa26a92770d6d674d1b24d041554a3c59ccd47bf851a9081", "alpha.txt"), 0, Oks(1), {L"标准输入: 按 BLAKE2b-256 校验:清单里 64 位十六进制的摘要与第一个能读取的文件的 BLAKE2b-256 相符"}},
        {{L"-c"},                       "BLAKE2b-256 (alpha.txt) = 67b755180b7a98f6aa26a92770d6d674d1b24d041554a3c59ccd47bf851a9081\nBLAKE2b-8 (alpha.txt) = 53\n", 0, Oks(2)},
        {{L"-c"},                       Line("fae750ac77ea8358c2fb1726abc649912561c95b", "alpha.txt"), 0, Oks(1), {L"标准输入: 按 BLAKE2b-160 校验:…"}},
        {{L"-c", L"--only", L"blake2b"}, Line("f495320873041b655c6cb112d0ef2bf5e04afab402e543efc2", "alpha.txt"), 0, Oks(1)},
        {{L"-c"},                       megabyte, 1, L"", {noneFound}},
        {{L"-c", L"--status"},          "", 1, L"", {noneFound}},
        {{L"-c", stdinList.path},       "abc", 1, L"-: FAILED\r\n", {L"警告:有 1 个计算出的校验和不匹配"}},
        {{L"-c", stdinList.path},       "alpha\n", 0, Oks(1, L"-")},
        {{L"-c", L"--quiet"},           Line(kAlphaMd5, ToUtf8(L"中文.txt")), 1, L"中文.txt: FAILED open or read\r\n", {L"中文.txt: 计算文件校验时打开文件失败", notRead}},
        // --file - is standard input's bytes as they are.
        {{L"--file", L"-", L"--only", L"sha256", L"--lower"}, std::string("a\r\nb\0c", 6), 0, L"FILE -\r\nSHA256 6253d1ec42d765356e50ad56cd81bf2802afb3f7810a75a6927a97c95e3b374a\r\n"},
        {{L"--tag", L"--only", L"md5", L"--file", L"-", L"--file", L"alpha.txt"}, "abc", 0, L"MD5 (-) = " + kAbcMd5 + L"\r\nMD5 (alpha.txt) = 9F9F90DBE3E5EE1218C86B8839DB1995\r\n"},
        // A FILE line that names no file (a NUL in it) ends the block before it: the digest line after it names none.
        {{L"-c", L"-w"},                "FILE alpha.txt\nMD5 " + std::string(kAlphaMd5) + "\nFILE alpha.txt" + '\0' + ".old\nMD5 " + kAlphaMd5 + "\n", 0, Oks(1), {L"标准输入: 3: 校验行格式不正确", L"标准输入: 4: 校验行格式不正确", L"警告:有 2 行格式不正确"}},
        // A name with a line break: its FILE line escaped as the usual tools escape such names, and read back.
        {{L"--only", L"md5", L"--file", L"line\nbreak.txt"}, "", 1, L"\\FILE line\\nbreak.txt\r\n", {L"\\line\\nbreak.txt: 计算文件校验时打开文件失败:"}},
        {{L"-c"},                       "\\FILE line\\nbreak.txt\r\nMD5 " + std::string(kAlphaMd5) + "\r\n", 1, L"\\line\\nbreak.txt: FAILED open or read\r\n", {L"\\line\\nbreak.txt: 计算文件校验时打开文件失败:", notRead}},
        // Options that mean nothing here are refused, as bad usage.
        {{L"--status", L"abc"},                         "", 2, L"", {L"选项 --status 只用于 --check"}},
        {{L"--file", L"alpha.txt", L"-w"},              "", 2, L"", {L"选项 -w 只用于 --check"}},
        {{L"--check", L"--file", L"alpha.txt"},         "", 2, L"", {L"选项 --check 不能与 --file 同用"}},
        {{L"-c", L"--tag", L"x.lst"},                   "", 2, L"", {L"选项 -c 不能与 --tag 同用"}},
        {{L"-c", L"--c", L"x.lst"},                     "", 2, L"", {L"选项 -c 不能与 --c 同用"}},
        {{L"-c", L"--encoding", L"utf8", L"x.lst"},     "", 2, L"", {L"选项 --encoding 不能与 -c 同用"}},
        {{L"-c", L"--input-encoding", L"utf8"},         "", 2, L"", {L"选项 --input-encoding 不能与 -c 同用"}},
        {{L"--lower", L"-c", L"x.lst"},                 "", 2, L"", {L"选项 --lower 不能与 -c 同用"}},
        {{L"--tag", L"abc"},                            "", 2, L"", {L"选项 --tag 只用于 --file"}},
        {{L"--check=x.lst"},                            "", 2, L"", {L"选项 --check 不带取值"}},
    };
    // clang-format on
    if (chinese.created)
        rows.push_back(
            {{L"-c"}, Line("f04ac2f0c9ebfe3be0361cda31b09f63", ToUtf8(chinese.path)), 0, Oks(1, chinese.path)});
    ExpectRunsAsRows(rows, kFilesFolder);
}

// What is kept of a line too long to hold reads as a checksum line whatever stands at the cuts: in a GNU line
// the middle of a character of four bytes, in an escaped tagged line the middle of an escape ("\\\\").
TEST(CliCheck, ALineTooLongToHoldIsReadFromItsStartAndItsEnd)
{
    std::string emoji;
    for (int i = 0; i < 5 << 20; ++i)
        emoji += "\xF0\x9F\x98\x80";  // U+1F600, two UTF-16 units
    std::wstring emojiStart = L"x";
    for (int i = 0; i < 29; ++i)
        emojiStart += L"\U0001F600";
    const std::pair<std::string, std::wstring> rows[] = {
        {std::string(kAlphaMd5) + "  x" + emoji + "y", emojiStart + L"…"},
        {"\\SHA256 (" + std::string(17 << 20, '\\') + ")= " + kAlphaSha256, std::wstring(60, L'\\') + L"…"},
    };
    for (const auto& [line, nameStart] : rows) {
        std::vector<std::pair<std::string, bool>> kept;
        CListLines lines([&kept](const std::string& keptLine, bool cut) { kept.emplace_back(keptLine, cut); });
        lines.Add(reinterpret_cast<const BYTE*>(line.data()), static_cast<DWORD>(line.size()));
        lines.Finish();
        ASSERT_EQ(1u, kept.size());
        EXPECT_TRUE(kept[0].second);
        ListedChecksum listed;
        BlockFile block;
        EXPECT_EQ(ListLine::Checksum, ParseListLine(kept[0].first, AllDigests(), CP_UTF8, block, listed)) << nameStart;
        EXPECT_EQ(nameStart, Shortened(listed.name));
    }
}

TEST(CliCheck, TaggedLinesAreThoseOfTheUsualToolsAndCheckBack)
{
    Arguments all = {L"--tag"};
    std::wstring oks;
    for (const wchar_t* name : kListedFiles) {
        all.insert(all.end(), {L"--file", name});
        oks += Oks(kShownDigestCount, name);
    }
    // Each tool's own list; a backslash in a Windows path is escaped as the usual tools escape it.
    const std::wstring escaped = DataText(L"lists/escaped-tag.lst");
    std::vector<CliRow> rows = {
        {{L"--tag", L"--lower", L"--only=sha256", L"--file", L"sub\\gamma.txt"}, "", 0, escaped}};
    for (const std::wstring tool : {L"md5", L"sha1", L"sha224", L"sha256", L"sha384", L"sha512"}) {
        rows.push_back({{L"--lower", L"--only", tool}, "", 0, DataText(L"lists/" + tool + L"-tag.lst")});
        rows.back().arguments.insert(rows.back().arguments.end(), all.begin(), all.end());
    }
    ExpectRunsAsRows(rows, kFilesFolder);
    // All seven digests, as the program writes them by default, checked back.
    const CliRun tagged = RunCli(all, "", kFilesFolder);
    EXPECT_EQ(std::size(kListedFiles) * kShownDigestCount, Lines(tagged.out).size());
    ExpectRunsAsRows({{{L"--check", L"-"}, ToUtf8(tagged.out), 0, oks}}, kFilesFolder);
}

// Every line the program writes reads back: each digest's tagged lines, in hex and in Base64, check; its plain lines,
// in hex and in Base64, name the settings of the text they came from; its digests of one file or of several, all
// sixteen in each form, check each file with each digest.
TEST(CliCheck, EveryLineTheProgramWritesReadsBack)
{
    std::vector<Arguments> writes;
    std::wstring allNames;
    for (const DigestKind& kind : kDigestTable) {
        allNames += (allNames.empty() ? L"" : L",") + std::wstring(kind.name);
        for (const wchar_t* form : {L"--lower", L"--base64"}) {
            writes.push_back({L"--only", kind.name, form, L"--tag", L"--file", L"alpha.txt"});
            writes.push_back({L"--only", kind.name, form, L"abc"});
        }
    }
    const size_t tagsAndTexts = writes.size();
    Arguments severalFiles;
    std::wstring severalOks;
    for (const wchar_t* name : kListedFiles) {
        severalFiles.insert(severalFiles.end(), {L"--file", name});
        severalOks += Oks(kDigestCount, name);
    }
    for (const Arguments& form : {Arguments {}, Arguments {L"--lower"}, Arguments {L"--base64"}}) {
        for (const Arguments& files : {Arguments {L"--file", L"alpha.txt"}, severalFiles}) {
            writes.push_back({L"--only", allNames});
            writes.back().insert(writes.back().end(), form.begin(), form.end());
            writes.back().insert(writes.back().end(), files.begin(), files.end());
        }
    }
    const std::vector<CliRun> written =
        RunEach(writes.size(), [&](size_t i) { return RunCli(writes[i], "", kFilesFolder); });
    std::vector<CliRow> rows;
    for (size_t i = 0; i < tagsAndTexts; i += 2) {
        const std::wstring only = L"--only " + LowerCaseAscii(writes[i][1]);
        rows.push_back({{L"-c"}, ToUtf8(written[i].out), 0, Oks(1, L"alpha.txt")});
        rows.push_back({{L"--match", Lines(written[i + 1].out).front(), L"abc"}, "", 0,
                        only + L" --encoding ansi\r\n" + only + L" --encoding utf8\r\n"});
    }
    for (size_t i = tagsAndTexts; i < writes.size(); i += 2) {
        rows.push_back({{L"-c"}, ToUtf8(written[i].out), 0, Oks(kDigestCount, L"alpha.txt")});
        rows.push_back({{L"-c", L"--strict"}, ToUtf8(written[i + 1].out), 0, severalOks});
    }
    ExpectRunsAsRows(rows, kFilesFolder);
}
