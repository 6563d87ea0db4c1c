// Digests as users paste them: which texts count as a digest, of which
// digests, and which outputs they equal.
#include "digest/expected_digest.h"

#include <gtest/gtest.h>

#include "tests/support/known_digests.h"

namespace {

const std::wstring& kAbcSha1 = kAbcDigests[2];

// `hex` with `separator` after every `group` digits.
std::wstring Grouped(const std::wstring& hex, size_t group, const wchar_t* separator)
{
    std::wstring text;
    for (size_t i = 0; i < hex.size(); i += group)
        text += (i == 0 ? L"" : separator) + hex.substr(i, group);
    return text;
}

// The names of the digests a text may be; "*" for all of its length.
std::wstring Names(const ExpectedDigest& expected)
{
    if (expected.digests == DigestsOfHexLength(expected.hex.size()) && expected.digests.count() > 1)
        return L"*";
    std::wstring names;
    for (int row = 0; row < kDigestCount; ++row)
        names += expected.digests[row] ? (names.empty() ? L"" : L" ") + std::wstring(kDigestTable[row].name) : L"";
    return names;
}

TEST(ExpectedDigest, TakesDigestsAsPeopleWriteThemAndNothingElse)
{
    const std::wstring padding(kMaxExpectedDigestUnits - kAbcMd5.size(), L' ');
    const std::wstring none, sha256 = kAbcDigests[4];
    constexpr DigestForm hex = DigestForm::Hex, prefixed = DigestForm::Prefixed, sri = DigestForm::Sri,
                         base64 = DigestForm::Base64, line = DigestForm::ChecksumLine;
    // clang-format off
    const struct { std::wstring text, hex; DigestForm form; const wchar_t* names; } rows[] = {
        {kAbcMd5,                                   kAbcMd5,                  hex,      L"*"},
        {kAbcMd5Lower,                              kAbcMd5,                  hex,      L"*"},
        {L"900150983cd24fb0D6963F7D28E17F72",       kAbcMd5,                  hex,      L"*"},
        {L" \t\r\n" + kAbcMd5 + L"\r\n",            kAbcMd5,                  hex,      L"*"},
        {L"\u3000" + kAbcMd5 + L"\u00A0",           kAbcMd5,                  hex,      L"*"},
        {Grouped(kAbcMd5, 2, L":"),                 kAbcMd5,                  hex,      L"*"},
        {Grouped(kAbcMd5, 2, L" "),                 kAbcMd5,                  hex,      L"*"},
        {Grouped(kAbcMd5, 4, L"-"),                 kAbcMd5,                  hex,      L"*"},
        {Grouped(kAbcSha1, 8, L" "),                kAbcSha1,                 hex,      L"SHA1"},
        {kAbcDigests[5],                            kAbcDigests[5],           hex,      L"*"},
        {std::wstring(56, L'a'),                    std::wstring(56, L'A'),   hex,      L"*"},
        {std::wstring(128, L'F'),                   std::wstring(128, L'F'),  hex,      L"*"},
        {padding + kAbcMd5,                         kAbcMd5,                  hex,      L"*"},  // as long as a digest's text may be
        {L"md5:" + kAbcMd5Lower,                    kAbcMd5,                  prefixed, L"MD5"},
        {L"MD5: " + kAbcMd5,                        kAbcMd5,                  prefixed, L"MD5"},
        {L"SHA-1 = " + Grouped(kAbcSha1, 2, L":"),  kAbcSha1,                 prefixed, L"SHA1"},
        {L"crc32:352441c2",                         L"352441C2",              prefixed, L"CRC32"},
        {L"sha256-ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=", sha256,      sri,      L"SHA256"},
        {L"kAFQmDzST7DWlj99KOF/cg==",               kAbcMd5,                  base64,   L"*"},
        {L"kAFQmDzST7DWlj99KOF_cg",                 kAbcMd5,                  base64,   L"*"},
        {kAbcMd5Lower + L"  abc.txt",               kAbcMd5,                  line,     L"*"},
        {L"MD5 (abc.txt) = " + kAbcMd5Lower,        kAbcMd5,                  line,     L"MD5"},
        {L"SHA256(abc.txt)= " + sha256,             sha256,                   line,     L"SHA256"},
        {L"",                                       none,                     hex,      L""},
        {kAbcMd5.substr(1),                         none,                     hex,      L""},
        {kAbcMd5 + L"00",                           none,                     hex,      L""},
        {std::wstring(130, L'F'),                   none,                     hex,      L""},
        {L" " + padding + kAbcMd5,                  none,                     hex,      L""},
        {kAbcMd5.substr(0, 31) + L"G",              none,                     hex,      L""},
        {L"0x" + kAbcMd5,                           none,                     hex,      L""},
        {L"352441C2",                               none,                     hex,      L""},  // too short to stand unnamed
        {L"sha1:" + kAbcMd5,                        none,                     hex,      L""},
        {L"hash:" + kAbcMd5,                        none,                     hex,      L""},
        {L"ungWv48Bz-pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=",          none,     hex,      L""},  // two alphabets
        {L"kAFQmDzST7DWlj99KOF/cg=",                              none,     hex,      L""},  // padding short of a group
        {L"sha256-kAFQmDzST7DWlj99KOF/cg==",                      none,     hex,      L""},  // 16 bytes
        {L"kAFQmDzST7DWlj99KOF/",                   none,                     hex,      L""},  // 15 bytes
        {Grouped(kAbcMd5, 3, L":"),                 none,                     hex,      L""},
        {Grouped(kAbcMd5, 2, L"::"),                none,                     hex,      L""},
        {Grouped(kAbcMd5, 2, L"\t"),                none,                     hex,      L""},
        {Grouped(kAbcMd5, 2, L"."),                 none,                     hex,      L""},
        {kAbcMd5 + L"-",                            none,                     hex,      L""},
        {L"中文" + kAbcMd5,                         none,                     hex,      L""},
    };
    // clang-format on
    for (const auto& row : rows) {
        const ExpectedDigest expected = ParseExpectedDigest(row.text.c_str(), row.text.size());
        EXPECT_EQ(row.hex, expected.hex) << row.text;
        EXPECT_EQ(int(row.form), int(expected.form)) << row.text;
        EXPECT_EQ(row.names, Names(expected)) << row.text;
    }
}

// A failure is no digest, and a name given with the digest narrows it to that row.
TEST(ExpectedDigest, AnOutputMatchesInEitherCaseAndOnlyInFull)
{
    DigestTexts outputs;
    outputs.texts = {kAbcDigests[0], kAbcMd5, kAbcSha1};
    outputs.texts[4] = L"创建哈希对象失败";
    outputs.failed[4] = true;
    // clang-format off
    const struct { std::wstring given; const char* rows; } rows[] = {
        {kAbcMd5,                             "0000010"},
        {kAbcMd5Lower,                        "0000010"},
        {L"a448017aaf21d8525fc10ae87aa6729d", "0000001"},
        {L"md4:" + kAbcMd5,                   "0000000"},
        {kAbcSha1,                            "0000100"},
        {kAbcMd5.substr(0, 30),               "0000000"},
        {L"",                                 "0000000"},
    };
    // clang-format on
    EXPECT_TRUE(IsExpectedDigest(kAbcMd5Lower, kAbcMd5));  // either side in either case
    for (const auto& row : rows)
        EXPECT_EQ(DigestSelection(row.rows),
                  MatchingDigests(outputs, ParseExpectedDigest(row.given.c_str(), row.given.size())))
            << row.given;
}

}  // namespace
