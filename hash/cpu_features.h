// What the processor and the operating system together let this program use.
// Read once; nothing else in the program asks the processor.
#pragma once

#include <windows.h>

struct CpuFeatures {
    bool ssse3 = false;
    bool sse41 = false;
    bool sha = false;        // sha256rnds2, sha256msg1, sha256msg2
    bool pclmulqdq = false;  // carry-less multiplication on SSE registers
    bool bmi2 = false;
    bool avx2 = false;      // only when the system saves the YMM registers
    bool avx512vl = false;  // AVX-512F and VL, only when the system saves the ZMM and mask registers
};

// The raw answers the features are decided from: CPUID leaf 1 (ECX, EDX),
// leaf 7 sub-leaf 0 (EBX; zero when the processor has no leaf 7) and XCR0
// (zero when the system has not enabled XGETBV).
struct CpuidRegisters {
    DWORD leaf1Ecx = 0;
    DWORD leaf1Edx = 0;
    DWORD leaf7Ebx = 0;
    ULONGLONG xcr0 = 0;
};

// A processor feature counts only with everything it rests on, and an AVX
// feature only when XCR0 shows that the system saves its registers across
// thread switches; without that the instructions fault.
CpuFeatures DecodeCpuFeatures(const CpuidRegisters& registers);

// This processor's features, read on the first call.
const CpuFeatures& GetCpuFeatures();
