#include "cli/digest_report.h"

#include "digest/c_array_export.h"

namespace {

const wchar_t kLineEnd[] = L"\r\n";

std::wstring LowerCaseHex(std::wstring hex)
{
    for (wchar_t& digit : hex) {
        if (digit >= L'A' && digit <= L'F')
            digit = static_cast<wchar_t>(digit - L'A' + L'a');
    }
    return hex;
}

std::wstring DigestLine(int digest, const std::wstring& hex, bool lowerCase)
{
    return std::wstring(kDigestTable[digest].name) + L' ' + (lowerCase ? LowerCaseHex(hex) : hex) + kLineEnd;
}

std::wstring Labelled(const std::wstring& label, const std::wstring& text)
{
    return label.empty() ? text : label + L": " + text;
}

std::wstring DigestLines(const DigestTexts& digests, const CliOptions& options)
{
    std::wstring lines;
    for (int digest = 0; digest < kDigestCount; ++digest) {
        if (options.selected[digest] && !digests.failed[digest])
            lines += DigestLine(digest, digests.texts[digest], options.lowerCase);
    }
    return lines;
}

// Nothing to export when the text could not be digested.
std::wstring CopyAsCText(const DigestTexts& digests)
{
    return digests.hasDigests ? BuildCArrayExport(digests.texts) : std::wstring();
}

}  // namespace

DigestReport ReportDigests(const std::wstring& label, const DigestTexts& digests, const CliOptions& options)
{
    DigestReport report;
    report.output = options.cArrays ? CopyAsCText(digests) : DigestLines(digests, options);
    for (int digest = 0; digest < kDigestCount; ++digest) {
        if (options.selected[digest] && digests.failed[digest])
            report.failures.push_back(Labelled(label, kDigestTable[digest].name + (L": " + digests.texts[digest])));
    }
    return report;
}
