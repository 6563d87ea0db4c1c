// The Keccak-f[1600] permutation and the absorbing of whole blocks
// (internal to hash/): the state is 25 lanes of 64 bits, lane (x, y) at
// index x + 5y, as FIPS 202 lays it out.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr unsigned kKeccakLanes = 25;

// XORs `count` consecutive blocks of `rate` bytes (a multiple of 8, any
// alignment) into the lanes, each followed by the 24 rounds.
void AbsorbKeccakBlocks(ULONGLONG* lanes, const BYTE* data, size_t count, size_t rate);
