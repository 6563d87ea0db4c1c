#include "cli/digest_report.h"

#include "app/c_array_export.h"

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
    return std::wstring(kDigestNames[digest]) + L' ' + (lowerCase ? LowerCaseHex(hex) : hex) + kLineEnd;
}

std::wstring Labelled(const std::wstring& label, const std::wstring& text)
{
    return label.empty() ? text : label + L": " + text;
}

}  // namespace

DigestReport ReportDigests(const std::wstring& label, const DigestTexts& digests, const CliOptions& options)
{
    DigestReport report;
    for (int digest = 0; digest < kDigestCount; ++digest) {
        if (!options.selected[digest])
            continue;
        const std::wstring& text = digests.texts[digest];
        if (digests.failed[digest])
            report.failures.push_back(Labelled(label, std::wstring(kDigestNames[digest]) + L": " + text));
        else if (!options.cArrays)
            report.output += DigestLine(digest, text, options.lowerCase);
    }
    // The window offers nothing to copy when the text could not be digested.
    if (options.cArrays && digests.copyEnabled)
        report.output = BuildCArrayExport(digests.texts);
    return report;
}
