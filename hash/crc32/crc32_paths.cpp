#include "hash/crc32/crc32_paths.h"

#include "hash/crc32/crc32_blocks.h"

namespace {

#if defined(VN_X86)
bool WithPclmulqdq(const CpuFeatures& cpu) { return cpu.pclmulqdq; }
#endif

}  // namespace

const std::vector<Crc32Path>& Crc32Paths()
{
    static const std::vector<Crc32Path> paths = {
#if defined(VN_X86)
        {"pclmul", UpdateCrc32Pclmul, WithPclmulqdq},
#endif
        {"portable", UpdateCrc32Portable, OfferedEverywhere},
    };
    return paths;
}

const Crc32Path& PreferredCrc32Path(const CpuFeatures& cpu) { return FirstOfferedPath(Crc32Paths(), cpu); }

std::atomic<const Crc32Path*>& Crc32PathSlot()
{
    static std::atomic<const Crc32Path*> active {&PreferredCrc32Path(GetCpuFeatures())};
    return active;
}

const Crc32Path& ActiveCrc32Path() { return *Crc32PathSlot().load(std::memory_order_relaxed); }
