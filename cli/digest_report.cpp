#include "cli/digest_report.h"

#include "cli/checksum_list.h"
#include "digest/digest_names.h"
#include "digest/c_array_export.h"
#include "text/base64.h"

namespace {

const wchar_t kLineEnd[] = L"\r\n";

// "NAME HEX", or with --tag the tagged line of the file `label`; a keyed
// digest goes by its keyed name ("HMAC-SHA256"), never taken for a plain one.
std::wstring DigestLine(int digest, const std::wstring& label, const DigestTexts& digests, const CliOptions& options)
{
    const DigestValue& value = digests.values[digest];
    const std::wstring name = DigestLineName(digest, digests.keyed, value.length);
    const std::wstring hex = HexOf(value);
    const std::wstring shown = options.base64 ? EncodeBase64(value.bytes.data(), value.length)
        : options.lowerCase                   ? LowerCaseAscii(hex)
                                              : hex;
    return (options.tag ? TaggedLine(name.c_str(), label, shown) : name + (L' ' + shown)) + kLineEnd;
}

std::wstring Labelled(const std::wstring& label, const std::wstring& text)
{
    return label.empty() ? text : label + L": " + text;
}

std::wstring DigestLines(const std::wstring& label, const DigestTexts& digests, const CliOptions& options)
{
    std::wstring lines;
    for (int digest = 0; digest < kDigestCount; ++digest) {
        if (options.Selected()[digest] && !digests.failed[digest])
            lines += DigestLine(digest, label, digests, options);
    }
    return lines;
}

// Nothing to export when the text could not be digested.
std::wstring CopyAsCText(const DigestTexts& digests)
{
    return digests.hasDigests ? BuildCArrayExport(digests) : std::wstring();
}

}  // namespace

std::wstring LowerCaseAscii(std::wstring text)
{
    for (wchar_t& unit : text) {
        if (unit >= L'A' && unit <= L'Z')
            unit = static_cast<wchar_t>(unit - L'A' + L'a');
    }
    return text;
}

std::wstring EncodingLossWarning(const EncodingLoss& loss)
{
    if (loss.count == 0)
        return std::wstring();
    return L"警告: "
        + EncodingLossSentence(loss, {L"文本中", L"摘要", L",", L";", L"(--encoding utf16le 可按原文计算)"});
}

DigestReport ReportDigests(const std::wstring& label, const DigestTexts& digests, const CliOptions& options)
{
    DigestReport report;
    report.output = options.cArrays ? CopyAsCText(digests) : DigestLines(label, digests, options);
    for (int digest = 0; digest < kDigestCount; ++digest) {
        if (options.Selected()[digest] && digests.failed[digest])
            report.failures.push_back(
                Labelled(label, DigestLineName(digest, digests.keyed, kDigestTable[digest].length) + (L": " + digests.texts[digest])));
    }
    return report;
}
