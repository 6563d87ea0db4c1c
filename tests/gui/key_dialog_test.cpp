// The key dialog, opened from the main window's system menu: a key given and read three ways, taken away, kept by
// Cancel and Escape, refused when it is not what its reading says; the outputs and their labels then, and what the
// dialog shows when it opens again.
#include "gui_harness.h"

namespace {

constexpr int kLabelIds[] = {IDC_MD4_LABEL,    IDC_MD5_LABEL,    IDC_SHA1_LABEL,  IDC_SHA224_LABEL,
                             IDC_SHA256_LABEL, IDC_SHA384_LABEL, IDC_SHA512_LABEL};
constexpr int kText = IDC_KEY_AS_TEXT, kHex = IDC_KEY_AS_HEX, kBase64 = IDC_KEY_AS_BASE64;

HWND FirstEdit(HWND dialog) { return ::FindWindowExW(dialog, nullptr, L"Edit", nullptr); }

// The dialog's visits with "abc" in the input, the encoding clicked after; the outputs and whether the labels name
// keyed digests; the key box and the checked reading when the dialog opens again.
struct KeyCase {
    const char* name;
    std::vector<KeyStep> visits;
    int encoding;
    const SevenTexts& shown;
    bool keyed;
    std::wstring keyAfter;
    int readingAfter;
};
class KeyDialogTest : public MainDialogTest, public ::testing::WithParamInterface<KeyCase> { };
TEST_P(KeyDialogTest, TheOutputsShowTheDigestsOfTheKeyGivenAndTheLabelsNameThem)
{
    const KeyCase& c = GetParam();
    TypeAndSettle(L"abc", L"abc");
    for (const KeyStep& visit : c.visits) {
        VisitKeyDialog(visit);
    }
    Click(Item(c.encoding));
    EXPECT_TRUE(WaitFor([&] { return Shown() == c.shown; })) << Text(IDC_MD5);
    for (int row = 0; row < kShownDigestCount; ++row) {
        EXPECT_EQ(Text(kLabelIds[row]),
                  (c.keyed ? L"HMAC-" : L"") + std::wstring(kDigestTable[row].name) + L" ("
                      + std::to_wstring(kDigestTable[row].length) + L"字节):");
    }
    HWND dialog = OpenKeyDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(std::make_tuple(ReadText(FirstEdit(dialog)), ::IsDlgButtonChecked(dialog, c.readingAfter)),
              std::make_tuple(c.keyAfter, UINT {BST_CHECKED}));
    Type(L"\x1b");
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
}

const KeyStep kTextKey = {L"key", kText, IDOK};
// clang-format off
const KeyCase kKeyCases[] = {
    {"TextKey",          {kTextKey},                                   IDC_ANSI,    kAbcKeyHmacDigests,      true,  L"key",    kText},
    {"TextKeyUtf16",     {kTextKey},                                   IDC_UNICODE, kAbcUtf16KeyHmacDigests, true,  L"key",    kText},
    {"HexKey",           {{L"6b6579", kHex, IDOK}},                    IDC_UTF8,    kAbcKeyHmacDigests,      true,  L"6b6579", kHex},
    {"Base64Key",        {{L"a2V5", kBase64, IDOK}},                   IDC_ANSI,    kAbcKeyHmacDigests,      true,  L"a2V5",   kBase64},
    {"NoKeyAgain",       {kTextKey, {nullptr, kHex, IDC_NO_KEY}},      IDC_ANSI,    kAbcDigests,             false, L"",       kText},
    {"CancelKeepsTheKey", {kTextKey, {L"6b65", kHex, IDCANCEL}},       IDC_ANSI,    kAbcKeyHmacDigests,      true,  L"key",    kText},
    {"EscapeKeepsTheKey", {kTextKey, {L"6b65", kHex, 0}},              IDC_ANSI,    kAbcKeyHmacDigests,      true,  L"key",    kText},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Keys, KeyDialogTest, ::testing::ValuesIn(kKeyCases), CaseName<KeyCase>);

// A key its reading cannot read is refused at the key box; the dialog stays open with the key as typed, and
// Escape then leaves the plain digests.
struct RefusalCase {
    const char* name;
    const wchar_t* key;
    int reading;
    const wchar_t* mention;
};
class KeyRefusalTest : public MainDialogTest, public ::testing::WithParamInterface<RefusalCase> { };
TEST_P(KeyRefusalTest, IsSaidAtTheKeyBoxWhichKeepsTheKey)
{
    const RefusalCase& c = GetParam();
    TypeAndSettle(L"abc", L"abc");
    HWND dialog = OpenKeyDialog();
    ASSERT_NE(dialog, nullptr);
    Type(c.key);
    Click(::GetDlgItem(dialog, c.reading));
    Click(::GetDlgItem(dialog, IDOK));
    EXPECT_TRUE(WaitFor([&] { return Tips().find(c.mention) != std::wstring::npos; })) << Tips();
    EXPECT_EQ(std::make_tuple(::IsWindowVisible(dialog), ReadText(FirstEdit(dialog))), std::make_tuple(TRUE, c.key));
    Type(L"\x1b");
    EXPECT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }));
    ExpectShown(L"abc");
}
// clang-format off
const RefusalCase kRefusalCases[] = {
    {"OddHex",    L"6b657",  kHex,    L"按十六进制读取的密钥是成对的十六进制数字"},
    {"NotBase64", L"a2V5!",  kBase64, L"按 Base64 读取的密钥由"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Refusals, KeyRefusalTest, ::testing::ValuesIn(kRefusalCases), CaseName<RefusalCase>);

}  // namespace
