// One line of a checksum list as the usual tools write it: GNU "hex  name"
// and "hex *name", tagged "SHA256 (name) = hex" (the digest also in Base64,
// as GNU cksum --base64 writes it) and OpenSSL's "SHA2-256(name)= hex". A
// backslash before the line marks its name as written escaped. And the line
// the console program writes for one digest, which names no file.
#pragma once

#include <string>
#include <string_view>

#include "digest/digest_set.h"

struct ChecksumLine {
    int digest = -1;        // row of kDigestTable
    bool tagged = false;    // the tag names the digest; else the number of digits does
    DigestValue value;      // the listed digest, whichever form it had
    std::string_view name;  // as listed, escaped when `escaped`
    bool escaped = false;
    bool keyed = false;     // the tag names a keyed digest ("HMAC-SHA256")
};

// Reads `line`, without its line break, blanks before it allowed. A GNU
// line's 32 digits are MD5, or MD4 when `selected` has MD4 and not MD5. False
// when the line has none of these forms.
bool ParseChecksumLine(std::string_view line, const DigestSelection& selected, ChecksumLine& parsed);

// Reads the console program's own "NAME HEX" or "NAME BASE64" line (a tag as
// in a checksum list, one space): `parsed` has no name. False for any other line.
bool ParseDigestLine(std::string_view line, ChecksumLine& parsed);
