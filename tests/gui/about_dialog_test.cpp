// The About box: opened from the main window's link, centred over it at its
// full height, then cut to its upper half; and the ways to close it.
#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>

#include "app/about_dlg.h"
#include "main_dialog_fixture.h"

namespace {

INT_PTR CALLBACK BareDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The About window's rectangle as its template alone makes it: full height,
// before any code of the About dialog runs.
RECT TemplateWindowRect() {
    RECT rect = {};
    HWND bare = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), nullptr,
                                     BareDialogProc, 0);
    ::GetWindowRect(bare, &rect);
    ::DestroyWindow(bare);
    return rect;
}

int Width(const RECT& rect) { return rect.right - rect.left; }
int Height(const RECT& rect) { return rect.bottom - rect.top; }

void ExpectOnlyTheUpperPartShown(HWND about) {
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(about, IDC_ABOUT_HOME_PAGE)));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(about, IDC_ABOUT_DONATE)));
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(about, IDOK)));
    EXPECT_TRUE(gui::WaitFor([about] { return gui::FocusOf(about) == ::GetDlgItem(about, IDOK); }));
}

class AboutLinkTest : public MainDialogTest {};

TEST_F(AboutLinkTest, ClickOpensTheAboutBoxCentredThenHalved) {
    const RECT full = TemplateWindowRect();
    ASSERT_GT(Height(full), 0);
    gui::ClickLinkText(Item(IDC_ABOUT));
    HWND about = WaitForSecondDialog();
    ASSERT_NE(about, nullptr) << "the About box did not open";
    EXPECT_EQ(::GetWindow(about, GW_OWNER), Dialog());
    EXPECT_FALSE(::IsWindowEnabled(Dialog()));

    RECT main, shown;
    ::GetWindowRect(Dialog(), &main);
    ::GetWindowRect(about, &shown);
    EXPECT_EQ(Width(shown), Width(full));
    EXPECT_EQ(Height(shown), Height(full) - Height(full) / 2) << "full height " << Height(full);
    // The full-height box centred over the main window, which the work area
    // leaves where it is; halving it afterwards keeps its top edge.
    RECT centred = full;
    ::OffsetRect(&centred, (main.left + main.right) / 2 - Width(full) / 2 - full.left,
                 (main.top + main.bottom) / 2 - Height(full) / 2 - full.top);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(Dialog(), MONITOR_DEFAULTTONEAREST), &monitor);
    RECT inside;
    ASSERT_TRUE(::IntersectRect(&inside, &centred, &monitor.rcWork) && ::EqualRect(&inside, &centred))
        << "the screen is too small for this test";
    EXPECT_EQ(shown.left, centred.left);
    EXPECT_EQ(shown.top, centred.top);
    ExpectOnlyTheUpperPartShown(about);

    gui::PressKey(VK_ESCAPE);
    ASSERT_TRUE(gui::WaitFor([about] { return !::IsWindow(about); }));
    ASSERT_TRUE(gui::BringToForeground(Dialog()));
    EXPECT_TRUE(::IsWindowEnabled(Dialog()));
    gui::Click(Item(IDC_INPUT));
    ASSERT_TRUE(gui::WaitFor([&] { return gui::FocusOf(Dialog()) == Item(IDC_INPUT); }));
    ASSERT_NO_FATAL_FAILURE(TypeIntoInput(L"abc", L"abc"));
    const DigestTextArray expected = ExpectedDigests(EncodedBytes(L"abc", ByteEncoding::Ansi, false));
    EXPECT_EQ(OutputsOnceEqual(expected), expected);
}

TEST_F(AboutLinkTest, ReturnOnTheFocusedLinkOpensIt) {
    ::SendMessageW(Dialog(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_ABOUT)), TRUE);
    ASSERT_TRUE(gui::WaitFor([&] { return gui::FocusOf(Dialog()) == Item(IDC_ABOUT); }));
    gui::PressKey(VK_RETURN);
    HWND about = WaitForSecondDialog();
    ASSERT_NE(about, nullptr) << "the About box did not open";
    gui::PressKey(VK_RETURN);
    EXPECT_TRUE(gui::WaitFor([about] { return !::IsWindow(about); }));
    EXPECT_TRUE(::IsWindowEnabled(Dialog()));
}

enum class Closing { Escape, AltF4, Return, ClickOk };

struct ClosingCase {
    const char* name;
    Closing closing;
    INT_PTR result;
};

void PrintTo(const ClosingCase& c, std::ostream* out) { *out << c.name; }

class AboutClosingTest : public ::testing::TestWithParam<ClosingCase> {};

TEST_P(AboutClosingTest, EndsTheDialogWithItsResult) {
    gui::DialogThread thread([] {
        CAboutDlg about;
        return about.DoModal(nullptr, 0);
    });
    HWND about = thread.WaitForDialog();
    ASSERT_NE(about, nullptr);
    ExpectOnlyTheUpperPartShown(about);
    switch (GetParam().closing) {
    case Closing::Escape:
        gui::PressKey(VK_ESCAPE);
        break;
    case Closing::AltF4:
        gui::PressKeyWith(VK_MENU, VK_F4);
        break;
    case Closing::Return:
        gui::PressKey(VK_RETURN);
        break;
    case Closing::ClickOk:
        gui::Click(::GetDlgItem(about, IDOK));
        break;
    }
    ASSERT_TRUE(thread.WaitForEnd());
    EXPECT_EQ(thread.Result(), GetParam().result);
}

const ClosingCase kClosingCases[] = {
    {"Escape", Closing::Escape, IDCANCEL},
    {"AltF4", Closing::AltF4, IDCANCEL},
    {"Return", Closing::Return, IDOK},
    {"ClickOk", Closing::ClickOk, IDOK},
};

INSTANTIATE_TEST_SUITE_P(Keys, AboutClosingTest, ::testing::ValuesIn(kClosingCases),
                         [](const ::testing::TestParamInfo<ClosingCase>& info) { return info.param.name; });

}  // namespace
