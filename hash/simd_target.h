// Compiler spellings for the block functions built for one processor feature
// (internal to hash/). Only macros: a function defined in a header would be
// shared between files, and a copy compiled for a newer processor could end
// up in the program's one copy of it.
#pragma once

#if defined(_M_IX86) || defined(_M_X64) || defined(__i386__) || defined(__x86_64__)
#define VN_X86 1
#endif
#if defined(_M_X64) || defined(__x86_64__)
#define VN_X86_64 1
#endif

#if defined(__GNUC__)
// The instructions of `features` in this function only, never in the rest of
// the program, so that it still starts on a processor without them.
#define VN_TARGET(features) __attribute__((target(features)))
// Every entry point into such code: a 32-bit Windows caller (a window
// procedure, for one) may hand over a stack aligned to 4 bytes only, and the
// SSE spill slots the compiler places on it must be 16-byte aligned.
#define VN_SIMD_ENTRY(features) __attribute__((target(features), force_align_arg_pointer))
#define VN_ALWAYS_INLINE inline __attribute__((always_inline))
#define VN_PRAGMA(text) _Pragma(#text)
// Unrolled so that array indexes become constants and the arrays registers.
#define VN_UNROLL(count) VN_PRAGMA(GCC unroll count)
#else
// MSVC allows every intrinsic anywhere and realigns the stack itself.
#define VN_TARGET(features)
#define VN_SIMD_ENTRY(features)
#define VN_ALWAYS_INLINE __forceinline
#define VN_UNROLL(count)
#endif
