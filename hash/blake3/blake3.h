// BLAKE3 in its hash mode, or its keyed_hash mode when given a key, with the
// default 32-byte output.
//
// The input is cut into chunks of 1 KiB, each compressed block by block into
// a chaining value; the chunks are the leaves of a binary tree whose parents
// compress two chaining values. Finished subtrees wait on a stack and merge
// as the chunk count's trailing zeros say, so that chunks could as well be
// compressed elsewhere (on other threads) and merged in order.
// The object holds no pointers: a copy digests on from the same state, with
// the same key.
// Construction leaves the state undefined: Reset before the first Update.
#pragma once

#include "hash/hash_object.h"

class CVnBlake3 : public CVnHashObject {
public:
    static constexpr DWORD kBlockLength = 64;
    static constexpr DWORD kChunkLength = 1024;
    static constexpr DWORD kKeyLength = 32;

    CVnBlake3();
    // The key's copy goes with the object.
    ~CVnBlake3();

    // The keyed_hash mode with the kKeyLength bytes at `key` from the next
    // Reset on; null: the hash mode.
    void SetKey(const BYTE* key);

    BOOL Reset() override;
    void Update(const BYTE* data, DWORD length) override;
    // Writes 32 bytes and returns 32; the object then needs Reset.
    DWORD Finish(BYTE* digest) override;

private:
    // Fewer than 2^64 bytes make fewer than 2^54 chunks: at most one
    // finished subtree waits for each bit of their count.
    static constexpr DWORD kMaxStackDepth = 54;

    // A node's last compression, not yet run (blake3.cpp).
    struct Output;
    Output CurrentChunkOutput() const;
    Output ParentOutput(const DWORD* left, const DWORD* right) const;

    // The flags of a block of the current chunk: the mode's, and a flag of
    // its own for the chunk's first block.
    DWORD ChunkFlags() const;
    DWORD ChunkLengthSoFar() const { return m_blocksCompressed * kBlockLength + m_pendingLength; }
    // Appends to the current chunk; `length` is at most what the chunk lacks.
    void UpdateChunk(const BYTE* data, DWORD length);
    // Compresses one block of the current chunk that is not its last.
    void CompressChunkBlock(const BYTE* block);
    // Puts the finished current chunk's chaining value on the stack, merging
    // the subtrees it completes, and starts the next chunk.
    void StartNextChunk();

    // What every chunk and parent starts from, and the flag of its mode.
    DWORD m_key[8];
    DWORD m_modeFlags = 0;

    // The current chunk.
    ULONGLONG m_chunkCounter = 0;  // its index in the input
    DWORD m_chunkValue[8];         // chaining value of its blocks compressed so far
    DWORD m_blocksCompressed = 0;
    // Bytes waiting in m_block, up to a whole block: a chunk's last block is
    // compressed differently, so a full one waits until more input comes.
    DWORD m_pendingLength = 0;
    BYTE m_block[kBlockLength];

    // Chaining values of the finished subtrees, the largest (leftmost) first.
    DWORD m_stackDepth = 0;
    DWORD m_stack[kMaxStackDepth][8];
};
