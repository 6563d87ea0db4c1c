#include "digest/c_array_export.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/known_digests.h"

namespace {

// The seven digests of the input abc (ANSI, no terminator).
DigestTexts AbcDigests()
{
    DigestTexts digests;
    digests.texts = {
        L"A448017AAF21D8525FC10AE87AA6729D",
        L"900150983CD24FB0D6963F7D28E17F72",
        L"A9993E364706816ABA3E25717850C26C9CD0D89D",
        L"23097D223405D8228642A477BDA255B32AADBCE4BDA0B3F7E36C9DA7",
        L"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD",
        L"CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED8086072BA1E7CC2358BAECA134C825A7",
        L"DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A"
        L"2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F",
    };
    digests.hasDigests = true;
    return digests;
}

// The abc export with entry `index` (its line, without the line ending) replaced.
std::wstring AbcExportWithEntry(int index, const std::wstring& entry)
{
    const std::wstring entryEnd = L"\r\n\r\n";
    size_t start = 0;
    for (int i = 0; i < index; ++i)
        start = kAbcExport.find(entryEnd, start) + entryEnd.size();
    return kAbcExport.substr(0, start) + entry + kAbcExport.substr(kAbcExport.find(entryEnd, start));
}

TEST(BuildCArrayExport, AbcGivesSevenOneLineDeclarations)
{
    const std::wstring text = BuildCArrayExport(AbcDigests());
    EXPECT_EQ(kAbcExport, text);
    EXPECT_EQ(1385u, text.size());
}

// A failure text or anything else that is not a whole uppercase digest.
TEST(BuildCArrayExport, NonDigestOutputBecomesOneCommentLineAndLeavesTheOthersIntact)
{
    const struct {
        int index;
        std::wstring output, entry;
    } cases[] = {
        {1, L"HASH数据失败:参数错误。\r\n请重试 */ 结束", L"/* Md5: HASH数据失败:参数错误。 请重试 * / 结束 */"},
        {0, L"\r\n\r\n第一行\n第二行\r\n**/", L"/* Md4:  第一行 第二行 ** / */"},
        {6, L"", L"/* SHA512: 无摘要 */"},
        {2, L"A9993E364706816ABA3E25717850C26C9CD0D89D", L"/* SHA1: A9993E364706816ABA3E25717850C26C9CD0D89D */"},
    };
    for (const auto& c : cases) {
        DigestTexts digests = AbcDigests();
        digests.texts[c.index] = c.output;
        digests.failed[c.index] = !c.output.empty();
        EXPECT_EQ(AbcExportWithEntry(c.index, c.entry), BuildCArrayExport(digests));
    }
}

}  // namespace
