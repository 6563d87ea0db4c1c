// ShortMsg has every length 0..block size in 1-byte steps: padding boundaries 55/56/63/64, 111/112/127/128.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "hash/sha256.h"
#include "hash/sha512.h"
#include "tests/support/nist_vectors.h"

struct Sha2Algorithm {
    const char* name; CVnHashObject* hash; DWORD digestLength; size_t blockSize;
    const char* twoBlockA;  // digest of 56 or 112 'a', the shortest texts padded into two blocks
};
static void PrintTo(const Sha2Algorithm& algorithm, std::ostream* out) { *out << algorithm.name; }
static CVnSha224 sha224;
static CVnSha256 sha256;
static CVnSha384 sha384;
static CVnSha512 sha512;

class Sha2Vectors : public testing::TestWithParam<std::tuple<Sha2Algorithm, const char*>> {};

TEST_P(Sha2Vectors, WholeAndInRandomPiecesWritingExactlyTheDigest)
{
    const auto& [algorithm, kind] = GetParam();
    std::vector<KnownAnswer> answers = ReadKnownAnswers(algorithm.name + std::string(kind) + ".rsp");
    ASSERT_GE(answers.size(), 64u);
    answers.push_back({Bytes(algorithm.blockSize * 7 / 8, 'a'), BytesFromHex(algorithm.twoBlockA)});
    std::mt19937 random(20240611);
    std::uniform_int_distribution<size_t> pieceLength(0, 2 * algorithm.blockSize + 3);  // 0 included
    CVnHashObject& hash = *algorithm.hash;
    const DWORD length = algorithm.digestLength;
    for (const KnownAnswer& answer : answers) {
        const BYTE* const message = answer.message.data();
        const size_t size = answer.message.size();
        const std::wstring expected = Hex(answer.digest);
        BYTE digest[80];
        wchar_t hex[2 * 80];
        std::fill_n(digest, 80, BYTE{0xCC});
        std::fill_n(hex, 2 * 80, L'#');
        hash.Reset();
        hash.Update(message, static_cast<DWORD>(size));
        EXPECT_EQ(length, hash.Finish(digest));
        EXPECT_EQ(expected + std::wstring(2 * (80 - length), L'C'), Hex(digest, 80)) << size << " bytes whole";
        hash.DigestToHex(digest, hex);
        EXPECT_EQ(expected + L'\0' + L'#', std::wstring(hex, 2 * length + 2));
        hash.Reset();
        for (size_t at = 0, piece = 0; at < size; at += piece) {
            piece = std::min(pieceLength(random), size - at);
            hash.Update(message + at, static_cast<DWORD>(piece));
        }
        hash.Finish(digest);
        std::wstring text = L"earlier text";
        hash.DigestToString(digest, text);
        EXPECT_EQ(expected, text) << size << " bytes in pieces";
    }
}

INSTANTIATE_TEST_SUITE_P(Nist, Sha2Vectors, testing::Combine(testing::Values(
    Sha2Algorithm{"SHA224", &sha224, 28, 64, "D40854FC9CAF172067136F2E29E1380B14626BF6F0DD06779F820DCD"},
    Sha2Algorithm{"SHA256", &sha256, 32, 64, "B35439A4AC6F0948B6D6F9E3C6AF0F5F590CE20F1BDE7090EF7970686EC6738A"},
    Sha2Algorithm{"SHA384", &sha384, 48, 128, "187D4E07CB306103C69967BF544D0DFBE9042577599C73C330ABC0CB64C61236"
                                              "D5ED565EE19119D8C31779A38F791FCD"},
    Sha2Algorithm{"SHA512", &sha512, 64, 128, "C01D080EFD492776A1C43BD23DD99D0A2E626D481E16782E75D54C2503B5DC32"
                                              "BD05F0F1BA33E568B88FD2D970929B719ECBB152F58F130A407C8830604B70CA"}),
    testing::Values("ShortMsg", "LongMsg")));
