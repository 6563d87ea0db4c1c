#include "text/encode_text.h"

#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#include "support/last_error.h"

namespace {

// Up to this many characters the UTF-8 form is built on the stack.
constexpr int kStackConversionChars = 2000;
constexpr int kStackConversionBytes = 8192;
// Every UTF-16 code unit takes at most three bytes of UTF-8.
constexpr int kMaxUtf8BytesPerUnit = 3;

int TextLength(const wchar_t* text, int count) { return count == -1 ? static_cast<int>(wcslen(text)) : count; }

// The ANSI form ends at the first zero character, as a zero-terminated
// conversion of the same text would.
std::string WideToThreadAnsi(const wchar_t* text, int length)
{
    const int units = static_cast<int>(wcsnlen(text, static_cast<size_t>(length)));
    if (units == 0) {
        return std::string();
    }
    const int size = WideCharToMultiByte(CP_THREAD_ACP, 0, text, units, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return std::string();
    }
    std::string converted(static_cast<size_t>(size), '\0');
    const int written = WideCharToMultiByte(CP_THREAD_ACP, 0, text, units, &converted[0], size, nullptr, nullptr);
    converted.resize(written > 0 ? static_cast<size_t>(written) : 0);
    return converted;
}

DWORD TerminatorSize(TextEncoding encoding) { return encoding == TextEncodingUnicode ? sizeof(wchar_t) : 1; }

}  // namespace

std::string WideToUtf8(const wchar_t* text, int count)
{
    count = TextLength(text, count);
    char stackScratch[kStackConversionBytes];
    std::unique_ptr<char[]> heapScratch;
    char* scratch = stackScratch;
    int capacity = kStackConversionBytes;
    if (count > kStackConversionChars) {
        capacity = kMaxUtf8BytesPerUnit * count + 1;
        heapScratch.reset(new (std::nothrow) char[static_cast<size_t>(capacity)]);
        scratch = heapScratch.get();
        if (scratch == nullptr) {
            return std::string();
        }
    }
    const int written = WideCharToMultiByte(CP_UTF8, 0, text, count, scratch, capacity, nullptr, nullptr);
    return std::string(scratch, written > 0 ? static_cast<size_t>(written) : 0);
}

BOOL EncodeText(const wchar_t* text, int length, BOOL withTerminator, TextEncoding encoding, BYTE** bytes,
                DWORD* byteCount)
{
    if (text == nullptr || length < -1) {
        LastErrorSetText(0, L"转换字符串编码方式失败:无效的文本或长度.");
        return FALSE;
    }
    if (length == 0) {
        length = -1;
    }
    length = TextLength(text, length);

    std::string converted;
    switch (encoding) {
    case TextEncodingAnsi:
        converted = WideToThreadAnsi(text, length);
        break;
    case TextEncodingUtf8:
        converted = WideToUtf8(text, length);
        break;
    case TextEncodingUnicode:
        converted.assign(reinterpret_cast<const char*>(text), static_cast<size_t>(length) * sizeof(wchar_t));
        break;
    default:
        LastErrorSetText(0, L"转换字符串编码方式失败:不支持的编码方式.");
        return FALSE;
    }

    const DWORD size = static_cast<DWORD>(converted.size()) + (withTerminator ? TerminatorSize(encoding) : 0);
    *byteCount = size;
    *bytes = new (std::nothrow) BYTE[size];
    if (*bytes == nullptr) {
        LastErrorSetText(0, L"转换字符串编码时失败:分配内存失败(%u字节).", static_cast<unsigned>(size));
        return FALSE;
    }
    memcpy(*bytes, converted.data(), converted.size());
    memset(*bytes + converted.size(), 0, size - converted.size());
    return TRUE;
}

void FreeEncodedText(BYTE* bytes) { delete[] bytes; }
