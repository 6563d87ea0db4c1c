#include "cli/match_run.h"

#include "cli/console_io.h"
#include "cli/digest_report.h"
#include "cli/input_text.h"

namespace {

std::wstring MatchLines(const std::vector<SettingMatch>& matches)
{
    std::wstring lines;
    for (const SettingMatch& match : matches)
        lines += SettingAsOptions(match) + L"\r\n";
    return lines;
}

}  // namespace

std::wstring SettingAsOptions(const SettingMatch& match)
{
    const TextSetting& setting = match.setting;
    std::wstring options = L"--only " + LowerCaseAscii(kDigestTable[match.row].name) + L" --encoding "
        + EncodingOptionName(setting.encoding);
    if (setting.withTerminator)
        options += L" --terminator";
    const std::wstring lineBreaks = LineBreakWords(setting.lineBreaks);
    if (!lineBreaks.empty())
        options += L"  # " + lineBreaks;
    return options;
}

int RunMatch(HCRYPTPROV provider, const CliOptions& options)
{
    std::wstring text;
    const int read = ReadCommandText(options, text);
    if (read != kExitSuccess)
        return read;
    const std::vector<SettingMatch> matches =
        FindSettingsGiving(provider, text.c_str(), text.size(), options.match, false);
    if (matches.empty()) {
        ReportProblem(L"文本在任何编码、终结符和换行设置下都不给出摘要 " + options.match);
        return kExitFailure;
    }
    if (WriteStandardText(STD_OUTPUT_HANDLE, MatchLines(matches)))
        return kExitSuccess;
    ReportRecordedFailure(L"");
    return kExitFailure;
}
