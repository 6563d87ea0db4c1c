// The console program as scripts meet it, the real texthash-cli.exe run as a
// child process; and in this process what its own tables decide.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "cli/command_line.h"
#include "cli/digest_report.h"
#include "cli/input_text.h"
#include "hash/provider_digest.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/known_digests.h"
#include "tests/support/nist_vectors.h"
#include "tests/support/temp_file.h"

namespace {

// The lines of a plain run: the seven, each under its table name.
std::wstring DigestLines(const SevenTexts& digests)
{
    std::wstring lines;
    for (int row = 0; row < kShownDigestCount; ++row)
        lines += std::wstring(kDigestTable[row].name) + L' ' + digests[row] + L"\r\n";
    return lines;
}

std::wstring Md5Line(const std::wstring& hex) { return L"MD5 " + hex + L"\r\n"; }

// A file's block: the line naming it, one file's too, then its digest lines.
std::wstring FileBlock(const std::wstring& name, const std::wstring& lines)
{
    return L"FILE " + name + L"\r\n" + lines;
}

std::wstring Lower(std::wstring hex)
{
    CharLowerBuffW(&hex[0], static_cast<DWORD>(hex.size()));
    return hex;
}

// Per ANSI code page (MD5s from Python's hashlib): a text it holds, its bytes, their MD5 and its UTF-16LE's; a text
// it loses characters of ("abc ??" in 1252, "a??b" in 936), the MD5s of what that becomes and of its UTF-8, the
// warning.
struct CodePageCase {
    const wchar_t *text, *md5, *utf16Md5;
    const char* bytes;
    const wchar_t *lost, *lostMd5, *utf8Md5, *warning, *lostNote;
};

// clang-format off
const CodePageCase kCodePageCases[] = {
    {L"caf\u00E9", L"961F50F6282239D09E48F812C1CA7276", L"E6761F8EFAD3C44C6CC0FAB0029757F9", "caf\xE9",          L"abc \u4F60\u597D", L"20803F205012BBD66AC54FA097BEC262", L"AD6EA602CDC18579AD5A9F384B1CC91D", L"警告: ANSI 代码页 1252 不能原样表示…的 2 个字符…第 5 个字符…“你”(U+4F60)", L"ANSI 代码页 1252 替换了文本中的 2 个字符"},
    {L"中文",       L"BCCE109775E8E1972E9F5FCDA3E12895", L"73C6C8CD2F94355EF015E5265D5E65B1", "\xD6\xD0\xCE\xC4", L"a\U0001F600b",     L"5C04ABB6B0CAB26B9DF5BAA55E1A21D7", L"186CA4F1A2D2AC0D5381177C6719713B", L"警告: ANSI 代码页 936 不能原样表示…的 1 个字符…第 2 个字符…(U+1F600)",   L"ANSI 代码页 936 替换了文本中的 1 个字符"},
};
// clang-format on

const CodePageCase& ThisCodePage() { return GetACP() == 936 ? kCodePageCases[1] : kCodePageCases[0]; }

constexpr size_t kText = ~size_t(0);  // no refusal: the bytes are text

struct DecodeRow {
    const char* name;
    UINT codePage;  // the only one the row holds in; 0: any
    std::string bytes;
    ByteEncoding encoding;
    bool markDecides;
    std::wstring text;
    size_t invalidOffset;
    std::wstring encodingName;  // of the encoding that decoded or refused
};

}  // namespace

TEST(Cli, EveryRunGivesItsOutputErrorLineAndExitCode)
{
    const CodePageCase& page = ThisCodePage();
    // Up to 2 MiB a file is digested on the calling thread; past the reader's four 2 MiB pieces, on several.
    const TempFile smallFile(L"cli_test_small.bin", PatternBytes(100)), emptyFile(L"cli_test_empty.bin", "");
    const TempFile nineMiBFile(L"cli_test_9mib.bin", PatternBytes(kLargeSize));
    const TempFile threeMiBFile(L"cli_test_3mib.bin", PatternBytes(kThreeMiB));
    ASSERT_TRUE(smallFile.created && emptyFile.created && nineMiBFile.created && threeMiBFile.created);
    const std::wstring empty = emptyFile.path, missing = L"cli_test_missing.bin";
    const std::string longChinese = Repeat("\xE4\xB8\xAD\xE6\x96\x87\xE6\xB5\x8B\xE8\xAF\x95", 35000);  // 中文测试
    const std::wstring cannotOpen = L": 计算文件校验时打开文件失败:",
                       emptySha256 = L"SHA256 " + Lower(kEmptyDigests[4]) + L"\r\n";
    // Marks that join what precedes them, Hangul L V T, a full-width letter with a mark, marks NFD reorders, a pair
    // and a half-width kana with its sound mark, at ever other places against the ends of the pieces normalized.
    std::wstring manyPieces;
    for (size_t k = 0; k < 600; ++k)
        manyPieces +=
            std::wstring(k % 17, L'a') + L"e\u0301\u1100\u1161\u11A8\uFF41\u0308q\u0307\u0323\U0001F600\uFF76\uFF9E";
    // clang-format off
    ExpectRunsAsRows({
        // abc in each encoding, with and without the terminator: the window's known answers.
        {{L"abc"},                                                                  "", 0, DigestLines(kAbcDigests)},
        {{L"--only", L"md5", L"--terminator", L"abc"},                              "", 0, Md5Line(kAbcZeroMd5)},
        {{L"--only=md5", L"--encoding", L"utf16le", L"abc"},                        "", 0, Md5Line(kAbcUtf16Md5)},
        {{L"abc", L"--encoding=UTF16LE", L"--terminator", L"--only=MD5"},           "", 0, Md5Line(kAbcUtf16ZeroMd5)},
        {{L"--only=md5", L"--encoding", L"utf8", L"abc"},                           "", 0, Md5Line(kAbcMd5)},
        // Words joined by single spaces; a word keeps its own spaces; after "--" all is text.
        {{L"--only=md5", L"a", L"b  c", L"-"},                                      "", 0, Md5Line(L"3B454515458CC4E42E53483A58DFF1B5")},
        {{L"--only=md5", L"--", L"--lower", L"-x"},                                 "", 0, Md5Line(L"A1A42F9EBA35B03781A34276B59899DC")},
        {{L"--only=md5", page.text},                                                 "", 0, Md5Line(page.md5)},
        {{L"--only=md5", L"--encoding=utf8", L"--terminator", L"中文", L"\U0001F600"}, "", 0, Md5Line(L"CAAB74648897EE4F8ABA9E73BA925C72")},
        // 140,000 Chinese characters, more than one conversion piece holds in UTF-8 and in GBK.
        {{L"--only=md5", L"--encoding=utf8"},                                       longChinese, 0, Md5Line(L"6CE2B2151DA2C62ACF2CF5DFDC7BF31F")},
        {{L"--only=md5", L"--encoding=cp936"},                                      longChinese, 0, Md5Line(L"00122CD47525EF0CAE318A899FF2E785")},
        // Digest order, whatever the order asked for; a flag given twice means it once.
        {{L"--only", L"sha256,md5", L"abc"},                                        "", 0, Md5Line(kAbcMd5) + L"SHA256 " + kAbcDigests[4] + L"\r\n"},
        {{L"--only=Sha1", L"--lower", L"abc"},                                      "", 0, L"SHA1 " + Lower(kAbcDigests[2]) + L"\r\n"},
        // The password hash of the NT logon: MD4 of the UTF-16LE text.
        {{L"--encoding=utf16le", L"--only=md4", L"password"},                       "", 0, L"MD4 8846F7EAEE8FB117AD06BDD830B7586C\r\n"},
        {{L"--c", L"abc"},                                                          "", 0, kAbcExport},
        // The digests beyond the seven by name; Base64 as GNU cksum --base64 writes it.
        {{L"--only", L"crc32,SM3,sha3-256", L"abc"},                                "", 0, L"SM3 " + kAbcDigestsBeyondSeven[0] + L"\r\nSHA3-256 " + kAbcDigestsBeyondSeven[2] + L"\r\nCRC32 " + kAbcDigestsBeyondSeven[8] + L"\r\n"},
        {{L"--only", L"blake2b-256,md5", L"abc"},                                   "", 0, Md5Line(kAbcMd5) + L"BLAKE2b-256 BDDD813C634239723171EF3FEE98579B94964E3BB1CB3E427262C8C068D52319\r\n"},
        {{L"--only", L"md5", L"--c", L"--only", L"blake2b-250", L"abc"},             "", 2, L"", {L"选项 --only 只能给出一次"}},
        {{L"--only", L"blake2b-250", L"abc"},                                       "", 2, L"", {L"选项 --only 的取值 \"blake2b-250\" 无效"}},
        {{L"--only", L"md5,sha256", L"--base64", L"abc"},                           "", 0, L"MD5 kAFQmDzST7DWlj99KOF/cg==\r\nSHA256 ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=\r\n"},
        // Byte-order marks, UTF-16BE and the text's other forms.
        {{L"--only=sha256", L"--encoding", L"utf-8", L"--bom", L"abc"},             "", 0, L"SHA256 1C28DC3F1F804A1AD9C9B4B4CF5E2658D16AD4ED08E3020D04A8D2865018947C\r\n"},
        {{L"--only=md5", L"--encoding", L"utf16be", L"abc"},                        "", 0, Md5Line(L"FC48464A2559EE604BE70382C39C6687")},
        {{L"--only=md5", L"--encoding", L"utf-16be", L"--bom", L"abc"},             "", 0, Md5Line(L"D629FD10CE46BD5F3025A857461840D8")},
        {{L"--only=md5", L"--encoding=utf8", L"--normalize", L"nfd", L"\u00E9"},    "", 0, Md5Line(L"5526861FBB1E71A1BDA6AC364310A807")},
        {{L"--only=sha256", L"--encoding=utf8", L"--normalize", L"nfc"},            ToUtf8(manyPieces), 0, L"SHA256 A52643F7A0BB5F1BB9527614626A643D6F08AA5A1FE9A9001C5BD381DA2527DD\r\n"},
        {{L"--only=sha256", L"--encoding=utf8", L"--normalize", L"nfd"},            ToUtf8(manyPieces), 0, L"SHA256 2C623B7631099B5351C3B9166249A74CCA0B4C957998B7E91C5E616C98115A58\r\n"},
        {{L"--only=sha256", L"--encoding=utf8", L"--normalize", L"nfkc"},           ToUtf8(manyPieces), 0, L"SHA256 76F64E2115435223E7A0C2F9E71A51F9560EB4ABDBBD30C9F1295F0338A18156\r\n"},
        {{L"--only=md5", L"--upper-text", L"abc"},                                  "", 0, Md5Line(L"902FBDD2B1DF0C4F70B4A5D23525E932")},
        {{L"--only=md5", L"--trim", L"--", L" abc\r\n"},                          "", 0, Md5Line(kAbcMd5)},
        {{L"--only=md5", L"--trim-lines", L"abc  \r\ndef \r\n"},                  "", 0, Md5Line(L"B39F47746FBEC7076F210638E9B8BC0D")},
        {{L"--bom", L"abc"},                                                        "", 2, L"", {L"选项 --bom 只用于 utf8、utf16le 和 utf16be 编码"}},
        // Another machine's code page; line breaks; the text as data; a digest of a digest.
        {{L"--only=md5", L"--encoding", L"cp936", L"中文"},                          "", 0, Md5Line(L"BCCE109775E8E1972E9F5FCDA3E12895")},
        {{L"--only=md5", L"--line-breaks", L"crlf", L"--add-final-break", L"crlf", L"a\nb"}, "", 0, Md5Line(L"59B0D7772F0561EFB95518F3CB8ABC60")},
        {{L"--only=md5", L"--text-as", L"base64", L"aGVsbG8gd29ybGQ="},             "", 0, Md5Line(L"5EB63BBBE01EEED093CB22BB8F5ACDC3")},
        {{L"--only=sha256", L"--twice", L"raw", L"abc"},                            "", 0, L"SHA256 4F8B42C22DD3729B519BA6F68D2DA7CC5B2D606D05DAED5AD5128CC03E6C6358\r\n"},
        {{L"--text-as", L"hex", L"abc"},                                            "", 2, L"", {L"文本不能按 --text-as hex 读作数据"}},
        {{L"--text-as", L"hex", L"--encoding", L"utf8", L"ab"},                     "", 2, L"", {L"选项 --encoding 不能与 --text-as 同用"}},
        {{L"--add-final-break", L"lf", L"--drop-final-break", L"abc"},              "", 2, L"", {L"选项 --add-final-break 不能与 --drop-final-break 同用"}},
        {{L"--encoding", L"cp936", L"--bom", L"abc"},                               "", 2, L"", {L"选项 --bom 只用于 utf8、utf16le 和 utf16be 编码"}},
        // Standard input as DecodeInputText's table below says: a mark decides unless --input-encoding is given.
        {{L"--encoding=utf8", L"--only=md5"},                                       kUtf16Mark + kUtf16Abc, 0, Md5Line(kAbcMd5)},
        {{L"--input-encoding", L"utf8"},                                            kUtf16Mark + kUtf16Abc, 2, L"", {L"标准输入在字节偏移 0 处不是有效的 UTF-8 文本"}},
        {{L"--input-encoding", L"ansi", L"--encoding", L"utf16le", L"--only=md5"},  page.bytes, 0, Md5Line(page.utf16Md5)},
        // No text: the digests of the empty message, as for an empty file; the terminator alone.
        {{},                                                                        "", 0, DigestLines(kEmptyDigests)},
        {{L"--encoding=utf16le", L"--only=sha256", L"--lower", L"--", L""},         "", 0, emptySha256},
        {{L"--terminator", L"--only=md5"},                                          "", 0, Md5Line(kZeroByteMd5)},
        // Options that would go unused, or whose one value is given twice, are refused by name.
        {{L"--only", L"md5", L"--only", L"sha1", L"abc"},                           "", 2, L"", {L"选项 --only 只能给出一次…--help"}},
        {{L"--encoding=utf8", L"--encoding", L"utf8", L"abc"},                      "", 2, L"", {L"选项 --encoding 只能给出一次"}},
        {{L"--input-encoding=utf8", L"--input-encoding=ansi"},                      "abc", 2, L"", {L"选项 --input-encoding 只能给出一次"}},
        {{L"--lower", L"--only=sha1", L"--lower", L"abc"},                          "", 2, L"", {L"选项 --lower 只能给出一次"}},
        {{L"--bom", L"--encoding=utf8", L"--bom", L"abc"},                          "", 2, L"", {L"选项 --bom 只能给出一次"}},
        {{L"--only", L"md5,MD5", L"abc"},                                           "", 2, L"", {L"选项 --only 的取值 \"md5,MD5\" 无效…每个只列一次"}},
        {{L"--terminator", L"--file", empty},                                       "", 2, L"", {L"选项 --terminator 不能与 --file 同用"}},
        {{L"--file", empty, L"--encoding", L"utf8"},                                "", 2, L"", {L"选项 --encoding 不能与 --file 同用"}},
        {{L"--input-encoding", L"utf8", L"abc"},                                    "", 2, L"", {L"选项 --input-encoding 只用于从标准输入读取的文本"}},
        {{L"--input-encoding", L"utf8", L"--file", L"-"},                           "abc", 2, L"", {L"选项 --input-encoding 只用于从标准输入读取的文本"}},
        // Usage: the bad option named, a pointer to --help.
        {{L"--bogus", L"abc"},                                                      "", 2, L"", {L"未知选项 \"--bogus\";用法见 texthash-cli --help"}},
        {{L"--help", L"--bogus-after-help"},                                        "", 2, L"", {L"未知选项 \"--bogus-after-help\""}},
        {{L"--encoding"},                                                           "", 2, L"", {L"选项 --encoding 缺少取值…--help"}},
        // A value is the argument after its option, whatever it begins with; refused values are quoted visibly.
        {{L"--only", L"md5", L"--file", L"--lower"},                                "", 1, L"FILE --lower\r\n", {L"--lower" + cannotOpen}},
        {{L"--encoding", L"cp99999", L"abc"},                                       "", 2, L"", {L"选项 --encoding 的取值 \"cp99999\" 无效(这个系统没有代码页 99999)"}},
        {{L"--encoding", L"cp1200", L"abc"},                                        "", 2, L"", {L"选项 --encoding 的取值 \"cp1200\" 无效(代码页 1200 是 UTF-16LE,请用 --encoding utf16le)"}},
        {{L"--only=md5", L"--encoding", L"936", L"中文"},                            "", 0, Md5Line(L"BCCE109775E8E1972E9F5FCDA3E12895")},
        {{L"--only", L"md5\n\x1B[31mred\u202E", L"abc"},                          "", 2, L"", {L"选项 --only 的取值 \"md5\\n\\x1B[31mred\\u202E\" 无效"}},
        {{L"--encoding", L"latin1", L"abc"},                                        "", 2, L"", {L"选项 --encoding 的取值 \"latin1\" 无效…--help"}},
        {{L"--input-encoding=utf-16", L"abc"},                                      "", 2, L"", {L"选项 --input-encoding 的取值 \"utf-16\" 无效"}},
        {{L"--only", L"md5,sha3", L"abc"},                                          "", 2, L"", {L"选项 --only 的取值 \"md5,sha3\" 无效"}},
        {{L"--only", L"md5,", L"abc"},                                              "", 2, L"", {L"选项 --only 的取值 \"md5,\" 无效"}},
        {{L"--file="},                                                              "", 2, L"", {L"选项 --file 的取值 \"\" 无效"}},
        {{L"--lower=yes", L"abc"},                                                  "", 2, L"", {L"选项 --lower 不带取值"}},
        {{L"--c", L"--lower", L"abc"},                                              "", 2, L"", {L"选项 --c 不能与 --lower 同用"}},
        {{L"--c", L"--only", L"md5", L"abc"},                                       "", 2, L"", {L"选项 --c 不能与 --only 同用"}},
        {{L"--c", L"--file", empty, L"--file", empty},                              "", 2, L"", {L"选项 --c 只能用于一个文件"}},
        {{L"--file", empty, L"abc"},                                                "", 2, L"", {L"文本参数 \"abc\" 不能与 --file 同用"}},
        // Files as they are; those that cannot be read with the window's failure text.
        {{L"--file", smallFile.path},                                               "", 0, FileBlock(smallFile.path, DigestLines(kPattern100Digests))},
        {{L"--only", L"sha256", L"--lower", L"--file", empty},                      "", 0, FileBlock(empty, emptySha256)},
        {{L"--file", missing},                                                      "", 1, FileBlock(missing, L""), {missing + cannotOpen}},
        {{L"--file", TEST_DATA_DIR},                                                "", 1, FileBlock(TEST_DATA_DIR, L""), {TEST_DATA_DIR + cannotOpen}},
        // Standard input named as a file: its bytes as they are, read past the pipe's buffer to the end.
        {{L"--only", L"sha256", L"--file", L"/dev/stdin"},                          PatternBytes(200000), 0, FileBlock(L"/dev/stdin", L"SHA256 E870FEC3223BAC8F6147B08B31E6E6E4BB9ABD783820BCD212B7737AF6A02174\r\n")},
        {{L"--only", L"md5", L"--file", L"\\dev\\stdin"},                           kUtf8Mark + "abc", 0, FileBlock(L"\\dev\\stdin", Md5Line(L"53A492DEBAE1C7ABF6615813B4B5CA99"))},
        {{L"--only", L"md5", L"--file", L"-"},                                      "", 0, FileBlock(L"-", Md5Line(kEmptyDigests[1]))},
        {{L"--only", L"md5", L"--file", L"-", L"--file", empty},                    "abc", 0, L"FILE -\r\n" + Md5Line(kAbcMd5) + L"\r\nFILE cli_test_empty.bin\r\n" + Md5Line(kEmptyDigests[1])},
        {{L"--file", L"-", L"--file", L"/dev/stdin"},                               "abc", 2, L"", {L"标准输入只能读一次,--file 只能有一个指向它"}},
        // Several files: a header line each, an empty line between; one that fails keeps its place, past the read-ahead too.
        {{L"--file", smallFile.path, L"--file", missing, L"--only", L"md5", L"--file", empty}, "", 1, L"FILE cli_test_small.bin\r\n" + Md5Line(kPattern100Digests[1]) + L"\r\nFILE cli_test_missing.bin\r\n\r\nFILE cli_test_empty.bin\r\n" + Md5Line(kEmptyDigests[1]), {missing + cannotOpen}},
        {{L"--file", nineMiBFile.path, L"--file", missing, L"--file", threeMiBFile.path}, "", 1, L"FILE cli_test_9mib.bin\r\n" + DigestLines(kLargeDigests) + L"\r\nFILE cli_test_missing.bin\r\n\r\nFILE cli_test_3mib.bin\r\n" + DigestLines(kThreeMiBDigests), {missing + cannotOpen}},
        {{L"--only", L"sha512,md4", L"--file", threeMiBFile.path},                  "", 0, FileBlock(threeMiBFile.path, L"MD4 " + kThreeMiBDigests[0] + L"\r\nSHA512 " + kThreeMiBDigests[6] + L"\r\n")},
        // Characters replaced: a warning, exit code 0; standard input in UTF-16LE keeps lone halves of pairs.
        {{L"--only=md5", page.lost},                                                     "", 0, Md5Line(page.lostMd5), {page.warning}},
        {{L"--only=md5", L"--encoding=utf8", page.lost},                                 "", 0, Md5Line(page.utf8Md5)},
        {{L"--only=md5", L"--input-encoding=utf16le", L"--encoding=utf8"},          kLoneHalves, 0, Md5Line(L"019C8E0518C6F4A11EB043D6EBD2F425"), {L"警告: UTF-8 不能原样表示…的 2 个字符…第 2 个字符…U+D83D(落单的代理项)"}},
        {{L"--only=md5", L"--input-encoding=utf16le", L"--encoding=utf16le"},       kLoneHalves, 0, Md5Line(L"A7B4B5F5DAA32346BE9D38B7A7239607")},
    });
    // clang-format on
    // A refused value is quoted only at its start.
    const CliRun longValue = RunCli({L"--encoding", std::wstring(20000, L'x'), L"abc"});
    EXPECT_NE(std::wstring::npos, longValue.err.find(L"\"" + std::wstring(60, L'x') + L"…\" 无效")) << longValue.err;
    EXPECT_LT(longValue.err.size(), 1000u);
}

TEST(DecodeInputText, GivesTheTextOrTheOffsetWhereTheBytesStopBeingText)
{
    using E = ByteEncoding;
    const CodePageCase& page = ThisCodePage();
    const std::wstring ansi = L"ANSI 代码页 " + std::to_wstring(GetACP());
    // clang-format off
    const DecodeRow rows[] = {
        {"utf8MarkSkipped",           0,    kUtf8Mark + "abc",                 E::Utf8,    false, L"abc",                kText, L"UTF-8"},
        {"utf8MarkDecides",           0,    kUtf8Mark + "abc",                 E::Utf16Le, true,  L"abc",                kText, L"UTF-8"},
        {"utf16MarkDecides",          0,    kUtf16Mark + kUtf16Abc,            E::Utf8,    true,  L"abc",                kText, L"UTF-16LE"},
        {"utf16MarkSkipped",          0,    kUtf16Mark + kUtf16Abc,            E::Utf16Le, false, L"abc",                kText, L"UTF-16LE"},
        {"otherMarkIsUtf16Text",      0,    std::string("\xEF\xBB\xBF\0", 4),  E::Utf16Le, false, L"\uBBEF\u00BF",       kText, L"UTF-16LE"},
        {"otherMarkIsNoUtf8",         0,    kUtf16Mark + kUtf16Abc,            E::Utf8,    false, L"",                   0,     L"UTF-8"},
        {"markAloneIsNoText",         0,    kUtf8Mark,                         E::Ansi,    true,  L"",                   kText, L"UTF-8"},
        {"lineBreaksAsTheyCome",      0,    "\xE4\xB8\xAD\r\n\n",              E::Utf8,    true,  L"中\r\n\n",           kText, L"UTF-8"},
        {"loneHalvesKept",            0,    kLoneHalves,                       E::Utf16Le, false, L"a\xD83Dz\xDE00",     kText, L"UTF-16LE"},
        {"utf8ByteBeginsNothing",     0,    "ab\xFF" "c",                      E::Utf8,    true,  L"",                   2,     L"UTF-8"},
        {"utf8CutAtEndAfterMark",     0,    kUtf8Mark + "ab\xC3",              E::Utf8,    true,  L"",                   5,     L"UTF-8"},
        {"utf8HalfOfPair",            0,    "abc\xED\xA0\x80",                 E::Utf8,    true,  L"",                   3,     L"UTF-8"},
        {"utf8CutBeforeAscii",        0,    "a\xE4\xB8" "bc",                  E::Utf8,    true,  L"",                   1,     L"UTF-8"},
        {"utf16OddByte",              0,    "abc",                             E::Utf16Le, false, L"",                   2,     L"UTF-16LE"},
        {"utf16OddByteAfterMark",     0,    kUtf16Mark + "a",                  E::Utf8,    true,  L"",                   2,     L"UTF-16LE"},
        // Code page 1252 takes every byte; 936 has bytes that begin no character and pairs that are none.
        {"ansi",                      0,    page.bytes,                        E::Ansi,    true,  page.text,            kText, ansi},
        {"utf16MarkIsAnsiText",       1252, kUtf16Mark + "ab",                 E::Ansi,    false, L"\u00FF\u00FEab",     kText, ansi},
        {"utf16MarkIsNoAnsi",         936,  kUtf16Mark + "ab",                 E::Ansi,    false, L"",                   0,     ansi},
        {"ansiPairThatIsNone",        936,  "ab\x81\x30",                      E::Ansi,    false, L"",                   2,     ansi},
        {"ansiByteBeginsNone",        936,  "\xFF",                             E::Ansi,    false, L"",                   0,     ansi},
    };
    // clang-format on
    for (const DecodeRow& row : rows) {
        if (row.codePage != 0 && row.codePage != GetACP())
            continue;
        SCOPED_TRACE(row.name);
        InputText input;
        ASSERT_TRUE(DecodeInputText(row.bytes, row.encoding, row.markDecides, input));
        EXPECT_EQ(row.invalidOffset != kText, input.invalid);
        EXPECT_EQ(row.invalidOffset != kText ? row.invalidOffset : 0, input.invalidOffset);
        EXPECT_EQ(row.text, input.text);
        EXPECT_EQ(row.encodingName, input.encodingName);
    }
}

TEST(CliHelp, HelpAndVersionSucceedAndSayWhatTheyShould)
{
    const CliRun help = RunCli({L"--help"});
    for (const wchar_t* option : {L"--encoding", L"--terminator", L"--input-encoding", L"--file -", L"--only",
                                  L"--lower", L"--c ", L"--match", L"--version", L"退出码", L"-c, --check", L"--tag",
                                  L"--quiet", L"--status", L"--strict", L"--ignore-missing", L"-w, --warn",
                                  L"--encoding cp936", L"--line-breaks lf", L"--drop-final-break", L"--json-escape",
                                  L"--text-as base64", L"--twice HEX", L"--key-use none", L"utf16be、utf-16le", L"BLAKE2s-256",
                                  L"8 位的 CRC32 必须带算法名"})
        EXPECT_NE(std::wstring::npos, help.out.find(option)) << option;
    // The window's version block is the program's too, with the version it prints.
    std::vector<BYTE> block(GetFileVersionInfoSizeW(TEXTHASH_CLI_EXE, nullptr));
    ASSERT_TRUE(!block.empty() && GetFileVersionInfoW(TEXTHASH_CLI_EXE, 0, DWORD(block.size()), block.data()));
    const auto value = [&block](const std::wstring& name) {
        wchar_t* text = nullptr;
        UINT length = 0;
        const std::wstring path = L"\\StringFileInfo\\080404b0\\" + name;
        return std::wstring(
            VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) ? text : L"-");
    };
    EXPECT_EQ(L"岚鹊文本哈希工具", value(L"ProductName"));
    // What may come more than once is said exactly; a code page is listed once, whatever its roles here.
    EXPECT_NE(std::wstring::npos,
              help.out.find(L"除 --file、--check、--quiet、--status、--strict、--ignore-missing、--warn、--help、"
                            L"--version 外,每个选项只能给出一次"));
    EXPECT_EQ(help.out.find(L"--encoding cp936 "), help.out.rfind(L"--encoding cp936 "));
    // Help comes before whatever else the command line asks.
    ExpectRunsAsRows({{{L"--help"}, "", 0, help.out},
                      {{L"--help", L"--help"}, "", 0, help.out},
                      {{L"abc", L"--c", L"--lower", L"--help"}, "", 0, help.out},
                      {{L"--version"}, "", 0, L"texthash-cli " + value(L"FileVersion") + L"\r\n"}});
}

// A digest the provider refused: its reason on standard error, named with the file and the digest, while the
// other digests are printed; with --c it stays a comment in the export.
TEST(CliReport, AFailedDigestGoesToStandardErrorAndTheOthersArePrinted)
{
    DigestTexts digests;
    digests.hasDigests = digests.failed[0] = true;
    digests.texts[0] = L"创建HASH对象失败:坏的算法";
    for (size_t row = 1; row < kShownDigestCount; ++row) {
        digests.values[row] = {{BYTE(0x0A + 0x11 * (row - 1))}, 1};
        digests.texts[row] = HexOf(digests.values[row]);
    }
    CliOptions lower, cArrays;
    lower.lowerCase = true;
    cArrays.cArrays = true;
    const DigestReport lines = ReportDigests(L"a.bin", digests, lower), exported = ReportDigests(L"", digests, cArrays);
    EXPECT_EQ(L"MD5 0a\r\nSHA1 1b\r\nSHA224 2c\r\nSHA256 3d\r\nSHA384 4e\r\nSHA512 5f\r\n", lines.output);
    EXPECT_EQ(std::vector<std::wstring> {L"a.bin: MD4: 创建HASH对象失败:坏的算法"}, lines.failures);
    EXPECT_EQ(0u, exported.output.rfind(L"/* Md4: 创建HASH对象失败:坏的算法 */\r\n\r\n", 0)) << exported.output;
    EXPECT_EQ(std::vector<std::wstring> {L"MD4: 创建HASH对象失败:坏的算法"}, exported.failures);
}

// Programs started together on a profile without the key container race to create it; every one must digest.
// All are created suspended and resumed together, so that they reach the same steps at nearly the same time.
TEST(CliFirstRuns, AllSucceedWhenStartedTogetherWithoutTheKeyContainer)
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    STARTUPINFOW startup = {};
    startup.hStdInput = startup.hStdOutput = startup.hStdError = CreateFileW(
        L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr);
    for (int round = 0; round < 4; ++round) {
        HCRYPTPROV deleted = 0;
        CryptAcquireContextW(&deleted, kDefaultKeyContainer, nullptr, PROV_RSA_AES, CRYPT_DELETEKEYSET);
        std::vector<PROCESS_INFORMATION> processes;
        for (int i = 0; i < 8; ++i)
            processes.push_back(StartCli({L"--only", L"md5", L"abc"}, startup, CREATE_SUSPENDED, nullptr));
        for (const PROCESS_INFORMATION& process : processes)
            ResumeThread(process.hThread);
        for (const PROCESS_INFORMATION& process : processes)
            EXPECT_EQ(0u, ExitCodeOf(process)) << "round " << round;
    }
    CloseHandle(startup.hStdInput);
}

// The settings under which the text gives a digest, as the options that reproduce them; the line breaks of
// standard input are its own. Separators and case in the digest are the core's (ExpectedDigest).
TEST(CliMatch, PrintsEverySettingThatGivesTheDigest)
{
    const CodePageCase& page = ThisCodePage();
    const std::wstring md5 = Lower(kAbcMd5), none = L"900150983CD24FB0D6963F7D28E17F73";
    const std::wstring both = L"--only md5 --encoding ansi\r\n--only md5 --encoding utf8\r\n";
    const std::wstring crLf = L" --add-final-break crlf  # 末尾加一个换行 (CR LF)\r\n";
    const std::wstring crLfAdded = L"--only md5 --encoding ansi" + crLf + L"--only md5 --encoding utf8" + crLf;
    const std::wstring twice = L" --twice hex  # 对摘要的小写十六进制再取一次同一摘要\r\n";
    const std::wstring gbk = GetACP() == 936 ? L"--only md5 --encoding ansi\r\n" : L"--only md5 --encoding cp936  # 代码页 936（GBK）\r\n";
    // clang-format off
    ExpectRunsAsRows({
        {{L"--match", md5, L"abc"},                                                     "", 0, both},
        {{L"--match", L" 9001-5098-3cd2-4fb0-d696-3f7d-28e1-7f72\r\n"},                 "abc", 0, both},
        {{L"--match", L"md5:" + md5, L"abc"},                                           "", 0, both},
        {{L"--match", md5},                                                             "abc\n", 0, L"--only md5 --encoding ansi --drop-final-break  # 去掉末尾的换行\r\n--only md5 --encoding utf8 --drop-final-break  # 去掉末尾的换行\r\n"},
        {{L"--match", L"59b0d7772f0561efb95518f3cb8abc60"},                             "a\r\nb", 0, crLfAdded},
        {{L"--match", L"C13B6AFECF97EA6B38D21A8F5167FA1E", L"abc"},                     "", 0, crLfAdded},
        {{L"--match", kAbcUtf16Md5, L"abc"},                                            "", 0, L"--only md5 --encoding utf16le\r\n"},
        {{L"--match", L"3DCB4C17861B8F91181AC048B360A28C9F28D305443C97D96AB5583D8D44AF61", L"岚鹊文本"}, "", 0, L"--only sha256 --encoding utf8 --terminator\r\n"},
        {{L"--match", L"61F8655A9B219B9CE122C6C7CD59AD09FEAC38240699CFEC8D0C9B1E81A748AB"}, ToUtf8(L"第一行\r\n第二行\r\n"), 0, L"--only sha256 --encoding utf8 --line-breaks lf --drop-final-break  # 换行为 LF，去掉末尾的换行\r\n"},
        {{L"--match", L"1C28DC3F1F804A1AD9C9B4B4CF5E2658D16AD4ED08E3020D04A8D2865018947C", L"abc"}, "", 0, L"--only sha256 --encoding utf8 --bom\r\n"},
        {{L"--match", L"66DDCD97CFDEABB2F6FB8A999B4BC76F", L"e\u0301"},                "", 0, L"--only md5 --encoding utf8 --normalize nfc\r\n"},
        {{L"--match", L"SM3:" + kAbcDigestsBeyondSeven[0], L"abc"},                     "", 0, L"--only sm3 --encoding ansi\r\n--only sm3 --encoding utf8\r\n"},
        {{L"--match", kEmptyDigests[1], L""},                                           "", 0, L"--only md5 --encoding ansi\r\n--only md5 --encoding utf16le\r\n--only md5 --encoding utf8\r\n--only md5 --encoding utf16be\r\n"},
        // The console's own lines; another machine's code page; an editor's two changes; a digest of a digest;
        // the text as data; a digest printed as a number; a password hash.
        {{L"--match", L"SHA256 " + kAbcDigests[4], L"abc"},                             "", 0, L"--only sha256 --encoding ansi\r\n--only sha256 --encoding utf8\r\n"},
        {{L"--match", L"CRC32 NSRBwg==", L"abc"},                                       "", 0, L"--only crc32 --encoding ansi\r\n--only crc32 --encoding utf8\r\n"},
        {{L"--match", L"CAB54837B8CB3345B7D7BD03E904D1C8", L"中文密码"},                 "", 0, gbk},
        {{L"--match", L"BF35C5508F6F0E225E027521DD29C9FE58671482E3D01EF0EC73476610216068"}, "abc  \nxyz\t", 0, L"--only sha256 --encoding ansi --trim-lines --add-final-break lf  # 末尾加一个换行 (LF)\r\n--only sha256 --encoding utf8 --trim-lines --add-final-break lf  # 末尾加一个换行 (LF)\r\n"},
        {{L"--match", L"EC0405C5AEF93E771CD80E0DB180B88B", L"abc"},                     "", 0, L"--only md5 --encoding ansi" + twice + L"--only md5 --encoding utf8" + twice},
        {{L"--match", L"5F78C33274E43FA9DE5659265C1D917E25C03722DCB0B8D27DB8D5FEAA813953", L" deadbeef"}, "", 0, L"--only sha256 --text-as hex  # 把文本当作十六进制数据，摘要它代表的字节\r\n"},
        {{L"--match", L"2e74f10e0327ad868d138f2b4fdd6f0", L"27"},                      "", 0, L"--only md5 --encoding ansi\r\n--only md5 --encoding utf8\r\n", {L"摘要开头少了 1 个 0…按 32 位的摘要查找"}},
        {{L"--match", L"4d0b59e19461ff126e3a08a814c33", L"1970"},                       "", 0, both, {L"摘要开头少了 3 个 0…按 32 位的摘要查找"}},
        {{L"--match", L"3e3b9e5336685200ae85d21b4f5e", L"5329"},                        "", 2, L"", {L"选项 --match 的取值 \"3e3b9e5336685200ae85d21b4f5e\" 无效"}},
        // Word's punctuation, the ellipsis too, typed as ASCII.
        {{L"--match", L"924EAC0344AF33095530E760631F6DEF", L"\u201Chi\u201D\u2026"},     "", 0, L"--only md5 --encoding ansi --plain-punctuation\r\n--only md5 --encoding utf8 --plain-punctuation\r\n"},
        {{L"--match", L"B6B9AADB671DCBF63D560FCB90FCF247", L"{\"b\": \"中\", \"a\": 1}"}, "", 0, L"--only md5 --encoding ansi --json compact-sorted-ascii\r\n--only md5 --encoding utf8 --json compact-sorted-ascii\r\n"},
        {{L"--match", L"$1$abc$iCQ2D3nhptRYi27fDYv2s1", L"secret"},                     "", 1, L"", {L"这是 MD5-crypt 口令散列（含盐），不能由文本的任何编码直接得到"}},
        // What the options fix narrows the search; a match through replaced characters says so.
        {{L"--match", md5, L"--encoding", L"utf8", L"abc"},                             "", 0, L"--only md5 --encoding utf8\r\n"},
        {{L"--match", page.lostMd5, page.lost},                                         "", 0, std::wstring(L"--only md5 --encoding ansi  # ") + page.lostNote + L"\r\n", {page.warning}},
        {{L"--match", none, L"abc"},                                                    "", 1, L"", {L"文本在以下设置及其各种组合下,其 MD4、MD5 都不是摘要 " + none + L": 编码 …; 有无终结符; 换行照原样…。如果这是带密钥的签名（HMAC 等），请用 --hmac 密钥（或 --hmac-file 密钥文件）给出密钥再查；加了盐的摘要不能只由文本求出。"}},
        {{L"--match", none, L"{\"a\": 1}"},                                              "", 1, L"", {L"…文本照原样、…、JSON 重写（紧凑、空格、缩进 2 或 4，键排序与否，\\uXXXX 与否）、参数排序; …"}},
        {{L"--match", kAbcDigestsBeyondSeven[0], L"--only", L"sha256", L"--terminator", L"abc"}, "", 1, L"", {L"文本在以下设置及其各种组合下,其 SHA256 都不是摘要 " + kAbcDigestsBeyondSeven[0] + L": …; 包含终结符; "}},
        {{L"--match", md5, L"--only", L"sha256", L"abc"},                               "", 2, L"", {L"选项 --only 所选的摘要都不会是 --match 的摘要"}},
        {{L"--match", md5, L"--lower", L"abc"},                                         "", 2, L"", {L"选项 --lower 不能与 --match 同用"}},
        {{L"--match", L"md5:" + md5 + L"0", L"abc"},                                    "", 2, L"", {L"选项 --match 的取值 \"md5:" + md5 + L"0\" 无效(摘要是 32、40、56、64、96 或 128 位十六进制数字"}},
        {{L"--match", L"352441C2", L"abc"},                                             "", 2, L"", {L"选项 --match 的取值 \"352441C2\" 无效(…8 位的 CRC32 必须带算法名,如 crc32:352441c2"}},
        {{L"--match", md5, L"--encoding", L"cp1253", L"abc"},                           "", 2, L"", {L"选项 --encoding cp1253 不能与 --match 同用"}},
        {{L"--match", md5, L"--twice", L"hex", L"abc"},                                 "", 2, L"", {L"选项 --twice 不能与 --match 同用(--match 自己会试这些设置)"}},
        {{L"abc", L"--match"},                                                          "", 2, L"", {L"选项 --match 缺少取值"}},
        {{L"--match", L"-hdq5hgfLvwGrAJHPHCQBg", L"--", L"t164"},                      "", 0, L"--only md5 --encoding ansi\r\n--only md5 --encoding utf8\r\n"},
        {{L"--match", md5, L"--file", L"abc.txt"},                                      "", 2, L"", {L"选项 --match 不能与 --file 同用(它只查找文本的设置)"}},
    });
    // clang-format on
}

// Each line --match prints is the options that give the digest: given back with the same text, they do.
TEST(CliMatch, ItsLinesGivenBackAsOptionsGiveTheDigest)
{
    // clang-format off
    const struct { std::wstring digest, text; } cases[] = {
        {L"1C28DC3F1F804A1AD9C9B4B4CF5E2658D16AD4ED08E3020D04A8D2865018947C", L"abc"},        // UTF-8 with its mark
        {L"D629FD10CE46BD5F3025A857461840D8",                                 L"abc"},        // UTF-16BE with its mark
        {L"66DDCD97CFDEABB2F6FB8A999B4BC76F",                                 L"e\u0301"},    // NFC
        {L"3DCB4C17861B8F91181AC048B360A28C9F28D305443C97D96AB5583D8D44AF61", L"岚鹊文本"},   // with the terminator
        {kAbcDigestsBeyondSeven[0],                                           L"abc"},        // SM3
        {L"CAB54837B8CB3345B7D7BD03E904D1C8",                                 L"中文密码"},   // GBK
        {L"9F4CC7A3336AABA931B9F9FD142E4460",                                 L"café crème"}, // code page 1252
        {L"BF35C5508F6F0E225E027521DD29C9FE58671482E3D01EF0EC73476610216068", L"abc  \nxyz\t"}, // lines trimmed, LF added
        {L"4F8B42C22DD3729B519BA6F68D2DA7CC5B2D606D05DAED5AD5128CC03E6C6358", L"abc"},        // SHA-256 of its raw digest
        {L"5F78C33274E43FA9DE5659265C1D917E25C03722DCB0B8D27DB8D5FEAA813953", L"deadbeef"},   // hex data
        {L"7101DC9F7CFFE8C2B7438B318A5AB676",                                 L"a\\tb\\n\\\"c\\\"\\u00e9"}, // escapes read
        {L"60FD0DE3E88BD2C1E66CC2134FB999D1",                                 L"line1\r\nline2"}, // JSON-escaped
        {L"5F4DCC3B5AA765D61D8327DEB882CF99",                                 L"pass\u200Bword"}, // a zero-width space
        {L"F0814474487106CD1EBBA2A189BDC7DD",                                 L"it\u2019s \u22121"}, // curly quote, minus
        {L"5EB63BBBE01EEED093CB22BB8F5ACDC3",                                 L"aGVsbG8gd29ybGQ="}, // Base64 data
        {L"BEFA7BEB4D1DD496C26622C2D14A8486848E46340FD83E6A24A17CDF35B73355", L"{\"b\":\"中\",\"a\":1}"}, // JSON indented by 2
        {L"ED04C91CF6F6AB5A01A31C0295C5DA34",                                 L"b=2&sign=x&a=1&c="}, // parameters sorted
    };
    // clang-format on
    for (const auto& c : cases) {
        const CliRun match = RunCli({L"--match", c.digest, c.text});
        ASSERT_EQ(0u, match.exitCode) << c.digest << match.err;
        for (const std::wstring& line : Lines(match.out)) {
            Arguments options;
            std::wistringstream words(line.substr(0, line.find(L"  # ")));
            for (std::wstring word; words >> word;)
                options.push_back(word);
            options.push_back(c.text);
            EXPECT_NE(std::wstring::npos, RunCli(options).out.find(L" " + c.digest + L"\r\n")) << line;
        }
    }
}

// A key each reading of the key takes.
std::wstring KeyReadAs(const Cause& cause)
{
    const bool reading = cause.kind == CauseKind::KeyReading;
    return !reading ? L"00"
        : cause.value == int(KeyReading::Base64)         ? L"AAAA"
        : cause.value == int(KeyReading::PrefixedBase64) ? L"whsec_AAAA"
                                                         : L"00";
}

// Each cause's option, given to the console program, sets that cause and no other; each cause has words of its own;
// the order of the explanations runs from the window's own settings to a digest of a digest.
TEST(SettingCauses, EachRowsOptionSetsItsCauseAndItsWordsAreItsOwn)
{
    std::vector<std::wstring> words;
    for (int row = 0; row < kCauseCount; ++row) {
        const Cause& cause = kCauses[row];
        std::wistringstream optionWords(CauseOptions(cause));
        // A mark needs an encoding that has one, the key's causes a key.
        const bool ofKey = cause.kind == CauseKind::KeyReading || cause.kind == CauseKind::KeyEnding
            || cause.kind == CauseKind::KeyUse;
        Arguments arguments = cause.kind == CauseKind::Mark ? Arguments {L"--encoding", L"utf8"}
            : ofKey                                        ? Arguments {L"--hmac", KeyReadAs(cause)}
                                                           : Arguments {};
        for (std::wstring word; optionWords >> word;)
            arguments.push_back(word);
        CliOptions options;
        std::wstring problem;
        ASSERT_TRUE(ParseCommandLine(arguments, options, problem)) << CauseOptions(cause) << L": " << problem;
        const std::vector<const Cause*> set = CausesOf(options.setting);
        const bool form = std::find(options.forms.begin(), options.forms.end(), TextForm(cause.value)) != options.forms.end();
        // The console's OEM code page is one of the others on some machines (936 on a Chinese one).
        const bool sameCodePage = cause.kind == CauseKind::Encoding && !set.empty()
            && EncodingOf(*set.front()).kind == ByteEncoding::CodePage
            && CodePageOf(EncodingOf(*set.front())) == CodePageOf(EncodingOf(cause));
        // A prefix is given as the user's text; how it is joined, the search tries.
        const bool prefix = cause.kind == CauseKind::Prefix && !options.setting.prefix.empty();
        // A key read as UTF-8 text and used as the digests' key is the key as given.
        const bool keyAsGiven = ofKey && cause.order == 0
            && std::none_of(set.begin(), set.end(), [](const Cause* c) { return c->kind >= CauseKind::KeyReading; });
        EXPECT_TRUE(cause.kind == CauseKind::Form ? form
                                                  : sameCodePage || prefix || keyAsGiven
                            || std::count(set.begin(), set.end(), &cause) == 1)
            << CauseOptions(cause);
        EXPECT_EQ(0, std::count(words.begin(), words.end(), CauseWords(cause))) << CauseWords(cause);
        words.push_back(CauseWords(cause));
    }
    const auto order = [](CauseKind kind, int value, UINT codePage = 0) { return FindCause(kind, value, codePage)->order; };
    const int window = order(CauseKind::Encoding, int(ByteEncoding::Utf8)), mark = order(CauseKind::Mark, 0),
              bigEndian = order(CauseKind::Encoding, int(ByteEncoding::Utf16Be)),
              codePage = order(CauseKind::Encoding, int(ByteEncoding::CodePage), 936),
              nfc = order(CauseKind::Form, int(TextForm::Nfc)), json = order(CauseKind::Form, int(TextForm::JsonEscaped)),
              hex = order(CauseKind::Data, int(DataReading::Hex)), twice = order(CauseKind::Twice, int(TwiceDigest::Raw));
    EXPECT_EQ(window, order(CauseKind::Ending, int(TextEnding::LfAdded)));
    EXPECT_TRUE(window < mark && mark < bigEndian && bigEndian < codePage && codePage < nfc && nfc < json
                && json < hex && hex < twice);
}

// docs/explaining.md lists the causes from their section on in the table's order, each by the options that give it:
// a row added, moved or given another option is a row of the document to write too.
TEST(SettingCauses, TheExplainingDocumentListsEachRowsOptionsInTheTablesOrder)
{
    std::ifstream file(DOCS_DIR L"/explaining.md", std::ios::binary);
    ASSERT_TRUE(file.good()) << "docs/explaining.md";
    const std::wstring document = FromUtf8({std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()});
    size_t at = document.find(L"\n## The causes, in order");
    ASSERT_NE(std::wstring::npos, at) << "the section of the causes";
    for (int row = 0; row < kCauseCount; ++row) {
        // Rows that share their options (the prefix's joins) share their place.
        at = document.find(L"`" + CauseOptions(kCauses[row]) + L"`", at);
        ASSERT_NE(std::wstring::npos, at) << CauseOptions(kCauses[row]) << L": missing, or before the row above it";
    }
}
