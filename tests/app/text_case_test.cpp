#include "app/text_case.h"

#include <gtest/gtest.h>

// The case links map the whole text, past the 131,071 units of a fixed edit-box buffer too.
TEST(TextCase, MapsTheWholeText)
{
    const size_t longer = 140000;
    std::wstring text = std::wstring(longer, L'a') + L"ä";
    MapToUpperCase(text);
    EXPECT_EQ(std::wstring(longer, L'A') + L"Ä", text);
    MapToLowerCase(text);
    EXPECT_EQ(std::wstring(longer, L'a') + L"ä", text);
}
