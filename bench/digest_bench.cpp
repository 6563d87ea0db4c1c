// Throughput of every digest the window shows and of the own digests still to
// join it (SM3, SHA-3, BLAKE2, BLAKE3, CRC-32), on each SHA-2 and CRC-32 block
// function ("path") this processor offers, and the time of one full
// recomputation at the sizes the input box allows, with the preferred and
// with the portable block functions.
//
// Each figure is the fastest of many batches of calls: a batch repeats its
// call until it takes at least kBatchSeconds, so that short messages are not
// lost in the timer's resolution, and batches run until kBudgetSeconds are
// spent. Batches that short mostly fit between the time slices of other
// programs, so the fastest one shows what the code does on its own.
// After the tables, every figure follows again on a line of its own for scripts:
//   bench <digest> <path> <bytes> <MB/s>
//   recompute <encoding> <text> <units> <path> <ms>
//   keystroke <encoding> <text> <units> <ms>
//   verify <digests> <text> <units> <ms>
//   signature <text> <units> <ms>
// where the path of a recomputation is "preferred" or "portable", and the
// path of a provider digest is "provider". A keystroke is a recomputation
// with the outputs compared with a digest from the clipboard; verify is the
// search of every other setting for a digest that none gives (the longest
// search), named by the digests of its length; signature is that search for
// a webhook's SHA-256 signature with its key and a signed prefix given (every
// reading and use of the key, every prefix join, JSON written again).
#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "digest/digest_pipeline.h"
#include "digest/expected_digest.h"
#include "digest/setting_search.h"
#include "hash/blake2/blake2.h"
#include "hash/blake3/blake3.h"
#include "hash/cpu_features.h"
#include "hash/crc32/crc32.h"
#include "hash/crc32/crc32_path_override.h"
#include "hash/crc32/crc32_paths.h"
#include "hash/provider_digest.h"
#include "hash/sha256.h"
#include "hash/sha2_path_override.h"
#include "hash/sha2_paths.h"
#include "hash/sha3/sha3.h"
#include "hash/sha512.h"
#include "hash/sm3/sm3.h"
#include "support/last_error.h"

namespace {

constexpr double kBatchSeconds = 0.002;
constexpr double kBudgetSeconds = 0.3;
constexpr DWORD kMessageSizes[] = {64, 4096, 262144};

// The figures again, one a line, printed after the tables.
std::vector<std::string> g_machineLines;

template <typename... TArgs> void AddMachineLine(const char* format, TArgs... args)
{
    char line[160];
    std::snprintf(line, sizeof(line), format, args...);
    g_machineLines.push_back(line);
}

double Seconds(LONGLONG ticks)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

LONGLONG Now()
{
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

// Seconds that `repetitions` calls of `work` take, or a negative number
// when a call failed.
template <class TWork> double SecondsOf(TWork& work, long repetitions)
{
    const LONGLONG start = Now();
    for (long i = 0; i < repetitions; ++i) {
        if (!work())
            return -1;
    }
    return Seconds(Now() - start);
}

// Seconds per call of `work`, which returns false when it failed.
template <class TWork> bool SecondsPerCall(TWork work, double& seconds)
{
    long repetitions = 1;
    double batch = SecondsOf(work, repetitions);
    for (; batch >= 0 && batch < kBatchSeconds; repetitions *= 2)
        batch = SecondsOf(work, 2 * repetitions);
    double fastest = batch;
    for (double spent = batch; batch >= 0 && spent < kBudgetSeconds; spent += batch) {
        batch = SecondsOf(work, repetitions);
        fastest = std::min(fastest, batch);
    }
    seconds = fastest / repetitions;
    return batch >= 0;
}

template <class THash> bool OwnDigest(const std::vector<BYTE>& message)
{
    THash hash;
    hash.Reset();
    hash.Update(message.data(), static_cast<DWORD>(message.size()));
    BYTE digest[64];
    hash.Finish(digest);
    return true;
}

// Which block functions ("paths") a digest can be narrowed to.
enum class PathFamily { Sha256, Sha512, Crc32, PortableOnly };

struct OwnHash {
    const char* name;
    bool (*digest)(const std::vector<BYTE>& message);
    PathFamily paths;
};

const OwnHash kOwnHashes[] = {
    {"SHA224", OwnDigest<CVnSha224>, PathFamily::Sha256},
    {"SHA256", OwnDigest<CVnSha256>, PathFamily::Sha256},
    {"SHA384", OwnDigest<CVnSha384>, PathFamily::Sha512},
    {"SHA512", OwnDigest<CVnSha512>, PathFamily::Sha512},
    {"SM3", OwnDigest<CVnSm3>, PathFamily::PortableOnly},
    {"SHA3-224", OwnDigest<CVnSha3_224>, PathFamily::PortableOnly},
    {"SHA3-256", OwnDigest<CVnSha3_256>, PathFamily::PortableOnly},
    {"SHA3-384", OwnDigest<CVnSha3_384>, PathFamily::PortableOnly},
    {"SHA3-512", OwnDigest<CVnSha3_512>, PathFamily::PortableOnly},
    {"BLAKE2b", OwnDigest<CVnBlake2b512>, PathFamily::PortableOnly},
    {"BLAKE2s", OwnDigest<CVnBlake2s256>, PathFamily::PortableOnly},
    {"BLAKE3", OwnDigest<CVnBlake3>, PathFamily::PortableOnly},
    {"CRC32", OwnDigest<CVnCrc32>, PathFamily::Crc32},
};

template <class TPath> std::vector<const char*> OfferedPathNames(const std::vector<TPath>& paths)
{
    std::vector<const char*> names;
    for (const TPath& path : paths) {
        if (path.offered(GetCpuFeatures()))
            names.push_back(path.name);
    }
    return names;
}

std::vector<const char*> OfferedPathNames(PathFamily family)
{
    switch (family) {
    case PathFamily::Sha256:
        return OfferedPathNames(Sha256Paths());
    case PathFamily::Sha512:
        return OfferedPathNames(Sha512Paths());
    case PathFamily::Crc32:
        return OfferedPathNames(Crc32Paths());
    case PathFamily::PortableOnly:
        break;
    }
    return {"portable"};
}

void UsePath(PathFamily family, const char* name)
{
    if (family == PathFamily::Sha256)
        UseSha256Path(name);
    else if (family == PathFamily::Sha512)
        UseSha512Path(name);
    else if (family == PathFamily::Crc32)
        UseCrc32Path(name);
}

struct ProviderHash {
    const char* name;
    ALG_ID algorithm;
};

const ProviderHash kProviderHashes[] = {
    {"MD4", CALG_MD4},         {"MD5", CALG_MD5},         {"SHA-1", CALG_SHA1},
    {"SHA-256", CALG_SHA_256}, {"SHA-384", CALG_SHA_384}, {"SHA-512", CALG_SHA_512},
};

template <class TDigest> void PrintThroughputRow(const char* digestName, const char* pathName, TDigest digest)
{
    std::printf("%-8s %-9s", digestName, pathName);
    for (DWORD size : kMessageSizes) {
        const std::vector<BYTE> message(size, 0x5A);
        double seconds = 0;
        if (SecondsPerCall([&] { return digest(message); }, seconds)) {
            const double megabytesPerSecond = size / seconds / 1e6;
            std::printf(" %12.1f", megabytesPerSecond);
            AddMachineLine("bench %s %s %lu %.1f", digestName, pathName, static_cast<unsigned long>(size),
                           megabytesPerSecond);
        } else {
            std::printf(" %12s", "failed");
        }
    }
    std::printf("\n");
}

void PrintThroughput(HCRYPTPROV provider)
{
    std::printf(
        "Throughput in MB/s (10^6 bytes; one Reset/Update/Finish or one "
        "HashWithProvider call per message)\n");
    std::printf("%-8s %-9s %12s %12s %12s\n", "digest", "path", "64 B", "4 KiB", "256 KiB");
    for (const OwnHash& hash : kOwnHashes) {
        for (const char* path : OfferedPathNames(hash.paths)) {
            UsePath(hash.paths, path);
            PrintThroughputRow(hash.name, path, hash.digest);
        }
    }
    UsePreferredSha2Paths();
    UsePreferredCrc32Path();
    for (const ProviderHash& hash : kProviderHashes) {
        PrintThroughputRow(hash.name, "provider", [&](const std::vector<BYTE>& message) {
            BYTE digest[260];
            DWORD length = sizeof(digest);
            return HashWithProvider(provider, hash.algorithm, message.data(), static_cast<DWORD>(message.size()),
                                    digest, &length)
                != FALSE;
        });
    }
}

std::string NarrowName(const wchar_t* name)
{
    std::string narrow;
    for (; *name; ++name)
        narrow += static_cast<char>(*name);
    return narrow;
}

struct PipelineEncoding {
    const char* name;
    ByteEncoding encoding;
};

const PipelineEncoding kEncodings[] = {
    {"ANSI", ByteEncoding::Ansi},
    {"UTF-8", ByteEncoding::Utf8},
    {"UTF-16LE", ByteEncoding::Utf16Le},
};

struct PipelineText {
    const char* name;
    wchar_t unit;
};

const PipelineText kTexts[] = {
    {"ASCII", L'a'},
    {"Chinese", L'\u4E2D'},
};

// The most the input box takes by typing, and the most one read of it returns.
constexpr size_t kPipelineUnits[] = {65535, 131071};

// The SHA-2 block functions of a recomputation: every class on its best
// path, or every class on the portable one.
struct PipelinePaths {
    const char* name;
    void (*use)();
};

void UsePortablePaths()
{
    UseSha256Path("portable");
    UseSha512Path("portable");
}

const PipelinePaths kPipelinePaths[] = {
    {"preferred", UsePreferredSha2Paths},
    {"portable", UsePortablePaths},
};

// Milliseconds of one full run, or a negative number when it failed.
double RecomputeMilliseconds(HCRYPTPROV provider, const std::wstring& text, ByteEncoding encoding)
{
    const auto run = [&] {
        return ComputeDigestTexts(provider, text.c_str(), text.size(), encoding, false).hasDigests;
    };
    double seconds = 0;
    return SecondsPerCall(run, seconds) ? seconds * 1e3 : -1;
}

void PrintPipelineTimes(HCRYPTPROV provider)
{
    std::printf("\nOne full ComputeDigestTexts run (all seven digests), ms\n");
    std::printf("%-10s %-8s %-9s %10s %10s\n", "encoding", "text", "SHA-2", "65535 u", "131071 u");
    for (const PipelineEncoding& encoding : kEncodings) {
        for (const PipelineText& sample : kTexts) {
            for (const PipelinePaths& paths : kPipelinePaths) {
                paths.use();
                std::printf("%-10s %-8s %-9s", encoding.name, sample.name, paths.name);
                for (size_t units : kPipelineUnits) {
                    const double ms =
                        RecomputeMilliseconds(provider, std::wstring(units, sample.unit), encoding.encoding);
                    if (ms < 0) {
                        std::printf(" %10s", "failed");
                        continue;
                    }
                    std::printf(" %10.2f", ms);
                    AddMachineLine("recompute %s %s %lu %s %.3f", encoding.name, sample.name,
                                   static_cast<unsigned long>(units), paths.name, ms);
                }
                std::printf("\n");
            }
        }
    }
    UsePreferredSha2Paths();
}

// Chinese in lines of 40 units: a line break for every variant of the search.
std::wstring ChineseLines(size_t units)
{
    std::wstring text;
    while (text.size() < units)
        text += std::wstring(38, L'\u4E2D') + L"\r\n";
    text.resize(units - 2);
    return text + L"\r\n";
}

struct VerifyText {
    const char* name;
    std::wstring text;
};

// Milliseconds of `work` per call, or a negative number when it failed.
template <class TWork> double MillisecondsPerCall(TWork work)
{
    double seconds = 0;
    return SecondsPerCall(work, seconds) ? seconds * 1e3 : -1;
}

void PrintVerifyTimes(HCRYPTPROV provider)
{
    constexpr size_t units = 65535;
    const VerifyText texts[] = {
        {"Chinese", std::wstring(units, L'\u4E2D')},
        {"ChineseLines", ChineseLines(units)},
    };
    std::printf("\nThe clipboard's digest, %lu units, ms\n", static_cast<unsigned long>(units));
    std::printf("%-10s %-13s %10s\n", "keystroke", "text", "ms");
    for (const PipelineEncoding& encoding : kEncodings) {
        const std::wstring& text = texts[0].text;
        const std::wstring zeros(64, L'0');
        const ExpectedDigest expected = ParseExpectedDigest(zeros.c_str(), zeros.size());
        const double ms = MillisecondsPerCall([&] {
            const DigestTexts digests =
                ComputeDigestTexts(provider, text.c_str(), text.size(), encoding.encoding, false);
            return digests.hasDigests && MatchingDigests(digests, expected).none();
        });
        std::printf("%-10s %-13s %10.2f\n", encoding.name, texts[0].name, ms);
        AddMachineLine("keystroke %s %s %lu %.3f", encoding.name, texts[0].name, static_cast<unsigned long>(units), ms);
    }
    std::printf("%-14s %-13s %10s\n", "search", "text", "ms");
    for (int row = 0; row < kDigestCount; ++row) {
        // One search per length: the rows of a length share theirs.
        const size_t digits = 2 * kDigestTable[row].length;
        const auto sameLength = [row](const DigestKind& earlier) { return earlier.length == kDigestTable[row].length; };
        if (std::any_of(kDigestTable, kDigestTable + row, sameLength))
            continue;
        std::string names;
        for (int other = 0; other < kDigestCount; ++other) {
            if (DigestsOfHexLength(digits)[other])
                names += (names.empty() ? "" : "+") + NarrowName(kDigestTable[other].name);
        }
        const std::wstring zeros(digits, L'0');
        const ExpectedDigest expected = ParseExpectedDigest(zeros.c_str(), zeros.size());
        for (const VerifyText& sample : texts) {
            const double ms = MillisecondsPerCall([&] {
                return FindSettingsGiving(provider, sample.text.c_str(), sample.text.size(), expected).matches.empty();
            });
            std::printf("%-14s %-13s %10.2f\n", names.c_str(), sample.name, ms);
            AddMachineLine("verify %s %s %lu %.3f", names.c_str(), sample.name, static_cast<unsigned long>(units), ms);
        }
    }
}

// A webhook's JSON body of about `units` UTF-16 units: records with ASCII and Chinese values.
std::wstring JsonBody(size_t units)
{
    std::wstring body = L"{\"events\": [";
    for (int record = 0; body.size() + 80 < units; ++record)
        body += std::wstring(record == 0 ? L"" : L", ") + L"{\"id\": " + std::to_wstring(record)
            + L", \"type\": \"order.paid\", \"note\": \"已付款，谢谢\", \"ok\": true}";
    return body + L"]}";
}

void PrintSignatureTimes(HCRYPTPROV provider)
{
    const VerifyText texts[] = {{"json4KiB", JsonBody(3700)}, {"json64Ki", JsonBody(65535)}};
    SearchScope scope;
    scope.key = CGivenKey::FromText(L"whsec_MfKQ9r8GKYqrTwjUPD8ILPZIo2LaLaSw");
    scope.prefix = L"v0:1531420618";
    const std::wstring signature = L"sha256=" + std::wstring(64, L'0');
    const ExpectedDigest expected = ParseExpectedDigest(signature.c_str(), signature.size());
    std::printf("\nA signature that nothing gives, with its key and a signed prefix, ms\n");
    std::printf("%-13s %8s %10s\n", "text", "units", "ms");
    for (const VerifyText& sample : texts) {
        const double ms = MillisecondsPerCall([&] {
            return FindSettingsGiving(provider, sample.text.c_str(), sample.text.size(), expected, scope).matches.empty();
        });
        std::printf("%-13s %8lu %10.2f\n", sample.name, static_cast<unsigned long>(sample.text.size()), ms);
        AddMachineLine("signature %s %lu %.3f", sample.name, static_cast<unsigned long>(sample.text.size()), ms);
    }
}

void PrintCpuFeatures()
{
    const CpuFeatures& cpu = GetCpuFeatures();
    const struct {
        const char* name;
        bool present;
    } features[] = {
        {"ssse3", cpu.ssse3}, {"sse4.1", cpu.sse41}, {"sha", cpu.sha},           {"pclmulqdq", cpu.pclmulqdq},
        {"bmi2", cpu.bmi2},   {"avx2", cpu.avx2},    {"avx512vl", cpu.avx512vl},
    };
    std::printf("cpu");
    for (const auto& feature : features) {
        if (feature.present)
            std::printf(" %s", feature.name);
    }
    std::printf("\npreferred paths: SHA-224/256 %s, SHA-384/512 %s, CRC-32 %s\n", ActiveSha256Path().name,
                ActiveSha512Path().name, ActiveCrc32Path().name);
}

}  // namespace

// Without arguments every part runs; "verify" runs only the clipboard digest's part.
int main(int argc, char* argv[])
{
    const bool onlyVerify = argc > 1 && std::string(argv[1]) == "verify";
    HCRYPTPROV provider = 0;
    if (!AcquireHashProvider(&provider, PROV_RSA_AES, nullptr)) {
        std::fwprintf(stderr, L"%ls\n", LastErrorText());
        return 1;
    }
    std::printf("ANSI code page %u, %u-bit build\n", GetACP(), static_cast<unsigned>(8 * sizeof(void*)));
    PrintCpuFeatures();
    std::printf("\n");
    if (!onlyVerify) {
        PrintThroughput(provider);
        PrintPipelineTimes(provider);
    }
    PrintVerifyTimes(provider);
    PrintSignatureTimes(provider);
    std::printf("\n");
    for (const std::string& line : g_machineLines)
        std::printf("%s\n", line.c_str());
    CryptReleaseContext(provider, 0);
    return 0;
}
