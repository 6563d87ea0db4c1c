// Keyed digests and BLAKE2b at other lengths against outside oracles: Python's hmac and hashlib (RFC 2202 and
// RFC 4231 cases included), OpenSSL's HMAC-MD4 and b3sum --keyed. Each is computed by a set alone and every way a
// set is used: whole, in pieces, again after a Finish and a Reset, and by a second set that takes over midway.
#include "digest/digest_pipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "digest/digest_names.h"
#include "digest/file_pool.h"
#include "digest/parallel_file_digest.h"
#include "tests/support/provider_fixture.h"
#include "tests/support/temp_file.h"

namespace {

using KeyedDigests = ProviderTest;

const BYTE* Data(const std::string& bytes) { return reinterpret_cast<const BYTE*>(bytes.data()); }

DigestParameters KeyedBy(const std::string& key, DWORD blake2bLength = 64)
{
    return {CDigestKey(Data(key), key.size()), blake2bLength};
}

DigestRequest Alone(int row, const DigestParameters& parameters)
{
    return DigestRequest(DigestSelection().set(static_cast<size_t>(row)), parameters);
}

void Feed(CDigestSet& set, const std::string& message, size_t from, size_t to, size_t piece)
{
    for (; from < to; from += piece)
        set.Update(Data(message) + from, static_cast<DWORD>(std::min(piece, to - from)));
}

// Row `row` of `request` over `message` every way: DigestBytes whole; one set fed in pieces of `piece` bytes, from
// its start and again after its Finish and Reset; a second set that takes over the first's state after one piece.
// The text where all agree, else all of them.
std::wstring EveryWay(HCRYPTPROV provider, const DigestRequest& request, int row, const std::string& message,
                      size_t piece)
{
    std::vector<std::wstring> texts = {DigestBytes(provider, Data(message), message.size(), request).texts[row]};
    CDigestSet set(provider, request), midway(provider, request);
    const size_t cut = std::min(piece, message.size());
    for (int run = 0; run < 2; ++run) {
        set.Reset();
        Feed(set, message, 0, cut, piece);
        if (run == 1) {
            midway.CopyStateFrom(set);
            Feed(midway, message, cut, message.size(), piece);
            texts.push_back(midway.Finish().texts[row]);
        }
        Feed(set, message, cut, message.size(), piece);
        texts.push_back(set.Finish().texts[row]);
    }
    if (std::all_of(texts.begin(), texts.end(), [&texts](const std::wstring& text) { return text == texts[0]; }))
        return texts[0];
    std::wstring all;
    for (const std::wstring& text : texts)
        all += text + L" / ";
    return all;
}

// The cases of RFC 2202 and RFC 4231.
const std::string k0b16(16, '\x0B'), k0b20(20, '\x0B'), kaa16(16, '\xAA'), kaa20(20, '\xAA'), k0c16(16, '\x0C'),
    k0c20(20, '\x0C'), kaa80(80, '\xAA'), kaa131(131, '\xAA'),
    jefe = "Jefe",
    k01to25 = "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D\x0E\x0F\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19";
const std::string dd50(50, '\xDD'), cd50(50, '\xCD'),
    hi = "Hi There", want = "what do ya want for nothing?", truncation = "Test With Truncation",
    hashKeyFirst = "Test Using Larger Than Block-Size Key - Hash Key First",
    twoBlocks = "Test Using Larger Than Block-Size Key and Larger Than One Block-Size Data",
    rfc4231Seventh =
        "This is a test using a larger than block-size key and a larger than block-size data. The key "
        "needs to be hashed before being used by the HMAC algorithm.";

struct KeyedAnswer {
    const wchar_t* digest;  // the table's name
    std::string key, message;
    std::wstring hex;
    DWORD blake2bLength = 64;
};

// RFC 4231's case 5 in full, as Python's hmac gives it: the RFC prints the first 128 bits, which it begins with.
// HMAC-MD4 is OpenSSL's (legacy provider), BLAKE2 hashlib's, BLAKE3 b3sum's, the rest Python's hmac.
// clang-format off
const KeyedAnswer kKeyedAnswers[] = {
    {L"MD5", k0b16, hi, L"9294727A3638BB1C13F48EF8158BFC9D"},
    {L"MD5", jefe, want, L"750C783E6AB0B503EAA86E310A5DB738"},
    {L"MD5", kaa16, dd50, L"56BE34521D144C88DBB8C733F0E8B3F6"},
    {L"MD5", k01to25, cd50, L"697EAF0ACA3A3AEA3A75164746FFAA79"},
    {L"MD5", k0c16, truncation, L"56461EF2342EDC00F9BAB995690EFD4C"},
    {L"MD5", kaa80, hashKeyFirst, L"6B1AB7FE4BD7BF8F0B62E6CE61B9D0CD"},
    {L"MD5", kaa80, twoBlocks, L"6F630FAD67CDA0EE1FB1F562DB3AA53E"},
    {L"SHA1", k0b20, hi, L"B617318655057264E28BC0B6FB378C8EF146BE00"},
    {L"SHA1", jefe, want, L"EFFCDF6AE5EB2FA2D27416D5F184DF9C259A7C79"},
    {L"SHA1", kaa20, dd50, L"125D7342B9AC11CD91A39AF48AA17B4F63F175D3"},
    {L"SHA1", k01to25, cd50, L"4C9007F4026250C6BC8414F9BF50C86C2D7235DA"},
    {L"SHA1", k0c20, truncation, L"4C1A03424B55E07FE7F27BE1D58BB9324A9A5A04"},
    {L"SHA1", kaa80, hashKeyFirst, L"AA4AE5E15272D00E95705637CE8A3B55ED402112"},
    {L"SHA1", kaa80, twoBlocks, L"E8E99D0F45237D786D6BBAA7965C7808BBFF1A91"},
    {L"SHA224", k0b20, hi, L"896FB1128ABBDF196832107CD49DF33F47B4B1169912BA4F53684B22"},
    {L"SHA224", jefe, want, L"A30E01098BC6DBBF45690F3A7E9E6D0F8BBEA2A39E6148008FD05E44"},
    {L"SHA224", kaa20, dd50, L"7FB3CB3588C6C1F6FFA9694D7D6AD2649365B0C1F65D69D1EC8333EA"},
    {L"SHA224", k01to25, cd50, L"6C11506874013CAC6A2ABC1BB382627CEC6A90D86EFC012DE7AFEC5A"},
    {L"SHA224", k0c20, truncation, L"0E2AEA68A90C8D37C988BCDB9FCA6FA8099CD857C7EC4A1815CAC54C"},
    {L"SHA224", kaa131, hashKeyFirst, L"95E9A0DB962095ADAEBE9B2D6F0DBCE2D499F112F2D2B7273FA6870E"},
    {L"SHA224", kaa131, rfc4231Seventh, L"3A854166AC5D9F023F54D517D0B39DBD946770DB9C2B95C9F6F565D1"},
    {L"SHA256", k0b20, hi, L"B0344C61D8DB38535CA8AFCEAF0BF12B881DC200C9833DA726E9376C2E32CFF7"},
    {L"SHA256", jefe, want, L"5BDCC146BF60754E6A042426089575C75A003F089D2739839DEC58B964EC3843"},
    {L"SHA256", kaa20, dd50, L"773EA91E36800E46854DB8EBD09181A72959098B3EF8C122D9635514CED565FE"},
    {L"SHA256", k01to25, cd50, L"82558A389A443C0EA4CC819899F2083A85F0FAA3E578F8077A2E3FF46729665B"},
    {L"SHA256", k0c20, truncation, L"A3B6167473100EE06E0C796C2955552BFA6F7C0A6A8AEF8B93F860AAB0CD20C5"},
    {L"SHA256", kaa131, hashKeyFirst, L"60E431591EE0B67F0D8A26AACBF5B77F8E0BC6213728C5140546040F0EE37F54"},
    {L"SHA256", kaa131, rfc4231Seventh, L"9B09FFA71B942FCB27635FBCD5B0E944BFDC63644F0713938A7F51535C3A35E2"},
    {L"SHA384", k0b20, hi, L"AFD03944D84895626B0825F4AB46907F15F9DADBE4101EC682AA034C7CEBC59CFAEA9EA9076EDE7F4AF152E8B2FA9CB6"},
    {L"SHA384", jefe, want, L"AF45D2E376484031617F78D2B58A6B1B9C7EF464F5A01B47E42EC3736322445E8E2240CA5E69E2C78B3239ECFAB21649"},
    {L"SHA384", kaa20, dd50, L"88062608D3E6AD8A0AA2ACE014C8A86F0AA635D947AC9FEBE83EF4E55966144B2A5AB39DC13814B94E3AB6E101A34F27"},
    {L"SHA384", k01to25, cd50, L"3E8A69B7783C25851933AB6290AF6CA77A9981480850009CC5577C6E1F573B4E6801DD23C4A7D679CCF8A386C674CFFB"},
    {L"SHA384", k0c20, truncation, L"3ABF34C3503B2A23A46EFC619BAEF897F4C8E42C934CE55CCBAE9740FCBC1AF4CA62269E2A37CD88BA926341EFE4AEEA"},
    {L"SHA384", kaa131, hashKeyFirst, L"4ECE084485813E9088D2C63A041BC5B44F9EF1012A2B588F3CD11F05033AC4C60C2EF6AB4030FE8296248DF163F44952"},
    {L"SHA384", kaa131, rfc4231Seventh, L"6617178E941F020D351E2F254E8FD32C602420FEB0B8FB9ADCCEBB82461E99C5A678CC31E799176D3860E6110C46523E"},
    {L"SHA512", k0b20, hi, L"87AA7CDEA5EF619D4FF0B4241A1D6CB02379F4E2CE4EC2787AD0B30545E17CDEDAA833B7D6B8A702038B274EAEA3F4E4BE9D914EEB61F1702E696C203A126854"},
    {L"SHA512", jefe, want, L"164B7A7BFCF819E2E395FBE73B56E0A387BD64222E831FD610270CD7EA2505549758BF75C05A994A6D034F65F8F0E6FDCAEAB1A34D4A6B4B636E070A38BCE737"},
    {L"SHA512", kaa20, dd50, L"FA73B0089D56A284EFB0F0756C890BE9B1B5DBDD8EE81A3655F83E33B2279D39BF3E848279A722C806B485A47E67C807B946A337BEE8942674278859E13292FB"},
    {L"SHA512", k01to25, cd50, L"B0BA465637458C6990E5A8C5F61D4AF7E576D97FF94B872DE76F8050361EE3DBA91CA5C11AA25EB4D679275CC5788063A5F19741120C4F2DE2ADEBEB10A298DD"},
    {L"SHA512", k0c20, truncation, L"415FAD6271580A531D4179BC891D87A650188707922A4FBB36663A1EB16DA008711C5B50DDD0FC235084EB9D3364A1454FB2EF67CD1D29FE6773068EA266E96B"},
    {L"SHA512", kaa131, hashKeyFirst, L"80B24263C7C1A3EBB71493C1DD7BE8B49B46D1F41B4AEEC1121B013783F8F3526B56D037E05F2598BD0FD2215D6A1E5295E64F73F63F0AEC8B915A985D786598"},
    {L"SHA512", kaa131, rfc4231Seventh, L"E37B6A775DC87DBAA4DFA9F96E5E3FFDDEBD71F8867289865DF5A32D20CDC944B6022CAC3C4982B10D5EEB55C3E4DE15134676FB6DE0446065C97440FA8C6A58"},
    // Beyond the RFCs: the empty key and message, a key of exactly the block and one byte longer.
    {L"MD4", "", "", L"C8D444E3153B538850E7850FA84BB247"},
    {L"MD5", "", "", L"74E6F7298A9C2D168935F58C001BAD88"},
    {L"SHA1", "", "", L"FBDB1D1B18AA6C08324B7D64B71FB76370690E1D"},
    {L"SHA224", "", "", L"5CE14F72894662213E2748D2A6BA234B74263910CEDDE2F5A9271524"},
    {L"SHA256", "", "", L"B613679A0814D9EC772F95D778C35FC5FF1697C493715653C6C712144292C5AD"},
    {L"SHA384", "", "", L"6C1F2EE938FAD2E24BD91298474382CA218C75DB3D83E114B3D4367776D14D3551289E75E8209CD4B792302840234ADC"},
    {L"SHA512", "", "", L"B936CEE86C9F87AA5D3C6F2E84CB5A4239A5FE50480A6EC66B70AB5B1F4AC6730C6C515421B327EC1D69402E53DFB49AD7381EB067B338FD7B0CB22247225D47"},
    {L"SM3", "", "", L"0D23F72BA15E9C189A879AEFC70996B06091DE6E64D31B7A84004356DD915261"},
    {L"SHA3-224", "", "", L"1B9044E0D5BB4EF944BC00F1B26C483AC3E222F4640935D089A49083"},
    {L"SHA3-256", "", "", L"E841C164E5B4F10C9F3985587962AF72FD607A951196FC92FB3A5251941784EA"},
    {L"SHA3-384", "", "", L"ADCA89F07BBFBEAF58880C1572379EA2416568FD3B66542BD42599C57C4567E6AE086299EA216C6F3E7AEF90B6191D24"},
    {L"SHA3-512", "", "", L"CBCF45540782D4BC7387FBBF7D30B3681D6D66CC435CAFD82546B0FCE96B367EA79662918436FBA442E81A01D0F9592DFCD30F7A7A8F1475693D30BE4150CA84"},
    {L"MD4", PatternBytes(64), "abc", L"8D34989067FC0919B72840F5D0F6DEAE"},
    {L"MD4", PatternBytes(65), PatternBytes(300), L"2AC23677C1BCF2EA6E476D08A1725FC9"},
    {L"SHA1", PatternBytes(64), "abc", L"228C9C63572C6FD730074E0F44AAC4436F71ABA8"},
    {L"SHA1", PatternBytes(65), PatternBytes(300), L"CEAF55115A6B772449DAAAB0906248F33A8274C2"},
    {L"SHA384", PatternBytes(128), "abc", L"A91B2C82150566167C04CF78545AB9269AF2F47AD6FFAFE3C52E903687E4FC53CAF3F0215E5E1E087F2B9EC66340CE1E"},
    {L"SHA384", PatternBytes(129), PatternBytes(300), L"B7432B278FEE38A94527B432FD0A9FA5470A5E31131900C66F9BF8C869DC46B49A854B0809F3E1F605CBD41C59D9E4B4"},
    {L"SM3", PatternBytes(64), "abc", L"340FC96E105CF37013DDD96E7A30464E653D3CB19284F0F97E7CA31205C4AFB5"},
    {L"SM3", PatternBytes(65), PatternBytes(300), L"05393AC3F6BEB9156D21FC8B9628CD1F0D4BC62A7EB5422E8511CF697DF31DC1"},
    {L"SHA3-224", PatternBytes(144), "abc", L"B34E53C1735B13A2E807F00F1DB7CDBC9FABE46F5EAD0C6A55582D4E"},
    {L"SHA3-224", PatternBytes(145), PatternBytes(300), L"88DB2B925337BF7B685B25307ED54792FC76F376B5D27D9EC0CEC200"},
    {L"SHA3-256", PatternBytes(136), "abc", L"B9611CB58FF63D6CF9EE19971EC2AF67E4027E668F563563C44C00813BD8ACE1"},
    {L"SHA3-256", PatternBytes(137), PatternBytes(300), L"7859255BDCD4CC80DC862EBFAC33F5C8A51EF603EEE76C0C55ED98BF7012B5FE"},
    {L"SHA3-384", PatternBytes(104), "abc", L"42B6B4E3C7B6E7D07F8CCC6B5516D9089C7D85725C3F1F8923BE2F083069CA77F7978A3926CCC7D675FD25FADB21B5F9"},
    {L"SHA3-384", PatternBytes(105), PatternBytes(300), L"C40A8ECE6D031783EBBC136618D257C8CFCBA9D9C8055AEBBE858C4E44C604D2801DA1683E4CF69B5A5B5BA0E6D0E1EF"},
    {L"SHA3-512", PatternBytes(72), "abc", L"9540F89A54AD467095D6514AF869B0DEF0C3CA1CF912F8D95544D1772EBBB147B10A4C47E67C13C36241BFA45A6EC11C1852E33D618C778DF68FB9D89A6A2ECE"},
    {L"SHA3-512", PatternBytes(73), PatternBytes(300), L"87B0A14FE9B06B07C6AB707BFB598C800F1D36473AC2C90E9D0270138C5491DACF0AB3AE9445A29239C56F633052AE6CEAB3E68ADD6E695808AFAFE63DE3F244"},
    // BLAKE2 keyed (the empty key is the unkeyed mode), and BLAKE2b at other lengths.
    {L"BLAKE2b", "", "abc", L"BA80A53F981C4D0D6A2797B69F12F6E94C212F14685AC4B74B12BB6FDBFFA2D17D87C5392AAB792DC252D5DE4533CC9518D38AA8DBF1925AB92386EDD4009923"},
    {L"BLAKE2b", PatternBytes(64), "", L"AD8E474AE036CDB2C3D57CF8840674A776235D15F26C2C26B1A2C8F379AC58DDE900A62D819D9B3CBDED4D3C52BD672554A7D01C9F8895F71BA020FC25FC1A74"},
    {L"BLAKE2b", PatternBytes(64), PatternBytes(128), L"B12C8005E0B0F14FB7B7D185D8EBA6A653446B6F60740555AE74E31B6855AFCEBF1689C5FE428FEC1B6BC3840D0975349EC9C836F673841189FC5F7BCD66DF08"},
    {L"BLAKE2b", PatternBytes(1), PatternBytes(129), L"2047332EEF5DF54798FF07C2163C9776C07B094F07AD088B5A99A313AB0D562F9C6A77C61DE68503663567BAAB949BCC0CBEEB40C8BEB6621359999941B2358D"},
    {L"BLAKE2s", "", "abc", L"508C5E8C327C14E2E1A72BA34EEB452F37458B209ED63A294D999B4C86675982"},
    {L"BLAKE2s", PatternBytes(32), "", L"DE42CEEFFF7A69DE3F610D419865D0988325CEE24B06EF3DD36E87F3A01E52D2"},
    {L"BLAKE2s", PatternBytes(32), PatternBytes(64), L"95BC41A1AE73544C9C276A32885D6EEFA671E71CDC6BA5696C43076BE6A7968E"},
    {L"BLAKE2s", PatternBytes(1), PatternBytes(65), L"AEDD447C71BF706CD17BFDC94F28B3FAF6291B9ADA8E9471B3A17E5D968AE34B"},
    {L"BLAKE2b", "", PatternBytes(200), L"2C", 1},
    {L"BLAKE2b", PatternBytes(64), PatternBytes(200), L"7F", 1},
    {L"BLAKE2b", "", PatternBytes(200), L"ABF84D8F730996502E549818C8F5E49635687C1C", 20},
    {L"BLAKE2b", PatternBytes(64), PatternBytes(200), L"7996F5CA3130F2AACEE78103E6F90E76DE15EBCC", 20},
    {L"BLAKE2b", "", PatternBytes(200), L"F5F9DD0C4E4023E68A8C5E4B9332ACDE4B16E7C51441723FE02A34084A394104", 32},
    {L"BLAKE2b", PatternBytes(64), PatternBytes(200), L"A1B126FC37B8F3FADF4B0F9C401A296C9BDEF1C5BDFBE013DDD0218FC598E7FE", 32},
    {L"BLAKE2b", "", PatternBytes(200), L"016376BA76DADD13B9E498E3B16B5B686CF52000A1ADE7E06EF6FD02053BBAF2F2ABE72ACCC02BF834880F356D02E6C2", 48},
    {L"BLAKE2b", PatternBytes(64), PatternBytes(200), L"2DDC8419AC771AABA4BC64B872442A10B51E8437039BEB68CD2B64795E3CDEBEADB92ADD25DD784445DC9FA3D2325BB2", 48},
    {L"BLAKE2b", "", PatternBytes(200), L"25C2F3FCBB67958832BBB4336B551867A9E275B45DF6783777401742EBDC56912220F854A4B49D0707FA4EA64423DADB37430D847C8FB45DD5C8DC1CC82EC530", 64},
    {L"BLAKE2b", PatternBytes(64), PatternBytes(200), L"DB31E68A2F9D02989D9EC97852CFCA3744782D8E02F62002AE49E62310E3B7BD08E353F43D491A0F8F9EFD303FD862E7993C974ED2BE87B1926006427902BF18", 64},
    // BLAKE3 keyed: one chunk, and trees of two and four chunks.
    {L"BLAKE3", PatternBytes(32), "", L"697227F460617900F1E860D04D6E69A342DB0905B019A45A304ED59A3F03D3D8"},
    {L"BLAKE3", PatternBytes(32), PatternBytes(1024), L"C41D507A09C9F39B1B83837628932C70F54276BA92A7B90CDB4AF2C4497DFB06"},
    {L"BLAKE3", PatternBytes(32), PatternBytes(1025), L"14E1985A9551861D07DA6C1B1EE03F2308B3524BDCE605231E6723E501DADA78"},
    {L"BLAKE3", PatternBytes(32), PatternBytes(3073), L"3E52BC0AECD764B9B08D504D01E861DA7EC318F6DD56B39821CBA1663107445A"},
};
// clang-format on

TEST_F(KeyedDigests, GiveTheKnownAnswersEveryWayInPiecesOfAnySize)
{
    for (const KeyedAnswer& answer : kKeyedAnswers) {
        const int row = DigestRowNamed(answer.digest, false);
        const DigestRequest request = Alone(row, KeyedBy(answer.key, answer.blake2bLength));
        for (size_t piece : {1, 63, 64, 65, 1000})
            EXPECT_EQ(answer.hex, EveryWay(m_provider, request, row, answer.message, piece))
                << answer.digest << ", key of " << answer.key.size() << " bytes, message of " << answer.message.size()
                << ", length " << answer.blake2bLength << ", pieces of " << piece;
    }
}

TEST(KeyRefusal, SaysWhichDigestTakesAKeyOfWhichLength)
{
    // clang-format off
    const struct { const wchar_t* digest; size_t length; std::wstring refusal; } rows[] = {
        {L"CRC32",    0,   L"CRC32 不使用密钥"},
        {L"CRC32",    4,   L"CRC32 不使用密钥"},
        {L"BLAKE2s",  33,  L"BLAKE2s 的密钥至多 32 字节，给出的是 33 字节"},
        {L"BLAKE2s",  32,  L""},
        {L"BLAKE2b",  65,  L"BLAKE2b 的密钥至多 64 字节，给出的是 65 字节"},
        {L"BLAKE2b",  64,  L""},
        {L"BLAKE2b",  0,   L""},
        {L"BLAKE3",   31,  L"BLAKE3 的密钥须为 32 字节，给出的是 31 字节"},
        {L"BLAKE3",   33,  L"BLAKE3 的密钥须为 32 字节，给出的是 33 字节"},
        {L"BLAKE3",   0,   L"BLAKE3 的密钥须为 32 字节，给出的是 0 字节"},
        {L"BLAKE3",   32,  L""},
        {L"MD4",      0,   L""},
        {L"SHA3-512", 500, L""},
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(row.refusal, KeyRefusal(DigestRowNamed(row.digest, false), row.length)) << row.digest << row.length;
    if constexpr (sizeof(size_t) > sizeof(DWORD)) {
        EXPECT_EQ(L"HMAC-SHA1 的密钥至多 4294967295 字节，给出的是 4294967296 字节",
                  KeyRefusal(DigestRowNamed(L"SHA1", false), static_cast<size_t>(0x100000000ULL)));
    }
}

// In a set of every digest, each refused row fails with its reason after every Reset; the others give what they
// give alone.
TEST_F(KeyedDigests, ARowThatCannotTakeTheParametersFailsWithTheReasonAndTheOthersGoOn)
{
    const std::wstring blake2bLength = L"BLAKE2b 的长度须为 1 到 64 字节，给出的是 ";
    // clang-format off
    const struct { DigestParameters parameters; std::vector<std::pair<const wchar_t*, std::wstring>> refused; } cases[] = {
        {KeyedBy(PatternBytes(33)), {{L"BLAKE2s", L"BLAKE2s 的密钥至多 32 字节，给出的是 33 字节"},
                                     {L"BLAKE3", L"BLAKE3 的密钥须为 32 字节，给出的是 33 字节"},
                                     {L"CRC32", L"CRC32 不使用密钥"}}},
        {KeyedBy("", 0),            {{L"BLAKE2b", blake2bLength + L"0 字节"}, {L"BLAKE3", L"BLAKE3 的密钥须为 32 字节，给出的是 0 字节"},
                                     {L"CRC32", L"CRC32 不使用密钥"}}},
        {{std::nullopt, 65},        {{L"BLAKE2b", blake2bLength + L"65 字节"}}},
    };
    // clang-format on
    const std::string message = PatternBytes(100);
    for (const auto& c : cases) {
        std::array<std::wstring, kDigestCount> refusals;
        for (const auto& [digest, refusal] : c.refused)
            refusals[DigestRowNamed(digest, false)] = refusal;
        for (int row = 0; row < kDigestCount; ++row) {
            const DigestTexts alone = DigestBytes(m_provider, Data(message), message.size(), Alone(row, c.parameters));
            EXPECT_EQ(refusals[row].empty() ? alone.texts[row] : refusals[row],
                      EveryWay(m_provider, DigestRequest(AllDigests(), c.parameters), row, message, 64))
                << kDigestTable[row].name;
            EXPECT_EQ(!refusals[row].empty(), alone.failed[row]) << kDigestTable[row].name;
        }
    }
}

// A keyed request with a BLAKE2b length through every road a selection takes: the text pipeline, the digests of
// one file spread over threads, and the pool's workers and its standard input.
TEST_F(KeyedDigests, EveryRoadOfASelectionCarriesItsParameters)
{
    const std::string bytes = PatternBytes(kThreeMiB);
    const TempFile file(L"keyed_digests.bin", bytes);
    ASSERT_TRUE(file.created);
    const DigestRequest request(AllDigests(), KeyedBy(PatternBytes(32), 32));
    const DigestTexts expected = DigestBytes(m_provider, Data(bytes), bytes.size(), request);
    // From Python's hmac, hashlib and b3sum --keyed.
    const std::pair<const wchar_t*, std::wstring> anchors[] = {
        {L"MD5", L"8B1ABA711F46291BB12ACF866EFD1968"},
        {L"SHA256", L"AA554BACEB382EC71939A14B11FB73502E687619C3732B2EADCAD2036B9E240C"},
        {L"BLAKE2b", L"FCE0B1C4B21567F7302BCCD3DD68E633B1275B522831C3FDF6BC77D85F44221D"},
        {L"BLAKE3", L"A0CB8656832979D68A6A879C9E67CBC7031B1DD340485A6BB76CD3D1226FC8FC"},
    };
    for (const auto& [digest, hex] : anchors)
        EXPECT_EQ(hex, expected.texts[DigestRowNamed(digest, false)]) << digest;

    EXPECT_EQ(DigestBytes(m_provider, Data("abc"), 3, request).texts,
              ComputeDigestTexts(m_provider, L"abc", 3, ByteEncoding::Utf8, false, request).texts);
    DigestTexts spread;
    COpenedFile opened(file.path.c_str());
    EXPECT_TRUE(opened.Opened() && DigestFileInParallel(m_provider, request, opened, 3, spread)) << LastErrorText();
    EXPECT_EQ(expected.texts, spread.texts);

    const HANDLE input =
        CreateFileW(file.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    using Texts = std::array<std::wstring, kDigestCount>;
    std::vector<Texts> pooled;
    CFilePool pool(m_provider, 2);
    const auto keep = [&pooled](const FileOutcome& outcome) { pooled.push_back(outcome.digests.texts); };
    pool.Digest(file.path, request, keep);
    pool.DigestHere(input, request, keep);
    pool.Finish();
    CloseHandle(input);
    EXPECT_EQ(std::vector<Texts>(2, expected.texts), pooled);
}

}  // namespace
