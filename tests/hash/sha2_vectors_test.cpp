// NIST CAVP byte-oriented vectors (SHAVS ShortMsg and LongMsg), each message
// fed whole, in random pieces and byte by byte. ShortMsg holds every length
// from 0 to one block in steps of one byte, so it covers each padding
// boundary (55/56/63/64 and 111/112/127/128 bytes); LongMsg covers messages
// of many blocks, compressed straight from the caller's memory at odd offsets.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <tuple>

#include "tests/hash/sha2_test_util.h"
#include "tests/support/nist_vectors.h"

namespace {

const std::vector<NistVector>& LoadVectors(const std::string& fileName)
{
    static std::map<std::string, std::vector<NistVector>> cache;
    auto found = cache.find(fileName);
    if (found == cache.end()) {
        const std::wstring path = std::wstring(TEST_DATA_DIR) + L"/" +
                                  std::wstring(fileName.begin(), fileName.end());
        found = cache.emplace(fileName, ReadNistVectors(path)).first;
    }
    return found->second;
}

enum class Feeding { Whole, RandomPieces, ByteByByte };
const char* const kFeedingNames[] = {"Whole", "RandomPieces", "ByteByByte"};

void PrintTo(Feeding feeding, std::ostream* out)
{
    *out << kFeedingNames[static_cast<int>(feeding)];
}

// Pieces of 0 to a little over two blocks, zero-length ones included.
void UpdateInRandomPieces(CVnHashObject& hash, const std::vector<BYTE>& message, DWORD blockSize,
                          std::mt19937& random)
{
    std::uniform_int_distribution<size_t> pieceLength(0, 2 * blockSize + 3);
    size_t offset = 0;
    while (offset < message.size()) {
        const size_t length = std::min(pieceLength(random), message.size() - offset);
        hash.Update(message.data() + offset, static_cast<DWORD>(length));
        offset += length;
    }
}

void Feed(CVnHashObject& hash, const std::vector<BYTE>& message, Feeding feeding, DWORD blockSize,
          std::mt19937& random)
{
    switch (feeding) {
    case Feeding::Whole:
        hash.Update(message.data(), static_cast<DWORD>(message.size()));
        break;
    case Feeding::RandomPieces:
        UpdateInRandomPieces(hash, message, blockSize, random);
        break;
    case Feeding::ByteByByte:
        for (const BYTE& byte : message) {
            hash.Update(&byte, 1);
        }
        break;
    }
}

using VectorParam = std::tuple<Sha2Algorithm, const char*, Feeding>;

class NistVectorTest : public testing::TestWithParam<VectorParam> {};

TEST_P(NistVectorTest, EveryVectorGivesItsDigest)
{
    const auto& [algorithm, fileKind, feeding] = GetParam();
    const std::vector<NistVector>& vectors =
        LoadVectors(std::string(algorithm.name) + fileKind + ".rsp");
    ASSERT_GE(vectors.size(), 64u) << "test data missing or unreadable";

    std::mt19937 random(20240611);
    std::shared_ptr<CVnHashObject> hash = algorithm.make();
    for (const NistVector& vector : vectors) {
        hash->Reset();
        Feed(*hash, vector.message, feeding, algorithm.blockSize, random);
        EXPECT_EQ(FinishToHex(*hash), ToHex(vector.digest.data(), vector.digest.size()))
            << "message of " << vector.message.size() << " bytes";
    }
}

std::string VectorParamName(const testing::TestParamInfo<VectorParam>& info)
{
    const auto& [algorithm, fileKind, feeding] = info.param;
    return std::string(algorithm.name) + "_" + fileKind + "_" + kFeedingNames[static_cast<int>(feeding)];
}

INSTANTIATE_TEST_SUITE_P(Nist, NistVectorTest,
                         testing::Combine(testing::ValuesIn(kSha2Algorithms),
                                          testing::Values("ShortMsg", "LongMsg"),
                                          testing::Values(Feeding::Whole, Feeding::RandomPieces,
                                                          Feeding::ByteByByte)),
                         VectorParamName);

}  // namespace
