// The key of the keyed digests, and which digests take a key of which length.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

// A key's bytes, held in memory only: the copies of one key share its bytes,
// which are wiped when the last copy is dropped or replaced. Nothing formats
// or writes out a key. The key of no bytes is a key too (RFC 2104 allows it;
// for BLAKE2 it is the unkeyed mode, as RFC 7693 says).
class CDigestKey {
public:
    CDigestKey() = default;
    CDigestKey(const BYTE* bytes, size_t length);

    const BYTE* Bytes() const;
    size_t Length() const;

private:
    class CBytes;
    std::shared_ptr<const CBytes> m_bytes;
};

// Why row `row` of the digest table cannot take a key of `length` bytes, in a
// short phrase that names the digest and the rule the console quotes;
// empty when it can.
std::wstring KeyRefusal(int row, size_t length);
