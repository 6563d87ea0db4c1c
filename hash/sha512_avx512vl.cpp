// SHA-512 with the vector schedule of sha512_lanes.h, built for avx512f and avx512vl.
#include "hash/sha2_blocks.h"

#if defined(VN_X86)
// The x86-64 rounds rotate with rorx.
#if defined(VN_X86_64)
#define VN_BLOCK_TARGET "avx512f,avx512vl,bmi2"
#else
#define VN_BLOCK_TARGET "avx512f,avx512vl"
#endif
#define VN_LANES_TERNARY 1
#define VN_LANES_ENTRY CompressBlocks512Avx512Vl
#include "hash/sha512_lanes.h"
#endif
