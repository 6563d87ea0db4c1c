// Known answers from the NIST CAVP byte-oriented hash files (*.rsp).
#pragma once

#include <string>
#include <vector>

struct NistVector {
    std::vector<unsigned char> message;
    std::vector<unsigned char> digest;
};

// Lower- or upper-case hex digits to bytes; an odd digit count or a non-hex
// character gives an empty result.
std::vector<unsigned char> BytesFromHex(const std::string& hex);

// Every Len/Msg/MD case of the file, in file order, the message cut to Len
// bits (an empty message is written "Msg = 00"). Empty when the file cannot
// be read.
std::vector<NistVector> ReadNistVectors(const std::wstring& path);
