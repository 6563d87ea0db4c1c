// Every SHA-2 block function this processor offers against the portable one, and how the processor's features
// choose among them. The classes on every path: the known answers in provider_digest_test.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <type_traits>

#include "hash/sha2_paths.h"
#include "tests/support/nist_vectors.h"

namespace {

// Runs a block function as a 32-bit Windows caller may, with the stack at 16n + `misalignment` only: the vector
// paths must realign it. Other builds always align the stack to 16 bytes.
template <typename Word>
void Compress(void (*compress)(Word*, const BYTE*, int), Word* state, const BYTE* data, int count,
              unsigned misalignment)
{
#if defined(__GNUC__) && defined(__i386__)
    const struct {
        void* state;
        const void* data;
        int count;
        void (*function)();
        unsigned padding;  // bytes below a 16-byte boundary before the three arguments, which take 12
    } call = {state, data, count, reinterpret_cast<void (*)()>(compress), (4u - misalignment) & 15};
    __asm__ volatile(
        "movl %%esp, %%esi\n\t"
        "andl $-16, %%esp\n\t"
        "subl 16(%0), %%esp\n\t"
        "pushl 8(%0)\n\t"
        "pushl 4(%0)\n\t"
        "pushl 0(%0)\n\t"
        "call *12(%0)\n\t"
        "movl %%esi, %%esp\n\t"
        :
        : "D"(&call)
        : "eax", "ecx", "edx", "esi", "memory", "cc");
#else
    (void)misalignment;
    compress(state, data, count);
#endif
}

// Random states, data at every alignment within a vector, counts of 0 or less included, and every stack
// alignment a 32-bit caller may leave; SHA-224/256 also through the classes' one-block buffer, which must be
// left holding the last block.
template <typename Word, typename Path> void ExpectSameAsPortable(const std::vector<Path>& paths, size_t blockSize)
{
    std::mt19937 random(20240611);
    Bytes data(16 + 9 * blockSize);
    for (BYTE& byte : data)
        byte = static_cast<BYTE>(random());
    for (const Path& path : paths) {
        for (int round = 0; round < 200 && path.offered(GetCpuFeatures()); ++round) {
            const int count = static_cast<int>(random() % 12) - 2;
            const BYTE* const blocks = data.data() + random() % 16;
            const unsigned misalignment = 4 * (round % 4);
            SCOPED_TRACE(testing::Message() << path.name << ": " << count << " blocks at +" << (blocks - data.data())
                                            << ", stack at 16n + " << misalignment);
            std::array<Word, 8> state, expected;
            for (Word& word : state)
                word = static_cast<Word>((ULONGLONG {random()} << 32) | random());
            const std::array<Word, 8> start = expected = state;
            Compress(path.compress, state.data(), blocks, count, misalignment);
            paths.back().compress(expected.data(), blocks, count);
            EXPECT_EQ(expected, state);
            if constexpr (std::is_same_v<Path, Sha256Path>) {
                std::array<BYTE, 64> buffer;
                buffer.fill(0xA5);
                state = start;
                path.compressThrough(state.data(), buffer.data(), blocks, count);
                EXPECT_EQ(expected, state);
                EXPECT_TRUE(count > 0 ? std::equal(buffer.begin(), buffer.end(), blocks + 64 * (count - 1))
                                      : std::count(buffer.begin(), buffer.end(), 0xA5) == 64);
            }
        }
    }
}

TEST(Sha2Paths, EachOfferedBlockFunctionMatchesThePortableOne)
{
    ExpectSameAsPortable<DWORD>(Sha256Paths(), 64);
    ExpectSameAsPortable<ULONGLONG>(Sha512Paths(), 128);
}

// The features as digits, in the order ssse3 sse41 sha bmi2 avx2 avx512vl pclmulqdq.
std::string Digits(const CpuFeatures& c)
{
    return {char('0' + c.ssse3), char('0' + c.sse41),    char('0' + c.sha),      char('0' + c.bmi2),
            char('0' + c.avx2),  char('0' + c.avx512vl), char('0' + c.pclmulqdq)};
}

// The SHA-2 paths' features from their six digits.
CpuFeatures FromDigits(const std::string& d)
{
    CpuFeatures c;
    c.ssse3 = d[0] == '1', c.sse41 = d[1] == '1', c.sha = d[2] == '1';
    c.bmi2 = d[3] == '1', c.avx2 = d[4] == '1', c.avx512vl = d[5] == '1';
    return c;
}

// Leaf 1 ECX: PCLMULQDQ, SSSE3, SSE4.1, OSXSAVE, AVX; leaf 1 EDX: SSE2; leaf 7 EBX: AVX2, BMI2, AVX-512F, SHA,
// AVX-512VL.
constexpr DWORD kPclmulqdq = 1u << 1, kSsse3 = 1u << 9, kSse41 = 1u << 19, kOsXsave = 1u << 27, kAvx = 1u << 28,
                kSse2 = 1u << 26;
constexpr DWORD kAvx2 = 1u << 5, kBmi2 = 1u << 8, kAvx512F = 1u << 16, kSha = 1u << 29, kAvx512Vl = 1u << 31;

// Every bit the processor and the system report, less those given; XCR0 bits: x87, XMM, YMM, opmask, ZMM0-15, ZMM16-31.
CpuidRegisters AllBut(DWORD leaf1Ecx, DWORD leaf1Edx, DWORD leaf7Ebx, ULONGLONG xcr0)
{
    return {(kPclmulqdq | kSsse3 | kSse41 | kOsXsave | kAvx) & ~leaf1Ecx, kSse2 & ~leaf1Edx,
            (kAvx2 | kBmi2 | kAvx512F | kSha | kAvx512Vl) & ~leaf7Ebx, 0xE7 & ~xcr0};
}

// A feature counts only with everything it rests on; an AVX one only while the system saves its registers
// across thread switches, since the instructions fault otherwise.
TEST(CpuFeatures, EachInputTheFeaturesRestOnCounts)
{
    // clang-format off
    const struct { const char* without; CpuidRegisters registers; const char* features; } rows[] = {
        {"nothing",   AllBut(0, 0, 0, 0),         "1111111"},
        {"SSE2",      AllBut(0, kSse2, 0, 0),     "0001110"},
        {"PCLMULQDQ", AllBut(kPclmulqdq, 0, 0, 0), "1111110"},
        {"SSSE3",     AllBut(kSsse3, 0, 0, 0),    "0001111"},
        {"SSE4.1",    AllBut(kSse41, 0, 0, 0),    "1001111"},
        {"SHA",       AllBut(0, 0, kSha, 0),      "1101111"},
        {"BMI2",      AllBut(0, 0, kBmi2, 0),     "1110111"},
        {"OSXSAVE",   AllBut(kOsXsave, 0, 0, 0),  "1111001"},
        {"AVX",       AllBut(kAvx, 0, 0, 0),      "1111001"},
        {"AVX2",      AllBut(0, 0, kAvx2, 0),     "1111001"},
        {"AVX-512F",  AllBut(0, 0, kAvx512F, 0),  "1111101"},
        {"AVX-512VL", AllBut(0, 0, kAvx512Vl, 0), "1111101"},
        {"XMM",       AllBut(0, 0, 0, 0x02),      "1111001"},
        {"YMM",       AllBut(0, 0, 0, 0x04),      "1111001"},
        {"opmask",    AllBut(0, 0, 0, 0x20),      "1111101"},
        {"ZMM0-15",   AllBut(0, 0, 0, 0x40),      "1111101"},
        {"ZMM16-31",  AllBut(0, 0, 0, 0x80),      "1111101"},
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(row.features, Digits(DecodeCpuFeatures(row.registers))) << "without " << row.without;
}

TEST(Sha2PathChoice, TakesTheFastestPathTheProcessorOffers)
{
    constexpr bool kX64 = sizeof(void*) == 8;
    // clang-format off
    const struct { const char* cpu; const char *sha256, *sha512; } rows[] = {
        {"111111", "shani",    "avx512vl"},
        {"110110",              "portable", "avx2"},
        {"100010",                         "portable", kX64 ? "ssse3" : "avx2"},  // rorx needs BMI2
        {"100100",                         "portable", "ssse3"},
        {"000100",                               "portable", kX64 ? "bmi2" : "portable"},
        {"000000",                                   "portable", "portable"},
    };
    // clang-format on
    for (const auto& row : rows) {
        EXPECT_STREQ(row.sha256, PreferredSha256Path(FromDigits(row.cpu)).name) << row.cpu;
        EXPECT_STREQ(row.sha512, PreferredSha512Path(FromDigits(row.cpu)).name) << row.cpu;
    }
}

}  // namespace
