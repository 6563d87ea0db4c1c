// Throughput of every digest the window shows, and the time of one full
// recomputation at the sizes the input box allows.
//
// Each measurement doubles its repetitions until it takes at least
// kMinimumSeconds, so short messages are not lost in the timer's resolution.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/digest_pipeline.h"
#include "hash/provider_digest.h"
#include "hash/sha256.h"
#include "hash/sha512.h"
#include "support/last_error.h"

namespace {

constexpr double kMinimumSeconds = 0.2;
constexpr DWORD kMessageSizes[] = {64, 4096, 262144};

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

// Seconds per call of `work`, which returns false when it failed.
template <class TWork>
bool SecondsPerCall(TWork work, double& seconds)
{
    for (long repetitions = 1;; repetitions *= 2) {
        const LONGLONG start = Now();
        for (long i = 0; i < repetitions; ++i) {
            if (!work())
                return false;
        }
        const double elapsed = Seconds(Now() - start);
        if (elapsed >= kMinimumSeconds) {
            seconds = elapsed / repetitions;
            return true;
        }
    }
}

template <class THash>
bool OwnDigest(const std::vector<BYTE>& message)
{
    THash hash;
    hash.Reset();
    hash.Update(message.data(), static_cast<DWORD>(message.size()));
    BYTE digest[64];
    hash.Finish(digest);
    return true;
}

struct OwnHash {
    const char* name;
    bool (*digest)(const std::vector<BYTE>& message);
};

const OwnHash kOwnHashes[] = {
    {"CVnSha224", OwnDigest<CVnSha224>},
    {"CVnSha256", OwnDigest<CVnSha256>},
    {"CVnSha384", OwnDigest<CVnSha384>},
    {"CVnSha512", OwnDigest<CVnSha512>},
};

struct ProviderHash {
    const char* name;
    ALG_ID algorithm;
};

const ProviderHash kProviderHashes[] = {
    {"provider MD4", CALG_MD4},         {"provider MD5", CALG_MD5},
    {"provider SHA-1", CALG_SHA1},      {"provider SHA-256", CALG_SHA_256},
    {"provider SHA-384", CALG_SHA_384}, {"provider SHA-512", CALG_SHA_512},
};

template <class TDigest>
void PrintThroughputRow(const char* name, TDigest digest)
{
    std::printf("%-18s", name);
    for (DWORD size : kMessageSizes) {
        const std::vector<BYTE> message(size, 0x5A);
        double seconds = 0;
        if (SecondsPerCall([&] { return digest(message); }, seconds))
            std::printf(" %12.1f", size / seconds / 1e6);
        else
            std::printf(" %12s", "failed");
    }
    std::printf("\n");
}

void PrintThroughput(HCRYPTPROV provider)
{
    std::printf(
        "Throughput in MB/s (one Reset/Update/Finish or one HashWithProvider call per message)\n");
    std::printf("%-18s %12s %12s %12s\n", "digest", "64 B", "4 KiB", "256 KiB");
    for (const OwnHash& hash : kOwnHashes)
        PrintThroughputRow(hash.name, hash.digest);
    for (const ProviderHash& hash : kProviderHashes) {
        PrintThroughputRow(hash.name, [&](const std::vector<BYTE>& message) {
            BYTE digest[260];
            DWORD length = sizeof(digest);
            return HashWithProvider(provider, hash.algorithm, message.data(),
                                    static_cast<DWORD>(message.size()), digest, &length)
                   != FALSE;
        });
    }
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

void PrintPipelineTimes(HCRYPTPROV provider)
{
    std::printf("\nOne full ComputeDigestTexts run (all seven digests), ms\n");
    std::printf("%-10s %-8s %10s %10s\n", "encoding", "text", "65535 u", "131071 u");
    for (const PipelineEncoding& encoding : kEncodings) {
        for (const PipelineText& sample : kTexts) {
            std::printf("%-10s %-8s", encoding.name, sample.name);
            for (size_t units : kPipelineUnits) {
                const std::wstring text(units, sample.unit);
                const auto run = [&] {
                    return ComputeDigestTexts(provider, text.c_str(), text.size(),
                                              encoding.encoding, false)
                        .copyEnabled;
                };
                double seconds = 0;
                if (SecondsPerCall(run, seconds))
                    std::printf(" %10.2f", seconds * 1e3);
                else
                    std::printf(" %10s", "failed");
            }
            std::printf("\n");
        }
    }
}

}  // namespace

int main()
{
    HCRYPTPROV provider = 0;
    if (!AcquireHashProvider(&provider, PROV_RSA_AES, nullptr)) {
        std::fwprintf(stderr, L"%ls\n", LastErrorText());
        return 1;
    }
    std::printf("ANSI code page %u\n\n", GetACP());
    PrintThroughput(provider);
    PrintPipelineTimes(provider);
    CryptReleaseContext(provider, 0);
    return 0;
}
