#include "cli/input_text.h"

#include <windows.h>

#include <climits>
#include <string_view>

#include "cli/console_io.h"
#include "hash/file_pieces.h"
#include "support/last_error.h"

namespace {

// The encodings whose byte-order mark may name them.
constexpr ByteEncoding kMarkedEncodings[] = {ByteEncoding::Utf8, ByteEncoding::Utf16Le, ByteEncoding::Utf16Be};

// Length of the byte-order mark at the start of `bytes` (0: none); with
// `markDecides` a mark overrides `encoding`.
size_t SkipByteOrderMark(const std::string& bytes, bool markDecides, ByteEncoding& encoding)
{
    for (ByteEncoding marked : kMarkedEncodings) {
        const std::string_view mark = ByteOrderMark(marked);
        if ((markDecides || marked == encoding) && std::string_view(bytes).substr(0, mark.size()) == mark) {
            encoding = marked;
            return mark.size();
        }
    }
    return 0;
}

// How many bytes the character starting with `lead` takes in `codePage`, as
// its lead byte claims.
size_t ClaimedCharacterLength(UINT codePage, BYTE lead)
{
    if (codePage != CP_UTF8)
        return IsDBCSLeadByteEx(codePage, lead) ? 2 : 1;
    if (lead < 0xC0)
        return 1;
    return lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

bool ConvertsStrictly(UINT codePage, const char* bytes, size_t count)
{
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(count), nullptr, 0) > 0;
}

// The offset of the first character that the platform refuses, judged one
// character at a time; the end when it refuses none of them.
size_t FirstInvalidOffset(UINT codePage, const char* bytes, size_t count)
{
    size_t offset = 0;
    while (offset < count) {
        const size_t length = ClaimedCharacterLength(codePage, static_cast<BYTE>(bytes[offset]));
        if (length > count - offset || !ConvertsStrictly(codePage, bytes + offset, length))
            return offset;
        offset += length;
    }
    return count;
}

bool DecodeMultiByte(UINT codePage, const char* bytes, size_t count, size_t base, InputText& input)
{
    if (count == 0)
        return true;
    if (count > INT_MAX) {
        LastErrorSetText(0, L"读取标准输入失败:文本过长.");
        return false;
    }
    const int units = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(count), nullptr, 0);
    if (units <= 0) {
        if (GetLastError() != ERROR_NO_UNICODE_TRANSLATION) {
            LastErrorSetSystem(0, L"读取标准输入失败");
            return false;
        }
        input.invalid = true;
        input.invalidOffset = base + FirstInvalidOffset(codePage, bytes, count);
        return true;
    }
    input.text.resize(static_cast<size_t>(units));
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(count), &input.text[0], units);
    return true;
}

void DecodeUtf16(const char* bytes, size_t count, bool bigEndian, size_t base, InputText& input)
{
    if (count % 2 != 0) {
        // Half a code unit at the end.
        input.invalid = true;
        input.invalidOffset = base + count - 1;
        return;
    }
    input.text.resize(count / 2);
    for (size_t i = 0; i < input.text.size(); ++i) {
        const BYTE first = static_cast<BYTE>(bytes[2 * i]), second = static_cast<BYTE>(bytes[2 * i + 1]);
        input.text[i] = static_cast<wchar_t>(bigEndian ? first << 8 | second : second << 8 | first);
    }
}

}  // namespace

bool DecodeInputText(const std::string& bytes, ByteEncoding encoding, bool markDecides, InputText& input)
{
    const size_t start = SkipByteOrderMark(bytes, markDecides, encoding);
    input.encodingName = EncodingName(encoding);
    const char* text = bytes.data() + start;
    const size_t count = bytes.size() - start;
    switch (encoding) {
    case ByteEncoding::Utf16Le:
    case ByteEncoding::Utf16Be:
        DecodeUtf16(text, count, encoding == ByteEncoding::Utf16Be, start, input);
        return true;
    case ByteEncoding::Utf8:
        return DecodeMultiByte(CP_UTF8, text, count, start, input);
    case ByteEncoding::Ansi:
    case ByteEncoding::CodePage:
        break;
    }
    return DecodeMultiByte(CP_ACP, text, count, start, input);
}

namespace {

std::wstring JoinWords(const std::vector<std::wstring>& words)
{
    std::wstring text = words.front();
    for (size_t i = 1; i < words.size(); ++i)
        text += L' ' + words[i];
    return text;
}

bool ReadStandardInput(std::string& bytes)
{
    if (ReadOpenFileToEnd(GetStdHandle(STD_INPUT_HANDLE),
                          [&bytes](const BYTE* data, DWORD length) { bytes.append(data, data + length); }))
        return true;
    LastErrorReplaceContext(L"读取标准输入失败");
    return false;
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
    const bool markDecides = !options.inputEncoding;
    const ByteEncoding encoding = options.inputEncoding.value_or(ByteEncoding::Utf8);
    if (!ReadStandardInput(bytes) || !DecodeInputText(bytes, encoding, markDecides, input)) {
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

}  // namespace

int ReadCommandText(const CliOptions& options, std::wstring& text)
{
    if (options.words.empty())
        return ReadStandardInputText(options, text);
    text = JoinWords(options.words);
    return kExitSuccess;
}
