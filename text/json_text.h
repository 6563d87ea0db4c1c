// A JSON body as a sender's program writes it again after parsing it: webhook
// and API signatures are often made over that text instead of the one sent.
// The styles are those of JavaScript's JSON.stringify and Python's json.dumps.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class JsonLayout {
    Compact,    // JSON.stringify(v), json.dumps(v, separators=(",", ":")): no spaces
    Spaced,     // json.dumps(v): ", " between members, ": " after keys
    Indented2,  // JSON.stringify(v, null, 2), json.dumps(v, indent=2): a member a line
    Indented4,  // JSON.stringify(v, null, 4), json.dumps(v, indent=4)
};

struct JsonStyle {
    JsonLayout layout = JsonLayout::Compact;
    // sort_keys=True: keys in the order of their code points, as Python
    // compares strings, which is not the order of their UTF-16 units.
    bool keysSorted = false;
    // ensure_ascii=True, json.dumps's default: every character outside
    // U+0020..U+007E as \u escapes (lowercase hex, a character beyond U+FFFF
    // as the escapes of its pair); false leaves them as they are.
    bool asciiOnly = false;
};

// Nesting deeper than this many arrays and objects is refused.
constexpr int kJsonMaxDepth = 512;

// Reads `text` as exactly one JSON value (RFC 8259, with white space around it
// allowed) and writes it again in `style` into `result`. Strings are written
// as both programs write them: \" \\ \b \f \n \r \t, other control
// characters as \u00xx, "/" as it is; half of a surrogate pair standing alone,
// escaped or not, as its \u escape, as both write it in ASCII and JavaScript
// writes it always. Keys keep their order, as Python keeps it (JavaScript puts
// keys that are array indices, "0", "1", ..., first); a key given twice keeps
// its first place and its last value.
// Numbers are kept as written, as both programs keep integers (beyond 2^53
// JavaScript would round them): 1.0 stays 1.0, as Python writes it, where
// JavaScript writes 1; -0 becomes 0, as both write it.
// False, with the failure recorded and `result` untouched, when the text is not
// one JSON value: comments, trailing commas, single quotes, leading zeros,
// NaN, Infinity, control characters unescaped in strings, unknown escapes, a
// byte-order mark, or nesting deeper than kJsonMaxDepth.
bool JsonWrittenAgain(std::wstring_view text, const JsonStyle& style, std::wstring& result);

// The members of a JSON object whose values are all strings, numbers, true,
// false or null, in their order: each key once, strings as read, numbers and
// literals as written, null as empty. False (the failure recorded where the
// text is no JSON) for anything else.
bool JsonObjectMembers(std::wstring_view text, std::vector<std::pair<std::wstring, std::wstring>>& members);

// Appends `text` as the contents of a JSON string, without the quotes, as
// JsonWrittenAgain writes strings.
void AppendJsonEscaped(std::wstring_view text, bool asciiOnly, std::wstring& result);
