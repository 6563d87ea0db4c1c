#include "hash/sha512.h"

#include <algorithm>

#include "hash/sha2_blocks.h"
#include "hash/sha2_core.h"
#include "hash/sha2_paths.h"
#include "hash/sha2_tables.h"

namespace {

struct Sha512Family {
    using Word = ULONGLONG;
    static constexpr DWORD kBlockSize = 128;
    static constexpr unsigned kRounds = 80;
    static constexpr const ULONGLONG* kRoundConstants = kSha512K;

    static ULONGLONG BigSigma0(ULONGLONG x) { return Rotr(x, 28) ^ Rotr(x, 34) ^ Rotr(x, 39); }
    static ULONGLONG BigSigma1(ULONGLONG x) { return Rotr(x, 14) ^ Rotr(x, 18) ^ Rotr(x, 41); }
    static ULONGLONG SmallSigma0(ULONGLONG x) { return Rotr(x, 1) ^ Rotr(x, 8) ^ (x >> 7); }
    static ULONGLONG SmallSigma1(ULONGLONG x) { return Rotr(x, 19) ^ Rotr(x, 61) ^ (x >> 6); }
};

// Compresses `count` consecutive 128-byte blocks (any alignment) into the
// eight-word `state` with the chosen path; a count of 0 or less does nothing.
void CompressBlocks512(ULONGLONG* state, const BYTE* data, int count)
{
    ActiveSha512Path().compress(state, data, count);
}

// The one Update of both classes, over their identical fields.
void UpdateSha512Family(ULONGLONG& totalLength, DWORD& pendingLength, BYTE* block, ULONGLONG* state, const BYTE* data,
                        DWORD length)
{
    BufferedUpdate<Sha512Family>(totalLength, pendingLength, block, state, CompressBlocks512, data, length);
}

// The one Reset of both classes; they differ only in the initial hash value.
void ResetSha512Family(const ULONGLONG* initialHash, ULONGLONG& totalLength, DWORD& pendingLength, ULONGLONG* state)
{
    std::copy_n(initialHash, 8, state);
    totalLength = 0;
    pendingLength = 0;
}

// The one Finish of both classes; SHA-384 writes only the first six words.
void FinishSha512Family(ULONGLONG totalLength, DWORD pendingLength, BYTE* block, ULONGLONG* state, size_t digestWords,
                        BYTE* digest)
{
    BufferedPadAndCompress<Sha512Family>(totalLength, pendingLength, block, state, CompressBlocks512);
    StoreWordsBigEndian(state, digestWords, digest);
}

}  // namespace

void CompressBlocks512Portable(ULONGLONG* state, const BYTE* data, int count)
{
    CompressBlocksFullSchedule<Sha512Family>(state, data, count);
}

CVnSha384::CVnSha384()
{
    m_algorithmId = 8;
    m_name = L"SHA384";
    m_digestLength = 48;
}

BOOL CVnSha384::Reset()
{
    ResetSha512Family(kSha384InitialHash, m_totalLength, m_pendingLength, m_state);
    return TRUE;
}

void CVnSha384::Update(const BYTE* data, DWORD length)
{
    UpdateSha512Family(m_totalLength, m_pendingLength, m_block, m_state, data, length);
}

DWORD CVnSha384::Finish(BYTE* digest)
{
    FinishSha512Family(m_totalLength, m_pendingLength, m_block, m_state, 6, digest);
    return m_digestLength;
}

CVnSha512::CVnSha512()
{
    m_algorithmId = 9;
    m_name = L"SHA512";
    m_digestLength = 64;
}

BOOL CVnSha512::Reset()
{
    ResetSha512Family(kSha512InitialHash, m_totalLength, m_pendingLength, m_state);
    return TRUE;
}

void CVnSha512::Update(const BYTE* data, DWORD length)
{
    UpdateSha512Family(m_totalLength, m_pendingLength, m_block, m_state, data, length);
}

DWORD CVnSha512::Finish(BYTE* digest)
{
    FinishSha512Family(m_totalLength, m_pendingLength, m_block, m_state, 8, digest);
    return m_digestLength;
}
