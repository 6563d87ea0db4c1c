#include "text/json_text.h"

#include <windows.h>

#include <algorithm>
#include <iterator>
#include <numeric>
#include <unordered_map>
#include <vector>

#include "support/last_error.h"
#include "text/base64.h"

namespace {

struct JsonValue {
    enum class Kind { Literal, String, Array, Object } kind = Kind::Literal;
    std::wstring text;               // a literal or number as written, a string as read
    std::vector<std::wstring> keys;  // an object's, each once, in the place where it came first
    std::vector<JsonValue> items;    // an array's elements, an object's values beside their keys
};

class JsonReader {
public:
    explicit JsonReader(std::wstring_view text) : m_text(text) { }

    bool ReadWhole(JsonValue& value)
    {
        SkipSpace();
        if (!ReadValue(value, 0))
            return false;
        SkipSpace();
        return m_at == m_text.size() || Fail(L"有多余的内容");
    }

private:
    // `enclosing`: how many arrays and objects the value stands in.
    bool ReadValue(JsonValue& value, int enclosing)
    {
        if ((At(L'[') || At(L'{')) && enclosing == kJsonMaxDepth)
            return Fail(L"嵌套层数超过上限");
        if (At(L'['))
            return ReadArray(value, enclosing + 1);
        if (At(L'{'))
            return ReadObject(value, enclosing + 1);
        if (At(L'"')) {
            value.kind = JsonValue::Kind::String;
            return ReadString(value.text);
        }
        if (At(L'-') || (m_at < m_text.size() && IsDigit(m_text[m_at])))
            return ReadNumber(value.text);
        return ReadLiteral(value.text) || Fail(L"应为 JSON 值");
    }

    bool ReadArray(JsonValue& array, int depth)
    {
        array.kind = JsonValue::Kind::Array;
        return ReadMembers(L']', [&] {
            array.items.emplace_back();
            return ReadValue(array.items.back(), depth);
        });
    }

    bool ReadObject(JsonValue& object, int depth)
    {
        object.kind = JsonValue::Kind::Object;
        std::unordered_map<std::wstring, size_t> places;
        return ReadMembers(L'}', [&] {
            std::wstring key;
            JsonValue value;
            if (!ReadKey(key) || !ReadValue(value, depth))
                return false;
            const auto [place, isNew] = places.try_emplace(key, object.items.size());
            if (isNew) {
                object.keys.push_back(std::move(key));
                object.items.push_back(std::move(value));
            } else {
                object.items[place->second] = std::move(value);
            }
            return true;
        });
    }

    // The members from the opening bracket on, each read with the white space
    // around it taken away, through the closing one.
    template <typename ReadMember> bool ReadMembers(wchar_t close, const ReadMember& readMember)
    {
        ++m_at;
        SkipSpace();
        if (Accept(close))
            return true;
        do {
            SkipSpace();
            if (!readMember())
                return false;
            SkipSpace();
        } while (Accept(L','));
        return Accept(close) || Fail(close == L']' ? L"应为逗号或 ]" : L"应为逗号或 }");
    }

    // The key and the colon after it, with the white space that follows.
    bool ReadKey(std::wstring& key)
    {
        if (!At(L'"'))
            return Fail(L"应为带双引号的键");
        if (!ReadString(key))
            return false;
        SkipSpace();
        if (!Accept(L':'))
            return Fail(L"应为冒号");
        SkipSpace();
        return true;
    }

    bool ReadString(std::wstring& read)
    {
        ++m_at;
        while (m_at < m_text.size()) {
            const wchar_t unit = m_text[m_at];
            if (unit < 0x20)
                return Fail(L"字符串中有未转义的控制字符");
            if (unit == L'\\') {
                if (!ReadEscape(read))
                    return false;
                continue;
            }
            ++m_at;
            if (unit == L'"')
                return true;
            read += unit;
        }
        return Fail(L"字符串没有结束");
    }

    // Half of a pair is read as it stands: the writer escapes it again when
    // its other half does not follow.
    bool ReadEscape(std::wstring& read)
    {
        constexpr struct {
            wchar_t letter, character;
        } kEscapes[] = {
            {L'"', L'"'},  {L'\\', L'\\'}, {L'/', L'/'},  {L'b', L'\b'},
            {L'f', L'\f'}, {L'n', L'\n'},  {L'r', L'\r'}, {L't', L'\t'},
        };
        const wchar_t letter = m_at + 1 < m_text.size() ? m_text[m_at + 1] : L'\0';
        for (const auto& escape : kEscapes) {
            if (escape.letter == letter) {
                read += escape.character;
                m_at += 2;
                return true;
            }
        }
        const long unit = letter == L'u' ? HexValue(m_text, m_at + 2, 4) : -1;
        if (unit < 0)
            return Fail(L"不是 JSON 的转义");
        read += static_cast<wchar_t>(unit);
        m_at += 6;
        return true;
    }

    bool ReadLiteral(std::wstring& written)
    {
        constexpr std::wstring_view kLiterals[] = {L"true", L"false", L"null"};
        for (const std::wstring_view literal : kLiterals) {
            if (m_text.substr(m_at, literal.size()) == literal) {
                written = literal;
                m_at += literal.size();
                return true;
            }
        }
        return false;
    }

    // -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
    bool ReadNumber(std::wstring& written)
    {
        const size_t start = m_at;
        Accept(L'-');
        if (!Accept(L'0') && !ReadDigits())
            return Fail(L"数字写法不对");
        if (Accept(L'.') && !ReadDigits())
            return Fail(L"数字写法不对");
        if (Accept(L'e') || Accept(L'E')) {
            if (!Accept(L'+'))
                Accept(L'-');
            if (!ReadDigits())
                return Fail(L"数字写法不对");
        }
        written = m_text.substr(start, m_at - start);
        // Both programs read it as the integer 0.
        if (written == L"-0")
            written = L"0";
        return true;
    }

    static bool IsDigit(wchar_t unit) { return L'0' <= unit && unit <= L'9'; }

    bool ReadDigits()
    {
        const size_t start = m_at;
        while (m_at < m_text.size() && IsDigit(m_text[m_at]))
            ++m_at;
        return m_at > start;
    }

    void SkipSpace()
    {
        while (At(L' ') || At(L'\t') || At(L'\n') || At(L'\r'))
            ++m_at;
    }

    bool At(wchar_t unit) const { return m_at < m_text.size() && m_text[m_at] == unit; }

    bool Accept(wchar_t unit)
    {
        if (!At(unit))
            return false;
        ++m_at;
        return true;
    }

    // Records where the text stops being JSON; the callers only pass the false
    // on, so the reason found first is the one kept.
    bool Fail(const wchar_t* reason)
    {
        LastErrorSetText(0, L"读取 JSON 失败:第 %u 个字符处%ls", static_cast<unsigned>(m_at + 1), reason);
        return false;
    }

    std::wstring_view m_text;
    size_t m_at = 0;
};

// UTF-16 units in the order of the code points they belong to: the halves of
// pairs, which stand for characters beyond U+FFFF, after U+E000..U+FFFF.
unsigned CodePointOrder(wchar_t unit)
{
    return IS_HIGH_SURROGATE(unit) || IS_LOW_SURROGATE(unit) ? unit + 0x10000u : unit;
}

bool ComesBefore(const std::wstring& key, const std::wstring& other)
{
    return std::lexicographical_compare(key.begin(), key.end(), other.begin(), other.end(),
                                        [](wchar_t a, wchar_t b) { return CodePointOrder(a) < CodePointOrder(b); });
}

struct LayoutWriting {
    JsonLayout layout;
    const wchar_t* itemSeparator;
    const wchar_t* keySeparator;
    size_t indent;  // 0: all on one line
};

constexpr LayoutWriting kLayouts[] = {
    {JsonLayout::Compact, L",", L":", 0},
    {JsonLayout::Spaced, L", ", L": ", 0},
    {JsonLayout::Indented2, L",", L": ", 2},
    {JsonLayout::Indented4, L",", L": ", 4},
};

const LayoutWriting& WritingOf(JsonLayout layout)
{
    return *std::find_if(std::begin(kLayouts), std::end(kLayouts),
                         [layout](const LayoutWriting& row) { return row.layout == layout; });
}

class JsonWriter {
public:
    JsonWriter(const JsonStyle& style, std::wstring& written)
        : m_layout(WritingOf(style.layout)), m_style(style), m_written(written)
    {
    }

    void Write(const JsonValue& value, size_t depth)
    {
        switch (value.kind) {
        case JsonValue::Kind::Literal:
            m_written += value.text;
            break;
        case JsonValue::Kind::String:
            WriteString(value.text);
            break;
        case JsonValue::Kind::Array:
            WriteMembers(L'[', L']', value.items.size(), depth, [&](size_t i) { Write(value.items[i], depth + 1); });
            break;
        case JsonValue::Kind::Object: {
            std::vector<size_t> order(value.keys.size());
            std::iota(order.begin(), order.end(), 0);
            if (m_style.keysSorted) {
                std::sort(order.begin(), order.end(),
                          [&](size_t a, size_t b) { return ComesBefore(value.keys[a], value.keys[b]); });
            }
            WriteMembers(L'{', L'}', order.size(), depth, [&](size_t i) {
                WriteString(value.keys[order[i]]);
                m_written += m_layout.keySeparator;
                Write(value.items[order[i]], depth + 1);
            });
            break;
        }
        }
    }

private:
    // Empty containers stay "[]" and "{}" in every layout.
    template <typename WriteMember>
    void WriteMembers(wchar_t open, wchar_t close, size_t count, size_t depth, const WriteMember& writeMember)
    {
        m_written += open;
        for (size_t i = 0; i < count; ++i) {
            if (i > 0)
                m_written += m_layout.itemSeparator;
            BreakLine(depth + 1);
            writeMember(i);
        }
        if (count > 0)
            BreakLine(depth);
        m_written += close;
    }

    void BreakLine(size_t depth)
    {
        if (m_layout.indent > 0) {
            m_written += L'\n';
            m_written.append(depth * m_layout.indent, L' ');
        }
    }

    void WriteString(const std::wstring& text)
    {
        m_written += L'"';
        AppendJsonEscaped(text, m_style.asciiOnly, m_written);
        m_written += L'"';
    }

    const LayoutWriting& m_layout;
    const JsonStyle& m_style;
    std::wstring& m_written;
};

bool IsPairAt(std::wstring_view text, size_t at)
{
    return IS_HIGH_SURROGATE(text[at]) && at + 1 < text.size() && IS_LOW_SURROGATE(text[at + 1]);
}

bool WrittenAsItIs(wchar_t unit, bool asciiOnly)
{
    if (asciiOnly)
        return unit >= 0x20 && unit < 0x7F;
    return unit >= 0x20 && !IS_HIGH_SURROGATE(unit) && !IS_LOW_SURROGATE(unit);
}

void AppendEscapeOf(wchar_t unit, bool asciiOnly, std::wstring& result)
{
    constexpr struct {
        wchar_t unit;
        const wchar_t* escape;
    } kNamed[] = {
        {L'"', L"\\\""}, {L'\\', L"\\\\"}, {L'\b', L"\\b"}, {L'\f', L"\\f"},
        {L'\n', L"\\n"}, {L'\r', L"\\r"},  {L'\t', L"\\t"},
    };
    for (const auto& named : kNamed) {
        if (named.unit == unit) {
            result += named.escape;
            return;
        }
    }
    if (WrittenAsItIs(unit, asciiOnly)) {
        result += unit;
        return;
    }
    result += L"\\u";
    for (int shift = 12; shift >= 0; shift -= 4)
        result += L"0123456789abcdef"[(unit >> shift) & 15];
}

}  // namespace

bool JsonWrittenAgain(std::wstring_view text, const JsonStyle& style, std::wstring& result)
{
    JsonValue value;
    if (!JsonReader(text).ReadWhole(value))
        return false;
    std::wstring written;
    written.reserve(text.size());
    JsonWriter(style, written).Write(value, 0);
    result.swap(written);
    return true;
}

bool JsonObjectMembers(std::wstring_view text, std::vector<std::pair<std::wstring, std::wstring>>& members)
{
    JsonValue value;
    if (!JsonReader(text).ReadWhole(value))
        return false;
    const auto nested = [](const JsonValue& item) {
        return item.kind == JsonValue::Kind::Array || item.kind == JsonValue::Kind::Object;
    };
    if (value.kind != JsonValue::Kind::Object || std::any_of(value.items.begin(), value.items.end(), nested)) {
        LastErrorSetText(0, L"读取 JSON 失败:不是值都为字符串、数字、true、false 或 null 的对象");
        return false;
    }
    members.clear();
    for (size_t i = 0; i < value.keys.size(); ++i) {
        const bool isNull = value.items[i].kind == JsonValue::Kind::Literal && value.items[i].text == L"null";
        members.emplace_back(value.keys[i], isNull ? L"" : value.items[i].text);
    }
    return true;
}

void AppendJsonEscaped(std::wstring_view text, bool asciiOnly, std::wstring& result)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (!asciiOnly && IsPairAt(text, i))
            result.append(text.substr(i++, 2));
        else
            AppendEscapeOf(text[i], asciiOnly, result);
    }
}
