// An output's context menu, opened and used as users do (right click, Shift+F10, the menu key; the mouse or the
// items' keys): the read-only box's own commands, and the copies of the digest it shows as lowercase hex and as
// Base64, expected as Python's hashlib and base64 write them (tests/support/known_digests.h).
#include "gui_harness.h"
#include "tests/support/platform_watch.h"

#include <cstdlib>
#include <cwchar>

namespace {

enum class Opening { RightClick, ShiftF10, MenuKey };

// The menu's items, "|" between them: "-" a separator, "~" after a greyed item.
const std::wstring kOnADigest =
    L"撤消(&U)~|-|剪切(&T)~|复制(&C)~|粘贴(&P)~|删除(&D)~|-|全选(&A)|-|"
    L"复制小写十六进制(&L)|复制 Base64(&B)";
const std::wstring kOnAFailureWithASelection =
    L"撤消(&U)~|-|剪切(&T)~|复制(&C)|粘贴(&P)~|删除(&D)~|-|全选(&A)|-|"
    L"复制小写十六进制(&L)~|复制 Base64(&B)~";
const std::wstring kOnAFailureAllSelected =
    L"撤消(&U)~|-|剪切(&T)~|复制(&C)|粘贴(&P)~|删除(&D)~|-|全选(&A)~|-|"
    L"复制小写十六进制(&L)~|复制 Base64(&B)~";
// Positions of the items chosen.
constexpr int kCopy = 3, kSelectAll = 7, kLowerHex = 9, kBase64 = 10;

POINT Middle(HWND window)
{
    const RECT rect = WindowRect(window);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

HWND ShownMenu()
{
    for (HWND menu = nullptr; (menu = ::FindWindowExW(nullptr, menu, L"#32768", nullptr)) != nullptr;) {
        if (::IsWindowVisible(menu)) {
            return menu;
        }
    }
    return nullptr;
}

std::wstring Items(HMENU menu)
{
    std::wstring items;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        wchar_t text[64] = {};
        ::GetMenuStringW(menu, UINT(i), text, 64, MF_BYPOSITION);
        const UINT state = ::GetMenuState(menu, UINT(i), MF_BYPOSITION);
        items +=
            (i ? L"|" : L"") + (state & MF_SEPARATOR ? L"-" : std::wstring(text) + (state & MF_GRAYED ? L"~" : L""));
    }
    return items;
}

class OutputMenuTest : public MainDialogTest {
protected:
    HWND Focus() const
    {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        return ::GetGUIThreadInfo(m_thread.threadId, &info) ? info.hwndFocus : nullptr;
    }
    // A click gives output `id` the focus, as before its menu is opened from the keyboard.
    void FocusWithClick(int id)
    {
        ClickAt(Middle(Item(id)));
        EXPECT_TRUE(WaitFor([&] { return Focus() == Item(id); }));
    }
    // Opens the menu of output `id` as `how` says; it opens at the pointer or at the box's centre, offering `items`.
    void Open(int id, Opening how, const std::wstring& items)
    {
        if (how == Opening::RightClick) {
            ClickAt(Middle(Item(id)), 1, MOUSEEVENTF_RIGHTDOWN);
        } else if (how == Opening::ShiftF10) {
            Send({Key(VK_SHIFT, true), Key(VK_F10, true), Key(VK_F10, false), Key(VK_SHIFT, false)});
        } else {
            Send({Key(VK_APPS, true), Key(VK_APPS, false)});
        }
        ASSERT_TRUE(WaitFor([&] { return (m_menuWindow = ShownMenu()) != nullptr; })) << "no menu";
        m_menu = reinterpret_cast<HMENU>(::SendMessageW(m_menuWindow, MN_GETHMENU, 0, 0));
        const RECT menu = WindowRect(m_menuWindow);
        const POINT at = Middle(Item(id));
        EXPECT_LE(std::abs(menu.left - at.x) + std::abs(menu.top - at.y), 2) << menu.left << "," << menu.top;
        EXPECT_EQ(Items(m_menu), items);
    }
    // Chooses the item at `position` of the menu open now: with the mouse after a right click, else by its key.
    // Waits for the menu to close, and the clipboard to change when `copies`.
    void Choose(int position, Opening how, bool copies)
    {
        const DWORD sequence = ::GetClipboardSequenceNumber();
        if (how == Opening::RightClick) {
            RECT item = {};
            ::GetMenuItemRect(m_menuWindow, m_menu, UINT(position), &item);
            ClickAt({(item.left + item.right) / 2, (item.top + item.bottom) / 2});
        } else {
            wchar_t text[64] = {};
            ::GetMenuStringW(m_menu, UINT(position), text, 64, MF_BYPOSITION);
            const WORD key = WORD(wcschr(text, L'&')[1]);
            Send({Key(key, true), Key(key, false)});
        }
        EXPECT_TRUE(WaitFor([&] { return !::IsWindowVisible(m_menuWindow); }));
        // Waited for by the sequence number: opening the clipboard to look could keep the copy from opening it.
        EXPECT_TRUE(!copies || WaitFor([=] { return ::GetClipboardSequenceNumber() != sequence; }));
        Settle();
    }
    void ExpectOnClipboard(const std::wstring& text)
    {
        EXPECT_TRUE(WaitFor([&] { return ClipboardText() == text; })) << ClipboardText() << L"\ninstead of " << text;
    }

    HWND m_menuWindow = nullptr;
    HMENU m_menu = nullptr;
};

// The output, how its menu is opened (the keys after a click on the output), the copy chosen, and what it copies
// (empty: the digest of "abc" the output shows without a key; with the key "key", its HMAC, from Python's hmac).
struct CopyCase {
    const char* name;
    int row;
    Opening opening;
    int item;
    std::wstring keyed = {};
};
class OutputCopyTest : public OutputMenuTest, public ::testing::WithParamInterface<CopyCase> { };
TEST_P(OutputCopyTest, CopiesTheDigestItShowsAsLowercaseHexOrBase64)
{
    const CopyCase& c = GetParam();
    TypeAndSettle(L"abc", L"abc");
    if (!c.keyed.empty()) {
        VisitKeyDialog({L"key", IDC_KEY_AS_TEXT, IDOK});
        ASSERT_TRUE(WaitFor([&] { return Shown() == kAbcKeyHmacDigests; }));
    }
    if (c.opening != Opening::RightClick) {
        FocusWithClick(kOutputIds[c.row]);
    }
    Open(kOutputIds[c.row], c.opening, kOnADigest);
    Choose(c.item, c.opening, true);
    ExpectOnClipboard(!c.keyed.empty() ? c.keyed : (c.item == kBase64 ? kAbcBase64 : kAbcLowerHex)[c.row]);
}
// clang-format off
const CopyCase kCopyCases[] = {
    {"Md4LowerHexByRightClick",     0, Opening::RightClick, kLowerHex},
    {"Md5Base64ByMenuKey",          1, Opening::MenuKey,    kBase64},
    {"Sha1Base64ByShiftF10",        2, Opening::ShiftF10,   kBase64},
    {"Sha224LowerHexByMenuKey",     3, Opening::MenuKey,    kLowerHex},
    {"Sha256Base64ByRightClick",    4, Opening::RightClick, kBase64},
    {"Sha384LowerHexByShiftF10",    5, Opening::ShiftF10,   kLowerHex},
    {"Sha512Base64ByRightClick",    6, Opening::RightClick, kBase64},
    {"KeyedMd5LowerHex",            1, Opening::RightClick, kLowerHex, L"d2fe98063f876b03193afb49b4979591"},
    {"KeyedSha256Base64",           4, Opening::RightClick, kBase64,   L"nBluMtwBdfhvSxy4konWYZ3mvuaZ5MN45oMJ7Zehpqs="},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Outputs, OutputCopyTest, ::testing::ValuesIn(kCopyCases), CaseName<OutputCopyTest::ParamType>);

// The provider refuses to digest: MD5 shows its failure text, which has no digest to copy, while SHA-256 (the
// program's own) shows its digest. 复制 copies the selection made with the keys, 全选 selects the whole text.
TEST_F(OutputMenuTest, OnAFailureTextTheCopiesAreGreyedWhileCopyAndSelectAllWork)
{
    const ImportHook refusal(Refusal<ERROR_BUSY>(RealFunction(&::CryptHashData)));
    ASSERT_TRUE(refusal.Installed());
    TypeAndSettle(L"abc", L"abc");
    const std::wstring failure = Text(IDC_MD5);
    ASSERT_NE(failure.find(L"失败"), std::wstring::npos) << failure;

    FocusWithClick(IDC_MD5);
    Send({Key(VK_HOME, true), Key(VK_HOME, false), Key(VK_SHIFT, true)});
    for (int unit = 0; unit < 4; ++unit) {
        Send({Key(VK_RIGHT, true), Key(VK_RIGHT, false)});
    }
    Send({Key(VK_SHIFT, false)});
    Open(IDC_MD5, Opening::MenuKey, kOnAFailureWithASelection);
    Choose(kCopy, Opening::MenuKey, true);
    ExpectOnClipboard(failure.substr(0, 4));

    Open(IDC_MD5, Opening::RightClick, kOnAFailureWithASelection);
    Choose(kSelectAll, Opening::RightClick, false);
    Open(IDC_MD5, Opening::ShiftF10, kOnAFailureAllSelected);
    Choose(kCopy, Opening::ShiftF10, true);
    ExpectOnClipboard(failure);

    Open(IDC_SHA256, Opening::RightClick, kOnADigest);
    Choose(kLowerHex, Opening::RightClick, true);
    ExpectOnClipboard(kAbcLowerHex[4]);
}

// A clipboard held open by the test's thread: the copy says why it failed, as the copy link does, and the box closes
// with Return.
TEST_F(OutputMenuTest, ACopyThatCannotReachTheClipboardSaysWhy)
{
    TypeAndSettle(L"abc", L"abc");
    ASSERT_TRUE(PutOnClipboard(L"") && ::OpenClipboard(nullptr));
    Open(IDC_SHA1, Opening::RightClick, kOnADigest);
    Choose(kBase64, Opening::RightClick, false);
    HWND box = WaitForDialog(m_thread.threadId, m_dialog);
    const std::wstring text = ReadText(::GetDlgItem(box, 0xFFFF)), failed = L"打开剪贴板失败:";
    EXPECT_TRUE(text.rfind(failed, 0) == 0 && text.size() > failed.size()) << text;
    Type(L"\r");
    EXPECT_TRUE(WaitFor([&] { return box && !::IsWindow(box) && ::IsWindowEnabled(m_dialog); }));
    ASSERT_TRUE(::CloseClipboard());
    EXPECT_EQ(ClipboardText(), L"");
}

}  // namespace
