#include "expected_digests.h"

#include <windows.h>
#include <wincrypt.h>

#include "hash/hash_object.h"
#include "hash/provider_digest.h"
#include "hash/sha256.h"
#include "hash/sha512.h"

namespace {

std::wstring Hex(const BYTE* digest, DWORD length) {
    std::wstring text(2 * length + 1, L'\0');
    FormatHex(digest, length, &text[0]);
    text.resize(2 * length);
    return text;
}

std::wstring ProviderDigest(ALG_ID algorithm, const std::string& bytes) {
    static HCRYPTPROV context = 0;
    if (!context && !AcquireHashProvider(&context, PROV_RSA_AES, nullptr)) {
        return L"(no provider)";
    }
    BYTE digest[64];
    DWORD length = sizeof digest;
    if (!HashWithProvider(context, algorithm, reinterpret_cast<const BYTE*>(bytes.data()),
                          static_cast<DWORD>(bytes.size()), digest, &length)) {
        return L"(provider failed)";
    }
    return Hex(digest, length);
}

template <class Sha>
std::wstring OwnDigest(const std::string& bytes) {
    Sha sha;
    BYTE digest[64];
    sha.Reset();
    sha.Update(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    return Hex(digest, sha.Finish(digest));
}

std::string MultiByte(UINT codePage, const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size, nullptr,
                          nullptr);
    return bytes;
}

}  // namespace

std::string EncodedBytes(const std::wstring& text, ByteEncoding encoding, bool withTerminator) {
    switch (encoding) {
    case ByteEncoding::Ansi:
        return MultiByte(CP_ACP, text) + std::string(withTerminator ? 1 : 0, '\0');
    case ByteEncoding::Utf8:
        return MultiByte(CP_UTF8, text) + std::string(withTerminator ? 1 : 0, '\0');
    case ByteEncoding::Utf16Le:
        break;
    }
    std::string bytes(reinterpret_cast<const char*>(text.data()), 2 * text.size());
    return bytes + std::string(withTerminator ? 2 : 0, '\0');
}

DigestTextArray ExpectedDigests(const std::string& bytes) {
    if (bytes.empty()) {
        return {};
    }
    return {ProviderDigest(CALG_MD4, bytes),       ProviderDigest(CALG_MD5, bytes),
            ProviderDigest(CALG_SHA1, bytes),      OwnDigest<CVnSha224>(bytes),
            OwnDigest<CVnSha256>(bytes),           OwnDigest<CVnSha384>(bytes),
            OwnDigest<CVnSha512>(bytes)};
}
