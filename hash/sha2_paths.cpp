#include "hash/sha2_paths.h"

#include "hash/sha2_blocks.h"
#include "hash/sha2_path_slots.h"

namespace {

#if defined(VN_X86)
bool WithSha(const CpuFeatures& cpu) { return cpu.sha; }
bool WithSsse3(const CpuFeatures& cpu) { return cpu.ssse3; }
#endif
#if defined(VN_X86_64)
// The x86-64 AVX paths run their rounds with rorx.
bool WithAvx2(const CpuFeatures& cpu) { return cpu.avx2 && cpu.bmi2; }
bool WithAvx512Vl(const CpuFeatures& cpu) { return cpu.avx512vl && cpu.bmi2; }
bool WithBmi2(const CpuFeatures& cpu) { return cpu.bmi2; }
#elif defined(VN_X86)
bool WithAvx2(const CpuFeatures& cpu) { return cpu.avx2; }
bool WithAvx512Vl(const CpuFeatures& cpu) { return cpu.avx512vl; }
#endif

}  // namespace

// Fastest first, as measured with bench/digest_bench. The x86-64 SHA-512
// paths differ in how the schedule is extended beside the scalar rounds
// (vprorq and vpternlogq, then AVX2, then SSSE3); the scalar schedule with
// rorx comes close to SSSE3 but not past it. The
// 32-bit paths also run the rounds on vector lanes, where the wider
// instruction sets save the most.
const std::vector<Sha256Path>& Sha256Paths()
{
    static const std::vector<Sha256Path> paths = {
#if defined(VN_X86)
        {{"shani", CompressBlocks256Shani, WithSha}, CompressBlocks256ShaniThrough},
#endif
        {{"portable", CompressBlocks256Portable, OfferedEverywhere}, CompressBlocks256PortableThrough},
    };
    return paths;
}

const std::vector<Sha512Path>& Sha512Paths()
{
    static const std::vector<Sha512Path> paths = {
#if defined(VN_X86)
        {"avx512vl", CompressBlocks512Avx512Vl, WithAvx512Vl},
        {"avx2", CompressBlocks512Avx2, WithAvx2},
        {"ssse3", CompressBlocks512Ssse3, WithSsse3},
#endif
#if defined(VN_X86_64)
        {"bmi2", CompressBlocks512Bmi2, WithBmi2},
#endif
        {"portable", CompressBlocks512Portable, OfferedEverywhere},
    };
    return paths;
}

const Sha256Path& PreferredSha256Path(const CpuFeatures& cpu) { return FirstOfferedPath(Sha256Paths(), cpu); }
const Sha512Path& PreferredSha512Path(const CpuFeatures& cpu) { return FirstOfferedPath(Sha512Paths(), cpu); }

// The one dispatch point per word size: the path of the classes' next run of
// blocks. Every path takes and leaves the state in the same standard form, so
// a digest that spans a change of path is still right.
std::atomic<const Sha256Path*>& Sha256PathSlot()
{
    static std::atomic<const Sha256Path*> active {&FirstOfferedPath(Sha256Paths(), GetCpuFeatures())};
    return active;
}

std::atomic<const Sha512Path*>& Sha512PathSlot()
{
    static std::atomic<const Sha512Path*> active {&FirstOfferedPath(Sha512Paths(), GetCpuFeatures())};
    return active;
}

const Sha256Path& ActiveSha256Path() { return *Sha256PathSlot().load(std::memory_order_relaxed); }
const Sha512Path& ActiveSha512Path() { return *Sha512PathSlot().load(std::memory_order_relaxed); }
