// The names digests go by in checksum lists and in front of digests: the
// table's own, the hyphenated ones some tools write ("SHA-256") and
// OpenSSL 3's ("SHA2-256").
#pragma once

#include <string>
#include <string_view>

#include "digest/digest_table.h"

// The row of kDigestTable named `name`, or -1. Checksum lists spell their
// tags exactly as their tools write them; a prefix written by hand
// ("sha256:") may come in any case.
int DigestRowNamed(std::wstring_view name, bool anyCase);

// A digest as a name names it: the row, whether keyed, and its length in
// bytes (other than the row's for BLAKE2b at the lengths `b2sum -l` writes).
struct NamedDigest {
    int row = -1;
    bool keyed = false;
    DWORD length = 0;
};

// The digest named `name`: any name DigestRowNamed takes; "BLAKE2b-" and a
// multiple of 8 bits up to 512 ("BLAKE2b-256", as b2sum -l 256 --tag names
// it); a keyed name ("HMAC-SHA256", "BLAKE3-KEYED", "BLAKE2b-256-KEYED"), or
// "HMAC-" and any name of an HMAC row ("HMAC-SHA-256"). False for none.
bool FindDigestNamed(std::wstring_view name, bool anyCase, NamedDigest& found);

// The name lines and tags give the digest of `row` of `length` bytes, keyed
// or not: "SHA256", "HMAC-SHA256", "BLAKE2b-256".
std::wstring DigestLineName(int row, bool keyed, DWORD length);

// The other names, joined by "、", for a help text.
std::wstring OtherDigestNames();

// The table's names of `digests` in table order, joined by "、", as the programs' messages list them.
std::wstring DigestNames(DigestSelection digests);
