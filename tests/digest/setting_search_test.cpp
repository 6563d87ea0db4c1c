// The search for the settings that give a digest the user was given. Every
// expected digest was computed on the host with Python's hashlib.
#include "digest/setting_search.h"

#include <gtest/gtest.h>

#include "tests/support/platform_watch.h"
#include "tests/support/provider_fixture.h"

namespace {

// A scope of the digests, encoding, mark and terminator the console's options fix.
SearchScope Scoped(DigestSelection digests, std::optional<Encoding> encoding = {}, bool markOnly = false,
                   bool terminatorOnly = false)
{
    SearchScope scope;
    scope.digests = digests;
    scope.encoding = encoding;
    scope.byteOrderMarkOnly = markOnly;
    scope.terminatorOnly = terminatorOnly;
    return scope;
}

using Settings = std::vector<std::wstring>;

// Each match in short: the encoding ("cp936" for a code page, "hex" or "base64" for the text read as data), "+bom"
// with its mark, "+0" with the terminator, the line breaks, the end and the form in brackets, "*raw", "*hex" or
// "*HEX" for a digest of a digest, the digest's name, and "!n" when the encoding replaced n characters.
Settings Short(const std::vector<SettingMatch>& matches)
{
    static const wchar_t* const encodings[] = {L"ansi", L"utf16le", L"utf8", L"utf16be"};
    static const wchar_t* const data[] = {L"", L"hex", L"base64"};
    static const wchar_t* const twice[] = {L"", L"*raw", L"*hex", L"*HEX"};
    static const wchar_t* const breaks[] = {L"", L"lf", L"crlf"};
    static const wchar_t* const endings[] = {L"", L"+lf", L"+crlf", L"-br"};
    static const wchar_t* const forms[] = {L"",     L"nfc",       L"nfd",  L"nfkc",      L"upper",    L"lower",
                                           L"trimlines", L"trim", L"invisible", L"plain", L"escapes", L"json"};
    Settings all;
    for (const SettingMatch& match : matches) {
        const TextSetting& s = match.setting;
        std::wstring how = forms[int(s.form)];
        for (const wchar_t* part : {breaks[int(s.lineBreaks.breaks)], endings[int(s.lineBreaks.ending)]})
            how += how.empty() || !*part ? part : L"," + std::wstring(part);
        const std::wstring encoding = s.data != DataReading::None ? data[int(s.data)]
            : s.encoding.kind == ByteEncoding::CodePage        ? L"cp" + std::to_wstring(CodePageOf(s.encoding))
                                                               : encodings[int(s.encoding.kind)];
        all.push_back(encoding + std::wstring(s.byteOrderMark ? L"+bom" : L"") + (s.withTerminator ? L"+0" : L"")
                      + (how.empty() ? L"" : L" (" + how + L")") + twice[int(s.twice)] + L" "
                      + kDigestTable[match.row].name
                      + (match.loss.count ? L" !" + std::to_wstring(match.loss.count) : L""));
    }
    return all;
}

class SettingSearch : public ProviderTest {
protected:
    SearchResult Search(const std::wstring& text, const std::wstring& given, const SearchScope& scope = {}) const
    {
        const ExpectedDigest expected = ParseExpectedDigest(given.c_str(), given.size());
        return FindSettingsGiving(m_provider, text.c_str(), text.size(), expected, scope);
    }
    Settings Find(const std::wstring& text, const std::wstring& given, const SearchScope& scope = {}) const
    {
        const SearchResult result = Search(text, given, scope);
        EXPECT_EQ(L"", result.failure);
        return Short(result.matches);
    }
};

// ASCII text has the same bytes in the ANSI code page as in UTF-8, so both give its digests.
TEST_F(SettingSearch, FindsEverySettingThatGivesTheDigest)
{
    const std::wstring lines = L"第一行\r\n第二行\r\n";
    // clang-format off
    const struct { std::wstring text, given; Settings found; } rows[] = {
        {L"abc",      kAbcMd5Lower,      {L"ansi MD5", L"utf8 MD5"}},
        {L"abc",      kAbcDigests[0],    {L"ansi MD4", L"utf8 MD4"}},
        {L"abc",      kAbcZeroMd5,       {L"ansi+0 MD5", L"utf8+0 MD5"}},
        {L"abc",      kAbcUtf16Md5,      {L"utf16le MD5"}},
        {L"abc",      kAbcDigests[5],    {L"ansi SHA384", L"utf8 SHA384"}},
        {L"abc",      L"ED8FFCFFF4B31CC2ACDC092FEE0349CA74CDB45495887262C0C360F6139E7DDE299B6A32554F59FD2A460E6E8CA3DE02FE5B14BD19C13333822E4E2359647F72", {L"utf16le+0 SHA512"}},
        // A line break added at the end, either way; line breaks rewritten either way; the final one left out.
        {L"abc",      kAbcLfMd5,         {L"ansi (+lf) MD5", L"utf8 (+lf) MD5"}},
        {L"abc",      L"F5C93B6F06F7C56D7EA720C121E3B1FB6730E5CF5F18D776BF0F2D88", {L"ansi (+lf) SHA224", L"utf8 (+lf) SHA224"}},
        {L"abc",      L"C13B6AFECF97EA6B38D21A8F5167FA1E", {L"ansi (+crlf) MD5", L"utf8 (+crlf) MD5"}},
        {L"a\r\nb",   L"59B0D7772F0561EFB95518F3CB8ABC60", {L"ansi (+crlf) MD5", L"utf8 (+crlf) MD5"}},
        {L"a\nb",     L"65D5F03C46E62E3F2BABBE712D2CE464", {L"ansi (crlf) MD5", L"utf8 (crlf) MD5"}},
        {L"a\r\nb",   L"65D5F03C46E62E3F2BABBE712D2CE464", {L"ansi MD5", L"utf8 MD5"}},
        {L"a\r\nb",   L"DD8C6A395B5DD36C56D23275028F526C", {L"ansi (lf,+lf) MD5", L"utf8 (lf,+lf) MD5"}},
        {L"abc\r\n",  kAbcLfMd5,         {L"ansi (lf) MD5", L"utf8 (lf) MD5"}},
        {L"abc\r\n",  kAbcMd5,           {L"ansi (-br) MD5", L"utf8 (-br) MD5"}},
        {L"abc\n",    kAbcMd5,           {L"ansi (-br) MD5", L"utf8 (-br) MD5"}},
        {L"岚鹊文本", L"091D25B84CE010B1F7196D9FA7FFA488EC168D451AE4D0EF4521AD20FC380554", {L"utf8 SHA256"}},
        {L"岚鹊文本", L"3DCB4C17861B8F91181AC048B360A28C9F28D305443C97D96AB5583D8D44AF61", {L"utf8+0 SHA256"}},
        {L"岚鹊文本", L"43CF1F5E14CB94CC034F4D3ABBC035BA0E12AFF1956099F7F0059ED44F731F48", {L"utf16le SHA256"}},
        {lines,       L"F075C7793E2A3429D0FC0136ECB9D5DC51B9202F24B568F7D3BE447F7B2A239B", {L"utf8 (lf) SHA256"}},
        {lines,       L"61F8655A9B219B9CE122C6C7CD59AD09FEAC38240699CFEC8D0C9B1E81A748AB", {L"utf8 (lf,-br) SHA256"}},
        {lines,       L"9A2CA89E4D569FA24C15FEC238121490", {L"utf8 (lf,+lf) MD5"}},
        // The empty text is the empty message in every encoding; a terminator or a line break makes bytes.
        {L"",         kEmptyDigests[1],  {L"ansi MD5", L"utf16le MD5", L"utf8 MD5", L"utf16be MD5"}},
        {L"",         kZeroByteMd5,      {L"ansi+0 MD5", L"utf8+0 MD5"}},
        {L"",         L"01BA4719C80B6FE911B091A7C05124B64EEECE964E09C058EF8F9805DACA546B", {L"ansi (+lf) SHA256", L"utf8 (+lf) SHA256"}},
        {L"",         L"F006096956B5062F8EFB72AF4DF59BC2", {L"utf16be+bom MD5"}},
        // Byte-order marks and UTF-16BE.
        {L"abc",      L"1C28DC3F1F804A1AD9C9B4B4CF5E2658D16AD4ED08E3020D04A8D2865018947C", {L"utf8+bom SHA256"}},
        {L"abc",      L"C627105FAD747457B7E88ED1016E065F", {L"utf16le+bom MD5"}},
        {L"abc",      L"FC48464A2559EE604BE70382C39C6687", {L"utf16be MD5"}},
        {L"abc",      L"D629FD10CE46BD5F3025A857461840D8", {L"utf16be+bom MD5"}},
        // Other forms of the text.
        {L"e\u0301",  L"66DDCD97CFDEABB2F6FB8A999B4BC76F", {L"utf8 (nfc) MD5"}},
        {L"\u00E9",   L"5526861FBB1E71A1BDA6AC364310A807", {L"utf8 (nfd) MD5"}},
        {L"ABC",      kAbcMd5,           {L"ansi (lower) MD5", L"utf8 (lower) MD5"}},
        {L"abc  \r\ndef \r\n", L"B39F47746FBEC7076F210638E9B8BC0D", {L"ansi (trimlines) MD5", L"utf8 (trimlines) MD5"}},
        {L" \u3000abc\r\n\t", kAbcMd5,   {L"ansi (trim) MD5", L"utf8 (trim) MD5"}},
        // Text pasted from elsewhere, escapes both ways, an editor's two changes at once.
        {L"pass\u200Bword", L"5F4DCC3B5AA765D61D8327DEB882CF99", {L"ansi (invisible) MD5", L"utf8 (invisible) MD5"}},
        {L"it\u2019s \u22121", L"F0814474487106CD1EBBA2A189BDC7DD", {L"ansi (plain) MD5", L"utf8 (plain) MD5"}},
        {L"a\\nb",   L"8CDEB44417F3C26826595D5820CF5700", {L"ansi (escapes) MD5", L"utf8 (escapes) MD5"}},
        {L"a\r\nb",   L"A12EB4F785769F3312937495A7196111", {L"ansi (json) MD5", L"utf8 (json) MD5"}},
        {L"abc  \nxyz\t", L"BF35C5508F6F0E225E027521DD29C9FE58671482E3D01EF0EC73476610216068", {L"ansi (trimlines,+lf) SHA256", L"utf8 (trimlines,+lf) SHA256"}},
        // The text as data, a digest of a digest, a digest that lost its leading zero; an odd hex digit is no data.
        {L" deadbeef\r\n", L"5F78C33274E43FA9DE5659265C1D917E25C03722DCB0B8D27DB8D5FEAA813953", {L"hex SHA256"}},
        {L"aGVsbG8gd29ybGQ=", L"5EB63BBBE01EEED093CB22BB8F5ACDC3", {L"base64 MD5"}},
        {L"deadbee",  L"8B0B94BA92C2DA8B014345C8E74CD5E2FD46F03D0F497D937B675906078E9D6D", {}},
        {L"abc",      L"EC0405C5AEF93E771CD80E0DB180B88B", {L"ansi*hex MD5", L"utf8*hex MD5"}},
        {L"abc",      L"4F8B42C22DD3729B519BA6F68D2DA7CC5B2D606D05DAED5AD5128CC03E6C6358", {L"ansi*raw SHA256", L"utf8*raw SHA256"}},
        {L"27",       L"2e74f10e0327ad868d138f2b4fdd6f0", {L"ansi MD5", L"utf8 MD5"}},
        // Half of a surrogate pair: the forms the platform cannot make are left out, the rest is searched.
        {L"a\xD800", L"F3FCAD08F8CABF59FE35BE4EA96694E5", {L"utf16le MD5"}},
        // The digests beyond the seven, tried when none of the seven gives it; any form of the given digest.
        {L"abc",      L"66C7F0F462EEEDD9D1F2D46BDC10E4E24167C4875CF2F7A2297DA02B8F4BA8E0", {L"ansi SM3", L"utf8 SM3"}},
        {L"abc",      L"crc32:352441c2", {L"ansi CRC32", L"utf8 CRC32"}},
        {L"abc",      L"kAFQmDzST7DWlj99KOF/cg==", {L"ansi MD5", L"utf8 MD5"}},
        {L"abc",      L"sha256-ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=", {L"ansi SHA256", L"utf8 SHA256"}},
        {L"abc",      L"md4:" + kAbcDigests[0], {L"ansi MD4", L"utf8 MD4"}},
        // Nothing gives it.
        {L"abc",      L"900150983CD24FB0D6963F7D28E17F73", {}},
        {L"abc",      std::wstring(64, L'0'), {}},
        {L"abc",      L"no digest", {}},
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(row.found, Find(row.text, row.given)) << row.text << L" " << row.given;
}

// A match through characters the code page lacks is a digest of other text: it says how many it replaced, and
// comes after every match without loss.
TEST_F(SettingSearch, AMatchThroughReplacedCharactersSaysHowManyAndComesLast)
{
    const bool chinese = GetACP() == 936;
    const std::wstring text = chinese ? L"a\U0001F600b" : L"abc \u4F60\u597D";  // "a?b" and "abc ??"
    const std::wstring md5 = chinese ? L"5C04ABB6B0CAB26B9DF5BAA55E1A21D7" : L"20803F205012BBD66AC54FA097BEC262";
    EXPECT_EQ(Settings {chinese ? L"ansi MD5 !1" : L"ansi MD5 !2"}, Find(text, md5));
    // Code page 1252 writes full-width letters as their look-alikes, replacing them: so does NFKC, without loss.
    Settings fullWidth = {L"ansi (nfkc) MD5", L"utf8 (nfkc) MD5"};
    if (!chinese)
        fullWidth.push_back(L"ansi MD5 !7");
    EXPECT_EQ(fullWidth, Find(L"ａｂｃ１２３，", L"E341BF4EA446AD19A2BD6B5370EC4A58"));
}

// Another machine's code page, tried where it holds the whole text: GBK is this machine's ANSI code page in 936 and
// another machine's in 1252; the console window's OEM code page is 437 in 1252 and 936 in 936.
TEST_F(SettingSearch, TriesOtherMachinesCodePagesWhereTheyHoldTheText)
{
    const bool chinese = GetACP() == 936;
    const Settings found = Find(L"岚鹊文本", L"4C33EC3789BE5759A3DB2ABC2BFDFF3B2A575E0EB5C7228F472C56B4AB442CC1");
    EXPECT_EQ(chinese ? Settings {L"ansi SHA256"} : Settings {L"cp936 SHA256"}, found);
    EXPECT_EQ(chinese ? Settings {} : Settings {L"cp437 MD5"}, Find(L"café", L"2331EB6B936B5C5F7F442748B3195B08"));
    // Code page 1251 holds all of "Жé" but its last character: no lossy match from it (its best fit writes "Жe").
    EXPECT_EQ(Settings {}, Find(L"\u0416\u00E9", L"4667E2F19A9795C302A984CF66C84E95"));
}

// What a search that found nothing may claim: what it tried, and nothing it did not.
TEST_F(SettingSearch, SaysExactlyWhatItTried)
{
    const std::wstring none(32, L'0');
    // The code pages that hold the text and give bytes of their own, as Python's codecs write it; in 936 the console's
    // code page is 936 too.
    const bool chinese = GetACP() == 936;
    // clang-format off
    const struct { std::wstring text; SearchScope scope; std::vector<std::wstring> said, unsaid; } rows[] = {
        {L"abc",      {},                              {L"去掉行尾空白", L"有无终结符", L"Base64"},       {L"去掉换行", L"十六进制数据", L"包含终结符", L"能原样表示文本时", L"JSON 重写", L"参数排序", L"密钥"}},
        {L"café\n",   {},                              {L"去掉换行", L"NFD"},                            {L"Base64"}},
        // Each code page once, whatever its role, and only where it gave bytes no encoding before it gave.
        {L"中文",     {},                              {chinese ? L"; 代码页 950、932、949（" : L"; 代码页 936、950、932、949（"}, {}},
        {L"café",     {},                              {chinese ? L"; 代码页 1252（" : L"; 代码页 437、936（"}, {}},
        {L"a\xD800",  {},                              {L"UTF-16LE", L"大写"},                          {L"NFC"}},
        {L"abc",      Scoped(AllDigests(), {}, false, true), {L"包含终结符"},                                 {L"有无终结符"}},
    };
    // clang-format on
    for (const auto& row : rows) {
        const std::wstring words = TriedCausesWords(Search(row.text, none, row.scope), row.scope, L"; ", EncodingName);
        for (const std::wstring& said : row.said)
            EXPECT_NE(std::wstring::npos, words.find(said)) << row.text << L": " << words;
        for (const std::wstring& unsaid : row.unsaid)
            EXPECT_EQ(std::wstring::npos, words.find(unsaid)) << row.text << L": " << words;
    }
}

// The console program narrows the search to what its options fix.
TEST_F(SettingSearch, TriesOnlyTheSettingsInScope)
{
    DigestSelection sha256;
    sha256.set(4);
    // clang-format off
    const struct { std::wstring given; SearchScope scope; Settings found; } rows[] = {
        {kAbcMd5,                            Scoped(AllDigests(), ByteEncoding::Utf8),       {L"utf8 MD5"}},
        {kAbcMd5,                            Scoped(sha256),                             {}},
        {L"sha256-ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0=", Scoped(sha256),         {L"ansi SHA256", L"utf8 SHA256"}},
        {kAbcZeroMd5,                        Scoped(AllDigests(), {}, false, true),          {L"ansi+0 MD5", L"utf8+0 MD5"}},
        {kAbcMd5,                            Scoped(AllDigests(), {}, false, true),          {}},
        {L"C627105FAD747457B7E88ED1016E065F", Scoped(AllDigests(), {}, true),                {L"utf16le+bom MD5"}},
        {kAbcMd5,                            Scoped(AllDigests(), {}, true),                 {}},
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(row.found, Find(L"abc", row.given, row.scope)) << row.given;
}

// A digest that fails on the way leaves the search incomplete: it says why, and claims nothing.
TEST_F(SettingSearch, ADigestRefusedOnTheWayEndsTheSearchWithItsFailure)
{
    for (const Replacement& refusal : {Refusal<ERROR_BUSY>(RealFunction(&::CryptHashData)),
                                       Refusal<ERROR_BUSY>(RealFunction(&::CryptDuplicateHash))}) {
        const ImportHook hook(refusal);
        ASSERT_TRUE(hook.Installed());
        const SearchResult result = Search(L"abc\r\n", kAbcLfMd5);
        EXPECT_NE(L"", result.failure);
        EXPECT_EQ(Settings {}, Short(result.matches));
    }
    EXPECT_EQ(Settings({L"ansi (lf) MD5", L"utf8 (lf) MD5"}), Find(L"abc\r\n", kAbcLfMd5));
}

}  // namespace
