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

// The names of the digests a text may be, "*" for all of its length, and "-n" for n zeros lost; a password hash's
// scheme after "$".
std::wstring Names(const ExpectedDigest& expected)
{
    if (expected.passwordScheme != nullptr)
        return L"$" + std::wstring(expected.passwordScheme);
    if (expected.zerosLost != 0)
        return L"-" + std::to_wstring(expected.zerosLost);
    if (expected.digests == DigestsOfHexLength(2 * expected.value.length) && expected.digests.count() > 1)
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
                         base64 = DigestForm::Base64, line = DigestForm::ChecksumLine,
                         header = DigestForm::SignatureHeader;
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
        // The console program's own lines and checksum lines, hex and Base64, read back.
        {L"SHA256 " + sha256,                       sha256,                   prefixed, L"SHA256"},
        {L"sha-256\t" + sha256,                     sha256,                   prefixed, L"SHA256"},
        {L"SHA256 ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=", sha256,      prefixed, L"SHA256"},
        {L"CRC32 352441C2",                         L"352441C2",              prefixed, L"CRC32"},
        {L"CRC32 NSRBwg==",                         L"352441C2",              prefixed, L"CRC32"},
        {L"CRC32 (abc.txt) = NSRBwg==",             L"352441C2",              line,     L"CRC32"},
        {L"CRC32 (abc.txt) = NSRBwg",               L"352441C2",              line,     L"CRC32"},
        // Signature headers of webhooks, whole.
        {L"v0=" + sha256,                           sha256,                   header,   L"*"},
        {L"t=1700000000,v1=" + sha256 + L",v0=00",  sha256,                   header,   L"*"},
        {L"v1,ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0= v1,kAFQmDzST7DWlj99KOF/cgAAAAAAAAAAAAAAAAAAAAA=", sha256, header, L"*"},
        {L"t=1700000000,v0=" + sha256,              none,                     hex,      L""},  // no v1: no digest
        {L"t=17000x,v1=" + sha256,                  none,                     hex,      L""},
        {L"v1," + kAbcMd5 + L" v1," + sha256,       none,                     hex,      L""},  // two lengths
        // A digest printed as a number: its leading zeros lost.
        {L"2e74f10e0327ad868d138f2b4fdd6f0",        L"02E74F10E0327AD868D138F2B4FDD6F0", hex, L"-1"},
        {L"328ce57bbc14b33bd6695bc8eb32cdf2fb5f3a7d89ec14a42825e15d39df60", L"00328CE57BBC14B33BD6695BC8EB32CDF2FB5F3A7D89EC14A42825E15D39DF60", hex, L"-2"},
        {L"4d0b59e19461ff126e3a08a814c33",          L"0004D0B59E19461FF126E3A08A814C33", hex, L"-3"},  // MD5 of "1970"
        {L"crc32:52441c2",                          L"052441C2",              prefixed, L"-1"},
        // Salted password hashes (openssl passwd) are no digest.
        {L"$1$abc$iCQ2D3nhptRYi27fDYv2s1",          none,                     hex,      L"$MD5-crypt"},
        {L"$6$abc$IdWKNKTJEb8LxY7CGg8YBXlvtfZzFw7Mp/r6niK9YB2mdvgY..TKjv1T..8RadRt2qvUHYRLr/TsVArtr91iR1", none, hex, L"$SHA-512-crypt"},
        {L"$apr1$abc$PZF73YJz5hJ9yyI.7OP.R.",       none,                     hex,      L"$Apache MD5-crypt"},
        {L"$2b$12$R9h/cIPz0gi.URNNX3kh2OPST9/PgBkqquzi.Ss7KIUgO2t0jWMUW", none, hex,     L"$bcrypt"},
        {L"",                                       none,                     hex,      L""},
        {L"3e3b9e5336685200ae85d21b4f5e",           none,                     hex,      L""},  // MD5 of "5329", four zeros lost
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
        EXPECT_EQ(row.hex, HexOf(expected.value)) << row.text;
        EXPECT_EQ(int(row.form), int(expected.form)) << row.text;
        EXPECT_EQ(row.names, Names(expected)) << row.text;
    }
}

// A header's signed prefix is its timestamp and a dot; its other signatures count too.
TEST(ExpectedDigest, ATimestampedHeaderSaysWhatItsSenderSignedBeforeTheBody)
{
    const std::wstring header = L"t=1492774577,v1=" + kAbcMd5 + L",v1=" + kAbcMd5Lower.substr(0, 31) + L"0";
    const ExpectedDigest expected = ParseExpectedDigest(header.c_str(), header.size());
    EXPECT_EQ(L"1492774577.", expected.signedPrefix);
    ASSERT_EQ(1u, expected.otherValues.size());
    EXPECT_EQ(kAbcMd5.substr(0, 31) + L"0", HexOf(expected.otherValues[0]));
}

// A failure is no digest, and a name given with the digest narrows it to that row.
TEST(ExpectedDigest, AnOutputMatchesInEitherCaseAndOnlyInFull)
{
    DigestTexts outputs;
    for (int row : {0, 1, 2, 4}) {
        const std::wstring& digest = kAbcDigests[size_t(row)];
        ASSERT_TRUE(ReadDigestValue(digest, DWORD(digest.size() / 2), outputs.values[size_t(row)]));
    }
    outputs.failed[4] = true;  // a failure never matches, whatever its value
    // clang-format off
    const struct { std::wstring given; const char* rows; } rows[] = {
        {kAbcMd5,                             "0000010"},
        {kAbcMd5Lower,                        "0000010"},
        {L"a448017aaf21d8525fc10ae87aa6729d", "0000001"},
        {L"md4:" + kAbcMd5,                   "0000000"},
        {kAbcSha1,                            "0000100"},
        {kAbcMd5.substr(0, 30),               "0000000"},
        {L"t=1,v1=" + std::wstring(32, L'0') + L",v1=" + kAbcMd5, "0000010"},  // any of a header's signatures
        {L"",                                 "0000000"},
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(DigestSelection(row.rows),
                  MatchingDigests(outputs, ParseExpectedDigest(row.given.c_str(), row.given.size())))
            << row.given;
}

}  // namespace
