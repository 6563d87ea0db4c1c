#include "hash/sha256.h"

#include <algorithm>

#include "hash/sha2_blocks.h"
#include "hash/sha2_core.h"
#include "hash/sha2_paths.h"
#include "hash/sha2_tables.h"

namespace {

struct Sha256Family {
    using Word = DWORD;
    static constexpr DWORD kBlockSize = 64;
    static constexpr unsigned kRounds = 64;
    static constexpr const DWORD* kRoundConstants = kSha256K;

    static DWORD BigSigma0(DWORD x) { return Rotr(x, 2) ^ Rotr(x, 13) ^ Rotr(x, 22); }
    static DWORD BigSigma1(DWORD x) { return Rotr(x, 6) ^ Rotr(x, 11) ^ Rotr(x, 25); }
    static DWORD SmallSigma0(DWORD x) { return Rotr(x, 7) ^ Rotr(x, 18) ^ (x >> 3); }
    static DWORD SmallSigma1(DWORD x) { return Rotr(x, 17) ^ Rotr(x, 19) ^ (x >> 10); }
};

constexpr DWORD kBlockSize = Sha256Family::kBlockSize;
// Where the 64-bit message length goes in the last padded block.
constexpr DWORD kLengthOffset = kBlockSize - 8;

// Compresses `count` consecutive 64-byte blocks (any alignment) into the
// eight-word `state` with the chosen path; a count of 0 or less does nothing.
void CompressBlocks256(DWORD* state, const BYTE* data, int count) { ActiveSha256Path().compress(state, data, count); }

// The same through the one-block `buffer`, which keeps the last block.
void CompressBlocks256Through(DWORD* state, BYTE* buffer, const BYTE* data, int count)
{
    ActiveSha256Path().compressThrough(state, buffer, data, count);
}

}  // namespace

void CompressBlocks256Portable(DWORD* state, const BYTE* data, int count)
{
    CompressBlocksFullSchedule<Sha256Family>(state, data, count);
}

void CompressBlocks256PortableThrough(DWORD* state, BYTE* buffer, const BYTE* data, int count)
{
    for (; count > 0; --count, data += kBlockSize) {
        std::copy_n(data, kBlockSize, buffer);
        CompressBlocks256Portable(state, buffer, 1);
    }
}

CVnSha224::CVnSha224()
{
    m_algorithmId = 6;
    m_name = L"SHA224";
    m_digestLength = 28;
}

BOOL CVnSha224::Reset()
{
    std::copy_n(kSha224InitialHash, 8, m_state);
    m_totalLength = 0;
    m_pendingLength = 0;
    return TRUE;
}

void CVnSha224::Update(const BYTE* data, DWORD length)
{
    BufferedUpdate<Sha256Family>(m_totalLength, m_pendingLength, m_block, m_state, CompressBlocks256, data, length);
}

DWORD CVnSha224::Finish(BYTE* digest)
{
    BufferedPadAndCompress<Sha256Family>(m_totalLength, m_pendingLength, m_block, m_state, CompressBlocks256);
    // SHA-224 drops H7.
    StoreWordsBigEndian(m_state, 7, digest);
    return m_digestLength;
}

CVnSha256::CVnSha256()
{
    m_algorithmId = 7;
    m_name = L"SHA256";
    m_digestLength = 32;
}

BOOL CVnSha256::Reset()
{
    std::copy_n(kSha256InitialHash, 8, m_state);
    m_byteCount = 0;
    return TRUE;
}

void CVnSha256::Update(const BYTE* data, DWORD length)
{
    if (length == 0) {
        return;
    }
    const DWORD used = static_cast<DWORD>(m_byteCount % kBlockSize);
    m_byteCount += length;

    const DWORD room = kBlockSize - used;
    if (length < room) {
        std::copy_n(data, length, m_buffer + used);
        return;
    }
    std::copy_n(data, room, m_buffer + used);
    Transform();
    data += room;
    length -= room;

    // Every block still passes through m_buffer, but one call carries the
    // state across all of them.
    const DWORD blocks = length / kBlockSize;
    CompressBlocks256Through(m_state, m_buffer, data, static_cast<int>(blocks));
    data += blocks * kBlockSize;
    length -= blocks * kBlockSize;
    std::copy_n(data, length, m_buffer);
}

DWORD CVnSha256::Finish(BYTE* digest)
{
    DWORD i = static_cast<DWORD>(m_byteCount % kBlockSize);
    m_buffer[i++] = 0x80;
    // Zero up to the length field; when the 0x80 landed at or after it, the
    // rest of this block is zeroed and compressed and a new block begins.
    while (i != kLengthOffset) {
        if (i == kBlockSize) {
            Transform();
            i = 0;
        }
        m_buffer[i++] = 0;
    }
    StoreBigEndian<ULONGLONG>(m_byteCount << 3, m_buffer + kLengthOffset);
    Transform();

    StoreWordsBigEndian(m_state, 8, digest);
    return m_digestLength;
}

void CVnSha256::Transform() { CompressBlocks256(m_state, m_buffer, 1); }
