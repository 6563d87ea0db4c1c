#include "cli/match_run.h"

#include <algorithm>

#include "cli/console_io.h"
#include "cli/digest_report.h"
#include "cli/input_text.h"
#include "digest/expected_digest.h"

namespace {

// The settings the options fix: the digests of --only, and the encoding and
// terminator when given.
SearchScope ScopeOf(const CliOptions& options)
{
    SearchScope scope;
    if (OptionGiven(options, L"--only"))
        scope.digests = options.selected;
    if (OptionGiven(options, L"--encoding"))
        scope.encoding = options.encoding;
    scope.byteOrderMarkOnly = options.byteOrderMark;
    scope.terminatorOnly = options.withTerminator;
    return scope;
}

std::wstring MatchLines(const std::vector<SettingMatch>& matches)
{
    std::wstring lines;
    for (const SettingMatch& match : matches)
        lines += SettingAsOptions(match) + L"\r\n";
    return lines;
}

// One warning for each encoding that replaced characters in a match.
void WarnOfLosses(const std::vector<SettingMatch>& matches)
{
    std::vector<UINT> warned;
    for (const SettingMatch& match : matches) {
        const UINT codePage = match.loss.codePage;
        if (match.loss.count == 0 || std::find(warned.begin(), warned.end(), codePage) != warned.end())
            continue;
        warned.push_back(codePage);
        ReportProblem(EncodingLossWarning(match.loss));
    }
}

// What a search that found nothing tried, and the digest it looked for.
std::wstring NothingFound(const CliOptions& options, const SearchScope& scope)
{
    std::wstring names;
    const DigestSelection searched = options.match.digests & scope.digests;
    for (int row = 0; row < kDigestCount; ++row) {
        if (searched[row])
            names += (names.empty() ? L"" : L"、") + std::wstring(kDigestTable[row].name);
    }
    const std::wstring encoding = (scope.encoding ? L" " + EncodingName(*scope.encoding) + L" 编码" : L"任何编码")
        + (scope.byteOrderMarkOnly ? L"(带 BOM)" : L"");
    const wchar_t* terminator = scope.terminatorOnly ? L"包含终结符" : L"有无终结符";
    return L"文本在" + encoding + L"、" + terminator
        + L"、任何换行设置和各种文本形式(NFC、NFD、NFKC、大小写、空白)下,其 " + names + L" 都不是摘要 "
        + options.matchValue;
}

}  // namespace

std::wstring SettingAsOptions(const SettingMatch& match)
{
    const TextSetting& setting = match.setting;
    std::wstring options = L"--only " + LowerCaseAscii(kDigestTable[match.row].name) + L" --encoding "
        + EncodingOptionName(setting.encoding);
    if (setting.byteOrderMark)
        options += L" --bom";
    if (setting.withTerminator)
        options += L" --terminator";
    if (setting.form != TextForm::AsTyped)
        options += L" " + TextFormOptions(setting.form);
    std::wstring words = LineBreakWords(setting.lineBreaks);
    if (match.loss.count != 0)
        words += (words.empty() ? L"" : L"，") + EncodingLossName(match.loss) + L" 替换了文本中的 "
            + std::to_wstring(match.loss.count) + L" 个字符";
    if (!words.empty())
        options += L"  # " + words;
    return options;
}

int RunMatch(HCRYPTPROV provider, const CliOptions& options)
{
    std::wstring text;
    const int read = ReadCommandText(options, text);
    if (read != kExitSuccess)
        return read;
    const SearchScope scope = ScopeOf(options);
    const SearchResult found = FindSettingsGiving(provider, text.c_str(), text.size(), options.match, scope);
    if (found.matches.empty()) {
        ReportProblem(found.failure.empty() ? NothingFound(options, scope) : L"没能查完各种设置: " + found.failure);
        return kExitFailure;
    }
    WarnOfLosses(found.matches);
    if (WriteStandardText(STD_OUTPUT_HANDLE, MatchLines(found.matches)))
        return kExitSuccess;
    ReportRecordedFailure(L"");
    return kExitFailure;
}
