// The search for the settings that give a digest the user was given. Every
// expected digest was computed on the host with Python's hashlib.
#include <gtest/gtest.h>

#include "digest/setting_search.h"
#include "hash/provider_digest.h"
#include "support/last_error.h"

namespace {

constexpr UINT kChineseCodePage = 936;

// A setting in short: encoding, "+0" with the terminator, the line-break
// words in brackets, then the digest's name.
std::wstring Short(const SettingMatch& match)
{
    static const wchar_t* const encodings[] = {L"ansi", L"utf16le", L"utf8"};
    const TextSetting& setting = match.setting;
    std::wstring text = encodings[static_cast<int>(setting.encoding)];
    if (setting.withTerminator)
        text += L"+0";
    const std::wstring lineBreaks = LineBreakWords(setting.lineBreaks);
    if (!lineBreaks.empty())
        text += L" (" + lineBreaks + L")";
    return text + L" " + kDigestTable[match.row].name;
}

std::vector<std::wstring> ShortAll(const std::vector<SettingMatch>& matches)
{
    std::vector<std::wstring> all;
    for (const SettingMatch& match : matches)
        all.push_back(Short(match));
    return all;
}

using Settings = std::vector<std::wstring>;

struct SearchRow {
    const wchar_t* text;
    const wchar_t* expected;
    Settings found;
};

class SettingSearch : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(AcquireHashProvider(&m_provider, PROV_RSA_AES, nullptr)) << LastErrorText(); }
    void TearDown() override { CryptReleaseContext(m_provider, 0); }

    Settings Find(const std::wstring& text, const std::wstring& expected) const
    {
        return ShortAll(FindSettingsGiving(m_provider, text.c_str(), text.size(), expected).matches);
    }

    HCRYPTPROV m_provider = 0;
};

// ASCII text has the same bytes in the ANSI code page as in UTF-8, so both give its digests.
TEST_F(SettingSearch, FindsEverySettingThatGivesTheDigest)
{
    const SearchRow rows[] = {
        {L"abc", L"900150983cd24fb0d6963f7d28e17f72", {L"ansi MD5", L"utf8 MD5"}},
        {L"abc", L"A448017AAF21D8525FC10AE87AA6729D", {L"ansi MD4", L"utf8 MD4"}},
        {L"abc",
         L"0BEE89B07A248E27C83FC3D5951213C1",
         {L"ansi (末尾加一个换行 (LF)) MD5", L"utf8 (末尾加一个换行 (LF)) MD5"}},
        {L"abc", L"147A664A2CA9410911E61986D3F0D52A", {L"ansi+0 MD5", L"utf8+0 MD5"}},
        {L"abc", L"CE1473CF80C6B3FDA8E3DFC006ADC315", {L"utf16le MD5"}},
        {L"abc", L"A9993E364706816ABA3E25717850C26C9CD0D89D", {L"ansi SHA1", L"utf8 SHA1"}},
        {L"abc",
         L"F5C93B6F06F7C56D7EA720C121E3B1FB6730E5CF5F18D776BF0F2D88",
         {L"ansi (末尾加一个换行 (LF)) SHA224", L"utf8 (末尾加一个换行 (LF)) SHA224"}},
        {L"abc",
         L"CB00753F45A35E8BB5A03D699AC65007272C32AB0EDED1631A8B605A43FF5BED8086072BA1E7CC2358BAECA134C825A7",
         {L"ansi SHA384", L"utf8 SHA384"}},
        {L"abc",
         L"ED8FFCFFF4B31CC2ACDC092FEE0349CA74CDB45495887262C0C360F6139E7DDE"
         L"299B6A32554F59FD2A460E6E8CA3DE02FE5B14BD19C13333822E4E2359647F72",
         {L"utf16le+0 SHA512"}},
        {L"abc\r\n", L"0BEE89B07A248E27C83FC3D5951213C1", {L"ansi (换行为 LF) MD5", L"utf8 (换行为 LF) MD5"}},
        {L"abc\r\n", L"900150983CD24FB0D6963F7D28E17F72", {L"ansi (去掉末尾的换行) MD5", L"utf8 (去掉末尾的换行) MD5"}},
        {L"abc\n", L"900150983CD24FB0D6963F7D28E17F72", {L"ansi (去掉末尾的换行) MD5", L"utf8 (去掉末尾的换行) MD5"}},
        {L"a\r\nb",
         L"DD8C6A395B5DD36C56D23275028F526C",
         {L"ansi (换行为 LF，末尾加一个换行 (LF)) MD5", L"utf8 (换行为 LF，末尾加一个换行 (LF)) MD5"}},
        {L"a\r\nb", L"65D5F03C46E62E3F2BABBE712D2CE464", {L"ansi MD5", L"utf8 MD5"}},
        {L"岚鹊文本", L"091D25B84CE010B1F7196D9FA7FFA488EC168D451AE4D0EF4521AD20FC380554", {L"utf8 SHA256"}},
        {L"岚鹊文本", L"3DCB4C17861B8F91181AC048B360A28C9F28D305443C97D96AB5583D8D44AF61", {L"utf8+0 SHA256"}},
        {L"岚鹊文本", L"43CF1F5E14CB94CC034F4D3ABBC035BA0E12AFF1956099F7F0059ED44F731F48", {L"utf16le SHA256"}},
        {L"第一行\r\n第二行\r\n",
         L"F075C7793E2A3429D0FC0136ECB9D5DC51B9202F24B568F7D3BE447F7B2A239B",
         {L"utf8 (换行为 LF) SHA256"}},
        {L"第一行\r\n第二行\r\n",
         L"61F8655A9B219B9CE122C6C7CD59AD09FEAC38240699CFEC8D0C9B1E81A748AB",
         {L"utf8 (换行为 LF，去掉末尾的换行) SHA256"}},
        {L"第一行\r\n第二行\r\n", L"9A2CA89E4D569FA24C15FEC238121490", {L"utf8 (换行为 LF，末尾加一个换行 (LF)) MD5"}},
        // An empty text is the empty message in every encoding.
        {L"", L"D41D8CD98F00B204E9800998ECF8427E", {L"ansi MD5", L"utf16le MD5", L"utf8 MD5"}},
        {L"", L"93B885ADFE0DA089CDF634904FD59F71", {L"ansi+0 MD5", L"utf8+0 MD5"}},
        {L"",
         L"68B329DA9893E34099C7D8AD5CB9C940",
         {L"ansi (末尾加一个换行 (LF)) MD5", L"utf8 (末尾加一个换行 (LF)) MD5"}},
        {L"abc", L"900150983CD24FB0D6963F7D28E17F73", {}},
        {L"abc", std::wstring(64, L'0').c_str(), {}},
    };
    for (const SearchRow& row : rows) {
        EXPECT_EQ(Find(row.text, row.expected), row.found) << row.text << L" " << row.expected;
    }
}

// The code page's bytes of Chinese text: found under the ANSI setting only where that code page is GBK.
TEST_F(SettingSearch, TheAnsiBytesOfChineseTextFollowTheCodePage)
{
    const Settings found = Find(L"岚鹊文本", L"4C33EC3789BE5759A3DB2ABC2BFDFF3B2A575E0EB5C7228F472C56B4AB442CC1");
    EXPECT_EQ(found, GetACP() == kChineseCodePage ? Settings {L"ansi SHA256"} : Settings {});
}

}  // namespace
