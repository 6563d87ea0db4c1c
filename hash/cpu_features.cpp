#include "hash/cpu_features.h"

#if defined(_MSC_VER) && (defined(_M_IX86) || defined(_M_X64))
#include <immintrin.h>
#include <intrin.h>
#define VN_CPUID_MSVC 1
#elif defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <cpuid.h>
#define VN_CPUID_GCC 1
#endif

namespace {

// Bit numbers of the CPUID leaves and of XCR0.
enum : unsigned {
    kLeaf1EdxSse2 = 26,
    kLeaf1EcxPclmulqdq = 1,
    kLeaf1EcxSsse3 = 9,
    kLeaf1EcxSse41 = 19,
    kLeaf1EcxOsXsave = 27,
    kLeaf1EcxAvx = 28,
    kLeaf7EbxAvx2 = 5,
    kLeaf7EbxBmi2 = 8,
    kLeaf7EbxAvx512F = 16,
    kLeaf7EbxSha = 29,
    kLeaf7EbxAvx512Vl = 31,
};
// XMM and YMM state; then the opmask, upper ZMM0-15 and ZMM16-31 state.
constexpr ULONGLONG kXcr0AvxState = 0x06;
constexpr ULONGLONG kXcr0Avx512State = 0xE6;

bool HasBit(DWORD value, unsigned bit) { return (value >> bit) & 1; }

bool HasState(ULONGLONG xcr0, ULONGLONG state) { return (xcr0 & state) == state; }

struct CpuidAnswer {
    DWORD eax = 0, ebx = 0, ecx = 0, edx = 0;
};

CpuidAnswer Cpuid(unsigned leaf)
{
    CpuidAnswer answer;
#if defined(VN_CPUID_MSVC)
    int values[4];
    __cpuidex(values, static_cast<int>(leaf), 0);
    answer = {DWORD(values[0]), DWORD(values[1]), DWORD(values[2]), DWORD(values[3])};
#elif defined(VN_CPUID_GCC)
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    __cpuid_count(leaf, 0, eax, ebx, ecx, edx);
    answer = {eax, ebx, ecx, edx};
#else
    (void)leaf;
#endif
    return answer;
}

// Only to be run when CPUID shows OSXSAVE: without it the instruction faults.
ULONGLONG ReadXcr0()
{
#if defined(VN_CPUID_MSVC)
    return _xgetbv(0);
#elif defined(VN_CPUID_GCC)
    // Written out because the intrinsic needs the XSAVE target in the caller.
    unsigned low = 0, high = 0;
    __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    return (ULONGLONG {high} << 32) | low;
#else
    return 0;
#endif
}

CpuidRegisters ReadCpuidRegisters()
{
    CpuidRegisters registers;
    const DWORD highestLeaf = Cpuid(0).eax;
    if (highestLeaf >= 1) {
        const CpuidAnswer leaf1 = Cpuid(1);
        registers.leaf1Ecx = leaf1.ecx;
        registers.leaf1Edx = leaf1.edx;
        if (HasBit(leaf1.ecx, kLeaf1EcxOsXsave))
            registers.xcr0 = ReadXcr0();
    }
    if (highestLeaf >= 7)
        registers.leaf7Ebx = Cpuid(7).ebx;
    return registers;
}

}  // namespace

CpuFeatures DecodeCpuFeatures(const CpuidRegisters& registers)
{
    const DWORD ecx1 = registers.leaf1Ecx;
    const DWORD ebx7 = registers.leaf7Ebx;
    const bool sse2 = HasBit(registers.leaf1Edx, kLeaf1EdxSse2);
    const bool avxState = HasBit(ecx1, kLeaf1EcxOsXsave) && HasState(registers.xcr0, kXcr0AvxState);
    const bool avx = avxState && HasBit(ecx1, kLeaf1EcxAvx);
    const bool avx512State = avxState && HasState(registers.xcr0, kXcr0Avx512State);

    CpuFeatures features;
    features.ssse3 = sse2 && HasBit(ecx1, kLeaf1EcxSsse3);
    features.sse41 = features.ssse3 && HasBit(ecx1, kLeaf1EcxSse41);
    features.sha = features.sse41 && HasBit(ebx7, kLeaf7EbxSha);
    features.pclmulqdq = sse2 && HasBit(ecx1, kLeaf1EcxPclmulqdq);
    features.bmi2 = HasBit(ebx7, kLeaf7EbxBmi2);
    features.avx2 = avx && HasBit(ebx7, kLeaf7EbxAvx2);
    features.avx512vl =
        features.avx2 && avx512State && HasBit(ebx7, kLeaf7EbxAvx512F) && HasBit(ebx7, kLeaf7EbxAvx512Vl);
    return features;
}

const CpuFeatures& GetCpuFeatures()
{
    static const CpuFeatures features = DecodeCpuFeatures(ReadCpuidRegisters());
    return features;
}
