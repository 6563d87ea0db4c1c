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
    DWORD digestLength;
    const char* path;
    bool offered;
    bool wideWords() const { return digestLength > 32; }  // SHA-384/512: 64-bit words
    size_t blockSize() const { return wideWords() ? 128 : 64; }
};

void PrintTo(const Sha2Case& test, std::ostream* out) { *out << test.algorithm << "_" << test.path; }

std::vector<Sha2Case> EveryAlgorithmOnEveryPath()
{
    static CVnSha224 sha224;
    static CVnSha256 sha256;
    static CVnSha384 sha384;
    static CVnSha512 sha512;
    std::vector<Sha2Case> cases;
    const auto addEveryPath = [&cases](const char* algorithm, CVnHashObject& hash, DWORD length, const auto& paths) {
        for (const auto& path : paths)
            cases.push_back({algorithm, &hash, length, path.name, path.offered(GetCpuFeatures())});
    };
    addEveryPath("SHA224", sha224, 28, Sha256Paths());
    addEveryPath("SHA256", sha256, 32, Sha256Paths());
    addEveryPath("SHA384", sha384, 48, Sha512Paths());
    addEveryPath("SHA512", sha512, 64, Sha512Paths());
    return cases;
}

Bytes RandomBytes(std::mt19937& random, size_t size)
{
    Bytes bytes(size);
    std::generate(bytes.begin(), bytes.end(), [&random] { return static_cast<BYTE>(random()); });
    return bytes;
}

class Sha2Digests : public testing::TestWithParam<Sha2Case> {
protected:
    void SetUp() override
    {
        if (!GetParam().offered)
            GTEST_SKIP() << "this processor lacks the " << GetParam().path << " path of " << GetParam().algorithm;
        ASSERT_TRUE(GetParam().wideWords() ? UseSha512Path(GetParam().path) : UseSha256Path(GetParam().path));
    }
    void TearDown() override { UsePreferredSha2Paths(); }

    // Gives `run(compress, state)` one random state on this path and on the portable one.
    template <typename Run> void ExpectSameStateAsPortable(std::mt19937& random, Run run, const std::string& what)
    {
        const auto expectSame = [&](auto active, auto portable, auto state) {
            using Word = typename decltype(state)::value_type;
            for (Word& word : state)
                word = static_cast<Word>((ULONGLONG {random()} << 32) | random());
            auto reference = state;
            run(active, state.data());
            run(portable, reference.data());
            EXPECT_EQ(reference, state) << what;
        };
        if (GetParam().wideWords())
            expectSame(ActiveSha512Path().compress, Sha512Paths().back().compress, std::array<ULONGLONG, 8>());
        else
            expectSame(ActiveSha256Path().compress, Sha256Paths().back().compress, std::array<DWORD, 8>());
    }
};

// Finish, DigestToHex and DigestToString must write the digest (and a terminator) and not one byte past it.
void ExpectDigestWrittenExactly(const Sha2Case& test, const KnownAnswer& answer, size_t split)
{
    const std::wstring expected = Hex(answer.digest);
    BYTE digest[80];
    wchar_t hex[160];
    std::fill_n(digest, 80, BYTE {0xCC});
    std::fill_n(hex, 160, L'#');
    test.hash->Reset();
    test.hash->Update(answer.message.data(), static_cast<DWORD>(split));
    test.hash->Update(answer.message.data() + split, static_cast<DWORD>(answer.message.size() - split));
    ASSERT_EQ(test.digestLength, test.hash->Finish(digest));
    ASSERT_EQ(expected + std::wstring(2 * (80 - test.digestLength), L'C'), Hex(digest, 80));
    test.hash->DigestToHex(digest, hex);
    ASSERT_EQ(expected + L'\0' + L'#', std::wstring(hex, 2 * test.digestLength + 2));
    std::wstring text = L"earlier text";
    test.hash->DigestToString(digest, text);
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
                ASSERT_NO_FATAL_FAILURE(ExpectDigestWrittenExactly(GetParam(), answer, split))
                    << size << " bytes split at " << split;
            }
        }
    }
}

// Random states, data at every alignment within a vector, counts of 0 or less included.
TEST_P(Sha2Digests, BlockFunctionMatchesPortableOnRandomInput)
{
    std::mt19937 random(20240611);
    const Bytes data = RandomBytes(random, 16 + 9 * GetParam().blockSize());
    for (int round = 0; round < 200; ++round) {
        const int count = static_cast<int>(random() % 12) - 2;
        const size_t offset = random() % 16;
        const auto run = [&](auto compress, auto* state) { compress(state, data.data() + offset, count); };
        ExpectSameStateAsPortable(random, run, std::to_string(count) + " blocks at +" + std::to_string(offset));
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
        const auto run = [&](auto compress, auto* state) {
            const auto function = reinterpret_cast<void (*)()>(compress);
            CallThroughMisalignedStack({state, data.data(), 3, function, 0}, misalignment);
        };
        ExpectSameStateAsPortable(random, run, "stack at 16n + " + std::to_string(misalignment));
    }
#else
    GTEST_SKIP() << "misaligned-stack entry of the " << GetParam().path
                 << " path: checked in the 32-bit GCC build only (x86-64 always aligns the stack to 16 bytes)";
#endif
}

INSTANTIATE_TEST_SUITE_P(EveryPath, Sha2Digests, testing::ValuesIn(EveryAlgorithmOnEveryPath()),
                         testing::PrintToStringParamName());

// SHA-224/256 through the classes' one-block buffer: the portable state, and the buffer left holding the last block.
TEST(Sha256ThroughBuffer, EveryOfferedPathMatchesPortableAndKeepsTheLastBlock)
{
    std::mt19937 random(17);
    const Bytes data = RandomBytes(random, 16 + 9 * 64);
    for (const Sha256Path& path : Sha256Paths()) {
        if (!path.offered(GetCpuFeatures()))
            continue;
        for (int round = 0; round < 200; ++round) {
            const int count = static_cast<int>(random() % 12) - 2;
            const BYTE* const blocks = data.data() + random() % 16;
            std::array<DWORD, 8> state;
            std::generate(state.begin(), state.end(), [&random] { return static_cast<DWORD>(random()); });
            std::array<DWORD, 8> expected = state;
            std::array<BYTE, 64> buffer;
            buffer.fill(0xA5);
            const std::array<BYTE, 64> untouched = buffer;
            path.compressThrough(state.data(), buffer.data(), blocks, count);
            Sha256Paths().back().compress(expected.data(), blocks, count);
            SCOPED_TRACE(testing::Message() << path.name << ": " << count << " blocks at +" << (blocks - data.data()));
            EXPECT_EQ(expected, state);
            if (count > 0)
                EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), blocks + 64 * (count - 1)));
            else
                EXPECT_EQ(untouched, buffer);
        }
    }
}

// Leaf 1 ECX: PCLMULQDQ, SSSE3, SSE4.1, OSXSAVE, AVX; leaf 1 EDX: SSE2; leaf 7 EBX: AVX2, BMI2, AVX-512F, SHA,
// AVX-512VL.
constexpr DWORD kOsXsave = 1u << 27, kPclmulqdq = 1u << 1, kSse2 = 1u << 26;
constexpr DWORD kAllLeaf1Ecx = kPclmulqdq | 1u << 9 | 1u << 19 | kOsXsave | 1u << 28;
constexpr DWORD kAllLeaf7Ebx = 1u << 5 | 1u << 8 | 1u << 16 | 1u << 29 | 1u << 31;

// Unless the system saves their registers across thread switches, AVX instructions fault; SSE ones need SSE2 only.
TEST(CpuFeatures, CountOnlyWithTheSystemSavingTheirRegisters)
{
    const struct {
        const char* what;
        CpuidRegisters registers;
        bool avx2, avx512vl, pclmulqdq;
    } cases[] = {
        {"ZMM state saved", {kAllLeaf1Ecx, kSse2, kAllLeaf7Ebx, 0xE7}, true, true, true},
        {"YMM state only", {kAllLeaf1Ecx, kSse2, kAllLeaf7Ebx, 0x07}, true, false, true},
        {"XMM state only", {kAllLeaf1Ecx, kSse2, kAllLeaf7Ebx, 0x03}, false, false, true},
        {"XGETBV not enabled", {kAllLeaf1Ecx & ~kOsXsave, kSse2, kAllLeaf7Ebx, 0xE7}, false, false, true},
        {"PCLMULQDQ without SSE2", {kPclmulqdq, 0, 0, 0}, false, false, false},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(test.avx2, DecodeCpuFeatures(test.registers).avx2) << test.what;
        EXPECT_EQ(test.avx512vl, DecodeCpuFeatures(test.registers).avx512vl) << test.what;
        EXPECT_EQ(test.pclmulqdq, DecodeCpuFeatures(test.registers).pclmulqdq) << test.what;
    }
}

CpuFeatures With(std::initializer_list<bool CpuFeatures::*> present)
{
    CpuFeatures cpu;
    for (bool CpuFeatures::*feature : present)
        cpu.*feature = true;
    return cpu;
}

TEST(Sha2PathChoice, TakesTheFastestPathTheProcessorOffers)
{
    using C = CpuFeatures;
    constexpr bool kX64 = sizeof(void*) == 8;
    const struct {
        const char* what;
        CpuFeatures cpu;
        const char *sha256, *sha512;
    } cases[] = {
        {"ssse3 bmi2", With({&C::ssse3, &C::bmi2}), "portable", "ssse3"},
        {"ssse3 avx2", With({&C::ssse3, &C::avx2}), "portable", kX64 ? "ssse3" : "avx2"},  // rorx needs BMI2
        {"all", With({&C::ssse3, &C::sse41, &C::sha, &C::bmi2, &C::avx2, &C::avx512vl}), "shani", "avx512vl"},
    };
    for (const auto& test : cases) {
        EXPECT_STREQ(test.sha256, PreferredSha256Path(test.cpu).name) << test.what;
        EXPECT_STREQ(test.sha512, PreferredSha512Path(test.cpu).name) << test.what;
    }
}

}  // namespace
