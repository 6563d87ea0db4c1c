// The main window driven as a user drives it: keystrokes, clicks, and what
// the outputs then show.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "main_dialog_fixture.h"

namespace {

int EncodingButton(ByteEncoding encoding) {
    switch (encoding) {
    case ByteEncoding::Ansi:
        return IDC_ANSI;
    case ByteEncoding::Utf8:
        return IDC_UTF8;
    case ByteEncoding::Utf16Le:
        break;
    }
    return IDC_UNICODE;
}

TEST_F(MainDialogTest, StartsWithNothingComputedAnsiSelectedAndFocusInTheInput) {
    EXPECT_EQ(Outputs(), DigestTextArray{});
    EXPECT_FALSE(IsLinkUsable(Item(IDC_COPY_AS_C)));
    EXPECT_FALSE(gui::IsChecked(Item(IDC_TERMINATOR)));
    EXPECT_TRUE(gui::IsChecked(Item(IDC_ANSI)));
    EXPECT_FALSE(gui::IsChecked(Item(IDC_UNICODE)));
    EXPECT_FALSE(gui::IsChecked(Item(IDC_UTF8)));
    EXPECT_EQ(gui::ReadText(Item(IDC_ANSI)), ::GetACP() == 936 ? L"GB3212" : L"Ansi");
    EXPECT_EQ(gui::FocusOf(m_dialog.Dialog()), Item(IDC_INPUT));
    EXPECT_EQ(::SendMessageW(Item(IDC_INPUT), EM_GETLIMITTEXT, 0, 0), 0xFFFF);
    EXPECT_TRUE(::GetWindowLongW(m_dialog.Dialog(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
}

// Read-only edits would be painted like the dialog's face; the outputs are
// painted like the input box. Read from the screen, as the user sees them.
TEST_F(MainDialogTest, OutputsArePaintedLikeTheInputBox) {
    const COLORREF window = ::GetSysColor(COLOR_WINDOW);
    ASSERT_NE(window, ::GetSysColor(COLOR_BTNFACE));
    for (int id : {IDC_INPUT, IDC_MD4, IDC_MD5, IDC_SHA1, IDC_SHA224, IDC_SHA256, IDC_SHA384, IDC_SHA512}) {
        RECT rect;
        ::GetWindowRect(Item(id), &rect);
        const POINT inside = {rect.left + 4, (rect.top + rect.bottom) / 2};
        HDC screen = ::GetDC(nullptr);
        EXPECT_TRUE(gui::WaitFor([&] { return ::GetPixel(screen, inside.x, inside.y) == window; }))
            << "control " << id << " shows " << std::hex << ::GetPixel(screen, inside.x, inside.y);
        ::ReleaseDC(nullptr, screen);
    }
}

struct TypingCase {
    const char* name;
    const wchar_t* typed;  // '\n' is the Return key
    ByteEncoding encoding;
    bool withTerminator;
    const wchar_t* knownMd5;  // from outside the engine, where one is at hand
};

void PrintTo(const TypingCase& c, std::ostream* out) { *out << c.name; }

class TypingTest : public MainDialogTest, public ::testing::WithParamInterface<TypingCase> {};

// What the input box holds after `typed`: Return makes a CR LF pair.
std::wstring ShownText(const wchar_t* typed) {
    std::wstring shown;
    for (const wchar_t* unit = typed; *unit; ++unit) {
        shown += *unit == L'\n' ? L"\r\n" : std::wstring(1, *unit);
    }
    return shown;
}

TEST_P(TypingTest, ShowsTheDigestsOfTheTypedTextInTheChosenEncoding) {
    const TypingCase& c = GetParam();
    const std::wstring shown = ShownText(c.typed);
    ASSERT_NO_FATAL_FAILURE(TypeIntoInput(c.typed, shown));
    if (c.encoding != ByteEncoding::Ansi) {
        ASSERT_NO_FATAL_FAILURE(ClickAndWaitForCheck(EncodingButton(c.encoding), true));
        EXPECT_FALSE(gui::IsChecked(Item(IDC_ANSI)));
    }
    if (c.withTerminator) {
        ASSERT_NO_FATAL_FAILURE(ClickAndWaitForCheck(IDC_TERMINATOR, true));
    }

    const DigestTextArray expected = ExpectedDigests(EncodedBytes(shown, c.encoding, c.withTerminator));
    EXPECT_EQ(OutputsOnceEqual(expected), expected);
    if (c.knownMd5) {
        EXPECT_EQ(gui::ReadText(Item(IDC_MD5)), c.knownMd5);
    }
    EXPECT_TRUE(IsLinkUsable(Item(IDC_COPY_AS_C)));
    EXPECT_EQ(gui::ReadText(Item(IDC_UNUSED_OUTPUT)), L"");
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_UNUSED_OUTPUT)));
}

const TypingCase kTypingCases[] = {
    {"AbcAnsi", L"abc", ByteEncoding::Ansi, false, L"900150983CD24FB0D6963F7D28E17F72"},
    {"AbcAnsiTerminated", L"abc", ByteEncoding::Ansi, true, L"147A664A2CA9410911E61986D3F0D52A"},
    {"AbcUnicode", L"abc", ByteEncoding::Utf16Le, false, L"CE1473CF80C6B3FDA8E3DFC006ADC315"},
    {"AbcUnicodeTerminated", L"abc", ByteEncoding::Utf16Le, true, L"0325B2BC5BC6ECFBAC751818498ECE3F"},
    {"AbcUtf8", L"abc", ByteEncoding::Utf8, false, L"900150983CD24FB0D6963F7D28E17F72"},
    {"EmptyAnsiTerminated", L"", ByteEncoding::Ansi, true, L"93B885ADFE0DA089CDF634904FD59F71"},
    {"EmptyUnicodeTerminated", L"", ByteEncoding::Utf16Le, true, nullptr},
    {"LineBreakAnsi", L"ab\ncd", ByteEncoding::Ansi, false, nullptr},
    {"LineBreakUnicode", L"ab\ncd", ByteEncoding::Utf16Le, false, nullptr},
    // Characters that code page 1252 lacks become its default character.
    {"ChineseAnsi", L"岚鹊文本 哈希", ByteEncoding::Ansi, false, nullptr},
    {"ChineseUtf8", L"岚鹊文本 哈希", ByteEncoding::Utf8, false, nullptr},
    {"ChineseUnicodeTerminated", L"岚鹊\n文本", ByteEncoding::Utf16Le, true, nullptr},
};

INSTANTIATE_TEST_SUITE_P(Typing, TypingTest, ::testing::ValuesIn(kTypingCases),
                         [](const ::testing::TestParamInfo<TypingCase>& info) { return info.param.name; });

TEST_F(MainDialogTest, KnownAnswersForAbcInAnsi) {
    ASSERT_NO_FATAL_FAILURE(TypeIntoInput(L"abc", L"abc"));
    EXPECT_EQ(gui::ReadText(Item(IDC_MD4)), L"A448017AAF21D8525FC10AE87AA6729D");
    EXPECT_EQ(gui::ReadText(Item(IDC_SHA1)), L"A9993E364706816ABA3E25717850C26C9CD0D89D");
    EXPECT_EQ(gui::ReadText(Item(IDC_SHA256)), L"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
}

TEST_F(MainDialogTest, EveryOptionClickRecomputesFromTheWholeText) {
    ASSERT_NO_FATAL_FAILURE(TypeIntoInput(L"abc\n", L"abc\r\n"));
    const DigestTextArray plain = ExpectedDigests(EncodedBytes(L"abc\r\n", ByteEncoding::Ansi, false));
    const DigestTextArray terminated = ExpectedDigests(EncodedBytes(L"abc\r\n", ByteEncoding::Ansi, true));
    ASSERT_EQ(OutputsOnceEqual(plain), plain);

    ASSERT_NO_FATAL_FAILURE(ClickAndWaitForCheck(IDC_TERMINATOR, true));
    EXPECT_EQ(OutputsOnceEqual(terminated), terminated);
    ASSERT_NO_FATAL_FAILURE(ClickAndWaitForCheck(IDC_TERMINATOR, false));
    EXPECT_EQ(OutputsOnceEqual(plain), plain);

    ASSERT_NO_FATAL_FAILURE(ClickAndWaitForCheck(IDC_UTF8, true));
    const DigestTextArray utf8 = ExpectedDigests(EncodedBytes(L"abc\r\n", ByteEncoding::Utf8, false));
    EXPECT_EQ(OutputsOnceEqual(utf8), utf8);
    ASSERT_NO_FATAL_FAILURE(ClickAndWaitForCheck(IDC_UNICODE, true));
    EXPECT_FALSE(gui::IsChecked(Item(IDC_UTF8)));
    const DigestTextArray unicode = ExpectedDigests(EncodedBytes(L"abc\r\n", ByteEncoding::Utf16Le, false));
    EXPECT_EQ(OutputsOnceEqual(unicode), unicode);
}

TEST_F(MainDialogTest, ErasingTheTextEmptiesTheOutputsAndDisablesTheCopyLink) {
    ASSERT_NO_FATAL_FAILURE(TypeIntoInput(L"a", L"a"));
    EXPECT_TRUE(IsLinkUsable(Item(IDC_COPY_AS_C)));
    gui::PressKey(VK_BACK);
    ASSERT_TRUE(gui::WaitFor([&] { return gui::ReadText(Item(IDC_INPUT)).empty(); }));
    EXPECT_EQ(Outputs(), DigestTextArray{});
    EXPECT_FALSE(IsLinkUsable(Item(IDC_COPY_AS_C)));
}

// Text put into the box as a whole (as a file drop does) may be longer than
// anything typed; it is digested whole.
TEST_F(MainDialogTest, TextLongerThanTheTypingBufferIsDigestedWhole) {
    const std::wstring line = std::wstring(68, L'x') + L"\r\n";
    std::wstring text;
    while (text.size() < 140000) {
        text += line;
    }
    text += L"end";
    ::SendMessageW(Item(IDC_INPUT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    ::PostMessageW(m_dialog.Dialog(), WM_COMMAND, MAKEWPARAM(IDC_INPUT, EN_CHANGE), 0);
    const DigestTextArray expected = ExpectedDigests(EncodedBytes(text, ByteEncoding::Ansi, false));
    EXPECT_EQ(OutputsOnceEqual(expected), expected);
}

// Return anywhere but in the input box and on the links sends IDOK, which
// must not close the dialog. The click on the check box afterwards shows that
// the Return key has been handled.
TEST_F(MainDialogTest, ReturnOnAnOutputOrARadioButtonLeavesTheDialogOpen) {
    ASSERT_NO_FATAL_FAILURE(TypeIntoInput(L"abc", L"abc"));
    bool checked = false;
    for (int id : {IDC_MD5, IDC_SHA512, IDC_UNICODE}) {
        SCOPED_TRACE(id);
        gui::Click(Item(id));
        ASSERT_TRUE(gui::WaitFor([&] { return gui::FocusOf(m_dialog.Dialog()) == Item(id); }));
        gui::PressKey(VK_RETURN);
        checked = !checked;
        ASSERT_NO_FATAL_FAILURE(ClickAndWaitForCheck(IDC_TERMINATOR, checked));
        EXPECT_TRUE(::IsWindowVisible(m_dialog.Dialog()));
    }
    EXPECT_TRUE(gui::IsChecked(Item(IDC_UNICODE)));
    EXPECT_EQ(gui::ReadText(Item(IDC_INPUT)), L"abc");
    const DigestTextArray expected = ExpectedDigests(EncodedBytes(L"abc", ByteEncoding::Utf16Le, true));
    EXPECT_EQ(OutputsOnceEqual(expected), expected);
}

TEST_F(MainDialogTest, EscapeEndsTheDialogWithTwo) {
    gui::PressKey(VK_ESCAPE);
    ASSERT_TRUE(m_dialog.WaitForEnd());
    EXPECT_EQ(m_dialog.Result(), IDCANCEL);
}

TEST(ProgramTest, EscapeEndsTheProgramWithExitCodeTwo) {
    gui::ProgramProcess program(TEXTHASH_EXE);
    ASSERT_TRUE(program.Started()) << "cannot start " << WideToUtf8(TEXTHASH_EXE, -1);
    HWND dialog = program.WaitForDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(gui::ReadText(::GetDlgItem(dialog, IDC_ANSI)), ::GetACP() == 936 ? L"GB3212" : L"Ansi");
    gui::PressKey(VK_ESCAPE);
    DWORD exitCode = 0;
    ASSERT_TRUE(program.WaitForExit(&exitCode));
    EXPECT_EQ(exitCode, 2u);
}

}  // namespace
