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

// The row whose keyed digest is named `name`: its keyed name ("HMAC-SHA256",
// "BLAKE3-KEYED"), or "HMAC-" and any name of an HMAC row ("HMAC-SHA-256");
// -1 for none.
int KeyedDigestRowNamed(std::wstring_view name, bool anyCase);

// The row named `name`, plain or keyed (`keyed` says which); -1 for none.
int AnyDigestRowNamed(std::wstring_view name, bool anyCase, bool& keyed);

// The other names, joined by "、", for a help text.
std::wstring OtherDigestNames();

// The table's names of `digests` in table order, joined by "、", as the programs' messages list them.
std::wstring DigestNames(DigestSelection digests);
