// The main window's controls as the running dialog has them: order, ids,
// classes, styles, texts and positions of template 129.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_dlg.h"
#include "gui_harness.h"
#include "res/resource.h"
#include "text/encode_text.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kOutput = kChild | ES_READONLY | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kWrappedOutput = kChild | ES_READONLY | ES_MULTILINE | ES_AUTOVSCROLL | WS_BORDER | WS_TABSTOP;
constexpr DWORD kLabel = kChild | SS_LEFT | WS_GROUP;

struct TemplateItem {
    int id;
    const wchar_t* className;
    DWORD style;
    const wchar_t* text;  // null: not compared (a caption that depends on the code page, an icon)
    RECT dialogUnits;     // left, top, width, height
};

// The caption of IDC_ANSI depends on the code page; the main dialog's own
// tests check it.
const TemplateItem kMainTemplate[] = {
    {IDC_ANSI, L"Button", kChild | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, nullptr, {57, 9, 42, 10}},
    {IDC_UNICODE, L"Button", kChild | BS_AUTORADIOBUTTON, L"Unicode", {102, 9, 41, 10}},
    {IDC_UTF8, L"Button", kChild | BS_AUTORADIOBUTTON, L"UTF-8", {157, 9, 35, 10}},
    {IDC_TERMINATOR, L"Button", kChild | BS_AUTOCHECKBOX | WS_TABSTOP, L"包含终结符", {213, 9, 56, 10}},
    {IDC_UPPER_CASE, L"SysLink", kChild | WS_TABSTOP, L"<a>大写</a>", {297, 10, 19, 11}},
    {IDC_LOWER_CASE, L"SysLink", kChild | WS_TABSTOP, L"<a>小写</a>", {329, 10, 19, 11}},
    {IDC_INPUT, L"Edit", kChild | ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL | WS_BORDER | WS_TABSTOP, L"",
     {13, 26, 335, 169}},
    {IDC_MD4, L"Edit", kOutput, L"", {13, 211, 335, 14}},
    {IDC_MD5, L"Edit", kOutput, L"", {13, 240, 335, 14}},
    {IDC_UNUSED_OUTPUT, L"Edit", kOutput & ~WS_VISIBLE, L"", {13, 330, 335, 14}},
    {IDC_SHA1, L"Edit", kOutput, L"", {13, 269, 335, 14}},
    {IDC_SHA256, L"Edit", kOutput, L"", {13, 329, 335, 14}},
    {IDC_SHA384, L"Edit", kWrappedOutput, L"", {13, 359, 335, 22}},
    {IDC_SHA512, L"Edit", kWrappedOutput, L"", {13, 397, 335, 22}},
    {IDC_COPY_AS_C, L"SysLink", kChild | WS_DISABLED | WS_TABSTOP, L"<a>复制为C代码</a>", {14, 426, 49, 11}},
    {IDC_ABOUT, L"SysLink", kChild | WS_TABSTOP, L"<a>关于...</a>", {319, 426, 28, 11}},
    {IDC_STATIC, L"Static", kLabel, L"MD5 (16字节):", {16, 230, 49, 8}},
    {IDC_STATIC, L"Static", kLabel, L"SHA1 (20字节):", {16, 260, 52, 8}},
    {IDC_STATIC, L"Static", kLabel, L"字符编码:", {16, 9, 36, 8}},
    {IDC_STATIC, L"Static", kLabel, L"SHA256 (32字节):", {16, 320, 60, 8}},
    {IDC_STATIC, L"Static", kLabel, L"MD4 (16字节):", {16, 200, 49, 8}},
    {IDC_STATIC, L"Static", kLabel, L"SHA384 (48字节):", {16, 349, 60, 8}},
    {IDC_STATIC, L"Static", kLabel, L"SHA512 (64字节):", {16, 385, 60, 8}},
    {IDC_STATIC, L"Static", kLabel & ~WS_VISIBLE, L"XXX (32字节):", {16, 320, 48, 8}},
    {IDC_SHA224, L"Edit", kOutput, L"", {13, 299, 335, 14}},
    {IDC_STATIC, L"Static", kLabel, L"SHA224 (28字节):", {16, 290, 60, 8}},
};

const TemplateItem kAboutTemplate[] = {
    {IDOK, L"Button", kChild | BS_DEFPUSHBUTTON | WS_TABSTOP, L"确定", {197, 6, 50, 14}},
    {IDC_STATIC, L"Static", kLabel, L"岚鹊文本哈希工具 2.20\nCopyright (C) Korvantis", {47, 12, 147, 28}},
    {IDC_STATIC, L"Static", kChild | SS_ICON, nullptr, {13, 15, 21, 21}},
    {IDC_ABOUT_PICTURE_LEFT, L"Static", kChild | SS_BITMAP, L"", {47, 47, 15, 14}},
    {IDC_ABOUT_DONATE, L"Static", kLabel, L"通过支付宝捐款", {154, 115, 57, 9}},
    {IDC_ABOUT_PICTURE_RIGHT, L"Static", kChild | SS_BITMAP, L"", {149, 47, 15, 14}},
    {IDC_ABOUT_HOME_PAGE, L"SysLink", kChild | WS_TABSTOP, L"<a href=\"https://example.com/korvantis/\">访问主页</a>",
     {55, 115, 54, 10}},
};

std::string Utf8(const std::wstring& text) { return WideToUtf8(text.c_str(), -1); }

std::vector<HWND> ChildrenInCreationOrder(HWND dialog) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

// The dialog manager converts position and size each on its own, so the far
// edge is the converted position plus the converted size.
RECT PixelsOf(HWND dialog, RECT dialogUnits) {
    RECT rect = dialogUnits;
    ::MapDialogRect(dialog, &rect);
    return {rect.left, rect.top, rect.left + rect.right, rect.top + rect.bottom};
}

// Edit controls trade WS_BORDER for the 3-D client edge when created.
DWORD StyleWithBorder(HWND window) {
    DWORD style = static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE));
    if (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) {
        style |= WS_BORDER;
    }
    return style;
}

RECT RectInClient(HWND dialog, HWND child) {
    RECT rect;
    ::GetWindowRect(child, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, ARRAYSIZE(name));
    return name;
}

bool IsIconFrame(const TemplateItem& item) {
    return lstrcmpiW(item.className, L"Static") == 0 && (item.style & SS_TYPEMASK) == SS_ICON;
}

template <size_t count>
void ExpectControls(HWND dialog, const TemplateItem (&items)[count]) {
    const std::vector<HWND> children = ChildrenInCreationOrder(dialog);
    ASSERT_EQ(children.size(), count);
    for (size_t i = 0; i < count; ++i) {
        const TemplateItem& item = items[i];
        HWND child = children[i];
        SCOPED_TRACE("item " + std::to_string(i + 1));
        EXPECT_EQ(::GetDlgCtrlID(child), item.id);
        EXPECT_EQ(lstrcmpiW(ClassOf(child).c_str(), item.className), 0) << Utf8(ClassOf(child));
        EXPECT_EQ(StyleWithBorder(child), item.style) << std::hex << StyleWithBorder(child);
        if (item.text) {
            EXPECT_EQ(Utf8(gui::ReadText(child)), Utf8(item.text));
        }
        RECT expected = PixelsOf(dialog, item.dialogUnits);
        if (IsIconFrame(item)) {
            // An icon frame takes the size of its icon.
            expected.right = expected.left + ::GetSystemMetrics(SM_CXICON);
            expected.bottom = expected.top + ::GetSystemMetrics(SM_CYICON);
        }
        const RECT actual = RectInClient(dialog, child);
        EXPECT_TRUE(::EqualRect(&expected, &actual))
            << "at " << actual.left << "," << actual.top << "-" << actual.right << "," << actual.bottom
            << " instead of " << expected.left << "," << expected.top << "-" << expected.right << ","
            << expected.bottom;
    }
}

void ExpectClientSize(HWND dialog, LONG width, LONG height) {
    RECT client;
    ::GetClientRect(dialog, &client);
    const RECT expected = PixelsOf(dialog, {0, 0, width, height});
    EXPECT_TRUE(::EqualRect(&client, &expected)) << client.right << "x" << client.bottom;
}

void ExpectFont(HWND dialog) {
    LOGFONTW font = {};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(Utf8(font.lfFaceName), Utf8(L"宋体"));
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
}

class DialogTemplateTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(m_dialog.WaitForDialog(), nullptr); }

    gui::DialogThread m_dialog{[] {
        CMainDlg dialog;
        return dialog.DoModal(nullptr, 0);
    }};
};

TEST_F(DialogTemplateTest, ControlsAreTheTemplatesInItsOrder) { ExpectControls(m_dialog.Dialog(), kMainTemplate); }

TEST_F(DialogTemplateTest, DialogIsAFixedSizeWindowWithItsCaptionAndFont) {
    HWND dialog = m_dialog.Dialog();
    EXPECT_EQ(Utf8(gui::ReadText(dialog)), Utf8(L"岚鹊文本哈希工具 - Korvantis"));

    const DWORD style = static_cast<DWORD>(::GetWindowLongW(dialog, GWL_STYLE));
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), DWORD{WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX});
    EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
    EXPECT_EQ(::GetMenu(dialog), nullptr);

    ExpectClientSize(dialog, 361, 441);
    ExpectFont(dialog);
}

TEST_F(DialogTemplateTest, SmallIconIsTheProgramsIcon) {
    HWND dialog = m_dialog.Dialog();
    HICON small = reinterpret_cast<HICON>(::SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0));
    ASSERT_NE(small, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(::GetIconInfo(small, &info));
    BITMAP bitmap = {};
    ::GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, ::GetSystemMetrics(SM_CXSMICON));
    EXPECT_EQ(bitmap.bmBitsPixel, 32);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    EXPECT_EQ(::SendMessageW(dialog, WM_GETICON, ICON_BIG, 0), 0);
}

INT_PTR CALLBACK BareDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// The About template as the dialog manager builds it, before any code of the
// About dialog runs.
TEST(AboutTemplateTest, ControlsAndFrameAreTheTemplates) {
    HWND dialog = ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT), nullptr,
                                       BareDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    ExpectControls(dialog, kAboutTemplate);
    EXPECT_EQ(Utf8(gui::ReadText(dialog)), Utf8(L"关于"));
    const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
                        WS_THICKFRAME;
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongW(dialog, GWL_STYLE)) & frame,
              DWORD{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME});
    ExpectClientSize(dialog, 259, 131);
    ExpectFont(dialog);
    ::DestroyWindow(dialog);
}

}  // namespace
