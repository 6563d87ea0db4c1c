// SHA-512 with the vector schedule of sha512_lanes.h, built for avx2.
#include "hash/sha2_blocks.h"

#if defined(VN_X86)
// The x86-64 rounds rotate with rorx.
#if defined(VN_X86_64)
#define VN_BLOCK_TARGET "avx2,bmi2"
#else
#define VN_BLOCK_TARGET "avx2"
#endif
#define VN_LANES_TERNARY 0
#define VN_LANES_ENTRY CompressBlocks512Avx2
#include "hash/sha512_lanes.h"
#endif
