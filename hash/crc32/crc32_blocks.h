// The CRC-32 block functions and the polynomial arithmetic they rest on
// (internal to hash/). Each function runs the reflected CRC register `crc`
// over `length` bytes (any alignment) and returns it; none inverts it at the
// start or the end. The PCLMULQDQ one exists only where simd_target.h says
// so, and may run only where the processor has the instruction.
#pragma once

#include <windows.h>

#include <cstddef>

#include "hash/simd_target.h"

// The generator polynomial without its x^32 term, reflected: bit 31 - i
// holds the coefficient of x^i.
constexpr DWORD kCrc32Polynomial = 0xEDB88320;

// x^n mod P in the same reflected form.
constexpr DWORD PowerOfXModP(unsigned n)
{
    DWORD remainder = 0x80000000;  // x^0
    for (; n > 0; --n) {
        remainder = (remainder >> 1) ^ ((remainder & 1) ? kCrc32Polynomial : 0);
    }
    return remainder;
}

// Slicing by eight: eight bytes a table lookup each, all eight independent.
DWORD UpdateCrc32Portable(DWORD crc, const BYTE* data, size_t length);

#if defined(VN_X86)
// Carry-less multiplication folds 64 bytes a step.
DWORD UpdateCrc32Pclmul(DWORD crc, const BYTE* data, size_t length);
#endif
