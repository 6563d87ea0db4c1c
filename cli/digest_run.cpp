#include "cli/digest_run.h"

#include <atomic>

#include "cli/checksum_list.h"
#include "cli/console_io.h"
#include "cli/digest_report.h"
#include "cli/file_source.h"
#include "cli/input_text.h"
#include "digest/digest_pipeline.h"
#include "digest/signed_message.h"
#include "support/last_error.h"

namespace {

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

// Puts the text in the forms the options ask for; false, reported, when the
// platform refuses one.
bool PutInForms(const CliOptions& options, std::wstring& text)
{
    for (TextForm form : options.forms) {
        std::wstring formed;
        if (!TextInForm(text, form, formed)) {
            ReportRecordedFailure(CauseOptions(*FindCause(CauseKind::Form, static_cast<int>(form))));
            return false;
        }
        text = std::move(formed);
    }
    return true;
}

DigestTexts DigestOfBytes(HCRYPTPROV provider, const std::string& bytes, const DigestRequest& request)
{
    return DigestBytes(provider, reinterpret_cast<const BYTE*>(bytes.data()), bytes.size(), request);
}

// A signature's message: the prefix and the key where the setting puts them
// around the text's bytes (after any mark, before any terminator).
DigestTexts DigestSignedText(HCRYPTPROV provider, const CliOptions& options, const std::wstring& text)
{
    const TextSetting& setting = options.setting;
    SignedMessage message;
    EncodingLoss prefixLoss, loss;
    std::string body;
    const auto append = [&body](const BYTE* piece, DWORD length) {
        body.append(reinterpret_cast<const char*>(piece), length);
    };
    if (!SignedMessageAround(setting, options.readKey, message, prefixLoss)
        || !EncodeTextInPieces(text.c_str(), text.size(), setting.encoding, append, loss))
        return EveryDigestFailed(LastErrorString(), options.Selected());
    const std::string_view mark = setting.byteOrderMark ? ByteOrderMark(setting.encoding) : std::string_view();
    const std::string terminator(setting.withTerminator ? ZeroUnitBytes(setting.encoding) : 0, '\0');
    DigestTexts digests = DigestOfBytes(provider, std::string(mark) + message.before + body + message.after + terminator, options.Request());
    digests.loss = loss.count != 0 ? loss : prefixLoss;
    return digests;
}

// The digests of the text's bytes as the options make them. The window shows
// none for a text of no bytes; a script gets what it gets for an empty file,
// the digests of the empty message.
DigestTexts DigestSettingText(HCRYPTPROV provider, const CliOptions& options, const std::wstring& text)
{
    const TextSetting& setting = options.setting;
    if (SignsAroundTheBody(setting))
        return DigestSignedText(provider, options, text);
    if (text.empty() && !setting.withTerminator && !setting.byteOrderMark)
        return DigestOfBytes(provider, "", options.Request());
    return ComputeDigestTexts(provider, text.c_str(), text.size(), setting.encoding, setting.withTerminator,
                              options.Request(), setting.byteOrderMark);
}

// Each digest of the first digests, digested again by its own algorithm.
DigestTexts DigestsTwice(HCRYPTPROV provider, const CliOptions& options, DigestTexts first)
{
    for (int row = 0; row < kDigestCount; ++row) {
        if (!options.Selected()[row] || first.failed[row])
            continue;
        const DigestSelection only = DigestSelection().set(static_cast<size_t>(row));
        const DigestTexts second =
            DigestOfBytes(provider, TwiceDigestInput(first.values[row], options.setting.twice), only);
        first.values[row] = second.values[row];
        first.texts[row] = second.texts[row];
        first.failed[row] = second.failed[row];
    }
    return first;
}

// The text's digests as the options ask; kExitRefused, reported, when the
// text is not the data the options read it as.
int DigestShapedText(HCRYPTPROV provider, const CliOptions& options, const std::wstring& text, DigestTexts& digests)
{
    const TextSetting& setting = options.setting;
    std::vector<BYTE> data;
    if (setting.data == DataReading::None) {
        digests = DigestSettingText(provider, options, InLineBreakVariant(text, setting.lineBreaks));
    } else if (ReadTextAsData(text, setting.data, data)) {
        digests = DigestBytes(provider, data.data(), data.size(), options.Request());
    } else {
        const Cause& reading = *FindCause(CauseKind::Data, static_cast<int>(setting.data));
        ReportProblem(L"文本不能按 " + CauseOptions(reading) + L" 读作数据:去掉首尾空白后须全是"
                      + (setting.data == DataReading::Hex ? L"成对的十六进制数字" : L"Base64"));
        return kExitRefused;
    }
    if (setting.twice != TwiceDigest::None)
        digests = DigestsTwice(provider, options, digests);
    return kExitSuccess;
}

int DigestText(HCRYPTPROV provider, const CliOptions& options)
{
    std::wstring text;
    const int read = ReadCommandText(options, text);
    if (read != kExitSuccess)
        return read;
    if (!PutInForms(options, text))
        return kExitFailure;
    DigestTexts digests;
    const int shaped = DigestShapedText(provider, options, text, digests);
    if (shaped != kExitSuccess)
        return shaped;
    // A warning: the digests are right for the bytes, and the exit code stays.
    const std::wstring warning = EncodingLossWarning(digests.loss);
    if (!warning.empty())
        ReportProblem(warning);
    const DigestReport report = ReportDigests(L"", digests, options);
    return WriteReport(report) && report.failures.empty() ? kExitSuccess : kExitFailure;
}

DigestReport FileReport(const std::wstring& path, const FileOutcome& outcome, const CliOptions& options)
{
    if (outcome.read)
        return ReportDigests(path, outcome.digests, options);
    return {L"", {ReportedName(path) + L": " + outcome.failure}};
}

// Each file's block begins with a line naming its file, so that --check
// reads the output back, one file's too; an empty line parts the blocks.
std::wstring FileHeader(size_t index, const std::wstring& path)
{
    return std::wstring(index == 0 ? L"" : L"\r\n") + FileHeaderLine(path) + L"\r\n";
}

int DigestFiles(HCRYPTPROV provider, const CliOptions& options, int workers)
{
    // Tagged lines name their files themselves; the copy-as-C text is source code.
    const bool headed = !options.tag && !options.cArrays;
    bool allDigested = true;
    // Standard output refused a report (and that was reported): nothing more is digested.
    std::atomic<bool> outputFailed {false};
    CFilePool pool(provider, workers);
    for (size_t index = 0; index < options.files.size() && !outputFailed; ++index) {
        const std::wstring& path = options.files[index];
        DigestNamedFile(pool, path, options.Request(), [&, index](const FileOutcome& outcome) {
            if (outputFailed)
                return;
            DigestReport report = FileReport(path, outcome, options);
            if (headed)
                report.output.insert(0, FileHeader(index, path));
            outputFailed = !WriteReport(report);
            allDigested = allDigested && report.failures.empty();
        });
    }
    pool.Finish();
    return allDigested && !outputFailed ? kExitSuccess : kExitFailure;
}

}  // namespace

int RunDigests(HCRYPTPROV provider, const CliOptions& options, int workers)
{
    return options.files.empty() ? DigestText(provider, options) : DigestFiles(provider, options, workers);
}
