#include "hash/hash_object.h"

#include "hash/file_pieces.h"

namespace {

// Holds the hex text of the longest digest (129 characters) with room to spare.
constexpr size_t kHexTextCapacity = 260;

}  // namespace

void FormatHex(const BYTE* bytes, DWORD count, wchar_t* text)
{
    text[0] = L'\0';
    for (DWORD i = 0; i < count; ++i) {
        wsprintfW(text + 2 * i, L"%02X", bytes[i]);
    }
}

std::wstring HexText(const BYTE* bytes, size_t count)
{
    std::wstring hex(2 * count + 1, L'\0');
    FormatHex(bytes, static_cast<DWORD>(count), &hex[0]);
    hex.pop_back();
    return hex;
}

BOOL CVnHashObject::HashFile(const wchar_t* path, ULONGLONG limit, BYTE* digest)
{
    const auto reset = [this] { Reset(); };
    if (!ReadFilePieces(path, limit, reset, [this](const BYTE* data, DWORD length) { Update(data, length); }))
        return FALSE;
    Finish(digest);
    return TRUE;
}

BOOL CVnHashObject::HashText(const wchar_t* text, int length, TextEncoding encoding, BYTE* digest)
{
    BYTE* bytes = nullptr;
    DWORD byteCount = 0;
    const BOOL ok = EncodeText(text, length, FALSE, encoding, &bytes, &byteCount);
    if (ok) {
        Reset();
        Update(bytes, byteCount);
        Finish(digest);
    }
    if (bytes != nullptr) {
        FreeEncodedText(bytes);
    }
    return ok;
}

void CVnHashObject::DigestToString(const BYTE* digest, std::wstring& hexText)
{
    wchar_t text[kHexTextCapacity];
    DigestToHex(digest, text);
    hexText = text;
}

void CVnHashObject::DigestToHex(const BYTE* digest, wchar_t* hexText) { FormatHex(digest, m_digestLength, hexText); }
