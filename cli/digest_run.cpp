#include "cli/digest_run.h"

#include "cli/console_io.h"
#include "cli/digest_report.h"
#include "cli/file_source.h"
#include "cli/input_text.h"
#include "digest/digest_pipeline.h"
#include "digest/parallel_file_digest.h"
#include "support/last_error.h"

namespace {

const wchar_t kFileHeader[] = L"FILE ";

// Writes the report's failures and output; false when standard output
// refused the output (which is reported too).
bool WriteReport(const DigestReport& report)
{
    for (const std::wstring& failure : report.failures)
        ReportProblem(failure);
    if (WriteStandardText(STD_OUTPUT_HANDLE, report.output))
        return true;
    ReportRecordedFailure(L"");
    return false;
}

// The window shows none for a text of no bytes; a script gets what it gets
// for an empty file, the digests of the empty message.
DigestTexts EmptyMessageDigests(HCRYPTPROV provider, DigestSelection selected)
{
    CDigestSet set(provider, selected);
    set.Reset();
    return set.Finish();
}

// Puts the text in the forms the options ask for; false, reported, when the
// platform refuses one.
bool PutInForms(const CliOptions& options, std::wstring& text)
{
    for (TextForm form : options.forms) {
        std::wstring formed;
        if (!TextInForm(text, form, formed)) {
            ReportRecordedFailure(TextFormOptions(form));
            return false;
        }
        text = std::move(formed);
    }
    return true;
}

int DigestText(HCRYPTPROV provider, const CliOptions& options)
{
    std::wstring text;
    const int read = ReadCommandText(options, text);
    if (read != kExitSuccess)
        return read;
    if (!PutInForms(options, text))
        return kExitFailure;
    const DigestTexts digests = text.empty() && !options.withTerminator && !options.byteOrderMark
        ? EmptyMessageDigests(provider, options.selected)
        : ComputeDigestTexts(provider, text.c_str(), text.size(), options.encoding, options.withTerminator,
                             options.selected, options.byteOrderMark);
    // A warning: the digests are right for the bytes, and the exit code stays.
    const std::wstring warning = EncodingLossWarning(digests.loss);
    if (!warning.empty())
        ReportProblem(warning);
    const DigestReport report = ReportDigests(L"", digests, options);
    return WriteReport(report) && report.failures.empty() ? kExitSuccess : kExitFailure;
}

// A file by name on every core; standard input, read from where it stands,
// on this thread.
bool DigestSelectedOfFile(HCRYPTPROV provider, const std::wstring& path, DigestSelection selected, DigestTexts& digests)
{
    if (!NamesStandardInput(path))
        return DigestFileInParallel(provider, selected, path.c_str(), DigestThreadCount(selected), digests);
    CDigestSet set(provider, selected);
    return DigestNamedFile(set, path, digests);
}

DigestReport FileReport(HCRYPTPROV provider, const std::wstring& path, const CliOptions& options)
{
    DigestTexts digests;
    if (DigestSelectedOfFile(provider, path, options.selected, digests))
        return ReportDigests(path, digests, options);
    return {L"", {path + L": " + LastErrorString()}};
}

// Several files: each block begins with a header line naming its file, and an
// empty line parts the blocks.
std::wstring FileHeader(size_t index, const std::wstring& path)
{
    return std::wstring(index == 0 ? L"" : L"\r\n") + kFileHeader + path + L"\r\n";
}

int DigestFiles(HCRYPTPROV provider, const CliOptions& options)
{
    // Tagged lines name their files themselves.
    const bool headed = options.files.size() > 1 && !options.tag;
    bool allDigested = true;
    for (size_t index = 0; index < options.files.size(); ++index) {
        const std::wstring& path = options.files[index];
        DigestReport report = FileReport(provider, path, options);
        if (headed)
            report.output.insert(0, FileHeader(index, path));
        if (!WriteReport(report))
            return kExitFailure;
        allDigested = allDigested && report.failures.empty();
    }
    return allDigested ? kExitSuccess : kExitFailure;
}

}  // namespace

int RunDigests(HCRYPTPROV provider, const CliOptions& options)
{
    return options.files.empty() ? DigestText(provider, options) : DigestFiles(provider, options);
}
