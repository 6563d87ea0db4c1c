#include "digest/setting_causes.h"

#include <algorithm>
#include <iterator>

#include "text/base64.h"

namespace {

constexpr int Value(ByteEncoding encoding) { return static_cast<int>(encoding); }
constexpr int Value(LineBreaks breaks) { return static_cast<int>(breaks); }
constexpr int Value(TextEnding ending) { return static_cast<int>(ending); }
constexpr int Value(TextForm form) { return static_cast<int>(form); }
constexpr int Value(DataReading data) { return static_cast<int>(data); }
constexpr int Value(TwiceDigest twice) { return static_cast<int>(twice); }
constexpr int Value(PrefixJoin join) { return static_cast<int>(join); }
constexpr int Value(KeyReading reading) { return static_cast<int>(reading); }
constexpr int Value(KeyEnding ending) { return static_cast<int>(ending); }
constexpr int Value(KeyUse use) { return static_cast<int>(use); }

constexpr CauseKind kEncoding = CauseKind::Encoding, kForm = CauseKind::Form;
constexpr ByteEncoding kCodePage = ByteEncoding::CodePage;

}  // namespace

// clang-format off
const Cause kCauses[] = {
    // The window's three encodings, the terminator and the line breaks: the settings people meet first.
    {kEncoding,              Value(ByteEncoding::Ansi),                 0,        L"--encoding",        nullptr,  nullptr, nullptr, 0},
    {kEncoding,              Value(ByteEncoding::Utf16Le),              0,        L"--encoding",        nullptr,  nullptr, nullptr, 0},
    {kEncoding,              Value(ByteEncoding::Utf8),                 0,        L"--encoding",        nullptr,  nullptr, nullptr, 0},
    {CauseKind::Terminator,  0,                                         0,        L"--terminator",      nullptr,  L"包含终结符", nullptr, 0},
    {CauseKind::LineBreaks,  Value(LineBreaks::Lf),                     0,        L"--line-breaks",     L"lf",    L"换行为 LF", L"LF", 0},
    {CauseKind::LineBreaks,  Value(LineBreaks::CrLf),                   0,        L"--line-breaks",     L"crlf",  L"换行为 CR LF", L"CR LF", 0},
    {CauseKind::Ending,      Value(TextEnding::LfAdded),                0,        L"--add-final-break", L"lf",    L"末尾加一个换行 (LF)", L"加 LF", 0},
    {CauseKind::Ending,      Value(TextEnding::CrLfAdded),              0,        L"--add-final-break", L"crlf",  L"末尾加一个换行 (CR LF)", L"加 CR LF", 0},
    {CauseKind::Ending,      Value(TextEnding::FinalBreakRemoved),      0,        L"--drop-final-break", nullptr, L"去掉末尾的换行", L"去掉换行", 0},
    // Byte-order marks as older Notepad and PowerShell 5 write them, then UTF-16 as Java and protocols write it.
    {CauseKind::Mark,        0,                                         0,        L"--bom",             nullptr,  L"带 BOM", nullptr, 1},
    {kEncoding,              Value(ByteEncoding::Utf16Be),              0,        L"--encoding",        nullptr,  nullptr, nullptr, 2},
    // Another machine's code page: the console window's, then those of other countries' Windows.
    {kEncoding,              Value(kCodePage),                          CP_OEMCP, L"--encoding",        nullptr,  L"控制台", nullptr, 3},
    {kEncoding,              Value(kCodePage),                          936,      L"--encoding",        nullptr,  L"GBK", nullptr, 3},
    {kEncoding,              Value(kCodePage),                          950,      L"--encoding",        nullptr,  L"Big5", nullptr, 3},
    {kEncoding,              Value(kCodePage),                          932,      L"--encoding",        nullptr,  L"Shift-JIS", nullptr, 3},
    {kEncoding,              Value(kCodePage),                          949,      L"--encoding",        nullptr,  L"韩文", nullptr, 3},
    {kEncoding,              Value(kCodePage),                          1252,     L"--encoding",        nullptr,  L"西欧", nullptr, 3},
    {kEncoding,              Value(kCodePage),                          1251,     L"--encoding",        nullptr,  L"西里尔文", nullptr, 3},
    {kEncoding,              Value(kCodePage),                          1250,     L"--encoding",        nullptr,  L"中欧", nullptr, 3},
    {kEncoding,              Value(kCodePage),                          28591,    L"--encoding",        nullptr,  L"ISO-8859-1", nullptr, 3},
    // Another form of the same text.
    {kForm,                  Value(TextForm::Nfc),                      0,        L"--normalize",       L"nfc",   L"文本为 NFC 组合形式", L"NFC", 10},
    {kForm,                  Value(TextForm::Nfd),                      0,        L"--normalize",       L"nfd",   L"文本为 NFD 分解形式", L"NFD", 11},
    {kForm,                  Value(TextForm::Nfkc),                     0,        L"--normalize",       L"nfkc",  L"文本为 NFKC 兼容形式（全角字母、数字和标点换成半角）", L"NFKC", 12},
    {kForm,                  Value(TextForm::UpperCase),                0,        L"--upper-text",      nullptr,  L"文本转为大写", L"大写", 13},
    {kForm,                  Value(TextForm::LowerCase),                0,        L"--lower-text",      nullptr,  L"文本转为小写", L"小写", 14},
    {kForm,                  Value(TextForm::LineEndsTrimmed),          0,        L"--trim-lines",      nullptr,  L"去掉每行末尾的空白", L"去掉行尾空白", 15},
    {kForm,                  Value(TextForm::Trimmed),                  0,        L"--trim",            nullptr,  L"去掉文本首尾的空白", L"去掉首尾空白", 16},
    {kForm,                  Value(TextForm::InvisiblesDropped),        0,        L"--drop-invisible",  nullptr,  L"去掉零宽字符、U+FEFF 和软连字符", L"去掉不可见字符", 17},
    {kForm,                  Value(TextForm::PlainPunctuation),         0,        L"--plain-punctuation", nullptr, L"去掉不可见字符，弯引号（含低引号）、破折号和减号换成 ASCII 字符，省略号换成 ...，不换行空格等各种空格换成普通空格", L"标点换成 ASCII", 18},
    {kForm,                  Value(TextForm::EscapesRead),              0,        L"--read-escapes",    nullptr,  L"把 \\n、\\t、\\uXXXX 等转义读作所代表的字符", L"读出转义", 19},
    {kForm,                  Value(TextForm::JsonEscaped),              0,        L"--json-escape",     nullptr,  L"文本写成 JSON 字符串的内容（换行、引号等写成转义）", L"写成 JSON 转义", 20},
    // A body written again as the sender's program writes it, and parameters as payment interfaces sign them.
    {kForm,                  Value(TextForm::JsonCompact),               0,        L"--json",           L"compact", L"JSON 重写为紧凑形式（如 JSON.stringify）", L"JSON 重写（紧凑、空格、缩进 2 或 4，键排序与否，\\uXXXX 与否）", 21},
    {kForm,                  Value(TextForm::JsonCompactAscii),          0,        L"--json",           L"compact-ascii", L"JSON 重写为紧凑形式，非 ASCII 字符写成 \\uXXXX（如 json.dumps 加 separators=(\",\", \":\")）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonSpaced),                0,        L"--json",           L"spaced", L"JSON 重写为以 “, ” 和 “: ” 分隔、非 ASCII 字符照原样（如 json.dumps 加 ensure_ascii=False）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonSpacedAscii),           0,        L"--json",           L"spaced-ascii", L"JSON 重写为以 “, ” 和 “: ” 分隔、非 ASCII 字符写成 \\uXXXX（json.dumps 的默认写法）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonIndented2),             0,        L"--json",           L"indent2", L"JSON 重写为缩进 2 格（如 JSON.stringify(v, null, 2)）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonIndented2Ascii),        0,        L"--json",           L"indent2-ascii", L"JSON 重写为缩进 2 格、非 ASCII 字符写成 \\uXXXX（如 json.dumps(v, indent=2)）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonIndented4),             0,        L"--json",           L"indent4", L"JSON 重写为缩进 4 格（如 JSON.stringify(v, null, 4)）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonIndented4Ascii),        0,        L"--json",           L"indent4-ascii", L"JSON 重写为缩进 4 格、非 ASCII 字符写成 \\uXXXX（如 json.dumps(v, indent=4)）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonCompactSorted),         0,        L"--json",           L"compact-sorted", L"JSON 重写为紧凑形式（如 JSON.stringify），键按名称排序（sort_keys=True）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonCompactSortedAscii),    0,        L"--json",           L"compact-sorted-ascii", L"JSON 重写为紧凑形式，非 ASCII 字符写成 \\uXXXX（如 json.dumps 加 separators=(\",\", \":\")），键按名称排序（sort_keys=True）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonSpacedSorted),          0,        L"--json",           L"spaced-sorted", L"JSON 重写为以 “, ” 和 “: ” 分隔、非 ASCII 字符照原样（如 json.dumps 加 ensure_ascii=False），键按名称排序（sort_keys=True）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonSpacedSortedAscii),     0,        L"--json",           L"spaced-sorted-ascii", L"JSON 重写为以 “, ” 和 “: ” 分隔、非 ASCII 字符写成 \\uXXXX（json.dumps 的默认写法），键按名称排序（sort_keys=True）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonIndented2Sorted),       0,        L"--json",           L"indent2-sorted", L"JSON 重写为缩进 2 格（如 JSON.stringify(v, null, 2)），键按名称排序（sort_keys=True）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonIndented2SortedAscii),  0,        L"--json",           L"indent2-sorted-ascii", L"JSON 重写为缩进 2 格、非 ASCII 字符写成 \\uXXXX（如 json.dumps(v, indent=2)），键按名称排序（sort_keys=True）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonIndented4Sorted),       0,        L"--json",           L"indent4-sorted", L"JSON 重写为缩进 4 格（如 JSON.stringify(v, null, 4)），键按名称排序（sort_keys=True）", nullptr, 21},
    {kForm,                  Value(TextForm::JsonIndented4SortedAscii),  0,        L"--json",           L"indent4-sorted-ascii", L"JSON 重写为缩进 4 格、非 ASCII 字符写成 \\uXXXX（如 json.dumps(v, indent=4)），键按名称排序（sort_keys=True）", nullptr, 21},
    {kForm,                  Value(TextForm::ParametersSorted),         0,        L"--sort-parameters", nullptr,  L"把 name=value 参数按名称排序、以 & 相连（去掉空值和 sign、signature 参数）", L"参数排序", 22},
    // The text is data, and the bytes it writes out were digested.
    {CauseKind::Data,        Value(DataReading::Hex),                   0,        L"--text-as",         L"hex",   L"把文本当作十六进制数据，摘要它代表的字节", L"文本当作十六进制数据", 30},
    {CauseKind::Data,        Value(DataReading::Base64),                0,        L"--text-as",         L"base64", L"把文本当作 Base64 数据，摘要它代表的字节", L"文本当作 Base64 数据", 31},
    // A digest of the digest.
    {CauseKind::Twice,       Value(TwiceDigest::Raw),                   0,        L"--twice",           L"raw",   L"对摘要的原始字节再取一次同一摘要", L"原始字节", 40},
    {CauseKind::Twice,       Value(TwiceDigest::LowerHex),              0,        L"--twice",           L"hex",   L"对摘要的小写十六进制再取一次同一摘要", L"小写十六进制", 41},
    {CauseKind::Twice,       Value(TwiceDigest::UpperHex),              0,        L"--twice",           L"HEX",   L"对摘要的大写十六进制再取一次同一摘要", L"大写十六进制", 42},
    // What the sender signs before the body, given by the user or by a timestamped header, and how it is joined.
    {CauseKind::Prefix,      Value(PrefixJoin::AsGiven),                0,        L"--prefix",          nullptr,  L"正文前加上发送方一并签名的文本", L"照原样", 1},
    {CauseKind::Prefix,      Value(PrefixJoin::Dot),                    0,        L"--prefix",          nullptr,  L"正文前加上发送方一并签名的文本和 “.”", L"加 “.”", 2},
    {CauseKind::Prefix,      Value(PrefixJoin::Colon),                  0,        L"--prefix",          nullptr,  L"正文前加上发送方一并签名的文本和 “:”", L"加 “:”", 2},
    // How the signer read the key, and what it did with it.
    {CauseKind::KeyReading,  Value(KeyReading::Utf8Text),               0,        L"--key-as",          L"text",  L"密钥按 UTF-8 文本读取", L"UTF-8 文本", 0},
    {CauseKind::KeyReading,  Value(KeyReading::AnsiText),               0,        L"--key-as",          L"ansi",  L"密钥按 ANSI 代码页的文本读取", L"ANSI 文本", 3},
    {CauseKind::KeyReading,  Value(KeyReading::Hex),                    0,        L"--key-as",          L"hex",   L"密钥按十六进制读取", L"十六进制", 5},
    {CauseKind::KeyReading,  Value(KeyReading::Base64),                 0,        L"--key-as",          L"base64", L"密钥按 Base64 读取", L"Base64", 5},
    {CauseKind::KeyReading,  Value(KeyReading::PrefixedBase64),         0,        L"--key-as",          L"whsec", L"密钥去掉 whsec_ 前缀后按 Base64 读取", L"whsec_ 后的 Base64", 5},
    {CauseKind::KeyEnding,   Value(KeyEnding::LfAdded),                 0,        L"--key-final-break", L"lf",    L"密钥末尾多一个换行 (LF)，如 echo 写的密钥文件", L"加 LF", 6},
    {CauseKind::KeyEnding,   Value(KeyEnding::CrLfAdded),               0,        L"--key-final-break", L"crlf",  L"密钥末尾多一个换行 (CR LF)", L"加 CR LF", 6},
    {CauseKind::KeyEnding,   Value(KeyEnding::Trimmed),                 0,        L"--key-trim",        nullptr,  L"密钥去掉首尾的空白和换行", L"去掉首尾空白", 6},
    {CauseKind::KeyUse,      Value(KeyUse::Keyed),                      0,        L"--key-use",         L"hmac",  L"密钥用作摘要的密钥（HMAC，BLAKE2、BLAKE3 用其密钥模式）", L"HMAC", 0},
    {CauseKind::KeyUse,      Value(KeyUse::AppendedKeyed),              0,        L"--key-use",         L"param-hmac", L"正文末尾加 “&key=密钥” 后再用密钥取 HMAC", L"加 &key= 后 HMAC", 23},
    {CauseKind::KeyUse,      Value(KeyUse::Appended),                   0,        L"--key-use",         L"param", L"正文末尾加 “&key=密钥” 后取不带密钥的摘要", L"加 &key= 后取摘要", 24},
    {CauseKind::KeyUse,      Value(KeyUse::Before),                     0,        L"--key-use",         L"before", L"密钥放在正文之前，取不带密钥的摘要", L"密钥在前", 45},
    {CauseKind::KeyUse,      Value(KeyUse::After),                      0,        L"--key-use",         L"after", L"密钥放在正文之后，取不带密钥的摘要", L"密钥在后", 45},
    {CauseKind::KeyUse,      Value(KeyUse::None),                       0,        L"--key-use",         L"none",  L"不带密钥的摘要，不是 HMAC", L"不用密钥", 50},
};
// clang-format on

const int kCauseCount = static_cast<int>(std::size(kCauses));
static_assert(std::size(kCauses) <= kMaxCauses, "CauseSet holds every row");

const Cause* FindCause(CauseKind kind, int value, UINT codePage)
{
    for (const Cause& cause : kCauses) {
        if (cause.kind == kind && cause.value == value && cause.codePage == codePage)
            return &cause;
    }
    return nullptr;
}

Encoding EncodingOf(const Cause& cause) { return {static_cast<ByteEncoding>(cause.value), cause.codePage}; }

const Cause* EncodingCause(Encoding encoding)
{
    if (const Cause* exact = FindCause(kEncoding, Value(encoding.kind), encoding.codePage))
        return exact;
    // "cp437" on a machine whose console has code page 437 is the console's.
    for (const Cause& cause : kCauses) {
        if (cause.kind == kEncoding && EncodingOf(cause).kind == encoding.kind
            && CodePageOf(EncodingOf(cause)) == CodePageOf(encoding))
            return &cause;
    }
    return nullptr;
}

std::vector<const Cause*> CausesOf(const TextSetting& setting)
{
    std::vector<const Cause*> causes;
    const auto add = [&causes](CauseKind kind, int value, bool applies, UINT codePage = 0) {
        if (applies)
            causes.push_back(FindCause(kind, value, codePage));
    };
    const bool text = setting.data == DataReading::None;
    if (text)
        causes.push_back(EncodingCause(setting.encoding));
    add(CauseKind::Mark, 0, text && setting.byteOrderMark);
    add(CauseKind::Terminator, 0, text && setting.withTerminator);
    add(kForm, Value(setting.form), text && setting.form != TextForm::AsTyped);
    add(CauseKind::LineBreaks, Value(setting.lineBreaks.breaks),
        text && setting.lineBreaks.breaks != LineBreaks::AsTyped);
    add(CauseKind::Ending, Value(setting.lineBreaks.ending), text && setting.lineBreaks.ending != TextEnding::AsIs);
    add(CauseKind::Data, Value(setting.data), !text);
    add(CauseKind::Twice, Value(setting.twice), setting.twice != TwiceDigest::None);
    add(CauseKind::Prefix, Value(setting.prefixJoin), !setting.prefix.empty());
    if (setting.key) {
        add(CauseKind::KeyReading, Value(setting.key->reading), setting.key->reading != KeyReading::Utf8Text);
        add(CauseKind::KeyEnding, Value(setting.key->ending), setting.key->ending != KeyEnding::AsIs);
        add(CauseKind::KeyUse, Value(setting.key->use), setting.key->use != KeyUse::Keyed);
    }
    // A code page outside the table (the console names any) has no row.
    causes.erase(std::remove(causes.begin(), causes.end(), nullptr), causes.end());
    return causes;
}

std::wstring CauseWords(const Cause& cause)
{
    if (cause.kind != kEncoding)
        return cause.words;
    const Encoding encoding = EncodingOf(cause);
    if (encoding.codePage == CP_OEMCP)
        return L"OEM 代码页 " + std::to_wstring(CodePageOf(encoding)) + L"（" + cause.words + L"）";
    if (encoding.kind == kCodePage)
        return L"代码页 " + std::to_wstring(encoding.codePage) + L"（" + cause.words + L"）";
    return EncodingName(encoding);
}

std::wstring EncodingOptionValue(Encoding encoding)
{
    switch (encoding.kind) {
    case ByteEncoding::Ansi:
        return L"ansi";
    case ByteEncoding::Utf16Le:
        return L"utf16le";
    case ByteEncoding::Utf8:
        return L"utf8";
    case ByteEncoding::Utf16Be:
        return L"utf16be";
    case ByteEncoding::CodePage:
        break;
    }
    return L"cp" + std::to_wstring(CodePageOf(encoding));
}

std::wstring CauseOptions(const Cause& cause)
{
    // A prefix's value is the user's text: what MatchOptions writes is PrefixOption's.
    if (cause.kind == CauseKind::Prefix)
        return std::wstring(cause.option) + L" 文本";
    const std::wstring value = cause.kind == kEncoding ? EncodingOptionValue(EncodingOf(cause))
        : cause.optionValue != nullptr                 ? cause.optionValue
                                                       : L"";
    return value.empty() ? cause.option : std::wstring(cause.option) + L" " + value;
}

std::wstring PrefixOption(const std::wstring& prefix)
{
    const bool plain = !prefix.empty() && prefix.find_first_of(L" \t\"'\\$`&|;<>()*?!#~") == std::wstring::npos;
    std::wstring quoted = L"\"";
    for (wchar_t unit : prefix) {
        if (unit == L'"' || unit == L'\\' || unit == L'$' || unit == L'`')
            quoted += L'\\';
        quoted += unit;
    }
    return std::wstring(FindCause(CauseKind::Prefix, 0)->option) + L" " + (plain ? prefix : quoted + L"\"");
}

std::wstring MatchOptions(int row, const TextSetting& setting)
{
    std::wstring options = L"--only ";
    for (const wchar_t* name = kDigestTable[row].name; *name != L'\0'; ++name)
        options += *name >= L'A' && *name <= L'Z' ? static_cast<wchar_t>(*name - L'A' + L'a') : *name;
    for (const Cause* cause : CausesOf(setting))
        options += L" " + (cause->kind == CauseKind::Prefix ? PrefixOption(setting.prefix) : CauseOptions(*cause));
    return options;
}

int SettingOrder(const TextSetting& setting)
{
    int order = 0;
    for (const Cause* cause : CausesOf(setting))
        order = std::max(order, cause->order);
    return order;
}

std::wstring WithLineBreaks(const std::wstring& text, LineBreaks breaks)
{
    if (breaks == LineBreaks::AsTyped)
        return text;
    std::wstring result;
    result.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const bool crBeforeLf = text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n';
        const bool lfAlone = text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r');
        if (breaks == LineBreaks::Lf && crBeforeLf)
            continue;
        if (breaks == LineBreaks::CrLf && lfAlone)
            result += L'\r';
        result += text[i];
    }
    return result;
}

size_t FinalBreakLength(const std::wstring& text)
{
    if (text.empty() || text.back() != L'\n')
        return 0;
    return text.size() > 1 && text[text.size() - 2] == L'\r' ? 2 : 1;
}

const wchar_t* EndingSuffix(TextEnding ending)
{
    return ending == TextEnding::LfAdded ? L"\n" : ending == TextEnding::CrLfAdded ? L"\r\n" : L"";
}

std::wstring InLineBreakVariant(const std::wstring& text, LineBreakVariant variant)
{
    const std::wstring based = WithLineBreaks(text, variant.breaks);
    if (variant.ending == TextEnding::FinalBreakRemoved)
        return based.substr(0, based.size() - FinalBreakLength(based));
    return based + EndingSuffix(variant.ending);
}

bool ReadTextAsData(std::wstring_view text, DataReading reading, std::vector<BYTE>& bytes)
{
    const auto isSpace = [](wchar_t unit) { return unit == L' ' || unit == L'\t' || unit == L'\r' || unit == L'\n'; };
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    switch (reading) {
    case DataReading::Hex:
        return DecodeHexPairs(text, bytes);
    case DataReading::Base64:
        return DecodeBase64(text, bytes);
    case DataReading::None:
        break;
    }
    return false;
}

std::string TwiceDigestInput(const DigestValue& first, TwiceDigest twice)
{
    if (twice == TwiceDigest::Raw)
        return std::string(reinterpret_cast<const char*>(first.bytes.data()), first.length);
    const std::wstring hex = twice == TwiceDigest::LowerHex ? LowerHexOf(first) : HexOf(first);
    return std::string(hex.begin(), hex.end());
}
