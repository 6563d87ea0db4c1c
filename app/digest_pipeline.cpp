#include "app/digest_pipeline.h"

#include <climits>
#include <memory>
#include <new>

#include "support/last_error.h"

namespace {

// Converted text up to this size stays on the stack; larger text goes to the heap.
constexpr int kStackConversionBytes = 262144;

// The bytes one run digests: the units themselves, the caller's stack buffer
// or `heap`, which owns a conversion that outgrew the stack buffer.
struct DigestInput {
    const BYTE* data = nullptr;
    DWORD length = 0;
    std::unique_ptr<BYTE[]> heap;
};

// The most bytes one UTF-16 unit can take in `codePage`: a surrogate pair
// takes four UTF-8 bytes for its two units, any other unit at most three.
int MaxBytesPerUnit(UINT codePage)
{
    if (codePage == CP_UTF8)
        return 3;
    CPINFO info = {};
    return GetCPInfo(codePage, &info) ? static_cast<int>(info.MaxCharSize) : 4;
}

// Converts the whole of `units` in one pass, never a prefix: into the stack
// buffer when even the longest form of the text fits there, else into a heap
// buffer sized for that longest form.
bool ConvertUnits(UINT codePage, const wchar_t* units, int count, BYTE* stackBuffer,
                  DigestInput& input)
{
    const long long capacity = static_cast<long long>(count) * MaxBytesPerUnit(codePage);
    BYTE* target = stackBuffer;
    int room = kStackConversionBytes;
    if (capacity > kStackConversionBytes) {
        if (capacity > INT_MAX) {
            LastErrorSetText(0, L"转换文本编码失败:文本过长.");
            return false;
        }
        input.heap.reset(new (std::nothrow) BYTE[static_cast<size_t>(capacity)]);
        if (!input.heap) {
            LastErrorSetText(0, L"转换文本编码失败:分配内存失败(%u字节).",
                             static_cast<unsigned>(capacity));
            return false;
        }
        target = input.heap.get();
        room = static_cast<int>(capacity);
    }
    const int converted = WideCharToMultiByte(codePage, 0, units, count,
                                              reinterpret_cast<char*>(target), room, nullptr, nullptr);
    if (converted <= 0) {
        LastErrorSetSystem(0, L"转换文本编码失败");
        return false;
    }
    input.data = target;
    input.length = static_cast<DWORD>(converted);
    return true;
}

bool MakeDigestInput(const wchar_t* units, int count, ByteEncoding encoding, BYTE* stackBuffer,
                     DigestInput& input)
{
    switch (encoding) {
    case ByteEncoding::Ansi:
        return ConvertUnits(CP_ACP, units, count, stackBuffer, input);
    case ByteEncoding::Utf8:
        return ConvertUnits(CP_UTF8, units, count, stackBuffer, input);
    case ByteEncoding::Utf16Le:
        break;
    }
    input.data = reinterpret_cast<const BYTE*>(units);
    input.length = static_cast<DWORD>(count * sizeof(wchar_t));
    return true;
}

DigestTexts FailureTexts()
{
    DigestTexts result;
    const wchar_t* failure = LastErrorText();
    result.texts.fill(failure ? failure : L"");
    result.failed.fill(true);
    return result;
}

}  // namespace

DigestTexts ComputeDigestTexts(HCRYPTPROV provider, const wchar_t* units, size_t count,
                               ByteEncoding encoding, bool withTerminator)
{
    // The conversion takes an int count and UTF-16LE doubles it into a DWORD.
    if (count >= static_cast<size_t>(INT_MAX)) {
        LastErrorSetText(0, L"转换文本编码失败:文本过长.");
        return FailureTexts();
    }
    const int unitCount = static_cast<int>(count) + (withTerminator ? 1 : 0);
    if (unitCount == 0)
        return DigestTexts();

    BYTE stackBuffer[kStackConversionBytes];
    DigestInput input;
    if (!MakeDigestInput(units, unitCount, encoding, stackBuffer, input))
        return FailureTexts();

    CDigestSet digests(provider);
    digests.Reset();
    digests.Update(input.data, input.length);
    return digests.Finish();
}
