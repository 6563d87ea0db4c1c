#include "text/encode_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/last_error.h"

namespace {

using Bytes = std::vector<BYTE>;

struct Encoded {
    BOOL ok;
    Bytes bytes;
};

Encoded Encode(const wchar_t* text, int length, bool withTerminator, TextEncoding encoding)
{
    BYTE* bytes = nullptr;
    DWORD count = 0;
    const BOOL ok = EncodeText(text, length, withTerminator, encoding, &bytes, &count);
    Encoded result{ok, ok ? Bytes(bytes, bytes + count) : Bytes()};
    FreeEncodedText(bytes);
    return result;
}

// The ANSI form of U+4E2D depends on the code page Wine started in.
Bytes AnsiFormOfZhong()
{
    return GetACP() == 936 ? Bytes{0xD6, 0xD0} : Bytes{'?'};
}

struct Case {
    const wchar_t* name;
    const wchar_t* text;
    int length;
    bool withTerminator;
    TextEncoding encoding;
    Bytes expected;
};

class EncodeTextBytes : public testing::TestWithParam<Case> {};

TEST_P(EncodeTextBytes, GivesTheEncodingsBytes)
{
    const Case& c = GetParam();
    const Encoded encoded = Encode(c.text, c.length, c.withTerminator, c.encoding);

    ASSERT_TRUE(encoded.ok);
    EXPECT_EQ(c.expected, encoded.bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, EncodeTextBytes,
    testing::Values(
        Case{L"EmptyAnsi", L"", 0, false, TextEncodingAnsi, {}},
        Case{L"EmptyUtf8", L"", -1, false, TextEncodingUtf8, {}},
        Case{L"EmptyUnicode", L"", 0, false, TextEncodingUnicode, {}},
        Case{L"EmptyAnsiTerminated", L"", 0, true, TextEncodingAnsi, {0}},
        Case{L"EmptyUtf8Terminated", L"", 0, true, TextEncodingUtf8, {0}},
        Case{L"EmptyUnicodeTerminated", L"", 0, true, TextEncodingUnicode, {0, 0}},
        Case{L"AbcAnsi", L"abc", 0, false, TextEncodingAnsi, {0x61, 0x62, 0x63}},
        Case{L"AbcUtf8", L"abc", -1, false, TextEncodingUtf8, {0x61, 0x62, 0x63}},
        Case{L"AbcUnicode", L"abc", 0, false, TextEncodingUnicode, {0x61, 0, 0x62, 0, 0x63, 0}},
        Case{L"AbcAnsiTerminated", L"abc", 0, true, TextEncodingAnsi, {0x61, 0x62, 0x63, 0}},
        Case{L"AbcUnicodeTerminated", L"abc", 0, true, TextEncodingUnicode, {0x61, 0, 0x62, 0, 0x63, 0, 0, 0}},
        Case{L"ZhongUtf8", L"\u4E2D", 0, false, TextEncodingUtf8, {0xE4, 0xB8, 0xAD}},
        Case{L"ZhongUnicode", L"\u4E2D", 0, false, TextEncodingUnicode, {0x2D, 0x4E}},
        Case{L"PrefixAnsi", L"abcdef", 2, false, TextEncodingAnsi, {0x61, 0x62}},
        Case{L"PrefixUtf8", L"\u4E2D\u6587", 1, true, TextEncodingUtf8, {0xE4, 0xB8, 0xAD, 0}},
        Case{L"PrefixUnicode", L"abcdef", 1, true, TextEncodingUnicode, {0x61, 0, 0, 0}},
        // A zero inside the range ends the ANSI form; the others carry it and what follows.
        Case{L"InnerZeroAnsi", L"ab\0cd", 5, false, TextEncodingAnsi, {0x61, 0x62}},
        Case{L"InnerZeroUtf8", L"ab\0cd", 5, false, TextEncodingUtf8, {0x61, 0x62, 0, 0x63, 0x64}},
        Case{L"InnerZeroUnicode", L"a\0b", 3, false, TextEncodingUnicode, {0x61, 0, 0, 0, 0x62, 0}}),
    [](const testing::TestParamInfo<Case>& info) {
        std::string name;
        for (const wchar_t* p = info.param.name; *p; ++p) name += static_cast<char>(*p);
        return name;
    });

TEST(EncodeText, AnsiUsesTheThreadsCodePage)
{
    Bytes expected = AnsiFormOfZhong();
    expected.push_back(0);

    EXPECT_EQ(expected, Encode(L"\u4E2D", 0, true, TextEncodingAnsi).bytes);
}

TEST(EncodeText, Utf8IsWholeOnBothSidesOfTheStackBufferLimit)
{
    for (int length : {1999, 2000, 2001, 2731, 5000}) {
        const std::wstring text(static_cast<size_t>(length), L'\u4E2D');
        Bytes expected;
        for (int i = 0; i < length; ++i) {
            expected.insert(expected.end(), {0xE4, 0xB8, 0xAD});
        }

        EXPECT_EQ(expected, Encode(text.c_str(), 0, false, TextEncodingUtf8).bytes) << length;
        EXPECT_EQ(std::string(expected.begin(), expected.end()), WideToUtf8(text.c_str(), -1)) << length;
    }
}

TEST(EncodeText, RefusesUnsupportedEncodingsWithoutTouchingTheOutputs)
{
    for (int encoding : {0, 4}) {
        BYTE marker = 0;
        BYTE* bytes = &marker;
        DWORD count = 12345;

        EXPECT_FALSE(EncodeText(L"abc", 0, FALSE, static_cast<TextEncoding>(encoding), &bytes, &count));
        EXPECT_EQ(&marker, bytes);
        EXPECT_EQ(12345u, count);
        EXPECT_EQ(std::wstring(L"转换字符串编码方式失败:不支持的编码方式."), LastErrorText());
        EXPECT_EQ(0u, LastErrorCode());
    }
}

TEST(EncodeText, RefusesANegativeLengthOtherThanMinusOne)
{
    BYTE* bytes = nullptr;
    DWORD count = 0;

    EXPECT_FALSE(EncodeText(L"abc", -2, FALSE, TextEncodingUtf8, &bytes, &count));
    EXPECT_EQ(nullptr, bytes);
    EXPECT_NE(std::wstring::npos, std::wstring(LastErrorText()).find(L"转换字符串编码方式失败:"));
}

TEST(WideToUtf8, ConvertsExactlyTheGivenCount)
{
    EXPECT_EQ(std::string("\xE4\xB8\xAD"), WideToUtf8(L"\u4E2D\u6587", 1));
    EXPECT_EQ(std::string("a\0b", 3), WideToUtf8(L"a\0b", 3));
    EXPECT_EQ(std::string(), WideToUtf8(L"", -1));
}

}  // namespace
