#include "nist_vectors.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

std::string ReadWholeFile(const std::wstring& path)
{
    std::string content;
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr)
        return content;
    char chunk[65536];
    size_t read;
    while ((read = fread(chunk, 1, sizeof(chunk), file)) > 0)
        content.append(chunk, read);
    fclose(file);
    return content;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Splits "Name = value" (CR LF endings tolerated); false for any other line.
bool SplitAssignment(std::string line, std::string& name, std::string& value)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    const size_t separator = line.find(" = ");
    if (separator == std::string::npos)
        return false;
    name = line.substr(0, separator);
    value = line.substr(separator + 3);
    return true;
}

}  // namespace

std::vector<unsigned char> BytesFromHex(const std::string& hex)
{
    std::vector<unsigned char> bytes;
    if (hex.size() % 2 != 0)
        return bytes;
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            return {};
        bytes.push_back(static_cast<unsigned char>(high * 16 + low));
    }
    return bytes;
}

std::vector<NistVector> ReadNistVectors(const std::wstring& path)
{
    std::vector<NistVector> vectors;
    std::istringstream lines(ReadWholeFile(path));
    std::string line, name, value;
    size_t bitLength = 0;
    NistVector current;
    while (std::getline(lines, line)) {
        if (!SplitAssignment(line, name, value))
            continue;
        if (name == "Len") {
            bitLength = std::strtoul(value.c_str(), nullptr, 10);
        } else if (name == "Msg") {
            current.message = BytesFromHex(value);
            current.message.resize(bitLength / 8);
        } else if (name == "MD") {
            current.digest = BytesFromHex(value);
            vectors.push_back(current);
        }
    }
    return vectors;
}
