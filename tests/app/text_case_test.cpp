#include "app/text_case.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct CaseCase {
    std::wstring text;
    std::wstring upper;
    std::wstring lower;
};

class TextCaseTest : public ::testing::TestWithParam<CaseCase> {};

TEST_P(TextCaseTest, MapsTheWholeTextAndNothingElse)
{
    std::wstring text = GetParam().text;

    MapToUpperCase(text);
    EXPECT_EQ(GetParam().upper, text);
    MapToLowerCase(text);
    EXPECT_EQ(GetParam().lower, text);
}

// Longer than the 131,071 units an edit box read with a fixed buffer would give.
const size_t kLongPairs = 100000;

std::wstring Repeated(const wchar_t* piece, size_t times)
{
    std::wstring text;
    for (size_t i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, TextCaseTest,
    ::testing::Values(CaseCase{L"abc", L"ABC", L"abc"},
                      CaseCase{L"Hello, 世界 123\r\n", L"HELLO, 世界 123\r\n", L"hello, 世界 123\r\n"},
                      CaseCase{L"中文0123456789", L"中文0123456789", L"中文0123456789"},
                      CaseCase{L"äÖé", L"ÄÖÉ", L"äöé"},
                      CaseCase{L"", L"", L""},
                      CaseCase{Repeated(L"aB", kLongPairs), Repeated(L"AB", kLongPairs),
                               Repeated(L"ab", kLongPairs)}));

}  // namespace
