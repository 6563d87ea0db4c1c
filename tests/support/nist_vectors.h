// Known answers from tests/data, and the byte/hex conversions the tests share.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;
struct KnownAnswer {
    Bytes message, digest;
};

inline Bytes BytesFromHex(const std::string& hex)
{
    Bytes bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    return bytes;
}

// Two uppercase digits per byte, as the program shows digests.
inline std::wstring Hex(const unsigned char* bytes, size_t count)
{
    std::wstring text;
    for (size_t i = 0; i < count; ++i)
        text += {L"0123456789ABCDEF"[bytes[i] >> 4], L"0123456789ABCDEF"[bytes[i] & 15]};
    return text;
}
inline std::wstring Hex(const Bytes& bytes) { return Hex(bytes.data(), bytes.size()); }

template <typename Char> std::basic_string<Char> Repeat(const Char* piece, size_t times)
{
    std::basic_string<Char> text;
    while (times-- > 0)
        text += piece;
    return text;
}

// The Len/Msg/MD cases of a NIST CAVP .rsp file (the message cut to Len bits) or the
// `"message" digest` lines of an RFC suite, in file order; none when the file cannot be read.
inline std::vector<KnownAnswer> ReadKnownAnswers(const std::string& fileName)
{
    std::vector<KnownAnswer> answers;
    std::ifstream file((TEST_DATA_DIR L"/" + std::wstring(fileName.begin(), fileName.end())).c_str());
    std::string line;
    Bytes message;
    size_t bits = 0;
    while (std::getline(file, line)) {
        line.erase(line.find_last_not_of('\r') + 1);
        const size_t quote = line.rfind('"');
        if (line.rfind('"', 0) == 0 && quote > 0)
            answers.push_back({Bytes(line.begin() + 1, line.begin() + quote), BytesFromHex(line.substr(quote + 2))});
        else if (line.rfind("Len = ", 0) == 0)
            bits = std::strtoul(line.c_str() + 6, nullptr, 10);
        else if (line.rfind("Msg = ", 0) == 0)
            (message = BytesFromHex(line.substr(6))).resize(bits / 8);
        else if (line.rfind("MD = ", 0) == 0)
            answers.push_back({message, BytesFromHex(line.substr(5))});
    }
    return answers;
}
