#include "text/text_forms.h"

#include <gtest/gtest.h>

TEST(TextCase, MapsTheWholeTextAndLeavesNonLettersAlone)
{
    const size_t longer = 140000;  // past the 131,071 units of a fixed edit-box buffer
    const struct {
        std::wstring text, upper, lower;
    } cases[] = {
        {L"Hello, 世界 123\r\näÖé", L"HELLO, 世界 123\r\nÄÖÉ", L"hello, 世界 123\r\näöé"},
        {L"", L"", L""},
        {std::wstring(longer, L'a') + L'B', std::wstring(longer, L'A') + L'B', std::wstring(longer, L'a') + L'b'},
    };
    for (const auto& c : cases) {
        std::wstring text = c.text;
        MapToUpperCase(text);
        EXPECT_EQ(c.upper, text);
        MapToLowerCase(text);
        EXPECT_EQ(c.lower, text);
    }
}
