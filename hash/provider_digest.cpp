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

// Releases the context that one HashWithProvider call opened for itself.
class CTemporaryContext {
public:
    CTemporaryContext() = default;
    CTemporaryContext(const CTemporaryContext&) = delete;
    CTemporaryContext& operator=(const CTemporaryContext&) = delete;

    ~CTemporaryContext()
    {
        if (m_context != 0)
            CryptReleaseContext(m_context, 0);
    }

    HCRYPTPROV m_context = 0;
};

bool OpenContainer(HCRYPTPROV* context, const wchar_t* containerName, DWORD providerType, DWORD flags)
{
    return CryptAcquireContextW(context, containerName, nullptr, providerType, flags) != FALSE;
}

}  // namespace

BOOL AcquireHashProvider(HCRYPTPROV* context, DWORD providerType, const wchar_t* containerName)
{
    if (providerType == 0)
        providerType = PROV_RSA_FULL;
    if (containerName == nullptr)
        containerName = kDefaultKeyContainer;

    if (OpenContainer(context, containerName, providerType, 0))
        return TRUE;
    // The container is created on first use only; any other failure is final.
    // Programs started together on a fresh profile race to create it: the one
    // that loses finds it made meanwhile and opens it as it now stands.
    if (GetLastError() == static_cast<DWORD>(NTE_BAD_KEYSET)
        && (OpenContainer(context, containerName, providerType, CRYPT_NEWKEYSET)
            || (GetLastError() == static_cast<DWORD>(NTE_EXISTS)
                && OpenContainer(context, containerName, providerType, 0))))
        return TRUE;

    LastErrorSetSystem(0, L"获取加密句柄失败");
    return FALSE;
}

CProviderHash::~CProviderHash() { Destroy(); }

void CProviderHash::Destroy()
{
    if (m_hash != 0)
        CryptDestroyHash(m_hash);
    m_hash = 0;
}

// Every failure is recorded at once and the hash object destroyed later, so
// that the clean-up calls cannot disturb the recorded error code.
BOOL CProviderHash::Start(HCRYPTPROV context, ALG_ID algorithm)
{
    Destroy();
    // Taken over only once created: a failed call leaves its out-parameter undefined.
    HCRYPTHASH created = 0;
    if (!CryptCreateHash(context, algorithm, 0, 0, &created)) {
        LastErrorSetSystem(0, L"创建HASH对象失败");
        return FALSE;
    }
    m_hash = created;
    return TRUE;
}

BOOL CProviderHash::CopyFrom(const CProviderHash& source)
{
    Destroy();
    HCRYPTHASH copy = 0;
    if (!CryptDuplicateHash(source.m_hash, nullptr, 0, &copy)) {
        LastErrorSetSystem(0, L"复制HASH对象失败");
        return FALSE;
    }
    m_hash = copy;
    return TRUE;
}

BOOL CProviderHash::Update(const BYTE* data, DWORD length)
{
    if (!CryptHashData(m_hash, data, length, 0)) {
        LastErrorSetSystem(0, L"HASH数据失败");
        return FALSE;
    }
    return TRUE;
}

BOOL CProviderHash::Finish(BYTE* digest, DWORD* digestLength)
{
    if (!CryptGetHashParam(m_hash, HP_HASHVAL, digest, digestLength, 0)) {
        LastErrorSetSystem(0, L"获取HASH数据失败");
        return FALSE;
    }
    return TRUE;
}

BOOL HashWithProvider(HCRYPTPROV context, ALG_ID algorithm, const BYTE* data, DWORD length, BYTE* digest,
                      DWORD* digestLength)
{
    // Declared first, released last: the hash object goes before its context.
    CTemporaryContext temporary;
    if (context == 0) {
        HCRYPTPROV opened = 0;
        if (!AcquireHashProvider(&opened, TemporaryProviderType(algorithm), nullptr)) {
            LastErrorReplaceContext(L"Hash数据时获取加密句柄失败");
            return FALSE;
        }
        temporary.m_context = context = opened;
    }
    CProviderHash hash;
    return hash.Start(context, algorithm) && hash.Update(data, length) && hash.Finish(digest, digestLength);
}
