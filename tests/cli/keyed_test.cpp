// Keyed digests in the console program: the HMACs and keyed modes that Python's hmac and hashlib give, lists of
// them checked with the same key, and --match explaining a signature that does not verify, each cause with a line
// that gives the signature back. The key never shows in what the program writes.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/cli/cli_runner.h"
#include "tests/support/temp_file.h"

namespace {

// A signed body with Chinese in it, as a webhook sends it.
const std::wstring kBody = L"{\"id\": 7, \"name\": \"中文\", \"ok\": true}";
const std::wstring kParameters =
    L"out_trade_no=20150806125346&total_fee=1&body=test&appid=wxd930ea5d5a258f4f&sign=XXXX&attach=";
// The key every refusal below is given: none of them may repeat it.
const std::wstring kSecret = L"SeCrEt-Kx9";

std::wstring Line(const std::wstring& name, const std::wstring& hex) { return name + L" " + hex + L"\r\n"; }

bool Chinese() { return GetACP() == 936; }

}  // namespace

TEST(CliKeyed, GivesTheKeyedDigestsOfOutsideToolsAndRefusesWhatCannotBeKeyed)
{
    const TempFile keyFile(L"keyed_test_key.txt", "file-key\n"), body(L"keyed_test_body.txt", "abc");
    ASSERT_TRUE(keyFile.created && body.created);
    const std::wstring abcHmacSha256 = L"9C196E32DC0175F86F4B1CB89289D6619DE6BEE699E4C378E68309ED97A1A6AB";
    // clang-format off
    ExpectRunsAsRows({
        // Python's hmac over "abc" with the key "key"; BLAKE2 in its own keyed mode (hashlib's key=).
        {{L"--hmac", L"key", L"--only", L"md5,sha1,sha256,sha3-256,sm3,blake2s", L"abc"}, "", 0,
         Line(L"HMAC-MD5", L"D2FE98063F876B03193AFB49B4979591") + Line(L"HMAC-SHA1", L"4FD0B215276EF12F2B3E4C8ECAC2811498B656FC")
         + Line(L"HMAC-SHA256", abcHmacSha256) + Line(L"HMAC-SM3", L"28E63256E7C5A087B1F073265DC53092163F7B82729735D06F28F10AF9D52393")
         + Line(L"HMAC-SHA3-256", L"09B6DBAB8D11795CA7C8D82F1CF91682013C7CB980ABBB25473BE4AE7F7B5683")
         + Line(L"BLAKE2s-KEYED", L"3F9723437B033BF0C1F4DF43CAFD0776068CB0A95912DE13F3B2952A3ABA764D")},
        {{L"--hmac", L"key", L"--only", L"sha512", L"--encoding", L"utf16le", L"abc"}, "", 0, Line(L"HMAC-SHA512", L"5B689FFBB27E13F88BB0F39AD08E08ABC73276C20FE4DCB5713384AF96DFE7BDEAA2F736E79A63B64A180F0D1127F34088ABDF90F1609F960A8358D029E13180")},
        {{L"--hmac", L"6b6579", L"--key-as", L"hex", L"--only", L"md5", L"abc"},    "", 0, Line(L"HMAC-MD5", L"D2FE98063F876B03193AFB49B4979591")},
        {{L"--hmac", L"a2V5", L"--key-as", L"base64", L"--only", L"md5", L"abc"},   "", 0, Line(L"HMAC-MD5", L"D2FE98063F876B03193AFB49B4979591")},
        {{L"--hmac", L"", L"--only", L"md5", L"abc"},                              "", 0, Line(L"HMAC-MD5", L"DD2701993D29FDD0B032C233CEC63403")},
        {{L"--hmac", L"key", L"--only", L"sha256", L"--base64", L"abc"},           "", 0, Line(L"HMAC-SHA256", L"nBluMtwBdfhvSxy4konWYZ3mvuaZ5MN45oMJ7Zehpqs=")},
        {{L"--hmac-file", keyFile.path, L"--only", L"sha256", L"abc"},             "", 0, Line(L"HMAC-SHA256", L"AD13B3C3BDBD2F6255E1B9DA7AF7C3F2647AC8E6A7A2DFD2499EA812258C706E")},
        {{L"--hmac", L"key", L"--tag", L"--only", L"sha256", L"--file", body.path}, "", 0, L"HMAC-SHA256 (keyed_test_body.txt) = " + abcHmacSha256 + L"\r\n"},
        {{L"--hmac", L"key", L"--key-use", L"before", L"--only", L"md5", L"abc"},  "", 0, Line(L"MD5", L"52878F125814206651A24111280EC873")},
        // What cannot be keyed, or read as said, is refused by name; the key is never quoted.
        {{L"--hmac", kSecret, L"--only", L"crc32", L"abc"},                        "", 2, L"", {L"选项 --hmac 不能用于 CRC32(CRC32 不使用密钥)"}},
        {{L"--hmac", kSecret, L"--only", L"blake3", L"abc"},                       "", 2, L"", {L"选项 --hmac 不能用于 BLAKE3(BLAKE3 的密钥须为 32 字节，给出的是 10 字节)"}},
        {{L"--hmac", std::wstring(33, L'k'), L"--only", L"blake2s", L"abc"},       "", 2, L"", {L"选项 --hmac 不能用于 BLAKE2s(BLAKE2s 的密钥至多 32 字节，给出的是 33 字节)"}},
        {{L"--hmac", kSecret, L"--key-as", L"hex", L"abc"},                        "", 2, L"", {L"选项 --hmac 的密钥不能按 --key-as hex 读取"}},
        {{L"--hmac", kSecret, L"--hmac", kSecret, L"abc"},                         "", 2, L"", {L"选项 --hmac 只能给出一次"}},
        {{L"--hmac", kSecret, L"--hmac-file", keyFile.path, L"abc"},               "", 2, L"", {L"选项 --hmac 不能与 --hmac-file 同用"}},
        {{L"--hmac-file", keyFile.path, L"--key-as", L"hex", L"abc"},              "", 2, L"", {L"选项 --key-as 不能与 --hmac-file 同用"}},
        {{L"--hmac", kSecret, L"--twice", L"raw", L"abc"},                         "", 2, L"", {L"选项 --hmac 不能与 --twice 同用"}},
        {{L"--key-as", L"hex", L"abc"},                                            "", 2, L"", {L"选项 --key-as 只用于 --hmac 或 --hmac-file"}},
        {{L"--hmac-file", L"keyed_test_missing.txt", L"abc"},                      "", 2, L"", {L"选项 --hmac-file 的取值 \"keyed_test_missing.txt\" 无效(…打开文件失败"}},
    });
    // clang-format on
    for (const Arguments& refused : {Arguments {L"--hmac", kSecret, L"--only", L"crc32", L"abc"},
                                     Arguments {L"--hmac", kSecret, L"--key-as", L"base64", L"abc"},
                                     Arguments {L"--hmac=" + kSecret, L"--bogus"}}) {
        const CliRun run = RunCli(refused);
        EXPECT_EQ(std::wstring::npos, (run.out + run.err).find(kSecret)) << run.err;
    }
    const CliRun arrays = RunCli({L"--hmac", L"key", L"--c", L"abc"});
    EXPECT_EQ(0u, arrays.out.find(L"const unsigned char HMAC_MD4[16] = {")) << arrays.out;
    EXPECT_NE(std::wstring::npos, arrays.out.find(L"const unsigned char HMAC_SHA512[64] = {"));
}

TEST(CliKeyed, ItsListsCheckBackWithTheSameKeyAndOnlyWithIt)
{
    const TempFile file(L"keyed_test_listed.txt", "hello\n");
    ASSERT_TRUE(file.created);
    const CliRun written = RunCli({L"--hmac", L"k", L"--only", L"md5,sha256", L"--file", file.path});
    const CliRun tagged = RunCli({L"--hmac", L"k", L"--tag", L"--only", L"sha3-256,blake2b", L"--file", file.path});
    ASSERT_EQ(0u, written.exitCode + tagged.exitCode);
    const std::string list = ToUtf8(written.out), tags = ToUtf8(tagged.out);
    const std::wstring ok = L"keyed_test_listed.txt: OK\r\n", failed = L"keyed_test_listed.txt: FAILED\r\n";
    // clang-format off
    ExpectRunsAsRows({
        {{L"--hmac", L"k", L"-c"},   list, 0, ok + ok},
        {{L"--hmac", L"k", L"-c"},   tags, 0, ok + ok},
        {{L"--hmac", L"kk", L"-c"},  tags, 1, failed + failed, {L"警告:有 2 个计算出的校验和不匹配"}},
        {{L"-c"},                    list, 1, L"", {L"标准输入: 清单里有带密钥的摘要(HMAC-MD5),要用 --hmac 或 --hmac-file 给出密钥才能校验", L"标准输入: 没有找到格式正确的校验行"}},
    });
    // clang-format on
}

// Each cause of a signature that does not verify, found with the key given and said as the options that give it
// back; the signatures are Python's hmac of the body as each sender makes it.
TEST(CliKeyed, MatchExplainsEachCauseOfASignatureMismatchAndItsLinesGiveItBack)
{
    const std::wstring utf8 = L"--only sha256 --encoding utf8";
    const std::wstring ansiKey = Chinese() ? L"EC950A38BA809A973530FD3608645042A0EB7E7A99B8619722A954AB4BA6E4B4"
                                           : L"EC94DE6A234C0947A0EF37514839E53A4EE380F8A8C5A25332491102ACDEB47D";
    const struct {
        std::wstring signature, key, prefix, text, hex, lines;
    } cases[] = {
        // GitHub, Slack, a timestamped header, Standard Webhooks: headers as they come.
        {L"sha256=e558d0765ef1a41ad4cee45194456622357183c5def1367ce21f221dcf8d97b3", L"It's a Secret to Everybody", L"", kBody, L"E558D0765EF1A41AD4CEE45194456622357183C5DEF1367CE21F221DCF8D97B3", utf8 + L"\r\n"},
        {L"v0=b15eaa6bc98f97faf723809912e8df14536ad61cbc3613ac81a99d996925026a", L"8f742231b10e8888abcd99yyyzzz85a5", L"v0:1531420618", kBody, L"B15EAA6BC98F97FAF723809912E8DF14536AD61CBC3613AC81A99D996925026A", utf8 + L" --prefix v0:1531420618:\r\n"},
        {L"t=1492774577,v1=7a16bbbc82648ed0a804efe3aa8c90c1087d624ab3f4ebeae1f06cbe061f2ebd,v0=00", L"whsec_test_secret", L"", kBody, L"7A16BBBC82648ED0A804EFE3AA8C90C1087D624AB3F4EBEAE1F06CBE061F2EBD", utf8 + L" --prefix 1492774577.\r\n"},
        {L"v1,HsBxB+7N7sq6DURZE3XTf2GHykcbJms45erS7a4o+3k=", L"whsec_MfKQ9r8GKYqrTwjUPD8ILPZIo2LaLaSw", L"msg_p5jXN8AQM9LWM0D4loKWxJek.1614265330", kBody, L"1EC07107EECDEECABA0D44591375D37F6187CA471B266B38E5EAD2EDAE28FB79", utf8 + L" --prefix msg_p5jXN8AQM9LWM0D4loKWxJek.1614265330. --key-as whsec\r\n"},
        // The body parsed and written again; Base64 in the URL-safe alphabet.
        {L"B0F29D6B9284FAB44BFEFAF54383FF8AE9FEE3516427CA50C4E8E32029ED8F02", L"shh", L"", kBody, L"B0F29D6B9284FAB44BFEFAF54383FF8AE9FEE3516427CA50C4E8E32029ED8F02", utf8 + L" --json compact\r\n"},
        {L"3CCF412B3F0CFCD4FD03094A9E71C841C3989EF021498D6A0A735DB52BA7D321", L"shh", L"", kBody, L"3CCF412B3F0CFCD4FD03094A9E71C841C3989EF021498D6A0A735DB52BA7D321", L"--only sha256 --encoding ansi --json spaced-ascii\r\n" + utf8 + L" --json spaced-ascii\r\n"},
        {L"bP2jGUsqxKUUdhEJBIP2k6zwzbEI8mdgW0djh6PNftA", L"shh", L"", kBody, L"6CFDA3194B2AC4A5147611090483F693ACF0CDB108F267605B476387A3CD7ED0", utf8 + L"\r\n"},
        // The key as hex, with the final line break of a key file, trimmed, in the ANSI code page.
        {L"F224F0DAB8E22554151D90B25A0AA904B515BEE8135DF0EE3DA0133E94D519D3", L"0123456789abcdef", L"", kBody, L"F224F0DAB8E22554151D90B25A0AA904B515BEE8135DF0EE3DA0133E94D519D3", utf8 + L" --key-as hex\r\n"},
        {L"602DA36E5CF27DD331705492F3B4E231005484B32046CE2C4F07D8B0C5C27BCE", L"shh", L"", kBody, L"602DA36E5CF27DD331705492F3B4E231005484B32046CE2C4F07D8B0C5C27BCE", utf8 + L" --key-final-break lf  # 密钥末尾多一个换行 (LF)，如 echo 写的密钥文件\r\n"},
        {L"6CFDA3194B2AC4A5147611090483F693ACF0CDB108F267605B476387A3CD7ED0", L" shh\n", L"", kBody, L"6CFDA3194B2AC4A5147611090483F693ACF0CDB108F267605B476387A3CD7ED0", utf8 + L" --key-trim  # 密钥去掉首尾的空白和换行\r\n"},
        {ansiKey, L"café", L"", kBody, ansiKey, utf8 + L" --key-as ansi\r\n"},
        // Payment interfaces' sorted parameters with "&key=", plain and as HMAC; the key before or after the body;
        // no key at all; the body's line breaks.
        {L"FF63F1C6BA7033B9683EF3D72D679D93", L"192006250b4c09247ec02edce69f6a2d", L"", kParameters, L"FF63F1C6BA7033B9683EF3D72D679D93", L"--only md5 --encoding ansi --sort-parameters --key-use param  # 正文末尾加 “&key=密钥” 后取不带密钥的摘要\r\n--only md5 --encoding utf8 --sort-parameters --key-use param  # 正文末尾加 “&key=密钥” 后取不带密钥的摘要\r\n"},
        {L"1F659E2708C3BCD78D5F23AE688CDA2043F77E76C46B033418C095F19BA900CE", L"192006250b4c09247ec02edce69f6a2d", L"", kParameters, L"1F659E2708C3BCD78D5F23AE688CDA2043F77E76C46B033418C095F19BA900CE", L"--only sha256 --encoding ansi --sort-parameters --key-use param-hmac  # 正文末尾加 “&key=密钥” 后再用密钥取 HMAC\r\n" + utf8 + L" --sort-parameters --key-use param-hmac  # 正文末尾加 “&key=密钥” 后再用密钥取 HMAC\r\n"},
        {L"5ECCE2CA0D4814AE66E02E461C23086E", L"shh", L"", kBody, L"5ECCE2CA0D4814AE66E02E461C23086E", L"--only md5 --encoding utf8 --key-use before  # 密钥放在正文之前，取不带密钥的摘要\r\n"},
        {L"A658DF95848A46B462E04B1835F36011B7DBAC4C", L"shh", L"", kBody, L"A658DF95848A46B462E04B1835F36011B7DBAC4C", L"--only sha1 --encoding utf8 --key-use after  # 密钥放在正文之后，取不带密钥的摘要\r\n"},
        {L"F92AB9A162267759039FE0C525CF0C33CC8AA3242721EF58FF5A8D892FDD9E61", L"shh", L"", kBody, L"F92AB9A162267759039FE0C525CF0C33CC8AA3242721EF58FF5A8D892FDD9E61", utf8 + L" --key-use none  # 不带密钥的摘要，不是 HMAC\r\n"},
        {L"E71C4BDF2E4FB66A1C39B47B1F2C067BA71812F9B5A9F5310E5E15A45E67FFC3", L"shh", L"", L"line1\nline2", L"E71C4BDF2E4FB66A1C39B47B1F2C067BA71812F9B5A9F5310E5E15A45E67FFC3", L"--only sha256 --encoding ansi --line-breaks crlf --add-final-break crlf  # 换行为 CR LF，末尾加一个换行 (CR LF)\r\n" + utf8 + L" --line-breaks crlf --add-final-break crlf  # 换行为 CR LF，末尾加一个换行 (CR LF)\r\n"},
    };
    for (const auto& c : cases) {
        Arguments arguments = {L"--match", c.signature, L"--hmac", c.key};
        if (!c.prefix.empty())
            arguments.insert(arguments.end(), {L"--prefix", c.prefix});
        arguments.insert(arguments.end(), {L"--", c.text});
        const CliRun match = RunCli(arguments);
        EXPECT_EQ(0u, match.exitCode) << c.signature << L" " << match.err;
        EXPECT_EQ(c.lines, match.out) << c.signature;
        EXPECT_EQ(std::wstring::npos, (match.out + match.err).find(c.key)) << L"the key shows: " << c.signature;
        // Each line, run with the same key on the same body, gives the signature.
        for (const std::wstring& line : Lines(match.out)) {
            Arguments given = {L"--hmac", c.key};
            std::wistringstream words(line.substr(0, line.find(L"  # ")));
            for (std::wstring word; words >> word;)
                given.push_back(word);
            given.insert(given.end(), {L"--", c.text});
            EXPECT_NE(std::wstring::npos, RunCli(given).out.find(L" " + c.hex + L"\r\n")) << line;
        }
    }
    // A signature nothing gives: what was tried with the key; without a key, how to give one.
    const std::wstring none = L"0000000000000000000000000000000000000000000000000000000000000001";
    // clang-format off
    ExpectRunsAsRows({
        {{L"--match", none, L"--hmac", kSecret, L"--", kBody}, "", 1, L"", {L"…; 密钥按 UTF-8 文本; 密钥末尾照原样、加 LF、加 CR LF; 密钥用作 HMAC、加 &key= 后 HMAC、加 &key= 后取摘要、密钥在前、密钥在后、不用密钥。加了盐的摘要不能由文本和密钥求出。"}},
        {{L"--match", none, L"--", kBody},                     "", 1, L"", {L"…。如果这是带密钥的签名（HMAC 等），请用 --hmac 密钥（或 --hmac-file 密钥文件）给出密钥再查"}},
        {{L"--match", L"t=1492774577,v0=" + none, L"--hmac", kSecret, L"--", kBody}, "", 2, L"", {L"选项 --match 的取值"}},
    });
    // clang-format on
}
