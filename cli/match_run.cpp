#include "cli/match_run.h"

#include <algorithm>

#include "cli/console_io.h"
#include "cli/digest_report.h"
#include "cli/input_text.h"
#include "digest/digest_names.h"
#include "digest/expected_digest.h"

namespace {

// The settings the options fix: the digests of --only, and the encoding and
// terminator when given.
SearchScope ScopeOf(const CliOptions& options)
{
    SearchScope scope;
    scope.digests = options.only.value_or(AllDigests());
    scope.encoding = options.encoding;
    scope.key = options.key;
    scope.prefix = options.setting.prefix;
    scope.byteOrderMarkOnly = options.setting.byteOrderMark;
    scope.terminatorOnly = options.setting.withTerminator;
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
std::wstring NothingFound(const CliOptions& options, const SearchScope& scope, const SearchResult& found)
{
    return L"文本在以下设置及其各种组合下,其 " + DigestNames(found.digests) + L" 都不是摘要 "
        + HexOf(options.match->value) + L": " + TriedCausesWords(found, scope, L"; ", EncodingName) + L"。"
        + BeyondTheSearchWords(options.key.has_value(), L"请用 --hmac 密钥（或 --hmac-file 密钥文件）");
}

// The causes whose options alone leave unclear what they did: how the line
// breaks changed, another machine's code page, the text read as data, a
// digest of a digest.
bool NeedsWords(const Cause& cause)
{
    switch (cause.kind) {
    case CauseKind::LineBreaks:
    case CauseKind::Ending:
    case CauseKind::Data:
    case CauseKind::Twice:
        return true;
    case CauseKind::Encoding:
        return EncodingOf(cause).kind == ByteEncoding::CodePage;
    case CauseKind::KeyEnding:
    case CauseKind::KeyUse:
        return true;
    case CauseKind::Mark:
    case CauseKind::Terminator:
    case CauseKind::Form:
    case CauseKind::Prefix:
    case CauseKind::KeyReading:
        break;
    }
    return false;
}

}  // namespace

std::wstring SettingAsOptions(const SettingMatch& match)
{
    std::wstring words;
    for (const Cause* cause : CausesOf(match.setting)) {
        if (NeedsWords(*cause))
            words += (words.empty() ? L"" : L"，") + CauseWords(*cause);
    }
    if (match.loss.count != 0)
        words += (words.empty() ? L"" : L"，") + EncodingLossName(match.loss) + L" 替换了文本中的 "
            + std::to_wstring(match.loss.count) + L" 个字符";
    const std::wstring options = MatchOptions(match.row, match.setting);
    return words.empty() ? options : options + L"  # " + words;
}

int RunMatch(HCRYPTPROV provider, const CliOptions& options)
{
    // No text gives a salted password hash: the text does not matter.
    const ExpectedDigest& match = *options.match;
    if (!match.IsDigest()) {
        ReportProblem(PasswordHashWords(match));
        return kExitFailure;
    }
    std::wstring text;
    const int read = ReadCommandText(options, text);
    if (read != kExitSuccess)
        return read;
    if (match.zerosLost != 0)
        ReportProblem(ZerosLostWords(match));
    const SearchScope scope = ScopeOf(options);
    const SearchResult found = FindSettingsGiving(provider, text.c_str(), text.size(), match, scope);
    if (found.matches.empty()) {
        ReportProblem(found.failure.empty() ? NothingFound(options, scope, found)
                                            : L"没能查完各种设置: " + found.failure);
        return kExitFailure;
    }
    WarnOfLosses(found.matches);
    if (WriteStandardText(STD_OUTPUT_HANDLE, MatchLines(found.matches)))
        return kExitSuccess;
    ReportRecordedFailure(L"");
    return kExitFailure;
}
