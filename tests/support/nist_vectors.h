// Known answers from tests/data, and the byte/hex conversions the tests share.
#pragma once

#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;
struct KnownAnswer {
    Bytes message, digest;
};

Bytes BytesFromHex(const std::string& hex);
// Hex: two uppercase digits per byte, as the program shows digests.
std::wstring Hex(const unsigned char* bytes, size_t count);
inline std::wstring Hex(const Bytes& bytes) { return Hex(bytes.data(), bytes.size()); }
std::string Repeat(const std::string& piece, size_t times);

// The Len/Msg/MD cases of a NIST CAVP .rsp file (the message cut to Len bits) or the
// `"message" digest` lines of an RFC suite, in file order; none when the file cannot be read.
std::vector<KnownAnswer> ReadKnownAnswers(const std::string& fileName);
