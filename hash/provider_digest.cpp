#include "hash/provider_digest.h"

#include "support/last_error.h"

const wchar_t kDefaultKeyContainer[] = L"Korvantis";

namespace {

// The SHA-2 ids exist only in the AES provider type; everything else is
// served by the full RSA provider.
DWORD TemporaryProviderType(ALG_ID algorithm)
{
    switch (algorithm) {
    case CALG_SHA_256:
    case CALG_SHA_384:
    case CALG_SHA_512:
        return PROV_RSA_AES;
    default:
        return PROV_RSA_FULL;
    }
}

// Owns what one HashWithProvider call opens, so that every return path
// destroys the hash object and releases a temporary context. The failure is
// recorded before the destructor runs, so its clean-up calls cannot disturb
// the recorded error code.
class CProviderCallHandles {
public:
    CProviderCallHandles() = default;
    CProviderCallHandles(const CProviderCallHandles&) = delete;
    CProviderCallHandles& operator=(const CProviderCallHandles&) = delete;

    ~CProviderCallHandles()
    {
        if (m_hash != 0)
            CryptDestroyHash(m_hash);
        if (m_temporaryContext != 0)
            CryptReleaseContext(m_temporaryContext, 0);
    }

    HCRYPTHASH m_hash = 0;
    HCRYPTPROV m_temporaryContext = 0;
};

}  // namespace

BOOL AcquireHashProvider(HCRYPTPROV* context, DWORD providerType, const wchar_t* containerName)
{
    if (providerType == 0)
        providerType = PROV_RSA_FULL;
    if (containerName == nullptr)
        containerName = kDefaultKeyContainer;

    if (CryptAcquireContextW(context, containerName, nullptr, providerType, 0))
        return TRUE;
    // The container is created on first use only; any other failure is final.
    if (GetLastError() == static_cast<DWORD>(NTE_BAD_KEYSET)
        && CryptAcquireContextW(context, containerName, nullptr, providerType, CRYPT_NEWKEYSET))
        return TRUE;

    LastErrorSetSystem(0, L"获取加密句柄失败");
    return FALSE;
}

BOOL HashWithProvider(HCRYPTPROV context, ALG_ID algorithm, const BYTE* data, DWORD length,
                      BYTE* digest, DWORD* digestLength)
{
    // Handles are taken over only once opened: a failed call leaves its
    // out-parameter undefined.
    CProviderCallHandles handles;
    if (context == 0) {
        HCRYPTPROV temporaryContext = 0;
        if (!AcquireHashProvider(&temporaryContext, TemporaryProviderType(algorithm), nullptr)) {
            LastErrorReplaceContext(L"Hash数据时获取加密句柄失败");
            return FALSE;
        }
        handles.m_temporaryContext = temporaryContext;
        context = temporaryContext;
    }

    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(context, algorithm, 0, 0, &hash)) {
        LastErrorSetSystem(0, L"创建HASH对象失败");
        return FALSE;
    }
    handles.m_hash = hash;
    if (!CryptHashData(handles.m_hash, data, length, 0)) {
        LastErrorSetSystem(0, L"HASH数据失败");
        return FALSE;
    }
    if (!CryptGetHashParam(handles.m_hash, HP_HASHVAL, digest, digestLength, 0)) {
        LastErrorSetSystem(0, L"获取HASH数据失败");
        return FALSE;
    }
    return TRUE;
}
