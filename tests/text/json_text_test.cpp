// JSON bodies written again as the senders' programs write them.
#include "text/json_text.h"

#include <gtest/gtest.h>

#include "support/last_error.h"

namespace {

// Each output is json.dumps(json.loads(input), ...) of Python 3 as the style says; where node's JSON.stringify has
// the style (compact and indented, keys as given, characters raw) it gave the same, except where a row says.
TEST(JsonWrittenAgain, WritesTheValueAgainAsPythonAndJavaScriptWriteIt)
{
    constexpr JsonLayout compact = JsonLayout::Compact, spaced = JsonLayout::Spaced, indent2 = JsonLayout::Indented2,
                         indent4 = JsonLayout::Indented4;
    constexpr bool sorted = true, given = false, ascii = true, raw = false;
    const std::wstring nested =
        L" {\"a\" : [1, {\"b\": {}, \"c\": []}, \"x\"],\r\n\t\"d\": {\"e\": null, \"f\": false}} ";
    const std::wstring shallower = LR"({"a":[1,{"b":{},"c":[]}],"d":{"e":null}})";
    const std::wstring chinese = LR"({"名字":"张三😀","表情😀":["中",""]})";
    const std::wstring escapes =
        LR"("\"\\\/\b\f\n\r\t\u0001\u001F\u007f)"
        L"\x7F"
        LR"(\u00e9é\u4E2D\ud83d\ude00")";
    const std::wstring pastFfff = LR"({"😀":1,"！":2,"é":3,"a":4})";  // U+1F600 sorts after U+FF01
    const std::wstring halves = LR"(["\ud800","\udc00x","\ud83d\ude00"])";
    // clang-format off
    const struct { std::wstring input; JsonStyle style; std::wstring output; } rows[] = {
        {nested,    {compact, given, raw},    LR"({"a":[1,{"b":{},"c":[]},"x"],"d":{"e":null,"f":false}})"},
        {nested,    {spaced, given, ascii},   LR"({"a": [1, {"b": {}, "c": []}, "x"], "d": {"e": null, "f": false}})"},
        {shallower, {indent2, given, raw},    L"{\n  \"a\": [\n    1,\n    {\n      \"b\": {},\n      \"c\": []\n    }\n  ],\n  \"d\": {\n    \"e\": null\n  }\n}"},
        {shallower, {indent4, given, raw},    L"{\n    \"a\": [\n        1,\n        {\n            \"b\": {},\n            \"c\": []\n        }\n    ],\n    \"d\": {\n        \"e\": null\n    }\n}"},
        {chinese,   {compact, given, raw},    LR"({"名字":"张三😀","表情😀":["中",""]})"},
        {chinese,   {spaced, given, ascii},   LR"({"\u540d\u5b57": "\u5f20\u4e09\ud83d\ude00", "\u8868\u60c5\ud83d\ude00": ["\u4e2d", ""]})"},
        {escapes,   {compact, given, raw},    LR"("\"\\/\b\f\n\r\t\u0001\u001f)" L"\x7F\x7F" LR"(éé中😀")"},
        {escapes,   {compact, given, ascii},  LR"("\"\\/\b\f\n\r\t\u0001\u001f\u007f\u007f\u00e9\u00e9\u4e2d\ud83d\ude00")"},
        {LR"({"a":1,"b":2,"a":{"c":3}})",                 {compact, given, raw},  LR"({"a":{"c":3},"b":2})"},
        {LR"({"b":1,"a":2,"b":3})",                       {spaced, sorted, raw},  LR"({"a": 2, "b": 3})"},
        {pastFfff,  {compact, sorted, raw},   LR"({"a":4,"é":3,"！":2,"😀":1})"},
        {pastFfff,  {spaced, sorted, ascii},  LR"({"a": 4, "\u00e9": 3, "\uff01": 2, "\ud83d\ude00": 1})"},
        {LR"({"b":{"d":[{"f":1,"e":2}],"c":2},"a":0})",   {indent2, sorted, raw}, L"{\n  \"a\": 0,\n  \"b\": {\n    \"c\": 2,\n    \"d\": [\n      {\n        \"e\": 2,\n        \"f\": 1\n      }\n    ]\n  }\n}"},
        {LR"([0,-12,3.25,-0.5,1e+300,1.5e-300])",         {compact, given, raw},  LR"([0,-12,3.25,-0.5,1e+300,1.5e-300])"},
        // node writes [1,0,1.2345678901234568e+22,0].
        {LR"([1.0, -0, 12345678901234567890123, -0.0])", {spaced, given, ascii}, LR"([1.0, 0, 12345678901234567890123, -0.0])"},
        {L"\t\"x\"\r\n",                                  {compact, given, raw},  LR"("x")"},
        {L" 42 ",                                         {compact, given, raw},  L"42"},
        {L"true",                                         {indent4, given, raw},  L"true"},
        {L"null",                                         {spaced, given, ascii}, L"null"},
        // node's output; Python writes the halves as they are, which no UTF-8 can carry.
        {halves,    {compact, given, raw},    LR"(["\ud800","\udc00x","😀"])"},
        {halves,    {compact, given, ascii},  LR"(["\ud800","\udc00x","\ud83d\ude00"])"},
    };
    // clang-format on
    for (const auto& row : rows) {
        std::wstring output;
        EXPECT_TRUE(JsonWrittenAgain(row.input, row.style, output)) << row.input << L" " << LastErrorString();
        EXPECT_EQ(row.output, output) << row.input;
    }
}

TEST(JsonWrittenAgain, RefusesWhatIsNotOneJsonValueAndSaysWhere)
{
    const std::wstring deepest = std::wstring(kJsonMaxDepth, L'[') + std::wstring(kJsonMaxDepth, L']');
    const std::wstring tooDeep = L"[" + deepest + L"]";
    const std::wstring bottomless(100000, L'[');
    // node's JSON.parse refuses each input, and so does Python's json.loads, but for NaN and -Infinity.
    // clang-format off
    const struct { std::wstring input; std::wstring failure; } rows[] = {
        {L"plain text",        L"第 1 个字符处应为 JSON 值"},
        {L"",                  L"第 1 个字符处应为 JSON 值"},
        {L" \u3000 1",         L"第 2 个字符处应为 JSON 值"},
        {L"\uFEFF{}",          L"第 1 个字符处应为 JSON 值"},
        {LR"({"a":1,})",       L"第 8 个字符处应为带双引号的键"},
        {L"[1,]",              L"第 4 个字符处应为 JSON 值"},
        {L"{'a':1}",           L"第 2 个字符处应为带双引号的键"},
        {LR"({"a" 1})",        L"第 6 个字符处应为冒号"},
        {LR"({"a":1)",         L"第 7 个字符处应为逗号或 }"},
        {L"[1 2]",             L"第 4 个字符处应为逗号或 ]"},
        {L"01",                L"第 2 个字符处有多余的内容"},
        {L"[-]",               L"第 3 个字符处数字写法不对"},
        {L"1.",                L"第 3 个字符处数字写法不对"},
        {L"1e+",               L"第 4 个字符处数字写法不对"},
        {L".5",                L"第 1 个字符处应为 JSON 值"},
        {L"+1",                L"第 1 个字符处应为 JSON 值"},
        {L"NaN",               L"第 1 个字符处应为 JSON 值"},
        {L"-Infinity",         L"第 2 个字符处数字写法不对"},
        {L"tru",               L"第 1 个字符处应为 JSON 值"},
        {L"{} // note",        L"第 4 个字符处有多余的内容"},
        {L"/* note */ {}",     L"第 1 个字符处应为 JSON 值"},
        {L"{} {}",             L"第 4 个字符处有多余的内容"},
        {L"\"abc",             L"第 5 个字符处字符串没有结束"},
        {L"\"a\tb\"",          L"第 3 个字符处字符串中有未转义的控制字符"},
        {LR"("\x41")",         L"第 2 个字符处不是 JSON 的转义"},
        {LR"("\u12G4")",       L"第 2 个字符处不是 JSON 的转义"},
        {LR"("\u12")",         L"第 2 个字符处不是 JSON 的转义"},
        {tooDeep,              L"第 513 个字符处嵌套层数超过上限"},
        {bottomless,           L"第 513 个字符处嵌套层数超过上限"},
    };
    // clang-format on
    std::wstring output;
    EXPECT_TRUE(JsonWrittenAgain(deepest, {}, output));
    EXPECT_EQ(deepest, output);
    for (const auto& row : rows) {
        output = L"untouched";
        EXPECT_FALSE(JsonWrittenAgain(row.input, {}, output)) << row.input;
        EXPECT_EQ(L"untouched", output) << row.input;
        EXPECT_EQ(L"读取 JSON 失败:" + row.failure, LastErrorString()) << row.input;
    }
}

// Several megabytes in one go: a body of this size read or written in time that grows faster than the text would not
// finish.
TEST(JsonWrittenAgain, WritesABodyOfMegabytes)
{
    std::wstring body = L"{";
    for (int i = 0; i < 100000; ++i)
        body +=
            L"\"k" + std::to_wstring(i) + L"\":[" + std::to_wstring(i) + L",\"" + std::wstring(20, L'\u4E2D') + L"\"],";
    body.back() = L'}';
    std::wstring output;
    ASSERT_TRUE(JsonWrittenAgain(body, {}, output)) << LastErrorString();
    EXPECT_TRUE(body == output);
}

}  // namespace
