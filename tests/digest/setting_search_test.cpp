// The search for the settings that give a digest the user was given. Every
// expected digest was computed on the host with Python's hashlib.
#include "digest/setting_search.h"

#include <gtest/gtest.h>

#include "tests/support/provider_fixture.h"

namespace {

using Settings = std::vector<std::wstring>;

// Each setting in short: encoding, "+0" with the terminator, the line-break words in brackets, then the
// digest's name.
Settings Short(const std::vector<SettingMatch>& matches)
{
    static const wchar_t* const encodings[] = {L"ansi", L"utf16le", L"utf8"};
    Settings all;
    for (const SettingMatch& match : matches) {
        const TextSetting& setting = match.setting;
        const std::wstring lineBreaks = LineBreakWords(setting.lineBreaks);
        all.push_back(encodings[static_cast<int>(setting.encoding)] + std::wstring(setting.withTerminator ? L"+0" : L"")
                      + (lineBreaks.empty() ? L"" : L" (" + lineBreaks + L")") + L" " + kDigestTable[match.row].name);
    }
    return all;
}

class SettingSearch : public ProviderTest {
protected:
    Settings Find(const std::wstring& text, const std::wstring& expected, bool firstOnly = false) const
    {
        return Short(FindSettingsGiving(m_provider, text.c_str(), text.size(), expected, firstOnly));
    }
};

// ASCII text has the same bytes in the ANSI code page as in UTF-8, so both give its digests.
TEST_F(SettingSearch, FindsEverySettingThatGivesTheDigest)
{
    const std::wstring lfAdded = L"末尾加一个换行 (LF)", lf = L"换行为 LF", removed = L"去掉末尾的换行";
    const std::wstring lines = L"第一行\r\n第二行\r\n";
    // clang-format off
    const struct { std::wstring text, expected; Settings found; } rows[] = {
        {L"abc",      kAbcMd5Lower,    {L"ansi MD5", L"utf8 MD5"}},
        {L"abc",      kAbcDigests[0],    {L"ansi MD4", L"utf8 MD4"}},
        {L"abc",      kAbcLfMd5,         {L"ansi (" + lfAdded + L") MD5", L"utf8 (" + lfAdded + L") MD5"}},
        {L"abc",      kAbcZeroMd5,       {L"ansi+0 MD5", L"utf8+0 MD5"}},
        {L"abc",      kAbcUtf16Md5,      {L"utf16le MD5"}},
        {L"abc",      kAbcDigests[2],    {L"ansi SHA1", L"utf8 SHA1"}},
        {L"abc",      L"F5C93B6F06F7C56D7EA720C121E3B1FB6730E5CF5F18D776BF0F2D88", {L"ansi (" + lfAdded + L") SHA224", L"utf8 (" + lfAdded + L") SHA224"}},
        {L"abc",      kAbcDigests[5],    {L"ansi SHA384", L"utf8 SHA384"}},
        {L"abc",      L"ED8FFCFFF4B31CC2ACDC092FEE0349CA74CDB45495887262C0C360F6139E7DDE299B6A32554F59FD2A460E6E8CA3DE02FE5B14BD19C13333822E4E2359647F72", {L"utf16le+0 SHA512"}},
        {L"abc\r\n",  kAbcLfMd5,         {L"ansi (" + lf + L") MD5", L"utf8 (" + lf + L") MD5"}},
        {L"abc\r\n",  kAbcMd5,           {L"ansi (" + removed + L") MD5", L"utf8 (" + removed + L") MD5"}},
        {L"abc\n",    kAbcMd5,           {L"ansi (" + removed + L") MD5", L"utf8 (" + removed + L") MD5"}},
        {L"a\r\nb",   L"DD8C6A395B5DD36C56D23275028F526C", {L"ansi (" + lf + L"，" + lfAdded + L") MD5", L"utf8 (" + lf + L"，" + lfAdded + L") MD5"}},
        {L"a\r\nb",   L"65D5F03C46E62E3F2BABBE712D2CE464", {L"ansi MD5", L"utf8 MD5"}},
        {L"岚鹊文本", L"091D25B84CE010B1F7196D9FA7FFA488EC168D451AE4D0EF4521AD20FC380554", {L"utf8 SHA256"}},
        {L"岚鹊文本", L"3DCB4C17861B8F91181AC048B360A28C9F28D305443C97D96AB5583D8D44AF61", {L"utf8+0 SHA256"}},
        {L"岚鹊文本", L"43CF1F5E14CB94CC034F4D3ABBC035BA0E12AFF1956099F7F0059ED44F731F48", {L"utf16le SHA256"}},
        {lines,       L"F075C7793E2A3429D0FC0136ECB9D5DC51B9202F24B568F7D3BE447F7B2A239B", {L"utf8 (" + lf + L") SHA256"}},
        {lines,       L"61F8655A9B219B9CE122C6C7CD59AD09FEAC38240699CFEC8D0C9B1E81A748AB", {L"utf8 (" + lf + L"，" + removed + L") SHA256"}},
        {lines,       L"9A2CA89E4D569FA24C15FEC238121490", {L"utf8 (" + lf + L"，" + lfAdded + L") MD5"}},
        // An empty text has no bytes, but a terminator or a line break makes some.
        {L"",         kEmptyDigests[1],  {}},
        {L"",         kZeroByteMd5,      {L"ansi+0 MD5", L"utf8+0 MD5"}},
        {L"",         L"68B329DA9893E34099C7D8AD5CB9C940", {L"ansi (" + lfAdded + L") MD5", L"utf8 (" + lfAdded + L") MD5"}},
        {L"abc",      L"900150983CD24FB0D6963F7D28E17F73", {}},
        {L"abc",      std::wstring(64, L'0'), {}},
    };
    // clang-format on
    for (const auto& row : rows)
        EXPECT_EQ(row.found, Find(row.text, row.expected)) << row.text << L" " << row.expected;
}

// The code page's bytes of Chinese text: found under the ANSI setting only where that code page is GBK.
TEST_F(SettingSearch, TheAnsiBytesOfChineseTextFollowTheCodePage)
{
    const Settings found = Find(L"岚鹊文本", L"4C33EC3789BE5759A3DB2ABC2BFDFF3B2A575E0EB5C7228F472C56B4AB442CC1");
    EXPECT_EQ(GetACP() == 936 ? Settings {L"ansi SHA256"} : Settings {}, found);
}

TEST_F(SettingSearch, TheFirstMatchEndsTheSearchWhenAsked)
{
    EXPECT_EQ(Settings {L"ansi (去掉末尾的换行) MD5"}, Find(L"abc\r\n", kAbcMd5, true));
    EXPECT_EQ(Settings {}, Find(L"abc", L"900150983CD24FB0D6963F7D28E17F73", true));
}

}  // namespace
