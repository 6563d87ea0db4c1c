#include "digest/c_array_export.h"

#include <gtest/gtest.h>

#include "tests/support/known_digests.h"

namespace {

DigestTexts AbcDigests()
{
    DigestTexts digests;
    digests.texts = kAbcDigests;
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

// A failure text, or no text at all, becomes one comment line and leaves the others intact; a digest's text
// marked failed is no digest either.
TEST(BuildCArrayExport, DeclaresEachDigestAndCommentsEachFailureOnOneLine)
{
    EXPECT_EQ(kAbcExport, BuildCArrayExport(AbcDigests()));
    // clang-format off
    const struct { int index; std::wstring output, entry; } cases[] = {
        {1, L"HASH数据失败:参数错误。\r\n请重试 */ 结束", L"/* Md5: HASH数据失败:参数错误。 请重试 * / 结束 */"},
        {0, L"\r\n\r\n第一行\n第二行\r\n**/",         L"/* Md4:  第一行 第二行 ** / */"},
        {6, L"",                                      L"/* SHA512: 无摘要 */"},
        {2, kAbcDigests[2],                           L"/* SHA1: " + kAbcDigests[2] + L" */"},
    };
    // clang-format on
    for (const auto& c : cases) {
        DigestTexts digests = AbcDigests();
        digests.texts[c.index] = c.output;
        digests.failed[c.index] = !c.output.empty();
        EXPECT_EQ(AbcExportWithEntry(c.index, c.entry), BuildCArrayExport(digests));
    }
}

}  // namespace
