// SHA-512 with the vector schedule of sha512_lanes.h, built for SSSE3.
#include "hash/sha2_blocks.h"

#if defined(VN_X86)
#define VN_BLOCK_TARGET "ssse3"
#define VN_LANES_TERNARY 0
#define VN_LANES_ENTRY CompressBlocks512Ssse3
#include "hash/sha512_lanes.h"
#endif
