#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "tests/hash/sha2_test_util.h"

namespace {

class Sha2ObjectTest : public testing::TestWithParam<Sha2Algorithm> {
protected:
    std::shared_ptr<CVnHashObject> m_hash = GetParam().make();
};

std::vector<BYTE> Pattern(size_t length)
{
    std::vector<BYTE> bytes(length);
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<BYTE>(i * 31 + 7);
    }
    return bytes;
}

TEST_P(Sha2ObjectTest, FinishWritesExactlyTheDigestLength)
{
    const DWORD digestLength = GetParam().digestLength;
    BYTE digest[64 + 16];
    std::memset(digest, 0xCC, sizeof(digest));
    m_hash->Reset();
    m_hash->Update(reinterpret_cast<const BYTE*>("abc"), 3);

    EXPECT_EQ(m_hash->Finish(digest), digestLength);
    EXPECT_EQ(m_hash->DigestLength(), digestLength);
    for (size_t i = digestLength; i < sizeof(digest); ++i) {
        EXPECT_EQ(digest[i], 0xCC) << "byte " << i << " after the digest was written";
    }
}

TEST_P(Sha2ObjectTest, ZeroLengthUpdatesChangeNothing)
{
    const std::vector<BYTE> message = Pattern(300);
    const std::string expected = DigestHex(*m_hash, message);
    const BYTE* const end = message.data() + message.size();

    m_hash->Reset();
    m_hash->Update(end, 0);
    m_hash->Update(message.data(), 64);
    m_hash->Update(end, 0);
    m_hash->Update(message.data() + 64, 236);
    m_hash->Update(end, 0);
    EXPECT_EQ(FinishToHex(*m_hash), expected);
}

TEST_P(Sha2ObjectTest, ResetStartsOverAfterFinishAndAfterPartialInput)
{
    const std::string expected = DigestHex(*m_hash, Bytes("abc"));
    const std::vector<BYTE> noise = Pattern(200);

    m_hash->Update(noise.data(), static_cast<DWORD>(noise.size()));
    EXPECT_EQ(DigestHex(*m_hash, Bytes("abc")), expected) << "after Finish";

    m_hash->Reset();
    m_hash->Update(noise.data(), 77);
    EXPECT_EQ(DigestHex(*m_hash, Bytes("abc")), expected) << "after unfinished input";
}

// Digests of every length from 0 to 257 bytes (past four SHA-256 blocks and
// two SHA-512 blocks), hashed together into one value; the expected values
// come from an independent implementation over the same messages.
TEST_P(Sha2ObjectTest, EveryLengthUpTo257Bytes)
{
    static const std::map<std::string, std::string> kDigestOfDigests = {
        {"SHA224", "7EBF525C3BAD3E727232B3ADDAD47DBBBDC5D6DB992CEED78EAD0079"},
        {"SHA256", "BB300731C2002F488044F7BFA5D0306A3518E6AA77A126DEEAB4F13839577C6A"},
        {"SHA384", "70FA54BD8DC3D7FA66A0CF8E8040CD324F4A19B9B3B8012BD01237451B343303"
                   "A6AEA6FF86BBD5492A5073410B755FFB"},
        {"SHA512", "687DC1792799F1D0510E5996B5E70ED2B56DBFFA1DCE55D7B4D385093B4B8119"
                   "A0CD73C9ADB7E76FC8C9DF08ABFADD143F10664CA51198C2FEC542455DFA470D"},
    };
    std::shared_ptr<CVnHashObject> outer = GetParam().make();
    outer->Reset();
    for (size_t length = 0; length <= 257; ++length) {
        m_hash->Reset();
        m_hash->Update(Pattern(length).data(), static_cast<DWORD>(length));
        BYTE digest[64];
        outer->Update(digest, m_hash->Finish(digest));
    }
    EXPECT_EQ(FinishToHex(*outer), kDigestOfDigests.at(GetParam().name));
}

// The million 'a's of FIPS 180-2, in pieces of 1000 bytes.
TEST_P(Sha2ObjectTest, MillionLetterA)
{
    static const std::map<std::string, std::string> kDigests = {
        {"SHA224", "20794655980C91D8BBB4C1EA97618A4BF03F42581948B2EE4EE7AD67"},
        {"SHA256", "CDC76E5C9914FB9281A1C7E284D73E67F1809A48A497200E046D39CCC7112CD0"},
        {"SHA384", "9D0E1809716474CB086E834E310A4A1CED149E9C00F248527972CEC5704C2A5B"
                   "07B8B3DC38ECC4EBAE97DDD87F3D8985"},
        {"SHA512", "E718483D0CE769644E2E42C7BC15B4638E1F98B13B2044285632A803AFA973EB"
                   "DE0FF244877EA60A4CB0432CE577C31BEB009C5C2C49AA2E4EADB217AD8CC09B"},
    };
    const std::vector<BYTE> piece(1000, 'a');
    m_hash->Reset();
    for (int i = 0; i < 1000; ++i) {
        m_hash->Update(piece.data(), static_cast<DWORD>(piece.size()));
    }
    EXPECT_EQ(FinishToHex(*m_hash), kDigests.at(GetParam().name));
}

INSTANTIATE_TEST_SUITE_P(Sha2, Sha2ObjectTest, testing::ValuesIn(kSha2Algorithms), AlgorithmName);

struct KnownAnswer {
    std::shared_ptr<CVnHashObject> (*make)();
    std::string message;
    const char* digestHex;
};

// FIPS 180-4 examples; the 56- and 112-byte messages need a second padding block.
const KnownAnswer kKnownAnswers[] = {
    {MakeHash<CVnSha224>, "", "D14A028C2A3A2BC9476102BB288234C415A2B01F828EA62AC5B3E42F"},
    {MakeHash<CVnSha224>, "abc", "23097D223405D8228642A477BDA255B32AADBCE4BDA0B3F7E36C9DA7"},
    {MakeHash<CVnSha224>, std::string(56, 'a'), "D40854FC9CAF172067136F2E29E1380B14626BF6F0DD06779F820DCD"},
    {MakeHash<CVnSha256>, "", "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"},
    {MakeHash<CVnSha256>, "abc", "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"},
    {MakeHash<CVnSha256>, std::string(56, 'a'), "B35439A4AC6F0948B6D6F9E3C6AF0F5F590CE20F1BDE7090EF7970686EC6738A"},
    {MakeHash<CVnSha384>, "",
     "38B060A751AC96384CD9327EB1B1E36A21FDB71114BE07434C0CC7BF63F6E1DA274EDEBFE76F65FBD51AD2F14898B95B"},
    {MakeHash<CVnSha384>, "abc",
     "CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED8086072BA1E7CC2358BAECA134C825A7"},
    {MakeHash<CVnSha384>, std::string(112, 'a'),
     "187D4E07CB306103C69967BF544D0DFBE9042577599C73C330ABC0CB64C61236D5ED565EE19119D8C31779A38F791FCD"},
    {MakeHash<CVnSha512>, "",
     "CF83E1357EEFB8BDF1542850D66D8007D620E4050B5715DC83F4A921D36CE9CE"
     "47D0D13C5D85F2B0FF8318D2877EEC2F63B931BD47417A81A538327AF927DA3E"},
    {MakeHash<CVnSha512>, "abc",
     "DDAF35A193617ABACC417349AE20413112E6FA4E89A97EA20A9EEEE64B55D39A"
     "2192992A274FC1A836BA3C23A3FEEBBD454D4423643CE80E2A9AC94FA54CA49F"},
    {MakeHash<CVnSha512>, std::string(112, 'a'),
     "C01D080EFD492776A1C43BD23DD99D0A2E626D481E16782E75D54C2503B5DC32"
     "BD05F0F1BA33E568B88FD2D970929B719ECBB152F58F130A407C8830604B70CA"},
};

TEST(Sha2KnownAnswerTest, FipsExamples)
{
    for (const KnownAnswer& answer : kKnownAnswers) {
        std::shared_ptr<CVnHashObject> hash = answer.make();
        EXPECT_EQ(DigestHex(*hash, Bytes(answer.message)), answer.digestHex)
            << hash->DigestLength() << "-byte digest of " << answer.message.size() << " bytes";
    }
}

TEST(Sha2KnownAnswerTest, Sha384IsNoPrefixOfSha512)
{
    for (const char* message : {"", "abc"}) {
        CVnSha384 sha384;
        CVnSha512 sha512;
        const std::string digest384 = DigestHex(sha384, Bytes(message));
        EXPECT_NE(DigestHex(sha512, Bytes(message)).compare(0, digest384.size(), digest384), 0);
    }
}

}  // namespace
