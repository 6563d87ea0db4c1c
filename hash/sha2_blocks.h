// The SHA-2 block functions (internal to hash/). Each compresses `count`
// consecutive blocks of `data` (any alignment) into the eight-word `state`;
// a count of 0 or less does nothing. All give the same result; the SIMD ones
// exist only where simd_target.h says so, and may run only where the
// processor has their feature (see sha2_paths.cpp).
#pragma once

#include <windows.h>

#include "hash/simd_target.h"

void CompressBlocks256Portable(DWORD* state, const BYTE* data, int count);
// The same, each block first copied into the 64-byte `buffer` and compressed
// from there, which keeps the last block.
void CompressBlocks256PortableThrough(DWORD* state, BYTE* buffer, const BYTE* data, int count);
void CompressBlocks512Portable(ULONGLONG* state, const BYTE* data, int count);

#if defined(VN_X86)
// SHA extensions with SSE4.1.
void CompressBlocks256Shani(DWORD* state, const BYTE* data, int count);
void CompressBlocks256ShaniThrough(DWORD* state, BYTE* buffer, const BYTE* data, int count);
// The rounds on 64-bit vector lanes, one variable a register.
void CompressBlocks512Ssse3(ULONGLONG* state, const BYTE* data, int count);
void CompressBlocks512Avx2(ULONGLONG* state, const BYTE* data, int count);
void CompressBlocks512Avx512Vl(ULONGLONG* state, const BYTE* data, int count);
#endif
#if defined(VN_X86_64)
// Scalar rounds with the three-operand rotate `rorx`.
void CompressBlocks512Bmi2(ULONGLONG* state, const BYTE* data, int count);
#endif
