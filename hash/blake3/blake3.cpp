#include "hash/blake3/blake3.h"

#include <algorithm>
#include <array>

#include "hash/blake2/blake_round.h"
#include "hash/sha2_tables.h"

namespace {

constexpr unsigned kRounds = 7;
constexpr DWORD kBlockLength = CVnBlake3::kBlockLength;

// The domain flags of a compression.
constexpr DWORD kChunkStart = 1;
constexpr DWORD kChunkEnd = 2;
constexpr DWORD kParent = 4;
constexpr DWORD kRoot = 8;
constexpr DWORD kKeyedHash = 16;

// Between two rounds the message words are permuted thus: m'[i] = m[P[i]].
constexpr BYTE kMessagePermutation[16] = {2, 6, 3, 10, 7, 0, 4, 13, 1, 11, 12, 5, 9, 14, 15, 8};

// The permutation applied round after round, as schedules for MixRound.
constexpr std::array<std::array<BYTE, 16>, kRounds> MessageSchedules()
{
    std::array<std::array<BYTE, 16>, kRounds> schedules {};
    for (BYTE i = 0; i < 16; ++i) {
        schedules[0][i] = i;
    }
    for (unsigned round = 1; round < kRounds; ++round) {
        for (unsigned i = 0; i < 16; ++i) {
            schedules[round][i] = schedules[round - 1][kMessagePermutation[i]];
        }
    }
    return schedules;
}
constexpr std::array<std::array<BYTE, 16>, kRounds> kSchedules = MessageSchedules();

// The key of the hash mode, and the start of every compression's second
// half (in the keyed mode too): SHA-256's initial value.
const DWORD* InitialValue() { return kSha256InitialHash; }

// Compresses `block` (its first `blockLength` bytes used, the rest zero)
// into `value`, which becomes the first half of the output.
void Compress(DWORD* value, const BYTE* block, ULONGLONG counter, DWORD blockLength, DWORD flags)
{
    DWORD m[16];
    LoadWordsLittleEndian(block, 16, m);
    DWORD v[16];
    std::copy_n(value, 8, v);
    std::copy_n(InitialValue(), 4, v + 8);
    v[12] = static_cast<DWORD>(counter);
    v[13] = static_cast<DWORD>(counter >> 32);
    v[14] = blockLength;
    v[15] = flags;
    VN_UNROLL(7)
    for (unsigned round = 0; round < kRounds; ++round) {
        MixRound<Blake32Mixing>(v, m, kSchedules[round].data());
    }
    for (unsigned i = 0; i < 8; ++i) {
        value[i] = v[i] ^ v[i + 8];
    }
}

}  // namespace

// Its chaining value, or the root output when it turns out to be the root.
struct CVnBlake3::Output {
    DWORD inputValue[8];
    BYTE block[kBlockLength];
    ULONGLONG counter;
    DWORD blockLength;
    DWORD flags;

    void Run(DWORD* value, DWORD extraFlags) const
    {
        std::copy_n(inputValue, 8, value);
        Compress(value, block, counter, blockLength, flags | extraFlags);
    }
};

CVnBlake3::CVnBlake3()
{
    m_algorithmId = kBlake3AlgorithmId;
    m_name = L"BLAKE3";
    m_digestLength = 32;
    SetKey(nullptr);
}

CVnBlake3::~CVnBlake3()
{
    SecureZeroMemory(m_key, sizeof(m_key));
    SecureZeroMemory(m_chunkValue, sizeof(m_chunkValue));
}

void CVnBlake3::SetKey(const BYTE* key)
{
    if (key == nullptr) {
        std::copy_n(InitialValue(), 8, m_key);
        m_modeFlags = 0;
        return;
    }
    LoadWordsLittleEndian(key, 8, m_key);
    m_modeFlags = kKeyedHash;
}

BOOL CVnBlake3::Reset()
{
    m_chunkCounter = 0;
    std::copy_n(m_key, 8, m_chunkValue);
    m_blocksCompressed = 0;
    m_pendingLength = 0;
    m_stackDepth = 0;
    return TRUE;
}

void CVnBlake3::Update(const BYTE* data, DWORD length)
{
    while (length > 0) {
        // Only more input shows that a full chunk is not the last one.
        if (ChunkLengthSoFar() == kChunkLength) {
            StartNextChunk();
        }
        const DWORD taken = std::min(length, kChunkLength - ChunkLengthSoFar());
        UpdateChunk(data, taken);
        data += taken;
        length -= taken;
    }
}

void CVnBlake3::UpdateChunk(const BYTE* data, DWORD length)
{
    const DWORD room = kBlockLength - m_pendingLength;
    if (length <= room) {
        std::copy_n(data, length, m_block + m_pendingLength);
        m_pendingLength += length;
        return;
    }
    std::copy_n(data, room, m_block + m_pendingLength);
    CompressChunkBlock(m_block);
    data += room;
    length -= room;
    for (; length > kBlockLength; data += kBlockLength, length -= kBlockLength) {
        CompressChunkBlock(data);
    }
    std::copy_n(data, length, m_block);
    m_pendingLength = length;
}

void CVnBlake3::CompressChunkBlock(const BYTE* block)
{
    Compress(m_chunkValue, block, m_chunkCounter, kBlockLength, ChunkFlags());
    ++m_blocksCompressed;
}

DWORD CVnBlake3::ChunkFlags() const { return m_modeFlags | (m_blocksCompressed == 0 ? kChunkStart : 0); }

CVnBlake3::Output CVnBlake3::CurrentChunkOutput() const
{
    Output output {};
    std::copy_n(m_chunkValue, 8, output.inputValue);
    std::copy_n(m_block, m_pendingLength, output.block);
    output.counter = m_chunkCounter;
    output.blockLength = m_pendingLength;
    output.flags = ChunkFlags() | kChunkEnd;
    return output;
}

CVnBlake3::Output CVnBlake3::ParentOutput(const DWORD* left, const DWORD* right) const
{
    Output parent {};
    std::copy_n(m_key, 8, parent.inputValue);
    StoreWordsLittleEndian(left, 8, parent.block);
    StoreWordsLittleEndian(right, 8, parent.block + 32);
    parent.blockLength = kBlockLength;
    parent.flags = m_modeFlags | kParent;
    return parent;
}

void CVnBlake3::StartNextChunk()
{
    DWORD value[8];
    CurrentChunkOutput().Run(value, 0);

    // Each trailing zero of the number of chunks so far completes a subtree:
    // its left half waits on top of the stack.
    ++m_chunkCounter;
    for (ULONGLONG chunks = m_chunkCounter; (chunks & 1) == 0; chunks >>= 1) {
        ParentOutput(m_stack[--m_stackDepth], value).Run(value, 0);
    }
    std::copy_n(value, 8, m_stack[m_stackDepth++]);

    std::copy_n(m_key, 8, m_chunkValue);
    m_blocksCompressed = 0;
    m_pendingLength = 0;
}

DWORD CVnBlake3::Finish(BYTE* digest)
{
    Output output = CurrentChunkOutput();
    // The unfinished subtrees close from the right, the current chunk first.
    for (DWORD depth = m_stackDepth; depth-- > 0;) {
        DWORD value[8];
        output.Run(value, 0);
        output = ParentOutput(m_stack[depth], value);
    }
    // The root's first output block, counted from 0 whatever the node.
    output.counter = 0;
    DWORD root[8];
    output.Run(root, kRoot);
    StoreWordsLittleEndian(root, 8, digest);
    return m_digestLength;
}
