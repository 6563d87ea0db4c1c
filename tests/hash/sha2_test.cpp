// Every SHA-2 class on every block function this processor offers, so that no path hides behind another.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "hash/sha256.h"
#include "hash/sha2_path_override.h"
#include "hash/sha2_paths.h"
#include "hash/sha512.h"
#include "tests/support/nist_vectors.h"

namespace {

struct Sha2Case {
    const char* algorithm;  // also names its NIST answer files
    CVnHashObject* hash;
    bool wide;  // SHA-384/512: 64-bit words in 128-byte blocks
    const char* path;
    bool offered;
    size_t blockSize() const { return wide ? 128 : 64; }
};

void PrintTo(const Sha2Case& test, std::ostream* out) { *out << test.algorithm << "_" << test.path; }

std::vector<Sha2Case> EveryAlgorithmOnEveryPath()
{
    static CVnSha224 sha224;
    static CVnSha256 sha256;
    static CVnSha384 sha384;
    static CVnSha512 sha512;
    std::vector<Sha2Case> cases;
    const auto addEveryPath = [&cases](const char* algorithm, CVnHashObject& hash, bool wide, const auto& paths) {
        for (const auto& path : paths)
            cases.push_back({algorithm, &hash, wide, path.name, path.offered(GetCpuFeatures())});
    };
    addEveryPath("SHA224", sha224, false, Sha256Paths());
    addEveryPath("SHA256", sha256, false, Sha256Paths());
    addEveryPath("SHA384", sha384, true, Sha512Paths());
    addEveryPath("SHA512", sha512, true, Sha512Paths());
    return cases;
}

Bytes RandomBytes(std::mt19937& random, size_t size)
{
    Bytes bytes(size);
    std::generate(bytes.begin(), bytes.end(), [&random] { return static_cast<BYTE>(random()); });
    return bytes;
}

template <typename State> State RandomState(std::mt19937& random)
{
    State state;
    for (auto& word : state)
        word = static_cast<typename State::value_type>((ULONGLONG {random()} << 32) | random());
    return state;
}

class Sha2Digests : public testing::TestWithParam<Sha2Case> {
protected:
    void SetUp() override
    {
        if (!GetParam().offered)
            GTEST_SKIP() << "this processor lacks the " << GetParam().path << " path of " << GetParam().algorithm;
        ASSERT_TRUE(GetParam().wide ? UseSha512Path(GetParam().path) : UseSha256Path(GetParam().path));
    }
    void TearDown() override { UsePreferredSha2Paths(); }

    // Gives `run(compress, state)` one random state on this path and on the portable one.
    template <typename Run> void ExpectSameStateAsPortable(std::mt19937& random, Run run)
    {
        const auto expectSame = [&](auto active, auto portable, auto state) {
            auto reference = state;
            run(active, state.data());
            run(portable, reference.data());
            EXPECT_EQ(reference, state);
        };
        if (GetParam().wide)
            expectSame(ActiveSha512Path().compress, Sha512Paths().back().compress,
                       RandomState<std::array<ULONGLONG, 8>>(random));
        else
            expectSame(ActiveSha256Path().compress, Sha256Paths().back().compress,
                       RandomState<std::array<DWORD, 8>>(random));
    }
};

// Finish, DigestToHex and DigestToString must write the digest (and a terminator) and not one byte past it.
void ExpectDigestWrittenExactly(CVnHashObject& hash, const KnownAnswer& answer, size_t split)
{
    const std::wstring expected = Hex(answer.digest);
    const size_t length = answer.digest.size();
    BYTE digest[80];
    wchar_t hex[160];
    std::fill_n(digest, 80, BYTE {0xCC});
    std::fill_n(hex, 160, L'#');
    hash.Reset();
    hash.Update(answer.message.data(), static_cast<DWORD>(split));
    hash.Update(answer.message.data() + split, static_cast<DWORD>(answer.message.size() - split));
    ASSERT_EQ(length, hash.Finish(digest));
    ASSERT_EQ(expected + std::wstring(2 * (80 - length), L'C'), Hex(digest, 80));
    hash.DigestToHex(digest, hex);
    ASSERT_EQ(expected + L'\0' + L'#', std::wstring(hex, 2 * length + 2));
    std::wstring text = L"earlier text";
    hash.DigestToString(digest, text);
    ASSERT_EQ(expected, text);
}

// ShortMsg has every length from 0 to a block: each place where the padding fits or spills.
TEST_P(Sha2Digests, NistAnswersWholeAndSplitAtEveryOffsetNearTheBlockBoundaries)
{
    for (const char* kind : {"ShortMsg", "LongMsg"}) {
        const std::vector<KnownAnswer> answers = ReadKnownAnswers(GetParam().algorithm + std::string(kind) + ".rsp");
        ASSERT_GE(answers.size(), 64u) << kind;
        for (const KnownAnswer& answer : answers) {
            const size_t size = answer.message.size(), block = GetParam().blockSize();
            // Cuts in a pending block, at its end and among whole blocks from the caller; more would only cost time.
            const size_t lastSplit = size <= 4 * block ? std::min(size, 2 * block + 1) : 0;
            for (size_t split = 0; split <= lastSplit; ++split) {
                ASSERT_NO_FATAL_FAILURE(ExpectDigestWrittenExactly(*GetParam().hash, answer, split))
                    << size << " bytes split at " << split;
            }
        }
    }
}

// SHA-224/256 through the classes' one-block buffer: the portable state, and the buffer left holding the last block.
void ExpectThroughBufferAsPortable(std::mt19937& random, const BYTE* blocks, int count)
{
    std::array<DWORD, 8> state = RandomState<std::array<DWORD, 8>>(random), expected = state;
    std::array<BYTE, 64> buffer, untouched;
    buffer.fill(0xA5);
    untouched = buffer;
    ActiveSha256Path().compressThrough(state.data(), buffer.data(), blocks, count);
    Sha256Paths().back().compress(expected.data(), blocks, count);
    EXPECT_EQ(expected, state);
    EXPECT_TRUE(count > 0 ? std::equal(buffer.begin(), buffer.end(), blocks + 64 * (count - 1)) : buffer == untouched);
}

// Random states, data at every alignment within a vector, counts of 0 or less included.
TEST_P(Sha2Digests, BlockFunctionsMatchPortableOnRandomInput)
{
    std::mt19937 random(20240611);
    const Bytes data = RandomBytes(random, 16 + 9 * GetParam().blockSize());
    for (int round = 0; round < 200; ++round) {
        const int count = static_cast<int>(random() % 12) - 2;
        const BYTE* const blocks = data.data() + random() % 16;
        SCOPED_TRACE(testing::Message() << count << " blocks at +" << (blocks - data.data()));
        ExpectSameStateAsPortable(random, [&](auto compress, auto* state) { compress(state, blocks, count); });
        if (!GetParam().wide)
            ExpectThroughBufferAsPortable(random, blocks, count);
    }
}

#if defined(__GNUC__) && defined(__i386__)
struct MisalignedCall {
    void* state;
    const void* data;
    int count;
    void (*function)();
    unsigned padding;  // bytes below a 16-byte boundary before the three arguments
};

// A 32-bit Windows caller may leave the stack aligned to 4 bytes only: the vector paths must realign it.
void CallThroughMisalignedStack(MisalignedCall call, unsigned misalignment)
{
    call.padding = (4u - misalignment) & 15;  // the three arguments take 12 bytes
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
}
#endif

TEST_P(Sha2Digests, RunsFromAStackAlignedToFourBytesOnly)
{
#if defined(__GNUC__) && defined(__i386__)
    std::mt19937 random(4);
    const Bytes data = RandomBytes(random, 3 * GetParam().blockSize());
    for (unsigned misalignment : {0u, 4u, 8u, 12u}) {
        SCOPED_TRACE(testing::Message() << "stack at 16n + " << misalignment);
        ExpectSameStateAsPortable(random, [&](auto compress, auto* state) {
            const auto function = reinterpret_cast<void (*)()>(compress);
            CallThroughMisalignedStack({state, data.data(), 3, function, 0}, misalignment);
        });
    }
#else
    GTEST_SKIP() << "misaligned-stack entry of the " << GetParam().path
                 << " path: checked in the 32-bit GCC build only (x86-64 always aligns the stack to 16 bytes)";
#endif
}

INSTANTIATE_TEST_SUITE_P(EveryPath, Sha2Digests, testing::ValuesIn(EveryAlgorithmOnEveryPath()),
                         testing::PrintToStringParamName());

// The features as digits, in the order ssse3 sse41 sha bmi2 avx2 avx512vl.
std::string Digits(const CpuFeatures& c)
{
    return {char('0' + c.ssse3), char('0' + c.sse41), char('0' + c.sha),
            char('0' + c.bmi2),  char('0' + c.avx2),  char('0' + c.avx512vl)};
}

CpuFeatures FromDigits(const std::string& d)
{
    return {d[0] == '1', d[1] == '1', d[2] == '1', d[3] == '1', d[4] == '1', d[5] == '1'};
}

// Leaf 1 ECX: SSSE3, SSE4.1, OSXSAVE, AVX; leaf 1 EDX: SSE2; leaf 7 EBX: AVX2, BMI2, AVX-512F, SHA, AVX-512VL.
constexpr DWORD kSsse3 = 1u << 9, kSse41 = 1u << 19, kOsXsave = 1u << 27, kAvx = 1u << 28, kSse2 = 1u << 26;
constexpr DWORD kAvx2 = 1u << 5, kBmi2 = 1u << 8, kAvx512F = 1u << 16, kSha = 1u << 29, kAvx512Vl = 1u << 31;

// Every bit the processor and the system report, less those given; XCR0 bits: x87, XMM, YMM, opmask, ZMM0-15, ZMM16-31.
CpuidRegisters AllBut(DWORD leaf1Ecx, DWORD leaf1Edx, DWORD leaf7Ebx, ULONGLONG xcr0)
{
    return {(kSsse3 | kSse41 | kOsXsave | kAvx) & ~leaf1Ecx, kSse2 & ~leaf1Edx,
            (kAvx2 | kBmi2 | kAvx512F | kSha | kAvx512Vl) & ~leaf7Ebx, 0xE7 & ~xcr0};
}

// A feature counts only with everything it rests on; an AVX one only while the system saves its registers
// across thread switches, since the instructions fault otherwise.
TEST(CpuFeatures, EachInputTheFeaturesRestOnCounts)
{
    // clang-format off
    const struct { const char* without; CpuidRegisters registers; const char* features; } rows[] = {
        {"nothing",   AllBut(0, 0, 0, 0),         "111111"},
        {"SSE2",      AllBut(0, kSse2, 0, 0),     "000111"},
        {"SSSE3",     AllBut(kSsse3, 0, 0, 0),    "000111"},
        {"SSE4.1",    AllBut(kSse41, 0, 0, 0),    "100111"},
        {"SHA",       AllBut(0, 0, kSha, 0),      "110111"},
        {"BMI2",      AllBut(0, 0, kBmi2, 0),     "111011"},
        {"OSXSAVE",   AllBut(kOsXsave, 0, 0, 0),  "111100"},
        {"AVX",       AllBut(kAvx, 0, 0, 0),      "111100"},
        {"AVX2",      AllBut(0, 0, kAvx2, 0),     "111100"},
        {"AVX-512F",  AllBut(0, 0, kAvx512F, 0),  "111110"},
        {"AVX-512VL", AllBut(0, 0, kAvx512Vl, 0), "111110"},
        {"XMM",       AllBut(0, 0, 0, 0x02),      "111100"},
        {"YMM",       AllBut(0, 0, 0, 0x04),      "111100"},
        {"opmask",    AllBut(0, 0, 0, 0x20),      "111110"},
        {"ZMM0-15",   AllBut(0, 0, 0, 0x40),      "111110"},
        {"ZMM16-31",  AllBut(0, 0, 0, 0x80),      "111110"},
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
