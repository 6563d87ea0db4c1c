#include "cli/digest_run.h"

#include "digest/digest_pipeline.h"
#include "digest/file_digest.h"
#include "digest/parallel_file_digest.h"
#include "cli/check_run.h"
#include "cli/console_io.h"
#include "cli/digest_report.h"
#include "cli/encoding_loss_warning.h"
#include "cli/input_text.h"
#include "hash/provider_digest.h"
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

std::wstring JoinWords(const std::vector<std::wstring>& words)
{
    std::wstring text = words.front();
    for (size_t i = 1; i < words.size(); ++i)
        text += L' ' + words[i];
    return text;
}

int ReadStandardInputText(const CliOptions& options, std::wstring& text)
{
    // What a console hands over is neither what the user typed nor in the
    // encoding asked for.
    if (IsConsole(GetStdHandle(STD_INPUT_HANDLE))) {
        ReportUsageProblem(L"没有文本参数,而标准输入是控制台;请给出文本,或把文本从管道或文件送入标准输入");
        return kExitRefused;
    }
    std::string bytes;
    InputText input;
    // An encoding given is what the user knows; a mark only stands in for it.
    const bool markDecides = !OptionGiven(options, L"--input-encoding");
    if (!ReadStandardInput(bytes) || !DecodeInputText(bytes, options.inputEncoding, markDecides, input)) {
        ReportRecordedFailure(L"");
        return kExitFailure;
    }
    if (input.invalid) {
        ReportProblem(L"标准输入在字节偏移 " + std::to_wstring(input.invalidOffset) + L" 处不是有效的 "
                      + input.encodingName + L" 文本(输入的编码见 --input-encoding)");
        return kExitRefused;
    }
    text = std::move(input.text);
    return kExitSuccess;
}

// The window shows none for a text of no bytes; a script gets what it gets
// for an empty file, the digests of the empty message.
DigestTexts EmptyMessageDigests(HCRYPTPROV provider, DigestSelection selected)
{
    CDigestSet set(provider, selected);
    set.Reset();
    return set.Finish();
}

int DigestText(HCRYPTPROV provider, const CliOptions& options)
{
    std::wstring text;
    const int read = ReadCommandText(options, text);
    if (read != kExitSuccess)
        return read;
    const DigestTexts digests = text.empty() && !options.withTerminator
        ? EmptyMessageDigests(provider, options.selected)
        : ComputeDigestTexts(provider, text.c_str(), text.size(), options.encoding, options.withTerminator,
                             options.selected);
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

int ReadCommandText(const CliOptions& options, std::wstring& text)
{
    if (options.words.empty())
        return ReadStandardInputText(options, text);
    text = JoinWords(options.words);
    return kExitSuccess;
}

bool DigestNamedFile(CDigestSet& set, const std::wstring& name, DigestTexts& digests)
{
    return NamesStandardInput(name) ? DigestOpenFile(set, GetStdHandle(STD_INPUT_HANDLE), digests)
                                    : DigestFile(set, name.c_str(), digests);
}

int RunDigests(const CliOptions& options)
{
    // The window's own provider: the same type and key container.
    HCRYPTPROV provider = 0;
    if (!AcquireHashProvider(&provider, PROV_RSA_AES, nullptr)) {
        ReportRecordedFailure(L"");
        return kExitFailure;
    }
    const int exitCode = options.check ? RunChecks(provider, options)
        : options.files.empty()        ? DigestText(provider, options)
                                       : DigestFiles(provider, options);
    CryptReleaseContext(provider, 0);
    return exitCode;
}
