#include "cli/command_line.h"

#include <algorithm>

#include "cli/file_source.h"
#include "digest/digest_names.h"
#include "digest/expected_digest.h"

namespace {

const wchar_t kEndOfOptions[] = L"--";

struct NamedEncoding {
    const wchar_t* name;
    ByteEncoding encoding;
};

// The first name of each encoding is the one the program writes.
const NamedEncoding kEncodingNames[] = {
    {L"ansi", ByteEncoding::Ansi},        {L"utf16le", ByteEncoding::Utf16Le},  {L"utf8", ByteEncoding::Utf8},
    {L"utf16be", ByteEncoding::Utf16Be},  {L"utf-16le", ByteEncoding::Utf16Le}, {L"utf-8", ByteEncoding::Utf8},
    {L"utf-16be", ByteEncoding::Utf16Be},
};

// The forms --normalize names, and the flags of the others, in the order in
// which they apply to the text.
struct NamedForm {
    const wchar_t* option;
    const wchar_t* value;  // null for a flag
    TextForm form;
};

const NamedForm kFormOptions[] = {
    {L"--normalize", L"nfc", TextForm::Nfc},         {L"--normalize", L"nfd", TextForm::Nfd},
    {L"--normalize", L"nfkc", TextForm::Nfkc},       {L"--upper-text", nullptr, TextForm::UpperCase},
    {L"--lower-text", nullptr, TextForm::LowerCase}, {L"--trim-lines", nullptr, TextForm::LineEndsTrimmed},
    {L"--trim", nullptr, TextForm::Trimmed},
};

bool SameNameIgnoringCase(const std::wstring& text, const wchar_t* name)
{
    return CompareStringOrdinal(text.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL;
}

bool FindEncoding(const std::wstring& name, ByteEncoding& encoding)
{
    for (const NamedEncoding& known : kEncodingNames) {
        if (SameNameIgnoringCase(name, known.name)) {
            encoding = known.encoding;
            return true;
        }
    }
    return false;
}

bool SelectDigest(const std::wstring& name, DigestSelection& selected)
{
    const int row = DigestRowNamed(name, true);
    if (row >= 0)
        selected.set(static_cast<size_t>(row));
    return row >= 0;
}

// A comma-separated list of digest names; an empty name spoils the list.
bool SelectDigests(CliOptions& options, const std::wstring& list)
{
    DigestSelection selected;
    size_t start = 0;
    for (;;) {
        const size_t comma = list.find(L',', start);
        if (!SelectDigest(list.substr(start, comma - start), selected))
            return false;
        if (comma == std::wstring::npos)
            break;
        start = comma + 1;
    }
    options.selected = selected;
    return true;
}

bool SetInputEncoding(CliOptions& options, const std::wstring& value)
{
    return FindEncoding(value, options.inputEncoding);
}

bool SetEncoding(CliOptions& options, const std::wstring& value) { return FindEncoding(value, options.encoding); }

bool SetMatch(CliOptions& options, const std::wstring& value)
{
    options.match = ParseExpectedDigest(value.c_str(), value.size());
    options.matchValue = value;
    return !options.match.hex.empty();
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

// Keeps the forms in the order in which they apply, whatever the order given.
void AddForm(CliOptions& options, TextForm form)
{
    options.forms.push_back(form);
    std::sort(options.forms.begin(), options.forms.end(), [](TextForm a, TextForm b) {
        const auto place = [](TextForm form) {
            return std::find_if(std::begin(kFormOptions), std::end(kFormOptions),
                                [form](const NamedForm& named) { return named.form == form; });
        };
        return place(a) < place(b);
    });
}

bool SetNormalization(CliOptions& options, const std::wstring& value)
{
    for (const NamedForm& named : kFormOptions) {
        if (named.value != nullptr && SameNameIgnoringCase(value, named.value)) {
            AddForm(options, named.form);
            return true;
        }
    }
    return false;
}

template <TextForm form> bool SetForm(CliOptions& options, const std::wstring&)
{
    AddForm(options, form);
    return true;
}

// What a refused value of an option could have been.
std::wstring EncodingValues() { return L"ansi、utf16le、utf8 或 utf16be"; }

std::wstring NormalizationValues() { return L"nfc、nfd 或 nfkc"; }

std::wstring DigestNameValues()
{
    std::wstring names;
    for (const DigestKind& kind : kDigestTable)
        names += (names.empty() ? L"" : L"、") + std::wstring(kind.name);
    return names + L",不分大小写,以逗号分隔";
}

std::wstring DigestValues()
{
    std::wstring lengths;
    for (size_t digits = 1; digits <= 2 * kMaxDigestBytes; ++digits) {
        if (!DigestsOfHexLength(digits).any())
            continue;
        const bool last = digits == 2 * kMaxDigestBytes;
        lengths += (lengths.empty() ? L"" : last ? L" 或 " : L"、") + std::to_wstring(digits);
    }
    return L"摘要是 " + lengths + L" 位十六进制数字(两位之间可有一个空格、冒号或连字符,前面可带算法名,如 sha256:),"
        L"或摘要字节的 Base64,或 SRI 值(如 sha384-…),或校验清单的一行";
}

struct OptionRule {
    const wchar_t* name;
    bool takesValue;
    // A value given twice would leave one of them unused; a flag given twice means it once.
    bool repeatable;
    // False when the option does not accept the value.
    bool (*apply)(CliOptions& options, const std::wstring& value);
    // Meaningful only with --check.
    bool checkOnly = false;
    // Says which values the option takes, for a refused one.
    std::wstring (*values)() = nullptr;
};

const OptionRule kOptionRules[] = {
    {L"--encoding", true, false, SetEncoding, false, EncodingValues},
    {L"--terminator", false, true, SetFlag<&CliOptions::withTerminator>},
    {L"--bom", false, true, SetFlag<&CliOptions::byteOrderMark>},
    {L"--normalize", true, false, SetNormalization, false, NormalizationValues},
    {L"--upper-text", false, true, SetForm<TextForm::UpperCase>},
    {L"--lower-text", false, true, SetForm<TextForm::LowerCase>},
    {L"--trim-lines", false, true, SetForm<TextForm::LineEndsTrimmed>},
    {L"--trim", false, true, SetForm<TextForm::Trimmed>},
    {L"--base64", false, true, SetFlag<&CliOptions::base64>},
    {L"--input-encoding", true, false, SetInputEncoding, false, EncodingValues},
    {L"--file", true, true, AddFile},
    {L"--only", true, false, SelectDigests, false, DigestNameValues},
    {L"--match", true, false, SetMatch, false, DigestValues},
    {L"--lower", false, true, SetFlag<&CliOptions::lowerCase>},
    {L"--c", false, true, SetFlag<&CliOptions::cArrays>},
    {L"--help", false, true, SetFlag<&CliOptions::help>},
    {L"--version", false, true, SetFlag<&CliOptions::version>},
    {L"--tag", false, true, SetFlag<&CliOptions::tag>},
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

// "-" alone is text (as a word it means nothing else here); any other
// argument that starts with '-' is meant as an option, so that a mistyped
// one is refused rather than digested as text.
bool LooksLikeOption(const std::wstring& argument) { return argument.size() > 1 && argument[0] == L'-'; }

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

// Reads the option at arguments[index], and its value, advancing `index`
// past what it used.
bool ApplyOption(const std::vector<std::wstring>& arguments, size_t& index, CliOptions& options, std::wstring& problem)
{
    const std::wstring& argument = arguments[index];
    const size_t equals = argument.find(L'=');
    const std::wstring name = argument.substr(0, equals);
    const OptionRule* rule = FindOptionRule(name);
    if (rule == nullptr) {
        problem = L"未知选项 " + Quoted(name);
        return false;
    }
    if (!rule->repeatable && OptionGiven(options, rule->name)) {
        problem = L"选项 " + name + L" 只能给出一次";
        return false;
    }
    options.given.push_back(name);
    if (rule->checkOnly && options.checkOnlyOption.empty())
        options.checkOnlyOption = name;
    std::wstring value;
    if (equals != std::wstring::npos) {
        value = argument.substr(equals + 1);
        if (!rule->takesValue) {
            problem = L"选项 " + name + L" 不带取值";
            return false;
        }
    } else if (rule->takesValue) {
        // A following option is not taken for the value: the value was forgotten.
        if (index + 1 == arguments.size() || LooksLikeOption(arguments[index + 1])) {
            problem = L"选项 " + name + L" 缺少取值";
            return false;
        }
        value = arguments[++index];
    }
    if (!rule->apply(options, value)) {
        problem = L"选项 " + name + L" 的取值 " + Quoted(value) + L" 无效";
        if (rule->values != nullptr)
            problem += L"(" + rule->values() + L")";
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

// How a text becomes bytes; a file's bytes are taken as they are.
const wchar_t* const kTextOnlyOptions[] = {L"--encoding",   L"--terminator", L"--bom",        L"--normalize",
                                           L"--upper-text", L"--lower-text", L"--trim-lines", L"--trim"};

// The options that put the text in another form, which a search tries by itself.
const wchar_t* const kFormOptionNames[] = {L"--normalize", L"--upper-text", L"--lower-text", L"--trim-lines",
                                           L"--trim"};

// The first of `names` given, or null.
template <size_t count> const wchar_t* GivenOption(const CliOptions& options, const wchar_t* const (&names)[count])
{
    for (const wchar_t* name : names) {
        if (OptionGiven(options, name))
            return name;
    }
    return nullptr;
}

bool BothCasesAsked(const CliOptions& options)
{
    const auto asked = [&options](TextForm form) {
        return std::find(options.forms.begin(), options.forms.end(), form) != options.forms.end();
    };
    return asked(TextForm::UpperCase) && asked(TextForm::LowerCase);
}

// The first option given that shapes a text, or null.
const wchar_t* GivenTextOnlyOption(const CliOptions& options) { return GivenOption(options, kTextOnlyOptions); }

// An option that shapes a text or its digest lines, which a check of listed
// files has neither of; null when none was given.
const wchar_t* GivenOptionUnusedByCheck(const CliOptions& options)
{
    if (const wchar_t* textOnly = GivenTextOnlyOption(options))
        return textOnly;
    if (OptionGiven(options, L"--input-encoding"))
        return L"--input-encoding";
    if (options.base64)
        return L"--base64";
    return options.lowerCase ? L"--lower" : nullptr;
}

// Combinations that would give output other than asked for, or leave an
// option unused.
bool CheckCombination(const CliOptions& options, std::wstring& problem)
{
    const bool readsInputText = options.files.empty() && options.words.empty();
    const bool matching = !options.match.hex.empty();
    if (!options.files.empty() && !options.words.empty())
        problem = L"文本参数 " + Quoted(options.words.front()) + L" 不能与 --file 同用";
    else if (!options.files.empty() && GivenTextOnlyOption(options) != nullptr)
        problem = std::wstring(L"选项 ") + GivenTextOnlyOption(options) + L" 不能与 --file 同用(文件按原样字节计算)";
    else if (options.check && GivenOptionUnusedByCheck(options) != nullptr)
        problem = std::wstring(L"选项 ") + GivenOptionUnusedByCheck(options)
            + L" 不能与 --check 同用(清单所列文件按原样字节校验)";
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
    else if (matching && GivenOption(options, kFormOptionNames) != nullptr)
        problem = std::wstring(L"选项 ") + GivenOption(options, kFormOptionNames)
            + L" 不能与 --match 同用(--match 自己会试文本的各种形式)";
    else if (options.byteOrderMark && options.encoding == ByteEncoding::Ansi
             && (!matching || OptionGiven(options, L"--encoding")))
        problem = L"选项 --bom 只用于 utf8、utf16le 和 utf16be 编码(ANSI 代码页没有字节顺序标记)";
    else if (BothCasesAsked(options))
        problem = L"选项 --upper-text 不能与 --lower-text 同用";
    else if (options.base64 && (options.lowerCase || options.cArrays))
        problem = std::wstring(L"选项 --base64 不能与 ") + (options.lowerCase ? L"--lower" : L"--c") + L" 同用";
    else if (matching && OptionGiven(options, L"--only") && (options.match.digests & options.selected).none())
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

std::wstring TextFormOptions(TextForm form)
{
    for (const NamedForm& named : kFormOptions) {
        if (named.form == form)
            return named.value == nullptr ? named.option : std::wstring(named.option) + L" " + named.value;
    }
    return L"";
}

const wchar_t* EncodingOptionName(ByteEncoding encoding)
{
    for (const NamedEncoding& known : kEncodingNames) {
        if (known.encoding == encoding)
            return known.name;
    }
    return L"";
}
