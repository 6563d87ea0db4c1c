// The forms of a text that are not Unicode's own: what they give, and where
// a text cannot take one.
#include "text/text_forms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "support/last_error.h"
#include "tests/support/platform_watch.h"

TEST(TextInForm, GivesTheFormOrRefusesATextThatCannotTakeIt)
{
    constexpr TextForm invisibles = TextForm::InvisiblesDropped, plain = TextForm::PlainPunctuation,
                       escapes = TextForm::EscapesRead, json = TextForm::JsonEscaped;
    const std::nullopt_t refused = std::nullopt;
    // Escapes read as Python's json.loads reads them (\x, \0 and \' as codecs' unicode_escape does); JSON as
    // json.dumps(text, ensure_ascii=False) writes it, half a pair as node's JSON.stringify writes it.
    // clang-format off
    const struct { std::wstring text; TextForm form; std::optional<std::wstring> result; } rows[] = {
        {L"a\uFEFFb",                              invisibles, L"ab"},
        {L"soft\u00ADhyphen",                      invisibles, L"softhyphen"},
        {L"\u200Ba\u200C\u200Db\u2060",            invisibles, L"ab"},
        {L"\u201CIt\u2019s\u201D \u2013 5\u22123", plain,      L"\"It's\" - 5-3"},
        {L"\u2018x\u00AD\u2014\u2010\u2011",       plain,      L"'x---"},
        {L"\u201Ehi\u201C\u2026 \u201Ait\u2019s",  plain,      L"\"hi\"... 'it's"},
        {L"\u2012\u2015\u201B\u201F\u200B",         plain,      L"--\u201B\u201F"},
        // Every space separator (Unicode's Zs) as a space.
        {L"a\u00A0b\u1680c\u2000d\u200Ae\u202Ff\u205Fg\u3000h", plain, L"a b c d e f g h"},
        {LR"(a\\nb)",                              escapes,    LR"(a\nb)"},
        {LR"(\n\r\t\b\f\"\/\\)",                   escapes,    L"\n\r\t\b\f\"/\\"},
        {LR"(\uD83D\uDE00 \u00e9\u00C9)",          escapes,    L"\U0001F600 \u00E9\u00C9"},
        {LR"(\x41\x6a\0\')",                       escapes,    std::wstring(L"Aj\0'", 4)},
        {LR"(C:\q)",                               escapes,    refused},
        {LR"(\x4g)",                               escapes,    refused},
        {LR"(\uD83D\u0041)",                       escapes,    refused},
        {LR"(\uDE00)",                             escapes,    refused},
        {LR"(a\)",                                 escapes,    refused},
        {L"a\r\nb",                                json,       LR"(a\r\nb)"},
        {L"\"\\/",                                 json,       LR"(\"\\/)"},
        {L"\x01\x1F\b\f\t\x7F",                    json,       LR"(\u0001\u001f\b\f\t)" L"\x7F"},
        {L"\u00E9\u4E2D\U0001F600\u2028",          json,       L"\u00E9\u4E2D\U0001F600\u2028"},
        {L"a\xD800" L"b\xDC00",                   json,       LR"(a\ud800b\udc00)"},
    };
    // clang-format on
    for (const auto& row : rows) {
        std::wstring result;
        EXPECT_EQ(row.result.has_value(), TextInForm(row.text, row.form, result)) << row.text;
        if (row.result)
            EXPECT_EQ(*row.result, result) << row.text;
        else
            EXPECT_EQ(0u, LastErrorString().find(L"读取转义失败:\"\\")) << row.text << L" " << LastErrorString();
    }
}

// Parameters as the checkers of payment interfaces sort them (their stringA); JSON bodies written again as a sender
// writes them (one style here: the styles themselves are JsonWrittenAgain's).
TEST(TextInForm, SortsParametersAndWritesJsonAgainOnlyWhereTheTextIsThat)
{
    constexpr TextForm sorted = TextForm::ParametersSorted, json = TextForm::JsonSpacedAscii;
    const std::nullopt_t refused = std::nullopt;
    // clang-format off
    const struct { std::wstring text; TextForm form; std::optional<std::wstring> result; } rows[] = {
        {L"mch_id=10000100&body=test&appid=wxd930ea5d5a258f4f&nonce_str=ibuaiVcKdpRxkhJA&device_info=1000", sorted, L"appid=wxd930ea5d5a258f4f&body=test&device_info=1000&mch_id=10000100&nonce_str=ibuaiVcKdpRxkhJA"},
        {L"?b=2&sign=ABC&a=1&c=&Signature=x\r\n",   sorted, L"a=1&b=2"},
        {L"b=%E4%B8%AD\na=1\nb=0",                  sorted, L"a=1&b=%E4%B8%AD&b=0"},
        {L"{\"b\": \"\u4e2d\", \"a\": 1, \"n\": null, \"t\": true}", sorted, L"a=1&b=\u4E2D&t=true"},
        {L"a=1&b",                                    sorted, refused},
        {L"sign=x&c=",                                sorted, refused},
        {L"{\"a\": {\"b\": 1}, \"c\": 2}",      sorted, refused},
        {L"just words",                               sorted, refused},
        {L"{\"b\":\"\u4e2d\",\"a\":[1,2]}",    json,   L"{\"b\": \"\\u4e2d\", \"a\": [1, 2]}"},
        {L"{\"a\":1,}",                             json,   refused},
    };
    // clang-format on
    for (const auto& row : rows) {
        std::wstring result = L"kept";
        EXPECT_EQ(row.result.has_value(), TextInForm(row.text, row.form, result)) << row.text;
        EXPECT_EQ(row.result.value_or(L"kept"), result) << row.text;
    }
}

namespace {

decltype(&::NormalizeString) g_realNormalizeString = nullptr;
int g_longestNormalized = 0;
int WINAPI MeasuredNormalizeString(NORM_FORM form, LPCWSTR source, int length, LPWSTR destination, int capacity)
{
    g_longestNormalized = std::max(g_longestNormalized, length);
    return g_realNormalizeString(form, source, length, destination, capacity);
}

}  // namespace

// A long text goes to the platform's normalization in pieces of bounded size: Wine's takes time that grows with the
// square of what it is given, and a megabyte would take minutes.
TEST(TextInForm, NormalizesALongTextInPiecesOfBoundedSize)
{
    g_realNormalizeString = RealFunction(&::NormalizeString);
    const ImportHook measured(Address(&::NormalizeString), Address(&MeasuredNormalizeString));
    ASSERT_TRUE(measured.Installed());
    std::wstring text, formed;
    while (text.size() < 100000)
        text += L"caf\u00E9 cre\u0300me br\u00FBl\u00E9e, ";
    ASSERT_TRUE(TextInForm(text, TextForm::Nfc, formed));
    EXPECT_LE(g_longestNormalized, 4096);
}
