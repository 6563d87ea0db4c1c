#include "cli/command_line.h"

#include <algorithm>
#include <iterator>

#include "cli/file_source.h"
#include "digest/digest_names.h"
#include "digest/expected_digest.h"

namespace {

const wchar_t kEndOfOptions[] = L"--";

// A message quotes at most this many characters of what it refuses.
constexpr size_t kQuotedUnits = 60;

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

bool SameNameIgnoringCase(const std::wstring& text, const wchar_t* name)
{
    return CompareStringOrdinal(text.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
}

// A code page the system has, written "cp936".
bool ReadCodePage(const std::wstring& name, Encoding& encoding)
{
    const size_t prefix = std::size(kCodePagePrefix) - 1;
    if (name.size() <= prefix || name.size() > prefix + 5 || !SameNameIgnoringCase(name.substr(0, prefix), kCodePagePrefix)
        || !std::all_of(name.begin() + prefix, name.end(), [](wchar_t unit) { return unit >= L'0' && unit <= L'9'; }))
        return false;
    const UINT codePage = static_cast<UINT>(std::stoul(name.substr(prefix)));
    // The numbers below 50 stand for the thread's code pages, not for one.
    if (codePage < 50 || !IsValidCodePage(codePage))
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

// A comma-separated list of digest names, each named once; an empty name spoils the list.
bool SelectDigests(CliOptions& options, const std::wstring& list)
{
    DigestSelection selected;
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(L',', start);
        const int row = DigestRowNamed(list.substr(start, comma - start), true);
        if (row < 0 || selected[row])
            return false;
        selected.set(static_cast<size_t>(row));
        if (comma == std::wstring::npos)
            break;
        start = comma + 1;
    }
    options.selected = selected;
    return true;
}

bool SetInputEncoding(CliOptions& options, const std::wstring& value)
{
    Encoding encoding;
    if (!FindEncoding(value, encoding))
        return false;
    options.inputEncoding = encoding.kind;
    return true;
}

bool SetMatch(CliOptions& options, const std::wstring& value)
{
    options.match = ParseExpectedDigest(value.c_str(), value.size());
    options.matchValue = value;
    return options.match.IsDigest() || options.match.passwordScheme != nullptr;
}

bool AddFile(CliOptions& options, const std::wstring& path)
{
    if (path.empty())
        return false;
    options.files.push_back(path);
    return true;
}

template <bool CliOptions::*flag> bool SetFlag(CliOptions& options, const std::wstring&)
{
    options.*flag = true;
    return true;
}

template <CheckOutput output> bool SetCheckOutput(CliOptions& options, const std::wstring&)
{
    options.checkOutput = output;
    return true;
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

bool ApplyCauseOption(const std::wstring& name, const std::wstring& value, CliOptions& options)
{
    if (CausesOfOption(name).front()->kind == CauseKind::Encoding)
        return FindEncoding(value, options.setting.encoding) || ReadCodePage(value, options.setting.encoding);
    const Cause* cause = CauseOfValue(name, value);
    if (cause != nullptr)
        ApplyCause(*cause, options);
    return cause != nullptr;
}

std::wstring CauseValues(const std::wstring& name)
{
    if (CausesOfOption(name).front()->kind == CauseKind::Encoding)
        return EncodingValues();
    std::wstring values;
    for (const Cause* cause : CausesOfOption(name))
        values += (values.empty() ? L"" : L"、") + std::wstring(cause->optionValue);
    return values;
}

struct OptionRule {
    const wchar_t* name;
    bool takesValue;
    // A value given twice would leave one of them unused, and a flag given
    // twice is a slip; only the file list and the flags the usual check
    // tools take repeated may come more than once.
    bool repeatable;
    // False when the option does not accept the value.
    bool (*apply)(CliOptions& options, const std::wstring& value);
    // Meaningful only with --check.
    bool checkOnly = false;
    // Says which values the option takes, for a refused one.
    std::wstring (*values)() = nullptr;
};

// The options that shape the text are the table of causes' own.
const OptionRule kOptionRules[] = {
    {L"--base64", false, false, SetFlag<&CliOptions::base64>},
    {L"--input-encoding", true, false, SetInputEncoding, false, InputEncodingValues},
    {L"--file", true, true, AddFile},
    {L"--only", true, false, SelectDigests, false, DigestNameValues},
    {L"--match", true, false, SetMatch, false, DigestValues},
    {L"--lower", false, false, SetFlag<&CliOptions::lowerCase>},
    {L"--c", false, false, SetFlag<&CliOptions::cArrays>},
    {L"--help", false, true, SetFlag<&CliOptions::help>},
    {L"--version", false, true, SetFlag<&CliOptions::version>},
    {L"--tag", false, false, SetFlag<&CliOptions::tag>},
    {L"--check", false, true, SetFlag<&CliOptions::check>},
    {L"-c", false, true, SetFlag<&CliOptions::check>},
    {L"--quiet", false, true, SetCheckOutput<CheckOutput::Quiet>, true},
    {L"-q", false, true, SetCheckOutput<CheckOutput::Quiet>, true},
    {L"--status", false, true, SetCheckOutput<CheckOutput::Status>, true},
    {L"--warn", false, true, SetCheckOutput<CheckOutput::Warnings>, true},
    {L"-w", false, true, SetCheckOutput<CheckOutput::Warnings>, true},
    {L"--strict", false, true, SetFlag<&CliOptions::strict>, true},
    {L"--ignore-missing", false, true, SetFlag<&CliOptions::ignoreMissing>, true},
};

const OptionRule* FindOptionRule(const std::wstring& name)
{
    for (const OptionRule& rule : kOptionRules) {
        if (name == rule.name)
            return &rule;
    }
    return nullptr;
}

bool IsCauseOption(const std::wstring& name) { return !CausesOfOption(name).empty(); }

bool TakesValue(const std::wstring& name)
{
    const OptionRule* rule = FindOptionRule(name);
    if (rule != nullptr)
        return rule->takesValue;
    const Cause& cause = *CausesOfOption(name).front();
    return cause.kind == CauseKind::Encoding || cause.optionValue != nullptr;
}

// "-" alone is text (as a word it means nothing else here); any other
// argument that starts with '-' is meant as an option, so that a mistyped
// one is refused rather than digested as text.
bool LooksLikeOption(const std::wstring& argument) { return argument.size() > 1 && argument[0] == L'-'; }

std::wstring Quoted(const std::wstring& text) { return L"\"" + Shortened(text) + L"\""; }

// Reads the option at arguments[index], and its value, advancing `index`
// past what it used.
bool ApplyOption(const std::vector<std::wstring>& arguments, size_t& index, CliOptions& options, std::wstring& problem)
{
    const std::wstring& argument = arguments[index];
    const size_t equals = argument.find(L'=');
    const std::wstring name = argument.substr(0, equals);
    const OptionRule* rule = FindOptionRule(name);
    if (rule == nullptr && !IsCauseOption(name)) {
        problem = L"未知选项 " + Quoted(name);
        return false;
    }
    if ((rule == nullptr || !rule->repeatable) && OptionGiven(options, name.c_str())) {
        problem = L"选项 " + name + L" 只能给出一次";
        return false;
    }
    options.given.push_back(name);
    if (rule != nullptr && rule->checkOnly && options.checkOnlyOption.empty())
        options.checkOnlyOption = name;
    std::wstring value;
    if (equals != std::wstring::npos) {
        value = argument.substr(equals + 1);
        if (!TakesValue(name)) {
            problem = L"选项 " + name + L" 不带取值";
            return false;
        }
    } else if (TakesValue(name)) {
        // A following option is not taken for the value: the value was forgotten.
        if (index + 1 == arguments.size() || LooksLikeOption(arguments[index + 1])) {
            problem = L"选项 " + name + L" 缺少取值";
            return false;
        }
        value = arguments[++index];
    }
    if (rule != nullptr ? !rule->apply(options, value) : !ApplyCauseOption(name, value, options)) {
        problem = L"选项 " + name + L" 的取值 " + Quoted(value) + L" 无效";
        const std::wstring values = rule != nullptr ? (rule->values != nullptr ? rule->values() : L"") : CauseValues(name);
        if (!values.empty())
            problem += L"(" + values + L")";
        return false;
    }
    return true;
}

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
        if (rule == nullptr || rule->takesValue)
            return false;
        flags.push_back(flag);
    }
    return true;
}

// The first option given, in the order given, that `selects`; empty when none.
template <typename Selects> std::wstring GivenOption(const CliOptions& options, Selects selects)
{
    const auto given = std::find_if(options.given.begin(), options.given.end(), selects);
    return given == options.given.end() ? std::wstring() : *given;
}

// The kinds of cause a search narrows to when given; it tries the others itself.
bool NarrowsSearch(const std::wstring& name)
{
    const CauseKind kind = CausesOfOption(name).front()->kind;
    return kind == CauseKind::Encoding || kind == CauseKind::Mark || kind == CauseKind::Terminator;
}

// The first option given that shapes a text, which a file's bytes and a check of listed files have none of.
std::wstring GivenTextOnlyOption(const CliOptions& options) { return GivenOption(options, IsCauseOption); }

// An option that shapes a text or its digest lines, which a check of listed
// files has neither of; empty when none was given.
std::wstring GivenOptionUnusedByCheck(const CliOptions& options)
{
    const std::wstring textOnly = GivenTextOnlyOption(options);
    if (!textOnly.empty())
        return textOnly;
    if (OptionGiven(options, L"--input-encoding"))
        return L"--input-encoding";
    if (options.base64)
        return L"--base64";
    return options.lowerCase ? L"--lower" : L"";
}

bool BothCasesAsked(const CliOptions& options)
{
    const auto asked = [&options](TextForm form) {
        return std::find(options.forms.begin(), options.forms.end(), form) != options.forms.end();
    };
    return asked(TextForm::UpperCase) && asked(TextForm::LowerCase);
}

// An option that shapes the text as characters, which the text read as data has not.
std::wstring TextAsConflict(const CliOptions& options)
{
    return GivenOption(options, [](const std::wstring& name) {
        return IsCauseOption(name) && name != L"--text-as" && name != L"--twice";
    });
}

// An option that sets what --match tries by itself.
std::wstring SearchedOption(const CliOptions& options)
{
    return GivenOption(options, [](const std::wstring& name) { return IsCauseOption(name) && !NarrowsSearch(name); });
}

// Combinations that would give output other than asked for, or leave an
// option unused.
bool CheckCombination(const CliOptions& options, std::wstring& problem)
{
    const bool readsInputText = options.files.empty() && options.words.empty();
    const bool matching = !options.matchValue.empty();
    const TextSetting& setting = options.setting;
    if (!options.files.empty() && !options.words.empty())
        problem = L"文本参数 " + Quoted(options.words.front()) + L" 不能与 --file 同用";
    else if (!options.files.empty() && !GivenTextOnlyOption(options).empty())
        problem = L"选项 " + GivenTextOnlyOption(options) + L" 不能与 --file 同用(文件按原样字节计算)";
    else if (options.check && !GivenOptionUnusedByCheck(options).empty())
        problem = L"选项 " + GivenOptionUnusedByCheck(options) + L" 不能与 --check 同用(清单所列文件按原样字节校验)";
    else if (!readsInputText && OptionGiven(options, L"--input-encoding"))
        problem = L"选项 --input-encoding 只用于从标准输入读取的文本,不能与文本参数或 --file 同用";
    else if (options.cArrays && options.lowerCase)
        problem = L"选项 --c 不能与 --lower 同用(C 代码里的十六进制是大写)";
    else if (options.cArrays && options.selected != ShownDigests())
        problem = L"选项 --c 不能与 --only 同用(C 代码总含七个摘要)";
    else if (options.cArrays && options.files.size() > 1)
        problem = L"选项 --c 只能用于一个文件";
    else if (std::count_if(options.files.begin(), options.files.end(), NamesStandardInput) > 1)
        problem = L"标准输入只能读一次,--file 只能有一个指向它";
    else if (matching && (!options.files.empty() || options.cArrays))
        problem = L"选项 --match 不能与 --file 或 --c 同用(它只查找文本的设置)";
    else if (matching && (options.lowerCase || options.base64))
        problem = std::wstring(L"选项 ") + (options.base64 ? L"--base64" : L"--lower")
            + L" 不能与 --match 同用(它不输出摘要)";
    else if (matching && !SearchedOption(options).empty())
        problem = L"选项 " + SearchedOption(options) + L" 不能与 --match 同用(--match 自己会试这些设置)";
    else if (matching && EncodingCause(setting.encoding) == nullptr)
        problem = L"选项 --encoding " + EncodingOptionValue(setting.encoding)
            + L" 不能与 --match 同用(查找只试 --help 所列的代码页)";
    else if (setting.byteOrderMark && ByteOrderMark(setting.encoding).empty()
             && (!matching || OptionGiven(options, L"--encoding")))
        problem = L"选项 --bom 只用于 utf8、utf16le 和 utf16be 编码(代码页没有字节顺序标记)";
    else if (setting.data != DataReading::None && !TextAsConflict(options).empty())
        problem = L"选项 " + TextAsConflict(options) + L" 不能与 --text-as 同用(当作数据的文本没有编码和文本形式)";
    else if (OptionGiven(options, L"--add-final-break") && OptionGiven(options, L"--drop-final-break"))
        problem = L"选项 --add-final-break 不能与 --drop-final-break 同用";
    else if (BothCasesAsked(options))
        problem = L"选项 --upper-text 不能与 --lower-text 同用";
    else if (options.base64 && (options.lowerCase || options.cArrays))
        problem = std::wstring(L"选项 --base64 不能与 ") + (options.lowerCase ? L"--lower" : L"--c") + L" 同用";
    else if (matching && OptionGiven(options, L"--only") && (options.match.digests & options.selected).none()
             && options.match.IsDigest())
        problem = L"选项 --only 所选的摘要都不会是 --match 的摘要";
    else if (options.check && matching)
        problem = L"选项 --check 不能与 --match 同用";
    else if (!options.check && !options.checkOnlyOption.empty())
        problem = L"选项 " + options.checkOnlyOption + L" 只用于 --check";
    else if (options.check && !options.files.empty())
        problem = L"选项 --check 不能与 --file 同用(要校验的文件列在清单里)";
    else if (options.check && (options.tag || options.cArrays))
        problem = std::wstring(L"选项 --check 不能与 ") + (options.tag ? L"--tag" : L"--c") + L" 同用";
    else if (options.tag && options.files.empty())
        problem = L"选项 --tag 只用于 --file";
    else if (options.tag && options.cArrays)
        problem = L"选项 --tag 不能与 --c 同用";
    return problem.empty();
}

}  // namespace

bool OptionGiven(const CliOptions& options, const wchar_t* name)
{
    return std::find(options.given.begin(), options.given.end(), name) != options.given.end();
}

bool ParseCommandLine(const std::vector<std::wstring>& given, CliOptions& options, std::wstring& problem)
{
    std::vector<std::wstring> arguments;
    std::vector<std::wstring> flags;
    for (const std::wstring& argument : given) {
        const bool split = std::find(arguments.begin(), arguments.end(), kEndOfOptions) == arguments.end()
            && FindOptionRule(argument) == nullptr && SplitShortFlags(argument, flags);
        if (split)
            arguments.insert(arguments.end(), flags.begin(), flags.end());
        else
            arguments.push_back(argument);
    }
    bool optionsEnded = false;
    for (size_t index = 0; index < arguments.size(); ++index) {
        const std::wstring& argument = arguments[index];
        if (optionsEnded || !LooksLikeOption(argument))
            options.words.push_back(argument);
        else if (argument == kEndOfOptions)
            optionsEnded = true;
        else if (!ApplyOption(arguments, index, options, problem))
            return false;
    }
    return options.help || options.version || CheckCombination(options, problem);
}

std::wstring CauseOptionsHelp()
{
    constexpr size_t kWordsColumn = 38;
    std::wstring lines;
    for (int row = 0; row < kCauseCount; ++row) {
        std::wstring line = L"  " + CauseOptions(kCauses[row]);
        line.resize(std::max(kWordsColumn, line.size() + 1), L' ');
        lines += line + CauseWords(kCauses[row]) + L"\r\n";
    }
    return lines;
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
    return DigestNames(DigestSelection().set()) + L",也认 " + OtherDigestNames() + L";不分大小写,以逗号分隔,每个只列一次";
}

std::wstring EncodingValues()
{
    return InputEncodingValues() + L",或 cp 加代码页号(如 cp936、cp950、cp1252)";
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
