#include "digest/digest_key.h"

#include <algorithm>
#include <vector>

#include "digest/digest_table.h"

class CDigestKey::CBytes {
public:
    CBytes(const BYTE* bytes, size_t length) : m_bytes(bytes, bytes + length) { }
    CBytes(const CBytes&) = delete;
    CBytes& operator=(const CBytes&) = delete;
    ~CBytes() { SecureZeroMemory(m_bytes.data(), m_bytes.size()); }

    const std::vector<BYTE>& Get() const { return m_bytes; }

private:
    // Sized once, never grown: no copy is left behind in freed memory.
    std::vector<BYTE> m_bytes;
};

CDigestKey::CDigestKey(const BYTE* bytes, size_t length) : m_bytes(std::make_shared<const CBytes>(bytes, length)) { }

const BYTE* CDigestKey::Bytes() const { return m_bytes ? m_bytes->Get().data() : nullptr; }

size_t CDigestKey::Length() const { return m_bytes ? m_bytes->Get().size() : 0; }

namespace {

std::wstring ByteCount(size_t count) { return std::to_wstring(count) + L" 字节"; }

}  // namespace

std::wstring KeyRefusal(int row, size_t length)
{
    const DigestKind& kind = kDigestTable[row];
    const std::wstring given = L"，给出的是 " + ByteCount(length);
    switch (kind.keyMode) {
    case KeyMode::None:
        return std::wstring(kind.name) + L" 不使用密钥";
    case KeyMode::Hmac:
        // The digest takes its key in one piece of a DWORD's length.
        return length <= MAXDWORD ? L"" : kind.keyedName + (L" 的密钥至多 " + ByteCount(MAXDWORD) + given);
    case KeyMode::AtMost:
        return length <= kind.keyBytes ? L"" : kind.name + (L" 的密钥至多 " + ByteCount(kind.keyBytes) + given);
    case KeyMode::Exactly:
        return length == kind.keyBytes ? L"" : kind.name + (L" 的密钥须为 " + ByteCount(kind.keyBytes) + given);
    }
    return L"";
}
