#include "hash/crc32/crc32.h"

#include <array>

#include "hash/crc32/crc32_blocks.h"
#include "hash/crc32/crc32_paths.h"
#include "hash/sha2_core.h"
#include "hash/words.h"

namespace {

constexpr DWORD kInverted = 0xFFFFFFFF;
constexpr unsigned kSlices = 8;

// Table k gives the register's change from one byte followed by k zero bytes.
constexpr std::array<std::array<DWORD, 256>, kSlices> SliceTables()
{
    std::array<std::array<DWORD, 256>, kSlices> tables {};
    for (DWORD byte = 0; byte < 256; ++byte) {
        DWORD remainder = byte;
        for (int bit = 0; bit < 8; ++bit) {
            remainder = (remainder >> 1) ^ ((remainder & 1) ? kCrc32Polynomial : 0);
        }
        tables[0][byte] = remainder;
    }
    for (unsigned k = 1; k < kSlices; ++k) {
        for (DWORD byte = 0; byte < 256; ++byte) {
            const DWORD previous = tables[k - 1][byte];
            tables[k][byte] = (previous >> 8) ^ tables[0][previous & 0xFF];
        }
    }
    return tables;
}
constexpr std::array<std::array<DWORD, 256>, kSlices> kTables = SliceTables();

}  // namespace

DWORD UpdateCrc32Portable(DWORD crc, const BYTE* data, size_t length)
{
    for (; length >= kSlices; data += kSlices, length -= kSlices) {
        const DWORD first = crc ^ LoadLittleEndian<DWORD>(data);
        const DWORD second = LoadLittleEndian<DWORD>(data + 4);
        crc = kTables[7][first & 0xFF] ^ kTables[6][(first >> 8) & 0xFF] ^ kTables[5][(first >> 16) & 0xFF]
            ^ kTables[4][first >> 24] ^ kTables[3][second & 0xFF] ^ kTables[2][(second >> 8) & 0xFF]
            ^ kTables[1][(second >> 16) & 0xFF] ^ kTables[0][second >> 24];
    }
    for (; length > 0; --length, ++data) {
        crc = (crc >> 8) ^ kTables[0][(crc ^ *data) & 0xFF];
    }
    return crc;
}

CVnCrc32::CVnCrc32()
{
    m_algorithmId = kCrc32AlgorithmId;
    m_name = L"CRC32";
    m_digestLength = 4;
}

BOOL CVnCrc32::Reset()
{
    m_register = kInverted;
    return TRUE;
}

void CVnCrc32::Update(const BYTE* data, DWORD length)
{
    m_register = ActiveCrc32Path().compress(m_register, data, length);
}

DWORD CVnCrc32::Finish(BYTE* digest)
{
    StoreBigEndian<DWORD>(m_register ^ kInverted, digest);
    return m_digestLength;
}
