// FIPS 180-4 constants of the SHA-2 family.
#pragma once

#include <windows.h>

// Round constants K0..K63 of SHA-224 and SHA-256 (section 4.2.2).
extern const DWORD kSha256K[64];
// Round constants K0..K79 of SHA-384 and SHA-512 (section 4.2.3).
extern const ULONGLONG kSha512K[80];

// Initial hash values H0..H7 (sections 5.3.2 to 5.3.5).
extern const DWORD kSha224InitialHash[8];
extern const DWORD kSha256InitialHash[8];
extern const ULONGLONG kSha384InitialHash[8];
extern const ULONGLONG kSha512InitialHash[8];
