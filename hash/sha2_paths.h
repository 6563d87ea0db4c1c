// Which block function the SHA-2 classes compress with. Every word size has
// several "paths", each built for one processor feature; on first use the
// classes take the first path in preference order that this processor offers,
// and the portable C path, always last, runs everywhere. The choice is made
// once and the program has no way to change it; tests and the benchmark
// narrow it through hash/sha2_path_override.h, which only they link.
#pragma once

#include <windows.h>

#include <vector>

#include "hash/block_path.h"

// Compresses `count` consecutive blocks of `data` (any alignment) into the
// eight-word `state`; a count of 0 or less does nothing.
using Sha256BlockFunction = void (*)(DWORD* state, const BYTE* data, int count);
using Sha512BlockFunction = void (*)(ULONGLONG* state, const BYTE* data, int count);
// The same for SHA-256, but each block is first copied into the 64-byte
// `buffer` and compressed from there; the state stays in registers from the
// first block to the last.
using Sha256ThroughBufferFunction = void (*)(DWORD* state, BYTE* buffer, const BYTE* data, int count);

template <typename BlockFunction> using Sha2Path = BlockPath<BlockFunction>;
// SHA-224 and SHA-256
struct Sha256Path : Sha2Path<Sha256BlockFunction> {
    Sha256ThroughBufferFunction compressThrough;
};
using Sha512Path = Sha2Path<Sha512BlockFunction>;  // SHA-384 and SHA-512

// The paths built into this program, in order of preference; "portable" is last.
const std::vector<Sha256Path>& Sha256Paths();
const std::vector<Sha512Path>& Sha512Paths();

// The first path in preference order that `cpu` offers.
const Sha256Path& PreferredSha256Path(const CpuFeatures& cpu);
const Sha512Path& PreferredSha512Path(const CpuFeatures& cpu);

// The path the classes compress with now.
const Sha256Path& ActiveSha256Path();
const Sha512Path& ActiveSha512Path();
