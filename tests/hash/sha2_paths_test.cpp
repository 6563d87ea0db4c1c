// Every SHA-2 block function this processor offers, against the NIST answers
// and the portable path; and how the features and the choice are decided.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "hash/sha256.h"
#include "hash/sha2_paths.h"
#include "hash/sha512.h"
#include "tests/support/nist_vectors.h"

namespace {

struct PathCase {
    bool wideWords;  // SHA-384/512 rather than SHA-224/256
    const char* name;
    bool offered;
    size_t blockSize() const { return wideWords ? 128 : 64; }
};

void PrintTo(const PathCase& path, std::ostream* out) { *out << (path.wideWords ? "512/" : "256/") << path.name; }

std::vector<PathCase> AllPaths()
{
    std::vector<PathCase> cases;
    for (const Sha256Path& path : Sha256Paths())
        cases.push_back({false, path.name, path.offered(GetCpuFeatures())});
    for (const Sha512Path& path : Sha512Paths())
        cases.push_back({true, path.name, path.offered(GetCpuFeatures())});
    return cases;
}

// A fresh object of each class of the word size.
struct Sha2Classes {
    CVnSha224 sha224;
    CVnSha256 sha256;
    CVnSha384 sha384;
    CVnSha512 sha512;
    std::vector<std::pair<const char*, CVnHashObject*>> Of(bool wideWords)
    {
        if (wideWords)
            return {{"SHA384", &sha384}, {"SHA512", &sha512}};
        return {{"SHA224", &sha224}, {"SHA256", &sha256}};
    }
};

Bytes Digest(CVnHashObject& hash, const BYTE* message, size_t split, size_t size)
{
    BYTE digest[64];
    hash.Reset();
    hash.Update(message, static_cast<DWORD>(split));
    hash.Update(message + split, static_cast<DWORD>(size - split));
    return Bytes(digest, digest + hash.Finish(digest));
}

Bytes RandomBytes(std::mt19937& random, size_t size)
{
    Bytes bytes(size);
    for (BYTE& byte : bytes)
        byte = static_cast<BYTE>(random());
    return bytes;
}

class Sha2PathTest : public testing::TestWithParam<PathCase> {
protected:
    void SetUp() override
    {
        const PathCase& path = GetParam();
        if (!path.offered)
            GTEST_SKIP() << "this processor lacks the " << path.name << " path of SHA-"
                         << (path.wideWords ? "384/512" : "224/256");
        ASSERT_TRUE(Use(path.name));
    }
    void TearDown() override { UsePreferredSha2Paths(); }

    bool Use(const char* name) { return GetParam().wideWords ? UseSha512Path(name) : UseSha256Path(name); }

    // Digests of every class of the word size, each message whole, on the portable path.
    std::vector<Bytes> PortableDigests(const std::vector<Bytes>& messages)
    {
        EXPECT_TRUE(Use("portable"));
        std::vector<Bytes> digests;
        for (const auto& [name, hash] : classes.Of(GetParam().wideWords)) {
            for (const Bytes& message : messages)
                digests.push_back(Digest(*hash, message.data(), 0, message.size()));
        }
        EXPECT_TRUE(Use(GetParam().name));
        return digests;
    }

    Sha2Classes classes;
};

TEST_P(Sha2PathTest, GivesTheNistDigests)
{
    for (const auto& [name, hash] : classes.Of(GetParam().wideWords)) {
        for (const char* kind : {"ShortMsg", "LongMsg"}) {
            const std::vector<KnownAnswer> answers = ReadKnownAnswers(name + std::string(kind) + ".rsp");
            ASSERT_GE(answers.size(), 64u) << name << kind;
            for (const KnownAnswer& answer : answers) {
                EXPECT_EQ(Hex(answer.digest),
                          Hex(Digest(*hash, answer.message.data(), 0, answer.message.size())))
                    << name << " " << answer.message.size() << " bytes";
            }
        }
    }
}

// The lengths around each place where the code branches: padding that fits
// or spills (the 0x80 and the length field of 9 or 17 bytes), a pending
// block, whole blocks from the caller's memory; each split at every offset.
TEST_P(Sha2PathTest, SplitAtEveryOffsetMatchesPortableWhole)
{
    const size_t block = GetParam().blockSize(), padding = block == 64 ? 9 : 17;
    const size_t sizes[] = {0, 1, block - padding, block - padding + 1, block - 1, block, block + 1,
                            2 * block - padding + 1, 2 * block, 3 * block - 1, 3 * block + 1};
    std::mt19937 random(11);
    const Bytes message = RandomBytes(random, 3 * block + 1);
    std::vector<Bytes> prefixes;
    for (size_t size : sizes)
        prefixes.emplace_back(message.begin(), message.begin() + size);
    const std::vector<Bytes> expected = PortableDigests(prefixes);

    size_t index = 0;
    for (const auto& [name, hash] : classes.Of(GetParam().wideWords)) {
        for (size_t size : sizes) {
            for (size_t split = 0; split <= size; ++split) {
                ASSERT_EQ(Hex(expected[index]), Hex(Digest(*hash, message.data(), split, size)))
                    << name << " " << size << " bytes split at " << split;
            }
            ++index;
        }
    }
}

// Gives `run(compress, state)` the same random state for the active block
// function and for the portable one, and expects the same state back.
template <typename Word, typename BlockFunction, typename Run>
void ExpectSameStateAsPortable(BlockFunction active, BlockFunction portable, std::mt19937& random,
                               Run run, const std::string& what)
{
    Word state[8], reference[8];
    for (Word& word : state)
        word = static_cast<Word>((ULONGLONG{random()} << 32) | random());
    std::copy_n(state, 8, reference);
    run(active, state);
    run(portable, reference);
    EXPECT_TRUE(std::equal(state, state + 8, reference)) << what;
}

template <typename Run>
void ExpectActiveAgreesWithPortable(bool wideWords, std::mt19937& random, Run run, const std::string& what)
{
    if (wideWords)
        ExpectSameStateAsPortable<ULONGLONG>(ActiveSha512Path().compress, Sha512Paths().back().compress, random, run, what);
    else
        ExpectSameStateAsPortable<DWORD>(ActiveSha256Path().compress, Sha256Paths().back().compress, random, run, what);
}

// Random states, data at every alignment within a vector, counts of 0 or less included.
TEST_P(Sha2PathTest, BlockFunctionMatchesPortableOnRandomInput)
{
    std::mt19937 random(20240611);
    const PathCase& path = GetParam();
    for (int round = 0; round < 200; ++round) {
        const int count = static_cast<int>(random() % 12) - 2;
        const size_t offset = random() % 16;
        const Bytes buffer = RandomBytes(random, offset + std::max(count, 0) * path.blockSize());
        const auto run = [&](auto compress, auto* state) { compress(state, buffer.data() + offset, count); };
        ExpectActiveAgreesWithPortable(path.wideWords, random, run,
                                       std::to_string(count) + " blocks at +" + std::to_string(offset));
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

// Calls `function(state, data, count)` (cdecl) with the stack pointer
// `misalignment` bytes past a 16-byte boundary at the call, as a 32-bit
// Windows caller is free to do.
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

TEST_P(Sha2PathTest, RunsFromAStackAlignedToFourBytesOnly)
{
    std::mt19937 random(4);
    const Bytes data = RandomBytes(random, 3 * GetParam().blockSize());
    for (unsigned misalignment : {0u, 4u, 8u, 12u}) {
        const auto run = [&](auto compress, auto* state) {
            CallThroughMisalignedStack({state, data.data(), 3, reinterpret_cast<void (*)()>(compress), 0}, misalignment);
        };
        ExpectActiveAgreesWithPortable(GetParam().wideWords, random, run,
                                       "stack at 16n + " + std::to_string(misalignment));
    }
}
#else
TEST_P(Sha2PathTest, RunsFromAStackAlignedToFourBytesOnly)
{
    GTEST_SKIP() << "misaligned-stack entry of the " << GetParam().name
                 << " path: checked in the 32-bit GCC build only (the x86-64 calling convention"
                    " always aligns the stack to 16 bytes)";
}
#endif

INSTANTIATE_TEST_SUITE_P(EveryPath, Sha2PathTest, testing::ValuesIn(AllPaths()),
                         [](const testing::TestParamInfo<PathCase>& info) {
                             return std::string(info.param.wideWords ? "Sha512_" : "Sha256_") + info.param.name;
                         });

// Bit values from the processor manuals.
constexpr DWORD kSse2 = 1u << 26;                                                    // leaf 1 EDX
constexpr DWORD kSsse3 = 1u << 9, kSse41 = 1u << 19, kOsXsave = 1u << 27, kAvx = 1u << 28;  // leaf 1 ECX
constexpr DWORD kAvx2 = 1u << 5, kBmi2 = 1u << 8, kAvx512F = 1u << 16, kSha = 1u << 29,
                kAvx512Vl = 1u << 31;                                                // leaf 7 EBX
constexpr DWORD kAllLeaf1Ecx = kSsse3 | kSse41 | kOsXsave | kAvx;
constexpr DWORD kAllLeaf7Ebx = kAvx2 | kBmi2 | kAvx512F | kSha | kAvx512Vl;

std::string Names(const CpuFeatures& cpu)
{
    std::string names;
    const std::pair<const char*, bool> features[] = {
        {"ssse3", cpu.ssse3}, {"sse4.1", cpu.sse41}, {"sha", cpu.sha},
        {"bmi2", cpu.bmi2},   {"avx2", cpu.avx2},    {"avx512vl", cpu.avx512vl},
    };
    for (const auto& [name, present] : features) {
        if (present)
            names += names.empty() ? name : std::string(" ") + name;
    }
    return names;
}

TEST(CpuFeatures, CountOnlyWithTheSystemSavingTheirRegisters)
{
    const struct {
        const char* what;
        CpuidRegisters registers;
        const char* features;
    } cases[] = {
        {"all, ZMM state saved", {kAllLeaf1Ecx, kSse2, kAllLeaf7Ebx, 0xE7}, "ssse3 sse4.1 sha bmi2 avx2 avx512vl"},
        {"YMM state only", {kAllLeaf1Ecx, kSse2, kAllLeaf7Ebx, 0x07}, "ssse3 sse4.1 sha bmi2 avx2"},
        {"XMM state only", {kAllLeaf1Ecx, kSse2, kAllLeaf7Ebx, 0x03}, "ssse3 sse4.1 sha bmi2"},
        {"XGETBV not enabled", {kAllLeaf1Ecx & ~kOsXsave, kSse2, kAllLeaf7Ebx, 0xE7}, "ssse3 sse4.1 sha bmi2"},
        {"AVX itself missing", {kAllLeaf1Ecx & ~kAvx, kSse2, kAllLeaf7Ebx, 0xE7}, "ssse3 sse4.1 sha bmi2"},
        {"AVX-512F missing", {kAllLeaf1Ecx, kSse2, kAllLeaf7Ebx & ~kAvx512F, 0xE7}, "ssse3 sse4.1 sha bmi2 avx2"},
        {"SHA without SSE4.1", {kAllLeaf1Ecx & ~kSse41, kSse2, kSha, 0}, "ssse3"},
        {"no SSE2", {kAllLeaf1Ecx, 0, kBmi2, 0x07}, "bmi2"},
        {"nothing", {}, ""},
    };
    for (const auto& test : cases)
        EXPECT_EQ(test.features, Names(DecodeCpuFeatures(test.registers))) << test.what;
}

CpuFeatures With(std::initializer_list<bool CpuFeatures::*> present)
{
    CpuFeatures cpu;
    for (bool CpuFeatures::*feature : present)
        cpu.*feature = true;
    return cpu;
}

#if defined(__x86_64__) || defined(_M_X64)
#define X64_OR_X86(x64, x86) x64
#else
#define X64_OR_X86(x64, x86) x86
#endif

TEST(Sha2PathChoice, TakesTheFastestPathTheProcessorOffers)
{
    using C = CpuFeatures;
    const struct {
        CpuFeatures cpu;
        const char* sha256;
        const char* sha512;
    } cases[] = {
        {With({}), "portable", "portable"},
        {With({&C::ssse3, &C::sse41}), "portable", "ssse3"},
        {With({&C::ssse3, &C::sse41, &C::sha}), "shani", "ssse3"},
        {With({&C::bmi2}), "portable", X64_OR_X86("bmi2", "portable")},
        {With({&C::ssse3, &C::bmi2}), "portable", "ssse3"},
        // The x86-64 AVX paths rotate with rorx.
        {With({&C::ssse3, &C::avx2}), "portable", X64_OR_X86("ssse3", "avx2")},
        {With({&C::ssse3, &C::avx2, &C::bmi2}), "portable", "avx2"},
        {With({&C::ssse3, &C::avx2, &C::avx512vl}), "portable", X64_OR_X86("ssse3", "avx512vl")},
        {With({&C::ssse3, &C::sse41, &C::sha, &C::bmi2, &C::avx2, &C::avx512vl}), "shani", "avx512vl"},
    };
    for (const auto& test : cases) {
        EXPECT_STREQ(test.sha256, PreferredSha256Path(test.cpu).name) << Names(test.cpu);
        EXPECT_STREQ(test.sha512, PreferredSha512Path(test.cpu).name) << Names(test.cpu);
    }
}

TEST(Sha2PathChoice, RefusesUnknownAndMissingPathsKeepingTheActiveOne)
{
    const char* const active = ActiveSha512Path().name;
    EXPECT_FALSE(UseSha512Path("shani"));
    EXPECT_FALSE(UseSha256Path("no such path"));
    for (const Sha512Path& path : Sha512Paths()) {
        if (!path.offered(GetCpuFeatures())) {
            EXPECT_FALSE(UseSha512Path(path.name)) << path.name;
        }
    }
    EXPECT_STREQ(active, ActiveSha512Path().name);
    EXPECT_STREQ(PreferredSha256Path(GetCpuFeatures()).name, ActiveSha256Path().name);
}

}  // namespace
