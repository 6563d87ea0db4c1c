// The tip at the input box that says when the chosen encoding replaced characters of the text: shown with the
// encoding, the count and the first character, gone once the text or the encoding holds everything, beside the
// typing-limit tip; and a cut at the typing limit that leaves no half of a surrogate pair.
#include "gui_harness.h"

#include <algorithm>

namespace {

const bool kChinese = ::GetACP() == 936;
const std::wstring kEmoji = L"\U0001F600";
// A BMP character the ANSI code page lacks.
const std::wstring kLacked = kChinese ? L"\u00DF" : L"\u4F60";

class EncodingLossTipTest : public MainDialogTest {
protected:
    // The texts of the dialog thread's visible tips.
    std::vector<std::wstring> Tips() const
    {
        std::vector<std::wstring> tips;
        for (HWND tip = nullptr; (tip = ::FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) != nullptr;) {
            if (::IsWindowVisible(tip) && ::GetWindowThreadProcessId(tip, nullptr) == m_thread.threadId) {
                tips.push_back(ReadText(tip));
            }
        }
        return tips;
    }
    // The one visible tip that mentions `word`, empty when none does.
    std::wstring TipWith(const std::wstring& word) const
    {
        const std::vector<std::wstring> tips = Tips();
        const auto tip = std::find_if(tips.begin(), tips.end(),
                                      [&](const std::wstring& t) { return t.find(word) != std::wstring::npos; });
        return tip == tips.end() ? L"" : *tip;
    }
};

// Text typed (or set as a whole, then the encoding clicked), what the tip must mention, and the keys or the click
// after which the encoding holds the text and no tip is left.
struct LossCase {
    const char* name;
    std::wstring typed, set;
    int encoding;
    std::vector<std::wstring> mentions;
    std::wstring keysAfter;
    int clickAfter;
};
class LossTipTest : public EncodingLossTipTest, public ::testing::WithParamInterface<LossCase> { };
TEST_P(LossTipTest, NamesTheEncodingCountAndFirstCharacterUntilTheTextOrEncodingHoldsIt)
{
    const LossCase& c = GetParam();
    Type(c.typed);
    ASSERT_TRUE(WaitFor([&] { return Text(IDC_INPUT) == c.typed; }));
    if (c.encoding != 0) {
        Prepare(c.set, 0, 0);
        Click(Item(c.encoding));
    }
    ASSERT_TRUE(WaitFor([&] { return Text(IDC_MD5) != L"stale"; }));
    Settle();
    const std::vector<std::wstring> tips = Tips();
    ASSERT_EQ(tips.size(), c.mentions.empty() ? 0u : 1u) << (tips.empty() ? L"" : tips[0]);
    for (const std::wstring& mention : c.mentions) {
        EXPECT_NE(tips[0].find(mention), std::wstring::npos) << mention << L" not in " << tips[0];
    }
    if (c.mentions.empty()) {
        return;
    }
    // Each key is a Backspace; the tips settle with the edit or the click.
    const size_t before = Text(IDC_INPUT).size();
    Type(c.keysAfter);
    ASSERT_TRUE(WaitFor([&] { return Text(IDC_INPUT).size() == before - c.keysAfter.size(); }));
    if (c.clickAfter != 0) {
        Click(Item(c.clickAfter));
        ASSERT_TRUE(WaitFor([&] { return ::IsDlgButtonChecked(m_dialog, c.clickAfter) == BST_CHECKED; }));
    }
    Settle();
    EXPECT_EQ(Tips(), std::vector<std::wstring>());
}

const std::wstring kCodePage = kChinese ? L"ANSI 代码页 936" : L"ANSI 代码页 1252";
const LossCase kLossCases[] = {
    {"LackedCharacterUntilDeleted",
     L"abc " + kLacked + kLacked,
     L"",
     0,
     {kCodePage, L" 2 个字符", L"第 5 个字符", L"“" + kLacked + L"”"},
     L"\b\b",
     0},
    {"EmojiUntilDeleted", L"a" + kEmoji, L"", 0, {kCodePage, L" 1 个字符", L"第 2 个字符", L"(U+1F600)"}, L"\b\b", 0},
    {"FullWidthOrEmojiUntilUnicodeChosen",
     kChinese ? kEmoji + L"\u4E2D" : L"\uFF21\uFF22\uFF23",
     L"",
     0,
     {kCodePage, kChinese ? L" 1 个字符" : L" 3 个字符", L"第 1 个字符"},
     L"",
     IDC_UNICODE},
    {"LoneHalfInUtf8UntilUnicodeChosen",
     L"",
     L"a\xD800z",
     IDC_UTF8,
     {L"UTF-8", L" 1 个字符", L"第 2 个字符", L"U+D800"},
     L"",
     IDC_UNICODE},
    {"HeldText", kChinese ? L"\u4E2D\u6587\uFF21" : L"caf\u00E9 \u00DF", L"", 0, {}, L"", 0},
};
INSTANTIATE_TEST_SUITE_P(Loss, LossTipTest, ::testing::ValuesIn(kLossCases), CaseName<LossCase>);

TEST_F(EncodingLossTipTest, ShowsBesideTheLimitTipWithoutHidingIt)
{
    ASSERT_TRUE(PutOnClipboard(Lines(L"abcdefg" + kLacked + L"\r\n", 70000)));
    PressWithCtrl('V');
    EXPECT_TRUE(WaitFor([&] { return Tips().size() == 2; }));
    Settle();
    EXPECT_NE(TipWith(L"65535"), L"");
    EXPECT_NE(TipWith(kCodePage), L"");
    EXPECT_EQ(Tips().size(), 2u);
}

// Typed or pasted, the first half of a pair that does not fit is not left in the box; the limit tip says so.
struct HalfCase {
    const char* name;
    bool paste;
};
class HalfPairTest : public EncodingLossTipTest, public ::testing::WithParamInterface<HalfCase> { };
TEST_P(HalfPairTest, ACutAtTheLimitLeavesNoHalfOfAPair)
{
    const std::wstring fits = Lines(L"abcdefgh\r\n", 65534);
    if (GetParam().paste) {
        ASSERT_TRUE(PutOnClipboard(fits + kEmoji + L"tail"));
        PressWithCtrl('V');
    } else {
        Prepare(fits, 65534, 65534);
        Type(kEmoji);
    }
    WaitFor([&] { return Text(IDC_INPUT).size() == 65534 && TipWith(L"65535") != L""; });
    Settle();
    EXPECT_TRUE(Text(IDC_INPUT) == fits) << Summary(Text(IDC_INPUT));
    const std::vector<std::wstring> tips = Tips();
    ASSERT_EQ(tips.size(), 1u);
    EXPECT_NE(tips[0].find(L"65535"), std::wstring::npos) << tips[0];
    ExpectShown(fits);
}
INSTANTIATE_TEST_SUITE_P(Limit, HalfPairTest, ::testing::Values(HalfCase {"Pasted", true}, HalfCase {"Typed", false}),
                         CaseName<HalfCase>);

}  // namespace
