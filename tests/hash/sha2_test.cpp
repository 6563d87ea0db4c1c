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

CVnSha224 g_sha224;
CVnSha256 g_sha256;
CVnSha384 g_sha384;
CVnSha512 g_sha512;

struct Sha2Case {
    const char* algorithm;  // also names its NIST answer files
    CVnHashObject* hash;
    bool wide;  // SHA-384/512: 64-bit words in 128-byte blocks
    const char* path;
};
void PrintTo(const Sha2Case& test, std::ostream* out) { *out << test.algorithm << "_" << test.path; }

std::vector<Sha2Case> EveryAlgorithmOnEveryPath()
{
    std::vector<Sha2Case> cases;
    for (const Sha256Path& path : Sha256Paths())
        cases.insert(cases.end(), {{"SHA224", &g_sha224, false, path.name}, {"SHA256", &g_sha256, false, path.name}});
    for (const Sha512Path& path : Sha512Paths())
        cases.insert(cases.end(), {{"SHA384", &g_sha384, true, path.name}, {"SHA512", &g_sha512, true, path.name}});
    return cases;
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
        if (!(GetParam().wide ? UseSha512Path(GetParam().path) : UseSha256Path(GetParam().path)))
            GTEST_SKIP() << "this processor lacks the " << GetParam().path << " path";
    }
    void TearDown() override { UsePreferredSha2Paths(); }
    size_t BlockSize() const { return GetParam().wide ? 128 : 64; }

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
            const size_t size = answer.message.size(), block = BlockSize();
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
// alignment a 32-bit caller may leave.
TEST_P(Sha2Digests, BlockFunctionsMatchPortableOnRandomInput)
{
    std::mt19937 random(20240611);
    Bytes data(16 + 9 * BlockSize());
    for (BYTE& byte : data)
        byte = static_cast<BYTE>(random());
    for (int round = 0; round < 200; ++round) {
        const int count = static_cast<int>(random() % 12) - 2;
        const BYTE* const blocks = data.data() + random() % 16;
        const unsigned misalignment = 4 * (round % 4);
        SCOPED_TRACE(testing::Message() << count << " blocks at +" << (blocks - data.data()) << ", stack at 16n + "
                                        << misalignment);
        ExpectSameStateAsPortable(
            random, [&](auto compress, auto* state) { Compress(compress, state, blocks, count, misalignment); });
        if (!GetParam().wide)
            ExpectThroughBufferAsPortable(random, blocks, count);
    }
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
