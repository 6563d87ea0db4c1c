#include "cli/command_line.h"

#include <algorithm>
#include <iterator>

#include "cli/file_source.h"
#include "digest/digest_names.h"
#include "digest/expected_digest.h"
#include "digest/signed_message.h"
#include "support/last_error.h"

namespace {

const wchar_t kEndOfOptions[] = L"--";

// A message quotes at most this many characters of what it refuses.
constexpr size_t kQuotedUnits = 60;

// Where --help puts an option's words.
constexpr size_t kHelpWordsColumn = 38;

// The encodings --input-encoding reads, and the console's encodings besides the code pages.
constexpr ByteEncoding kNamedEncodings[] = {ByteEncoding::Ansi, ByteEncoding::Utf16Le, ByteEncoding::Utf8,
                                            ByteEncoding::Utf16Be};

// Other spellings of the encodings than the values the program writes.
struct NamedEncoding {
    const wchar_t* name;
    ByteEncoding encoding;
};
const NamedEncoding kOtherEncodingNames[] = {
    {L"utf-16le", ByteEncoding::Utf16Le}, {L"utf-8", ByteEncoding::Utf8}, {L"utf-16be", ByteEncoding::Utf16Be}};

// "cp" and a code page's number, as --encoding names any code page.
constexpr wchar_t kCodePagePrefix[] = L"cp";

// Code page numbers that name what the encodings of their own name write, or what no code page conversion writes.
struct OtherCodePage {
    UINT number;
    const wchar_t* why;
};
const OtherCodePage kNoConversionCodePages[] = {
    {1200, L"代码页 1200 是 UTF-16LE,请用 --encoding utf16le"},
    {1201, L"代码页 1201 是 UTF-16BE,请用 --encoding utf16be"},
    {12000, L"不支持 UTF-32"},
    {12001, L"不支持 UTF-32"},
};

bool SameNameIgnoringCase(const std::wstring& text, const wchar_t* name)
{
    return CompareStringOrdinal(text.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
}

bool IsDigits(const std::wstring& text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), [](wchar_t unit) { return unit >= L'0' && unit <= L'9'; });
}

// A code page written "cp936" (or "936"); `why` says why one written so is
// refused. False with `why` empty when `name` is no code page at all.
bool ReadCodePage(const std::wstring& name, Encoding& encoding, std::wstring& why)
{
    const size_t prefix = std::size(kCodePagePrefix) - 1;
    const bool prefixed = name.size() > prefix && SameNameIgnoringCase(name.substr(0, prefix), kCodePagePrefix);
    const std::wstring digits = prefixed ? name.substr(prefix) : name;
    if (!IsDigits(digits) || digits.size() > 5)
        return false;
    const UINT codePage = static_cast<UINT>(std::stoul(digits));
    for (const OtherCodePage& other : kNoConversionCodePages) {
        if (other.number == codePage)
            why = other.why;
    }
    // The numbers below 50 stand for the thread's code pages, not for one.
    if (why.empty() && codePage < 50)
        why = L"0 到 49 不是代码页号";
    else if (why.empty() && !IsValidCodePage(codePage))
        why = L"这个系统没有代码页 " + std::to_wstring(codePage);
    if (!why.empty())
        return false;
    encoding = {ByteEncoding::CodePage, codePage};
    return true;
}

bool FindEncoding(const std::wstring& name, Encoding& encoding)
{
    for (ByteEncoding named : kNamedEncodings) {
        if (SameNameIgnoringCase(name, EncodingOptionValue(named).c_str())) {
            encoding = named;
            return true;
        }
    }
    for (const NamedEncoding& other : kOtherEncodingNames) {
        if (SameNameIgnoringCase(name, other.name)) {
            encoding = other.encoding;
            return true;
        }
    }
    return false;
}

// What an option's value came to: accepted, or refused with the reason; an
// empty reason means the option's list of values says it.
struct Taken {
    bool accepted = true;
    std::wstring why;
};
const Taken kAccepted;
Taken Refused(std::wstring why = L"") { return {false, std::move(why)}; }
Taken AcceptedIf(bool accepted) { return accepted ? kAccepted : Refused(); }

// A comma-separated list of digest names, each named once; an empty name spoils the list.
Taken SelectDigests(CliOptions& options, const std::wstring&, const std::wstring& list)
{
    DigestSelection selected;
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(L',', start);
        NamedDigest named;
        if (!FindDigestNamed(list.substr(start, comma - start), true, named) || named.keyed || selected[named.row])
            return Refused();
        selected.set(static_cast<size_t>(named.row));
        if (named.length != kDigestTable[named.row].length)
            options.blake2bLength = named.length;
        if (comma == std::wstring::npos)
            break;
        start = comma + 1;
    }
    options.only = selected;
    return kAccepted;
}

Taken SetInputEncoding(CliOptions& options, const std::wstring&, const std::wstring& value)
{
    Encoding encoding;
    if (!FindEncoding(value, encoding))
        return Refused();
    options.inputEncoding = encoding.kind;
    return kAccepted;
}

Taken SetMatch(CliOptions& options, const std::wstring&, const std::wstring& value)
{
    const ExpectedDigest match = ParseExpectedDigest(value.c_str(), value.size());
    if (!match.IsDigest() && match.passwordScheme == nullptr)
        return Refused();
    options.match = match;
    return kAccepted;
}

Taken AddFile(CliOptions& options, const std::wstring&, const std::wstring& path)
{
    if (path.empty())
        return Refused();
    options.files.push_back(path);
    return kAccepted;
}

template <bool CliOptions::*flag> Taken SetFlag(CliOptions& options, const std::wstring&, const std::wstring&)
{
    options.*flag = true;
    return kAccepted;
}

template <CheckOutput output> Taken SetCheckOutput(CliOptions& options, const std::wstring&, const std::wstring&)
{
    options.checkOutput = output;
    return kAccepted;
}

Taken SetKey(CliOptions& options, const std::wstring&, const std::wstring& key)
{
    options.key = CGivenKey::FromText(key);
    return kAccepted;
}

// A key file's bytes are the key: a file far larger than any key is not one.
constexpr size_t kMaxKeyFileBytes = 1 << 20;

Taken ReadKeyFile(CliOptions& options, const std::wstring&, const std::wstring& path)
{
    std::string bytes;
    bool tooLong = false;
    const bool read = ReadNamedFile(
        path, [] {},
        [&](const BYTE* data, DWORD length) {
            tooLong = tooLong || bytes.size() + length > kMaxKeyFileBytes;
            if (!tooLong)
                bytes.append(reinterpret_cast<const char*>(data), length);
        });
    if (!read)
        return Refused(LastErrorString());
    if (tooLong)
        return Refused(L"密钥文件超过 1 MiB,不像是密钥");
    options.key = CGivenKey::FromBytes(std::move(bytes));
    return kAccepted;
}

// Where a form stands in the table of causes, which is the order in which forms apply.
int FormPlace(TextForm form) { return CauseRow(*FindCause(CauseKind::Form, static_cast<int>(form))); }

// Keeps the forms in the order in which they apply, whatever the order given.
void AddForm(CliOptions& options, TextForm form)
{
    options.forms.push_back(form);
    std::sort(options.forms.begin(), options.forms.end(),
              [](TextForm a, TextForm b) { return FormPlace(a) < FormPlace(b); });
}

KeySetting& KeyOf(TextSetting& setting)
{
    if (!setting.key)
        setting.key.emplace();
    return *setting.key;
}

void ApplyCause(const Cause& cause, CliOptions& options)
{
    TextSetting& setting = options.setting;
    switch (cause.kind) {
    case CauseKind::Encoding:
        setting.encoding = EncodingOf(cause);
        break;
    case CauseKind::Mark:
        setting.byteOrderMark = true;
        break;
    case CauseKind::Terminator:
        setting.withTerminator = true;
        break;
    case CauseKind::LineBreaks:
        setting.lineBreaks.breaks = static_cast<LineBreaks>(cause.value);
        break;
    case CauseKind::Ending:
        setting.lineBreaks.ending = static_cast<TextEnding>(cause.value);
        break;
    case CauseKind::Form:
        AddForm(options, static_cast<TextForm>(cause.value));
        break;
    case CauseKind::Data:
        setting.data = static_cast<DataReading>(cause.value);
        break;
    case CauseKind::Twice:
        setting.twice = static_cast<TwiceDigest>(cause.value);
        break;
    case CauseKind::Prefix:
        setting.prefixJoin = static_cast<PrefixJoin>(cause.value);
        break;
    case CauseKind::KeyReading:
        KeyOf(setting).reading = static_cast<KeyReading>(cause.value);
        break;
    case CauseKind::KeyEnding:
        KeyOf(setting).ending = static_cast<KeyEnding>(cause.value);
        break;
    case CauseKind::KeyUse:
        KeyOf(setting).use = static_cast<KeyUse>(cause.value);
        break;
    }
}

// The rows whose option is `name`.
std::vector<const Cause*> CausesOfOption(const std::wstring& name)
{
    std::vector<const Cause*> causes;
    for (int row = 0; row < kCauseCount; ++row) {
        if (name == kCauses[row].option)
            causes.push_back(&kCauses[row]);
    }
    return causes;
}

// The row of option `name` whose value is `value`: exactly as written, else
// in any case where that leaves one (--twice tells hex from HEX).
const Cause* CauseOfValue(const std::wstring& name, const std::wstring& value)
{
    const Cause* anyCase = nullptr;
    int anyCaseCount = 0;
    for (const Cause* cause : CausesOfOption(name)) {
        const wchar_t* written = cause->optionValue != nullptr ? cause->optionValue : L"";
        if (value == written)
            return cause;
        if (SameNameIgnoringCase(value, written)) {
            anyCase = cause;
            ++anyCaseCount;
        }
    }
    return anyCaseCount == 1 ? anyCase : nullptr;
}

bool IsEncodingOption(const std::wstring& name) { return CausesOfOption(name).front()->kind == CauseKind::Encoding; }

Taken ApplyCauseOption(CliOptions& options, const std::wstring& name, const std::wstring& value)
{
    if (CausesOfOption(name).front()->kind == CauseKind::Prefix) {
        options.setting.prefix = value;
        return value.empty() ? Refused(L"前缀不能为空") : kAccepted;
    }
    if (IsEncodingOption(name)) {
        Encoding encoding;
        std::wstring why;
        if (!FindEncoding(value, encoding) && !ReadCodePage(value, encoding, why))
            return Refused(why);
        options.encoding = options.setting.encoding = encoding;
        return kAccepted;
    }
    const Cause* cause = CauseOfValue(name, value);
    if (cause != nullptr)
        ApplyCause(*cause, options);
    return AcceptedIf(cause != nullptr);
}

// Which rules an option falls under, besides those that name it.
enum OptionGroup : unsigned {
    kShapesText = 1u << 0,        // a cause of the table: a file's bytes and a check's files have none
    kShapesCharacters = 1u << 1,  // a cause on the text's characters, which the text read as data has none of
    kSearchedByMatch = 1u << 2,   // a cause --match tries by itself
    kCheckOnly = 1u << 3,         // means something only with --check
    kShapesLines = 1u << 4,       // how digest lines are written, which --check and --match print none of
    kGivesKey = 1u << 5,          // gives the key
    kUsesKey = 1u << 6,           // says how the key is read or used, which means nothing without one
    kReadsKey = 1u << 7,          // says how the key's text is read, which a key file's bytes have none of
};

unsigned GroupsOfCause(const Cause& cause)
{
    switch (cause.kind) {
    case CauseKind::KeyReading:
    case CauseKind::KeyEnding:
        return kUsesKey | kReadsKey | kSearchedByMatch;
    case CauseKind::KeyUse:
        return kUsesKey | kSearchedByMatch;
    case CauseKind::Prefix:
        return kShapesText | kShapesCharacters;
    default:
        break;
    }
    const bool narrowsSearch =
        cause.kind == CauseKind::Encoding || cause.kind == CauseKind::Mark || cause.kind == CauseKind::Terminator;
    const bool onCharacters = cause.kind != CauseKind::Data && cause.kind != CauseKind::Twice;
    return kShapesText | (onCharacters ? kShapesCharacters : 0u) | (narrowsSearch ? 0u : kSearchedByMatch);
}

// What --help calls the value of a cause's option.
const wchar_t* CauseValueName(const Cause& cause)
{
    if (cause.kind == CauseKind::Prefix)
        return L"文本";
    return cause.kind == CauseKind::Encoding || cause.optionValue != nullptr ? L"值" : nullptr;
}

struct OptionRule {
    const wchar_t* name;
    const wchar_t* shortName;  // "-c", or null
    // What --help calls its value ("路径"); null for a flag.
    const wchar_t* valueName;
    // A value given twice would leave one of them unused, and a flag given
    // twice is a slip; only the file list, --help, --version and the flags the
    // usual check tools take repeated may come more than once.
    bool repeatable;
    unsigned groups;
    Taken (*apply)(CliOptions& options, const std::wstring& name, const std::wstring& value);
    // Says which values the option takes, for --help and a refused one.
    std::wstring (*values)();
    // Its line in --help; null for a cause, whose rows say it.
    const wchar_t* help;
};

// clang-format off
const OptionRule kOtherOptions[] = {
    {L"--input-encoding", nullptr, L"编码",              false, 0,            SetInputEncoding,                         InputEncodingValues, L"标准输入的编码(未给出时按开头的字节顺序标记,没有标记则为 utf8;\r\n给出时只跳过该编码自己的标记)"},
    {L"--file",           nullptr, L"路径",              true,  0,            AddFile,                                  nullptr,             L"计算文件原样字节的摘要(不与文本参数同用;\r\n--file - 或 --file /dev/stdin 读取标准输入的原样字节)"},
    {L"--only",           nullptr, L"名称[,名称...]",    false, 0,            SelectDigests,                            DigestNameValues,    L"只输出所列摘要,如 --only md5,sha256,sm3,blake3"},
    {L"--lower",          nullptr, nullptr,              false, kShapesLines, SetFlag<&CliOptions::lowerCase>,          nullptr,             L"十六进制用小写"},
    {L"--base64",         nullptr, nullptr,              false, kShapesLines, SetFlag<&CliOptions::base64>,             nullptr,             L"摘要用 Base64 写出(与 cksum --base64 相同)"},
    {L"--c",              nullptr, nullptr,              false, 0,            SetFlag<&CliOptions::cArrays>,            nullptr,             L"输出“复制为C代码”放到剪贴板上的文本"},
    {L"--match",          nullptr, L"摘要",              false, 0,            SetMatch,                                 DigestValues,        L"列出文本在哪些设置下给出这个摘要,每行是重现它的选项,\r\n# 之后是说明;编码换掉了字符的设置排在后面并注明"},
    {L"--hmac",           nullptr, L"密钥",              false, kGivesKey,    SetKey,                                   nullptr,             L"求带密钥的摘要:HMAC,BLAKE2b、BLAKE2s、BLAKE3 用其密钥模式(CRC32 没有);\r\n密钥默认按 UTF-8 文本读取,见 --key-as;各行的名称如 HMAC-SHA256;\r\n与 --match 同用时查找签名的各种来由"},
    {L"--hmac-file",      nullptr, L"路径",              false, kGivesKey,    ReadKeyFile,                              nullptr,             L"同 --hmac,密钥是文件的原样字节(- 为标准输入)"},
    {L"--tag",            nullptr, nullptr,              false, 0,            SetFlag<&CliOptions::tag>,                nullptr,             L"每个文件的每个摘要一行“SHA256 (路径) = 十六进制”,--check 可读回"},
    {L"--check",          L"-c",   nullptr,              true,  0,            SetFlag<&CliOptions::check>,              nullptr,             L"校验清单里所列文件的摘要;参数是清单(- 或没有参数:标准输入)"},
    {L"--quiet",          L"-q",   nullptr,              true,  kCheckOnly,   SetCheckOutput<CheckOutput::Quiet>,       nullptr,             L"校验时不输出相符的文件"},
    {L"--status",         nullptr, nullptr,              true,  kCheckOnly,   SetCheckOutput<CheckOutput::Status>,      nullptr,             L"校验时只给退出码(打不开的文件和清单仍在标准错误上说明)"},
    {L"--strict",         nullptr, nullptr,              true,  kCheckOnly,   SetFlag<&CliOptions::strict>,             nullptr,             L"校验时有格式不正确的行也算失败"},
    {L"--ignore-missing", nullptr, nullptr,              true,  kCheckOnly,   SetFlag<&CliOptions::ignoreMissing>,      nullptr,             L"校验时不报告也不计较不存在的文件"},
    {L"--warn",           L"-w",   nullptr,              true,  kCheckOnly,   SetCheckOutput<CheckOutput::Warnings>,    nullptr,             L"校验时对每个格式不正确的行给出警告"},
    {L"--help",           nullptr, nullptr,              true,  0,            SetFlag<&CliOptions::help>,               nullptr,             L"显示本说明"},
    {L"--version",        nullptr, nullptr,              true,  0,            SetFlag<&CliOptions::version>,            nullptr,             L"显示版本"},
};
// clang-format on

// Every option: the table's, then one for each option of the table of causes.
const std::vector<OptionRule>& OptionRules()
{
    static const std::vector<OptionRule> rules = [] {
        std::vector<OptionRule> all(std::begin(kOtherOptions), std::end(kOtherOptions));
        for (int row = 0; row < kCauseCount; ++row) {
            const Cause& cause = kCauses[row];
            const auto sameName = [&cause](const OptionRule& rule) { return std::wstring(rule.name) == cause.option; };
            const auto known = std::find_if(all.begin(), all.end(), sameName);
            if (known == all.end())
                all.push_back({cause.option, nullptr, CauseValueName(cause), false, GroupsOfCause(cause),
                               ApplyCauseOption, nullptr, nullptr});
            else
                known->groups |= GroupsOfCause(cause);
        }
        return all;
    }();
    return rules;
}

const OptionRule* FindOptionRule(const std::wstring& name)
{
    for (const OptionRule& rule : OptionRules()) {
        if (name == rule.name || (rule.shortName != nullptr && name == rule.shortName))
            return &rule;
    }
    return nullptr;
}

bool IsCause(const OptionRule& rule) { return rule.apply == ApplyCauseOption; }

std::wstring ValuesOf(const OptionRule& rule)
{
    if (!IsCause(rule))
        return rule.values != nullptr ? rule.values() : L"";
    if (IsEncodingOption(rule.name))
        return EncodingValues();
    std::wstring values;
    for (const Cause* cause : CausesOfOption(rule.name))
        values += (values.empty() ? L"" : L"、") + std::wstring(cause->optionValue);
    return values;
}

// An option, or the options of some groups, as the rules of what goes together name them.
struct Which {
    const wchar_t* name;
    unsigned groups;
};
constexpr Which Named(const wchar_t* name) { return {name, 0}; }
constexpr Which InGroups(unsigned groups) { return {nullptr, groups}; }

bool IsOne(const OptionRule& rule, const Which& which)
{
    return (which.name != nullptr && std::wstring(which.name) == rule.name) || (rule.groups & which.groups) != 0;
}

// Options that would leave one of them unused, or give other output than
// asked for, when given together; in the order in which they are looked at.
struct Exclusion {
    Which option;
    Which with;
    const wchar_t* why;  // null: the option's words say it
};

// clang-format off
const Exclusion kExclusions[] = {
    {InGroups(kShapesText),             Named(L"--file"),            L"文件按原样字节计算"},
    {InGroups(kShapesText),             Named(L"--check"),           L"清单所列文件按原样字节校验"},
    {Named(L"--input-encoding"),        Named(L"--check"),           L"清单所列文件按原样字节校验"},
    {InGroups(kShapesLines),            Named(L"--check"),           L"清单所列文件按原样字节校验"},
    {Named(L"--c"),                     Named(L"--lower"),           L"C 代码里的十六进制是大写"},
    {Named(L"--c"),                     Named(L"--only"),            L"C 代码总含七个摘要"},
    {Named(L"--match"),                 Named(L"--file"),            L"它只查找文本的设置"},
    {Named(L"--match"),                 Named(L"--c"),               L"它只查找文本的设置"},
    {InGroups(kShapesLines),            Named(L"--match"),           L"它不输出摘要"},
    {InGroups(kSearchedByMatch),        Named(L"--match"),           L"--match 自己会试这些设置"},
    {InGroups(kShapesCharacters),       Named(L"--text-as"),         L"当作数据的文本没有编码和文本形式"},
    {Named(L"--add-final-break"),       Named(L"--drop-final-break"), nullptr},
    {Named(L"--upper-text"),            Named(L"--lower-text"),      nullptr},
    {Named(L"--base64"),                Named(L"--lower"),           nullptr},
    {Named(L"--base64"),                Named(L"--c"),               nullptr},
    {Named(L"--check"),                 Named(L"--match"),           nullptr},
    {Named(L"--check"),                 Named(L"--file"),            L"要校验的文件列在清单里"},
    {Named(L"--check"),                 Named(L"--tag"),             nullptr},
    {Named(L"--check"),                 Named(L"--c"),               nullptr},
    {Named(L"--tag"),                   Named(L"--c"),               nullptr},
    {Named(L"--hmac"),                  Named(L"--hmac-file"),       nullptr},
    {InGroups(kReadsKey),               Named(L"--hmac-file"),       L"文件的字节按原样作为密钥"},
    {Named(L"--key-use"),               Named(L"--file"),            L"文件按原样字节计算"},
    {Named(L"--key-use"),               Named(L"--check"),           L"清单所列文件按原样字节校验"},
    {InGroups(kGivesKey),               Named(L"--twice"),           L"带密钥的摘要不再取一次摘要"},
};
// clang-format on

// Options that mean something only beside another.
struct Requirement {
    Which option;
    Which needs;
    const wchar_t* needsWords;
};
const Requirement kRequirements[] = {
    {InGroups(kCheckOnly), Named(L"--check"), L"--check"},
    {Named(L"--tag"), Named(L"--file"), L"--file"},
    {InGroups(kUsesKey), InGroups(kGivesKey), L"--hmac 或 --hmac-file"},
};

std::wstring Quoted(const std::wstring& text) { return L"\"" + Shortened(text) + L"\""; }

// "-cw" stands for "-c -w", as the usual tools take short flags run together;
// false when `argument` is no such run of known short flags.
bool SplitShortFlags(const std::wstring& argument, std::vector<std::wstring>& flags)
{
    if (argument.size() < 3 || argument[0] != L'-' || argument[1] == L'-')
        return false;
    flags.clear();
    for (size_t i = 1; i < argument.size(); ++i) {
        const std::wstring flag = {L'-', argument[i]};
        const OptionRule* rule = FindOptionRule(flag);
        if (rule == nullptr || rule->valueName != nullptr)
            return false;
        flags.push_back(flag);
    }
    return true;
}

// "-" alone is text (as a word it means nothing else here); any other
// argument that starts with '-' is meant as an option, so that a mistyped
// one is refused rather than digested as text.
bool LooksLikeOption(const std::wstring& argument) { return argument.size() > 1 && argument[0] == L'-'; }

// One reading of the command line: the options in the order given, then what
// they may not be given with.
class CParser {
public:
    CParser(CliOptions& options, std::wstring& problem) : m_options(options), m_problem(problem) { }

    bool Read(const std::vector<std::wstring>& arguments);
    bool CheckCombination();

private:
    bool ReadOption(const std::wstring& argument, const std::wstring* next);
    bool Refuse(std::wstring problem);
    // An option as given: its rule, and its name as written ("-w" or "--warn").
    struct GivenOption {
        const OptionRule* rule;
        std::wstring name;
    };

    // The first option given that is `which`; null when none is.
    const GivenOption* Given(const Which& which) const;
    bool Given(const wchar_t* name) const { return Given(Named(name)) != nullptr; }
    bool CheckExclusions();
    bool CheckRequirements();
    bool CheckValues();
    bool CheckKey();

    CliOptions& m_options;
    std::wstring& m_problem;
    std::vector<GivenOption> m_given;
    // Set when the option just read took the argument after it as its value.
    bool m_valueTaken = false;
};

bool CParser::Refuse(std::wstring problem)
{
    m_problem = std::move(problem);
    return false;
}

const CParser::GivenOption* CParser::Given(const Which& which) const
{
    const auto given = std::find_if(m_given.begin(), m_given.end(),
                                    [&which](const GivenOption& option) { return IsOne(*option.rule, which); });
    return given == m_given.end() ? nullptr : &*given;
}

bool CParser::Read(const std::vector<std::wstring>& arguments)
{
    bool optionsEnded = false;
    std::vector<std::wstring> flags;
    for (size_t index = 0; index < arguments.size(); ++index) {
        const std::wstring& argument = arguments[index];
        if (optionsEnded || !LooksLikeOption(argument)) {
            m_options.words.push_back(argument);
        } else if (argument == kEndOfOptions) {
            optionsEnded = true;
        } else if (FindOptionRule(argument) == nullptr && SplitShortFlags(argument, flags)) {
            for (const std::wstring& flag : flags) {
                if (!ReadOption(flag, nullptr))
                    return false;
            }
        } else if (!ReadOption(argument, index + 1 < arguments.size() ? &arguments[index + 1] : nullptr)) {
            return false;
        } else if (m_valueTaken) {
            ++index;
        }
    }
    return true;
}

// Reads the option `argument` and its value, after "=" or else `next` (null
// at the end). A value may begin with '-' (a Base64 digest does): as with the
// usual tools, the argument after an option that takes one is its value.
bool CParser::ReadOption(const std::wstring& argument, const std::wstring* next)
{
    m_valueTaken = false;
    const size_t equals = argument.find(L'=');
    const std::wstring name = argument.substr(0, equals);
    const OptionRule* rule = FindOptionRule(name);
    if (rule == nullptr)
        return Refuse(L"未知选项 " + Quoted(name));
    const auto sameRule = [rule](const GivenOption& given) { return given.rule == rule; };
    if (!rule->repeatable && std::any_of(m_given.begin(), m_given.end(), sameRule))
        return Refuse(L"选项 " + name + L" 只能给出一次");
    m_given.push_back({rule, name});
    std::wstring value;
    if (equals != std::wstring::npos) {
        if (rule->valueName == nullptr)
            return Refuse(L"选项 " + name + L" 不带取值");
        value = argument.substr(equals + 1);
    } else if (rule->valueName != nullptr) {
        if (next == nullptr)
            return Refuse(L"选项 " + name + L" 缺少取值");
        value = *next;
        m_valueTaken = true;
    }
    const Taken taken = rule->apply(m_options, name, value);
    if (taken.accepted)
        return true;
    const std::wstring why = taken.why.empty() ? ValuesOf(*rule) : taken.why;
    return Refuse(L"选项 " + name + L" 的取值 " + Quoted(value) + L" 无效" + (why.empty() ? L"" : L"(" + why + L")"));
}

bool CParser::CheckExclusions()
{
    for (const Exclusion& exclusion : kExclusions) {
        const GivenOption* option = Given(exclusion.option);
        const GivenOption* with = Given(exclusion.with);
        if (option != nullptr && with != nullptr && option->rule != with->rule)
            return Refuse(L"选项 " + option->name + L" 不能与 " + with->name + L" 同用"
                          + (exclusion.why != nullptr ? std::wstring(L"(") + exclusion.why + L")" : L""));
    }
    return true;
}

bool CParser::CheckRequirements()
{
    for (const Requirement& requirement : kRequirements) {
        const GivenOption* option = Given(requirement.option);
        if (option != nullptr && Given(requirement.needs) == nullptr)
            return Refuse(L"选项 " + option->name + L" 只用于 " + requirement.needsWords);
    }
    return true;
}

// What depends on the values given, not only on which options were.
bool CParser::CheckValues()
{
    const CliOptions& options = m_options;
    const TextSetting& setting = options.setting;
    if (!options.files.empty() && !options.words.empty())
        return Refuse(L"文本参数 " + Quoted(options.words.front()) + L" 不能与 --file 同用");
    if (options.inputEncoding && !(options.files.empty() && options.words.empty()))
        return Refuse(L"选项 --input-encoding 只用于从标准输入读取的文本,不能与文本参数或 --file 同用");
    if (options.cArrays && options.files.size() > 1)
        return Refuse(L"选项 --c 只能用于一个文件");
    if (std::count_if(options.files.begin(), options.files.end(), NamesStandardInput) > 1)
        return Refuse(L"标准输入只能读一次,--file 只能有一个指向它");
    if (options.match && EncodingCause(setting.encoding) == nullptr)
        return Refuse(L"选项 --encoding " + EncodingOptionValue(setting.encoding)
                      + L" 不能与 --match 同用(查找只试 --help 所列的代码页)");
    if (setting.byteOrderMark && ByteOrderMark(setting.encoding).empty() && (!options.match || options.encoding))
        return Refuse(L"选项 --bom 只用于 utf8、utf16le 和 utf16be 编码(代码页没有字节顺序标记)");
    if (options.match && options.only && options.match->IsDigest() && (options.match->digests & *options.only).none())
        return Refuse(L"选项 --only 所选的摘要都不会是 --match 的摘要");
    return !options.key || options.match || CheckKey();
}

// The key as the options read it, for a run that digests; and every digest asked for takes it.
bool CParser::CheckKey()
{
    const std::wstring option = Given(InGroups(kGivesKey))->name;
    CliOptions& options = m_options;
    if (!options.key->Read(*options.setting.key, options.readKey)) {
        const Cause& reading = *FindCause(CauseKind::KeyReading, static_cast<int>(options.setting.key->reading));
        return Refuse(L"选项 " + option + L" 的密钥不能按 " + CauseOptions(reading) + L" 读取(" + CauseWords(reading)
                      + L",两端的空白算在密钥里,除非给出 --key-trim)");
    }
    for (int row = 0; row < kDigestCount && KeysTheDigest(options.setting) && !options.check; ++row) {
        const std::wstring refusal = options.Selected()[row] ? KeyRefusal(row, options.readKey.Length()) : L"";
        if (!refusal.empty())
            return Refuse(L"选项 " + option + L" 不能用于 " + kDigestTable[row].name + L"(" + refusal + L")");
    }
    return true;
}

bool CParser::CheckCombination() { return CheckExclusions() && CheckValues() && CheckRequirements(); }

// An option's name, its value's name and its words, as --help lines them up.
std::wstring HelpLine(std::wstring option, const std::wstring& words)
{
    std::wstring line = L"  " + std::move(option);
    line.resize(std::max(kHelpWordsColumn, line.size() + 1), L' ');
    std::wstring indented;
    for (wchar_t unit : words) {
        indented += unit;
        if (unit == L'\n')
            indented += std::wstring(kHelpWordsColumn, L' ');
    }
    return line + indented + L"\r\n";
}

}  // namespace

DigestRequest CliOptions::Request() const
{
    DigestParameters parameters;
    if (KeysTheDigest(setting))
        parameters.key = readKey;
    parameters.blake2bLength = blake2bLength;
    return {Selected(), parameters};
}

bool ParseCommandLine(const std::vector<std::wstring>& arguments, CliOptions& options, std::wstring& problem)
{
    CParser parser(options, problem);
    if (!parser.Read(arguments))
        return false;
    if (options.key && !options.setting.key)
        options.setting.key.emplace();
    return options.help || options.version || parser.CheckCombination();
}

std::wstring CauseOptionsHelp()
{
    std::wstring lines;
    std::vector<std::wstring> listed;
    for (int row = 0; row < kCauseCount; ++row) {
        const std::wstring options = CauseOptions(kCauses[row]);
        // The console's code page is one of the others on some machines (936 on a Chinese one).
        if (std::find(listed.begin(), listed.end(), options) != listed.end())
            continue;
        listed.push_back(options);
        lines += HelpLine(options, CauseWords(kCauses[row]));
    }
    return lines;
}

std::wstring OtherOptionsHelp()
{
    std::wstring lines;
    std::wstring repeatable;
    for (const OptionRule& rule : kOtherOptions) {
        const std::wstring name = rule.shortName != nullptr ? std::wstring(rule.shortName) + L", " + rule.name : rule.name;
        lines += HelpLine(rule.valueName != nullptr ? name + L" " + rule.valueName : name, rule.help);
        if (rule.repeatable)
            repeatable += (repeatable.empty() ? L"" : L"、") + std::wstring(rule.name);
    }
    return lines + HelpLine(kEndOfOptions, L"其后的参数都是文本") + L"\r\n除 " + repeatable
        + L" 外,每个选项只能给出一次。单字母选项可以连写,如 -cw。\r\n";
}

std::wstring DigestValues()
{
    std::wstring lengths;
    for (size_t digits = 2 * kMinUnnamedDigestBytes; digits <= 2 * kMaxDigestBytes; ++digits) {
        if (!DigestsOfHexLength(digits).any())
            continue;
        const bool last = digits == 2 * kMaxDigestBytes;
        lengths += (lengths.empty() ? L"" : last ? L" 或 " : L"、") + std::to_wstring(digits);
    }
    return L"摘要是 " + lengths
        + L" 位十六进制数字(两位之间可有一个空格、冒号或连字符;开头可少 1 至 3 个 0),"
          L"前面可带算法名,如 sha256: 或 SHA256 加空格;8 位的 CRC32 必须带算法名,如 crc32:352441c2;"
          L"也可以是摘要字节的 Base64、SRI 值(如 sha384-…)或校验清单的一行";
}

std::wstring DigestNameValues()
{
    return DigestNames(DigestSelection().set()) + L",也认 " + OtherDigestNames()
        + L",以及 BLAKE2b-位数(8 的倍数,至多 512,如 blake2b-256,与 b2sum -l 相同);不分大小写,以逗号分隔,每个只列一次";
}

std::wstring EncodingValues()
{
    return InputEncodingValues() + L",或 cp 加这个系统有的代码页号(如 cp936、cp950、cp1252)";
}

std::wstring InputEncodingValues()
{
    std::wstring values;
    for (ByteEncoding encoding : kNamedEncodings)
        values += (values.empty() ? L"" : L"、") + EncodingOptionValue(encoding);
    for (const NamedEncoding& other : kOtherEncodingNames)
        values += std::wstring(L"、") + other.name;
    return values;
}

std::wstring Shortened(const std::wstring& text)
{
    if (text.size() <= kQuotedUnits)
        return text;
    // A cut between the halves of a pair would leave half a character.
    const size_t cut = IS_HIGH_SURROGATE(text[kQuotedUnits - 1]) ? kQuotedUnits - 1 : kQuotedUnits;
    return text.substr(0, cut) + L"…";
}
