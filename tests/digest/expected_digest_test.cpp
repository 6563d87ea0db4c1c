// Digests as users paste them: which texts count as a digest, of which
// digests, and which outputs they equal.
#include <gtest/gtest.h>

#include "digest/expected_digest.h"

namespace {

const std::wstring kAbcMd5 = L"900150983CD24FB0D6963F7D28E17F72";
const std::wstring kAbcSha1 = L"A9993E364706816ABA3E25717850C26C9CD0D89D";
const std::wstring kAbcSha384 =
    L"CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED8086072BA1E7CC2358BAECA134C825A7";

// `hex` with `separator` after every `group` digits.
std::wstring Grouped(const std::wstring& hex, size_t group, const wchar_t* separator)
{
    std::wstring text;
    for (size_t i = 0; i < hex.size(); i += group)
        text += (i == 0 ? L"" : separator) + hex.substr(i, group);
    return text;
}

struct ParseRow {
    std::wstring text;
    std::wstring digits;  // empty: no digest
};

TEST(ExpectedDigest, TakesDigestsAsPeopleWriteThemAndNothingElse)
{
    const std::wstring lowerMd5 = L"900150983cd24fb0d6963f7d28e17f72";
    const std::wstring padding(kMaxExpectedDigestUnits - kAbcMd5.size(), L' ');
    const ParseRow rows[] = {
        {kAbcMd5, kAbcMd5},
        {lowerMd5, lowerMd5},
        {L"900150983cd24fb0D6963F7D28E17F72", L"900150983cd24fb0D6963F7D28E17F72"},
        {L" \t\r\n" + kAbcMd5 + L"\r\n", kAbcMd5},
        {L"\u3000" + kAbcMd5 + L"\u00A0", kAbcMd5},
        {Grouped(kAbcMd5, 2, L":"), kAbcMd5},
        {Grouped(kAbcMd5, 2, L" "), kAbcMd5},
        {Grouped(kAbcMd5, 4, L"-"), kAbcMd5},
        {Grouped(kAbcSha1, 8, L" "), kAbcSha1},
        {kAbcSha384, kAbcSha384},
        {std::wstring(56, L'a'), std::wstring(56, L'a')},
        {std::wstring(64, L'0'), std::wstring(64, L'0')},
        {std::wstring(128, L'F'), std::wstring(128, L'F')},
        {padding + kAbcMd5, kAbcMd5},
        // Not a digest.
        {L"", L""},
        {L"   ", L""},
        {kAbcMd5.substr(1), L""},
        {kAbcMd5 + L"0", L""},
        {kAbcMd5 + L"00", L""},
        {std::wstring(130, L'F'), L""},
        {std::wstring(1000, L'F'), L""},
        {L" " + padding + kAbcMd5, L""},
        {kAbcMd5.substr(0, 31) + L"G", L""},
        {L"0x" + kAbcMd5, L""},
        {L"MD5: " + kAbcMd5, L""},
        {kAbcMd5 + L"  abc.txt", L""},
        {Grouped(kAbcMd5, 3, L":"), L""},
        {Grouped(kAbcMd5, 2, L"::"), L""},
        {Grouped(kAbcMd5, 2, L"\t"), L""},
        {Grouped(kAbcMd5, 2, L"\r\n"), L""},
        {Grouped(kAbcMd5, 2, L"."), L""},
        {L":" + kAbcMd5, L""},
        {kAbcMd5 + L"-", L""},
        {L"中文" + kAbcMd5, L""},
    };
    for (const ParseRow& row : rows) {
        EXPECT_EQ(ParseExpectedDigest(row.text.c_str(), row.text.size()), row.digits) << row.text;
    }
}

TEST(ExpectedDigest, EachHexLengthNamesTheDigestsOfThatLength)
{
    const struct {
        size_t digits;
        const char* rows;  // bit i: row i of the table
    } rows[] = {
        {32, "0000011"},  {40, "0000100"}, {56, "0001000"}, {64, "0010000"}, {96, "0100000"},
        {128, "1000000"}, {0, "0000000"},  {16, "0000000"}, {33, "0000000"}, {256, "0000000"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DigestsOfHexLength(row.digits), DigestSelection(row.rows)) << row.digits;
    }
}

TEST(ExpectedDigest, AnOutputMatchesInEitherCaseAndOnlyInFull)
{
    DigestTexts outputs;
    outputs.texts = {L"A448017AAF21D8525FC10AE87AA6729D", kAbcMd5, kAbcSha1};
    outputs.texts[4] = L"创建哈希对象失败";
    outputs.failed[4] = true;
    const struct {
        std::wstring expected;
        const char* rows;
    } rows[] = {
        {kAbcMd5, "0000010"},
        {L"900150983cd24fb0d6963f7d28e17f72", "0000010"},
        {L"a448017aaf21d8525fc10ae87aa6729d", "0000001"},
        {kAbcSha1, "0000100"},
        {kAbcMd5.substr(0, 30), "0000000"},
        {L"", "0000000"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(MatchingDigests(outputs, row.expected), DigestSelection(row.rows)) << row.expected;
    }
}

}  // namespace
