// SM3, SHA-3, BLAKE2, BLAKE3 and CRC-32 on every path this processor offers: the standards' own examples and
// published vectors, every length up to 257, and every message in two pieces, the second given to a copy as well.
#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>

#include "hash/blake2/blake2.h"
#include "hash/blake3/blake3.h"
#include "hash/crc32/crc32.h"
#include "hash/crc32/crc32_blocks.h"
#include "hash/crc32/crc32_path_override.h"
#include "hash/crc32/crc32_paths.h"
#include "hash/sha3/sha3.h"
#include "hash/sm3/sm3.h"
#include "tests/support/nist_vectors.h"

namespace {

// Bytes i mod 251, the input of BLAKE3's published vectors.
std::string Pattern(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i % 251);
    return bytes;
}

std::wstring Wide(const char* text) { return std::wstring(text, text + std::char_traits<char>::length(text)); }

// `message` in two pieces cut at `split`. A copy taken between them finishes first; the original then takes the
// same rest and must agree with it: the digest, or nothing when they differ.
template <class THash> Bytes DigestInTwoPieces(const std::string& message, size_t split)
{
    const BYTE* const bytes = reinterpret_cast<const BYTE*>(message.data());
    THash hash;
    hash.Reset();
    hash.Update(bytes, static_cast<DWORD>(split));
    THash copy = hash;
    const auto finish = [&](THash& object) {
        object.Update(bytes + split, static_cast<DWORD>(message.size() - split));
        BYTE digest[64];
        return Bytes(digest, digest + object.Finish(digest));
    };
    const Bytes fromCopy = finish(copy);
    return fromCopy == finish(hash) ? fromCopy : Bytes();
}

struct DigestAlgorithm {
    const char* name;
    const char* crc32Path;  // the CRC-32 block function to run, none for the others
    Bytes (*digest)(const std::string& message, size_t split);
    const char* everyLengthTo257;  // see kAlgorithms
};

// A test name may hold letters, digits and underscores only.
void PrintTo(const DigestAlgorithm& algorithm, std::ostream* out)
{
    for (const char* c = algorithm.name; *c; ++c)
        *out << (std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_');
    if (algorithm.crc32Path)
        *out << '_' << algorithm.crc32Path;
}

// The last column is the digest of the concatenated digests of Pattern(0) to Pattern(257), made with Python as
//   d(b"".join(d(bytes(i % 251 for i in range(n))) for n in range(258)))
// where d is hashlib's sm3, sha3_*, blake2b or blake2s digest, b3sum's output, or zlib.crc32 as 4 big-endian bytes.
const DigestAlgorithm kAlgorithms[] = {
    {"SM3", nullptr, DigestInTwoPieces<CVnSm3>, "6AE8B312094058FDDE13D6058BAF24B4162689C9462838E343C2AD109F0A1F69"},
    {"SHA3-224", nullptr, DigestInTwoPieces<CVnSha3_224>, "1E3B9BDB85E6EA581D8711F9EB54D0039BF647D5E1CC52B6D9A76280"},
    {"SHA3-256", nullptr, DigestInTwoPieces<CVnSha3_256>,
     "C4196B2D95F7C7E960B7271C3A636901CA1B7934BE770E6D40AA28471C1C8714"},
    {"SHA3-384", nullptr, DigestInTwoPieces<CVnSha3_384>,
     "7BD40107DBD8E2019930BCC74208194BC8B4622DF1E4C041C2072EA5027F909AEAA1805CC18306DF225C6BCBC4600124"},
    {"SHA3-512", nullptr, DigestInTwoPieces<CVnSha3_512>,
     "CE32424B28DC82F9944C91B12DBD9EDCD0C79381509FC1F01871181D0F7E006C869251DE81651D1AA3C7EB5C9F29822598CF0EC5254FD3D6B"
     "66BEA41B60A1803"},
    {"BLAKE2b-512", nullptr, DigestInTwoPieces<CVnBlake2b512>,
     "A5C80745C34CAE66C54837B244BB9DEC6D9B3EAAA0F62A6F7A98FF5E391CCB8E96BC176D58CBDFF4BB2E27EBC3CB72616E9E23A5B09A915B9"
     "B1ACD09D97021D6"},
    {"BLAKE2s-256", nullptr, DigestInTwoPieces<CVnBlake2s256>,
     "C100C9E4388AB4F72742DEA4EA763A9837B33A4145E5E9E8C402AF9D962B9CDF"},
    {"BLAKE3", nullptr, DigestInTwoPieces<CVnBlake3>,
     "7CD5E217F5CEDD83D59ADF40CBDDA0E6099FBC230E6EB02BB5EFECBBB8919441"},
    {"CRC32", "pclmul", DigestInTwoPieces<CVnCrc32>, "50B4394C"},
    {"CRC32", "portable", DigestInTwoPieces<CVnCrc32>, "50B4394C"},
};

struct KnownDigest {
    const char* algorithm;
    std::string message;
    const char* digest;
};

// clang-format off
const KnownDigest kKnownDigests[] = {
    // GB/T 32905-2016, appendix A: "abc" and the 64-byte example.
    {"SM3",         "abc",                       "66C7F0F462EEEDD9D1F2D46BDC10E4E24167C4875CF2F7A2297DA02B8F4BA8E0"},
    {"SM3",         Repeat("abcd", 16),          "DEBE9FF92275B8A138604889C18E5A4D6FDB70E5387E5765293DCBA39C0C5732"},
    // NIST's FIPS 202 examples: the empty message and 1600 bits of A3.
    {"SHA3-224",    "",                          "6B4E03423667DBB73B6E15454F0EB1ABD4597F9A1B078E3F5B5A6BC7"},
    {"SHA3-224",    std::string(200, '\xA3'),    "9376816ABA503F72F96CE7EB65AC095DEEE3BE4BF9BBC2A1CB7E11E0"},
    {"SHA3-256",    "",                          "A7FFC6F8BF1ED76651C14756A061D662F580FF4DE43B49FA82D80A4B80F8434A"},
    {"SHA3-256",    std::string(200, '\xA3'),    "79F38ADEC5C20307A98EF76E8324AFBFD46CFD81B22E3973C65FA1BD9DE31787"},
    {"SHA3-384",    "",                          "0C63A75B845E4F7D01107D852E4C2485C51A50AAAA94FC61995E71BBEE983A2AC3713831264ADB47FB6BD1E058D5F004"},
    {"SHA3-384",    std::string(200, '\xA3'),    "1881DE2CA7E41EF95DC4732B8F5F002B189CC1E42B74168ED1732649CE1DBCDD76197A31FD55EE989F2D7050DD473E8F"},
    {"SHA3-512",    "",                          "A69F73CCA23A9AC5C8B567DC185A756E97C982164FE25859E0D1DCC1475C80A615B2123AF1F5F94C11E3E9402C3AC558F500199D95B6D3E301758586281DCD26"},
    {"SHA3-512",    std::string(200, '\xA3'),    "E76DFAD22084A8B1467FCF2FFA58361BEC7628EDF5F3FDC0E4805DC48CAEECA81B7C13C30ADF52A3659584739A2DF46BE589C51CA1A4A8416DF6545A1CE8BA00"},
    // RFC 7693, appendices A and B.
    {"BLAKE2b-512", "abc",                       "BA80A53F981C4D0D6A2797B69F12F6E94C212F14685AC4B74B12BB6FDBFFA2D17D87C5392AAB792DC252D5DE4533CC9518D38AA8DBF1925AB92386EDD4009923"},
    {"BLAKE2s-256", "abc",                       "508C5E8C327C14E2E1A72BA34EEB452F37458B209ED63A294D999B4C86675982"},
    // BLAKE3's published vectors, as b3sum prints them: around every chunk boundary and tree shape up to 8 chunks.
    {"BLAKE3",      Pattern(0),                  "AF1349B9F5F9A1A6A0404DEA36DCC9499BCB25C9ADC112B7CC9A93CAE41F3262"},
    {"BLAKE3",      Pattern(1),                  "2D3ADEDFF11B61F14C886E35AFA036736DCD87A74D27B5C1510225D0F592E213"},
    {"BLAKE3",      Pattern(1023),               "10108970EEDA3EB932BAAC1428C7A2163B0E924C9A9E25B35BBA72B28F70BD11"},
    {"BLAKE3",      Pattern(1024),               "42214739F095A406F3FC83DEB889744AC00DF831C10DAA55189B5D121C855AF7"},
    {"BLAKE3",      Pattern(1025),               "D00278AE47EB27B34FAECF67B4FE263F82D5412916C1FFD97C8CB7FB814B8444"},
    {"BLAKE3",      Pattern(2048),               "E776B6028C7CD22A4D0BA182A8BF62205D2EF576467E838ED6F2529B85FBA24A"},
    {"BLAKE3",      Pattern(2049),               "5F4D72F40D7A5F82B15CA2B2E44B1DE3C2EF86C426C95C1AF0B6879522563030"},
    {"BLAKE3",      Pattern(3072),               "B98CB0FF3623BE03326B373DE6B9095218513E64F1EE2EDD2525C7AD1E5CFFD2"},
    {"BLAKE3",      Pattern(3073),               "7124B49501012F81CC7F11CA069EC9226CECB8A2C850CFE644E327D22D3E1CD3"},
    {"BLAKE3",      Pattern(4096),               "015094013F57A5277B59D8475C0501042C0B642E531B0A1C8F58D2163229E969"},
    {"BLAKE3",      Pattern(4097),               "9B4052B38F1C5FC8B1F9FF7AC7B27CD242487B3D890D15C96A1C25B8AA0FB995"},
    {"BLAKE3",      Pattern(5120),               "9CADC15FED8B5D854562B26A9536D9707CADEDA9B143978F319AB34230535833"},
    {"BLAKE3",      Pattern(5121),               "628BD2CB2004694ADAAB7BBD778A25DF25C47B9D4155A55F8FBD79F2FE154CFF"},
    {"BLAKE3",      Pattern(6144),               "3E2E5B74E048F3ADD6D21FAAB3F83AA44D3B2278AFB83B80B3C35164EBECA205"},
    {"BLAKE3",      Pattern(6145),               "F1323A8631446CC50536A9F705EE5CB619424D46887F3C376C695B70E0F0507F"},
    {"BLAKE3",      Pattern(7168),               "61DA957EC2499A95D6B8023E2B0E604EC7F6B50E80A9678B89D2628E99ADA77A"},
    {"BLAKE3",      Pattern(7169),               "A003FC7A51754A9B3C7FAE0367AB3D782DCCF28855A03D435F8CFE74605E7817"},
    {"BLAKE3",      Pattern(8192),               "AAE792484C8EFE4F19E2CA7D371D8C467FFB10748D8A5A1AE579948F718A2A63"},
    {"BLAKE3",      Pattern(8193),               "BAB6C09CB8CE8CF459261398D2E7AEF35700BF488116CEB94A36D0F5F1B7BC3B"},
    {"BLAKE3",      Pattern(16384),              "F875D6646DE28985646F34EE13BE9A576FD515F76B5B0A26BB324735041DDDE4"},
    {"BLAKE3",      Pattern(31744),              "62B6960E1A44BCC1EB1A611A8D6235B6B4B78F32E7ABC4FB4C6CDCCE94895C47"},
    {"BLAKE3",      Pattern(102400),             "BC3E3D41A1146B069ABFFAD3C0D44860CF664390AFCE4D9661F7902E7943E085"},
    // The check value of the CRC catalogue.
    {"CRC32",       "123456789",                 "CBF43926"},
};
// clang-format on

class MoreDigests : public testing::TestWithParam<DigestAlgorithm> {
protected:
    void SetUp() override
    {
        if (GetParam().crc32Path && !UseCrc32Path(GetParam().crc32Path))
            GTEST_SKIP() << "this processor lacks the " << GetParam().crc32Path << " path of CRC-32";
    }
    void TearDown() override { UsePreferredCrc32Path(); }
};

// Every cut up to two BLAKE3 chunks and a byte, so that a piece ends at each place in a block, a chunk and a parent;
// beyond that a prime step, which still lands at every offset within a block somewhere.
TEST_P(MoreDigests, KnownAnswersInAnyTwoPiecesAndFromACopy)
{
    int answers = 0;
    for (const KnownDigest& known : kKnownDigests) {
        if (GetParam().name != std::string(known.algorithm))
            continue;
        ++answers;
        const size_t size = known.message.size();
        for (size_t split = 0; split <= size; split += size <= 2049 ? 1 : 97)
            ASSERT_EQ(Wide(known.digest), Hex(GetParam().digest(known.message, split)))
                << size << " bytes cut at " << split;
    }
    EXPECT_GT(answers, 0);
}

TEST_P(MoreDigests, EveryLengthTo257InTwoPieces)
{
    std::string digests;
    for (size_t size = 0; size <= 257; ++size) {
        const Bytes digest = GetParam().digest(Pattern(size), size / 2);
        ASSERT_FALSE(digest.empty()) << "a copy of " << size << " bytes disagrees with the original";
        digests.append(digest.begin(), digest.end());
    }
    EXPECT_EQ(Wide(GetParam().everyLengthTo257), Hex(GetParam().digest(digests, digests.size())));
}

INSTANTIATE_TEST_SUITE_P(EveryPath, MoreDigests, testing::ValuesIn(kAlgorithms), testing::PrintToStringParamName());

// Random registers, lengths on both sides of the 64-byte step, data at every alignment within a vector.
TEST(Crc32Paths, EveryOfferedPathMatchesPortable)
{
    std::mt19937 random(32);
    Bytes data(16 + 4096);
    for (BYTE& byte : data)
        byte = static_cast<BYTE>(random());
    for (const Crc32Path& path : Crc32Paths()) {
        if (!path.offered(GetCpuFeatures()))
            continue;
        for (int round = 0; round < 2000; ++round) {
            const size_t length = random() % (round < 1000 ? 300 : 4096), offset = random() % 16;
            const DWORD crc = static_cast<DWORD>(random());
            EXPECT_EQ(UpdateCrc32Portable(crc, data.data() + offset, length),
                      path.compress(crc, data.data() + offset, length))
                << path.name << ": " << length << " bytes at +" << offset;
        }
    }
}

TEST(Crc32Paths, TakesPclmulWhereTheProcessorHasIt)
{
    CpuFeatures withPclmulqdq;
    withPclmulqdq.pclmulqdq = true;
    EXPECT_STREQ("pclmul", PreferredCrc32Path(withPclmulqdq).name);
    EXPECT_STREQ("portable", PreferredCrc32Path(CpuFeatures()).name);
}

}  // namespace
