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

TEST(ExpectedDigest, TakesDigestsAsPeopleWriteThemAndNothingElse)
{
    const std::wstring padding(kMaxExpectedDigestUnits - kAbcMd5.size(), L' ');
    const std::wstring none;
    // clang-format off
    const struct { std::wstring text, digits; } rows[] = {
        {kAbcMd5,                                 kAbcMd5},
        {kAbcMd5Lower,                               kAbcMd5Lower},
        {L"900150983cd24fb0D6963F7D28E17F72",     L"900150983cd24fb0D6963F7D28E17F72"},
        {L" \t\r\n" + kAbcMd5 + L"\r\n",          kAbcMd5},
        {L"\u3000" + kAbcMd5 + L"\u00A0",         kAbcMd5},
        {Grouped(kAbcMd5, 2, L":"),               kAbcMd5},
        {Grouped(kAbcMd5, 2, L" "),               kAbcMd5},
        {Grouped(kAbcMd5, 4, L"-"),               kAbcMd5},
        {Grouped(kAbcSha1, 8, L" "),              kAbcSha1},
        {kAbcDigests[5],                          kAbcDigests[5]},
        {std::wstring(56, L'a'),                  std::wstring(56, L'a')},
        {std::wstring(64, L'0'),                  std::wstring(64, L'0')},
        {std::wstring(128, L'F'),                 std::wstring(128, L'F')},
        {padding + kAbcMd5,                       kAbcMd5},  // as long as a digest's text may be
        {L"",                                     none},
        {kAbcMd5.substr(1),                       none},
        {kAbcMd5 + L"00",                         none},
        {std::wstring(130, L'F'),                 none},
        {L" " + padding + kAbcMd5,                none},
        {kAbcMd5.substr(0, 31) + L"G",            none},
        {L"0x" + kAbcMd5,                         none},
        {L"MD5: " + kAbcMd5,                      none},
        {kAbcMd5 + L"  abc.txt",                  none},
        {Grouped(kAbcMd5, 3, L":"),               none},
        {Grouped(kAbcMd5, 2, L"::"),              none},
        {Grouped(kAbcMd5, 2, L"\t"),              none},
        {Grouped(kAbcMd5, 2, L"."),               none},
        {L":" + kAbcMd5,                          none},
        {kAbcMd5 + L"-",                          none},
        {L"中文" + kAbcMd5,                       none},
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(row.digits, ParseExpectedDigest(row.text.c_str(), row.text.size())) << row.text;
}

TEST(ExpectedDigest, AnOutputMatchesInEitherCaseAndOnlyInFull)
{
    DigestTexts outputs;
    outputs.texts = {kAbcDigests[0], kAbcMd5, kAbcSha1};
    outputs.texts[4] = L"创建哈希对象失败";
    outputs.failed[4] = true;
    // clang-format off
    const struct { std::wstring expected; const char* rows; } rows[] = {
        {kAbcMd5,                             "0000010"},
        {kAbcMd5Lower,                           "0000010"},
        {L"a448017aaf21d8525fc10ae87aa6729d", "0000001"},
        {kAbcSha1,                            "0000100"},
        {kAbcMd5.substr(0, 30),               "0000000"},
        {L"",                                 "0000000"},
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(DigestSelection(row.rows), MatchingDigests(outputs, row.expected)) << row.expected;
}

}  // namespace
