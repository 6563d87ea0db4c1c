#include "hash/sha3/sha3.h"

#include <algorithm>

#include "hash/words.h"

namespace {

constexpr DWORD kStateBytes = 8 * kKeccakLanes;
// The SHA-3 domain bits 01 and the first bit of the pad10*1 rule, as the
// first padding byte; the rule's last bit ends the block.
constexpr BYTE kSha3PaddingStart = 0x06;
constexpr BYTE kPaddingEnd = 0x80;

}  // namespace

CVnSha3::CVnSha3(int algorithmId, const wchar_t* name, DWORD digestLength) : m_rate(kStateBytes - 2 * digestLength)
{
    m_algorithmId = algorithmId;
    m_name = name;
    m_digestLength = digestLength;
}

BOOL CVnSha3::Reset()
{
    std::fill_n(m_lanes, kKeccakLanes, 0ULL);
    m_pendingLength = 0;
    return TRUE;
}

void CVnSha3::Update(const BYTE* data, DWORD length)
{
    if (m_pendingLength > 0) {
        const DWORD taken = std::min(length, m_rate - m_pendingLength);
        std::copy_n(data, taken, m_block + m_pendingLength);
        m_pendingLength += taken;
        data += taken;
        length -= taken;
        if (m_pendingLength < m_rate) {
            return;
        }
        AbsorbKeccakBlocks(m_lanes, m_block, 1, m_rate);
        m_pendingLength = 0;
    }
    const DWORD blocks = length / m_rate;
    AbsorbKeccakBlocks(m_lanes, data, blocks, m_rate);
    m_pendingLength = length - blocks * m_rate;
    std::copy_n(data + blocks * m_rate, m_pendingLength, m_block);
}

DWORD CVnSha3::Finish(BYTE* digest)
{
    // The pending bytes never fill the block, so the padding always fits.
    std::fill(m_block + m_pendingLength, m_block + m_rate, BYTE(0));
    m_block[m_pendingLength] ^= kSha3PaddingStart;
    m_block[m_rate - 1] ^= kPaddingEnd;
    AbsorbKeccakBlocks(m_lanes, m_block, 1, m_rate);

    // Every digest is shorter than the rate: one squeeze.
    BYTE state[kStateBytes];
    StoreWordsLittleEndian(m_lanes, kKeccakLanes, state);
    std::copy_n(state, m_digestLength, digest);
    return m_digestLength;
}

CVnSha3_224::CVnSha3_224() : CVnSha3(kSha3_224AlgorithmId, L"SHA3-224", 28) { }
CVnSha3_256::CVnSha3_256() : CVnSha3(kSha3_256AlgorithmId, L"SHA3-256", 32) { }
CVnSha3_384::CVnSha3_384() : CVnSha3(kSha3_384AlgorithmId, L"SHA3-384", 48) { }
CVnSha3_512::CVnSha3_512() : CVnSha3(kSha3_512AlgorithmId, L"SHA3-512", 64) { }
