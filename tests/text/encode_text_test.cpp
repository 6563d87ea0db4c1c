#include "text/encode_text.h"

#include <gtest/gtest.h>

#include "support/last_error.h"
#include "tests/support/nist_vectors.h"

namespace {

Bytes Encode(const wchar_t* text, int length, BOOL withTerminator, TextEncoding encoding)
{
    BYTE* bytes = nullptr;
    DWORD count = 0;
    EXPECT_TRUE(EncodeText(text, length, withTerminator, encoding, &bytes, &count)) << LastErrorText();
    const Bytes result(bytes, bytes + (bytes ? count : 0));
    FreeEncodedText(bytes);
    return result;
}

TEST(EncodeText, GivesTheEncodingsBytes)
{
    const TextEncoding ansi = TextEncodingAnsi, utf8 = TextEncodingUtf8, unicode = TextEncodingUnicode;
    const Bytes zhongAnsi = GetACP() == 936 ? Bytes {0xD6, 0xD0} : Bytes {'?'};
    const std::wstring zhongs(2001, L'\u4E2D');  // one past the UTF-8 stack buffer's 2000 characters
    const std::string utf8Zhongs = Repeat("\xE4\xB8\xAD", 2001);
    // clang-format off
    const struct { const wchar_t* text; int length; BOOL terminator; TextEncoding encoding; Bytes bytes; } cases[] = {
        {L"",             0,    TRUE,  unicode, {0, 0}},
        {L"abc",          0,    TRUE,  ansi,    {'a', 'b', 'c', 0}},
        {L"abc",          0,    TRUE,  unicode, {'a', 0, 'b', 0, 'c', 0, 0, 0}},
        {L"\u4E2D",       0,    FALSE, ansi,    zhongAnsi},
        {L"\u4E2D",       0,    FALSE, utf8,    {0xE4, 0xB8, 0xAD}},
        {zhongs.c_str(),  2000, FALSE, utf8,    Bytes(utf8Zhongs.begin(), utf8Zhongs.end() - 3)},
        {zhongs.c_str(),  -1,   FALSE, utf8,    Bytes(utf8Zhongs.begin(), utf8Zhongs.end())},
        {L"\u4E2D\u6587", 1,    TRUE,  utf8,    {0xE4, 0xB8, 0xAD, 0}},
        // A zero inside the range ends the ANSI form; the others carry it and what follows.
        {L"ab\0cd",       5,    FALSE, ansi,    {'a', 'b'}},
        {L"ab\0cd",       5,    FALSE, utf8,    {'a', 'b', 0, 'c', 'd'}},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(c.bytes, Encode(c.text, c.length, c.terminator, c.encoding))
            << std::wstring(c.text).substr(0, 6) << ", length " << c.length << ", encoding " << c.encoding;
    }
    // The ANSI form is the calling thread's code page, which may differ from the system's.
    const LCID systemLocale = GetThreadLocale();
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), SORT_DEFAULT)));
    EXPECT_EQ((Bytes {0xD6, 0xD0}), Encode(L"\u4E2D", 0, FALSE, ansi));
    SetThreadLocale(systemLocale);
}

TEST(EncodeText, RefusesBadInputWithoutTouchingTheOutputs)
{
    const std::wstring badEncoding = L"转换字符串编码方式失败:不支持的编码方式.";
    const std::wstring badText = L"转换字符串编码方式失败:无效的文本或长度.";
    // clang-format off
    const struct { const wchar_t* text; int encoding; int length; std::wstring failure; } cases[] = {
        {L"abc",   4,                0,  badEncoding},
        {L"abc",   TextEncodingUtf8, -2, badText},
        {nullptr,  TextEncodingUtf8, 0,  badText},
    };
    // clang-format on
    for (const auto& c : cases) {
        BYTE marker = 0, *bytes = &marker;
        DWORD count = 12345;
        EXPECT_FALSE(EncodeText(c.text, c.length, FALSE, static_cast<TextEncoding>(c.encoding), &bytes, &count));
        EXPECT_TRUE(bytes == &marker && count == 12345);
        EXPECT_EQ(c.failure, LastErrorText());
    }
}

}  // namespace
