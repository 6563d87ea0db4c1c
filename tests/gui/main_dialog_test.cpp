// The main window driven with real input: typing, option clicks, keys that must not close it, its controls,
// case links, dropped files, copy as C, the About box, and the program's exit code.
#include "gui_harness.h"

#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <tuple>

#include "app/about_dlg.h"
#include "tests/app/abc_c_array_export.h"

namespace {

// Typed into the focus (the input box as the dialog starts; null: an empty input and stale outputs instead),
// controls clicked, keys pressed (\r is Return, \t Tab); then the input, a known MD5 and the digests shown.
struct TypingCase {
    const char* name; const wchar_t* typed; std::vector<int> clicks; const wchar_t *keys, *input, *md5;
    TextEncoding encoding; bool terminator;
};
class TypingTest : public MainDialogTest, public ::testing::WithParamInterface<TypingCase> {};
// Steps are not awaited one by one: each case ends in a state no earlier step shows. Escape must then give 2:
// no Return before it ended the dialog.
TEST_P(TypingTest, ShowsTheDigestsOfTheInputInTheChosenEncoding) {
    const TypingCase& c = GetParam();
    c.typed ? Type(c.typed) : Prepare(L"", 0, 0);
    for (int id : c.clicks) {
        Click(Item(id));
    }
    Type(c.keys);
    ExpectShown(c.input, c.encoding, c.terminator);
    EXPECT_TRUE(!c.md5 || Text(IDC_MD5) == c.md5) << Text(IDC_MD5);
    EXPECT_EQ(::IsWindowEnabled(Item(IDC_COPY_AS_C)) != FALSE, *c.input != 0);
    Type(L"\x1b");
    EXPECT_EQ(m_thread.Result(), IDCANCEL);
}

constexpr TextEncoding kAnsi = TextEncodingAnsi, kUnicode = TextEncodingUnicode, kUtf8 = TextEncodingUtf8;
const wchar_t kAbcMd5[] = L"900150983CD24FB0D6963F7D28E17F72";
// Tab leads from 大写 to 小写.
const TypingCase kTypingCases[] = {
    {"NothingAtStart", L"", {}, L"", L"", nullptr, kAnsi, false},
    {"Abc", L"abc", {}, L"", L"abc", kAbcMd5, kAnsi, false},
    {"Terminated", L"abc", {IDC_TERMINATOR}, L"", L"abc", L"147A664A2CA9410911E61986D3F0D52A", kAnsi, true},
    {"UnicodeReturn", L"abc", {IDC_UNICODE}, L"\r", L"abc", L"CE1473CF80C6B3FDA8E3DFC006ADC315", kUnicode, false},
    {"TerminatorTwice", L"岚鹊文本", {IDC_TERMINATOR, IDC_UTF8, IDC_TERMINATOR}, L"", L"岚鹊文本", nullptr, kUtf8, false},
    {"LineBreakReturnOnOutput", L"a\rb", {IDC_TERMINATOR, IDC_MD5}, L"\r", L"a\r\nb", nullptr, kAnsi, true},
    {"Chinese", L"岚鹊\r文本 哈希", {}, L"", L"岚鹊\r\n文本 哈希", nullptr, kAnsi, false},
    {"UpperCaseLinkClicked", L"abc", {IDC_UPPER_CASE}, L"", L"ABC", nullptr, kAnsi, false},
    {"ReturnOnLowerCaseLink", L"aBc", {IDC_UPPER_CASE}, L"\t\r", L"abc", kAbcMd5, kAnsi, false},
    {"CaseLinkOnEmptyInput", nullptr, {IDC_UPPER_CASE}, L"", L"", nullptr, kAnsi, false},
};
INSTANTIATE_TEST_SUITE_P(Typing, TypingTest, ::testing::ValuesIn(kTypingCases), CaseName<TypingCase>);

// Units: left, top, width, height.
struct Control { int id; const wchar_t *className, *text; bool visible; RECT units; };
const Control kMainControls[] = {
    {IDC_ANSI, L"Button", ::GetACP() == 936 ? L"GB3212" : L"Ansi", true, {57, 9, 42, 10}},
    {IDC_UNICODE, L"Button", L"Unicode", true, {102, 9, 41, 10}},
    {IDC_UTF8, L"Button", L"UTF-8", true, {157, 9, 35, 10}},
    {IDC_TERMINATOR, L"Button", L"包含终结符", true, {213, 9, 56, 10}},
    {IDC_UPPER_CASE, L"SysLink", L"<a>大写</a>", true, {297, 10, 19, 11}},
    {IDC_LOWER_CASE, L"SysLink", L"<a>小写</a>", true, {329, 10, 19, 11}},
    {IDC_INPUT, L"Edit", L"", true, {13, 26, 335, 169}},
    {IDC_MD4, L"Edit", L"", true, {13, 211, 335, 14}},
    {IDC_MD5, L"Edit", L"", true, {13, 240, 335, 14}},
    {IDC_UNUSED_OUTPUT, L"Edit", L"", false, {13, 330, 335, 14}},
    {IDC_SHA1, L"Edit", L"", true, {13, 269, 335, 14}},
    {IDC_SHA256, L"Edit", L"", true, {13, 329, 335, 14}},
    {IDC_SHA384, L"Edit", L"", true, {13, 359, 335, 22}},
    {IDC_SHA512, L"Edit", L"", true, {13, 397, 335, 22}},
    {IDC_COPY_AS_C, L"SysLink", L"<a>复制为C代码</a>", true, {14, 426, 49, 11}},
    {IDC_ABOUT, L"SysLink", L"<a>关于...</a>", true, {319, 426, 28, 11}},
    {IDC_STATIC, L"Static", L"MD5 (16字节):", true, {16, 230, 49, 8}},
    {IDC_STATIC, L"Static", L"SHA1 (20字节):", true, {16, 260, 52, 8}},
    {IDC_STATIC, L"Static", L"字符编码:", true, {16, 9, 36, 8}},
    {IDC_STATIC, L"Static", L"SHA256 (32字节):", true, {16, 320, 60, 8}},
    {IDC_STATIC, L"Static", L"MD4 (16字节):", true, {16, 200, 49, 8}},
    {IDC_STATIC, L"Static", L"SHA384 (48字节):", true, {16, 349, 60, 8}},
    {IDC_STATIC, L"Static", L"SHA512 (64字节):", true, {16, 385, 60, 8}},
    {IDC_STATIC, L"Static", L"XXX (32字节):", false, {16, 320, 48, 8}},
    {IDC_SHA224, L"Edit", L"", true, {13, 299, 335, 14}},
    {IDC_STATIC, L"Static", L"SHA224 (28字节):", true, {16, 290, 60, 8}},
};

TEST_F(MainDialogTest, ControlsAreTheTemplatesInItsOrder) {
    HWND child = ::GetWindow(m_dialog, GW_CHILD);
    for (const Control& c : kMainControls) {
        wchar_t className[16] = {};
        RECT actual = {}, expected = c.units;  // position and size are converted each on its own
        ::GetClassNameW(child, className, 16);
        ::GetWindowRect(child, &actual);
        ::MapWindowPoints(nullptr, m_dialog, reinterpret_cast<POINT*>(&actual), 2);
        ::MapDialogRect(m_dialog, &expected);
        EXPECT_EQ(std::make_tuple(::GetDlgCtrlID(child), std::wstring(className), ReadText(child),
                                  ::IsWindowVisible(child) != 0, actual.left, actual.top, actual.right - actual.left,
                                  actual.bottom - actual.top),
                  std::make_tuple(c.id, c.className, c.text, c.visible, expected.left, expected.top, expected.right,
                                  expected.bottom));
        child = ::GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
}

const std::wstring kPaths[] = {L"C:\\Program Files\\岚鹊 文本\\说明 第1版.txt", L"D:\\新建 文件夹",
                               L"C:\\" + std::wstring(1100, L'd') + L"\\file.txt"};
const std::wstring kList = kPaths[0] + L"\r\n" + kPaths[1] + L"\r\n" + kPaths[2];

// A drop as the shell hands it over: a DROPFILES header, then each wide path and its zero, then one more zero.
WPARAM MakeDrop() {
    const std::wstring list = kPaths[0] + L'\0' + kPaths[1] + L'\0' + kPaths[2] + L'\0' + L'\0';
    auto* drop = static_cast<DROPFILES*>(::GlobalAlloc(GPTR, sizeof(DROPFILES) + 2 * list.size()));
    *drop = {sizeof(DROPFILES), {0, 0}, FALSE, TRUE};
    memcpy(drop + 1, list.data(), 2 * list.size());
    return reinterpret_cast<WPARAM>(drop);
}

// GetKeyState answers from the input a thread has taken, and posted messages are taken before input: so a drop
// with Ctrl is posted as the dialog's thread takes the Ctrl key-down. Wine may still let go of Ctrl (it resets
// the modifiers to the X server's state when a window appears under the pointer): the hook notes whether Ctrl
// was down as the drop was taken, else the drop is made again.
std::atomic<int> g_ctrlAtDrop{-1};  // -1: no drop taken yet
LRESULT CALLBACK DropOnCtrl(int code, WPARAM removal, LPARAM message) {
    const MSG& msg = *reinterpret_cast<const MSG*>(message);
    if (code == HC_ACTION && removal == PM_REMOVE && msg.message == WM_KEYDOWN && msg.wParam == VK_CONTROL) {
        ::PostMessageW(::GetAncestor(msg.hwnd, GA_ROOT), WM_DROPFILES, MakeDrop(), 0);
    } else if (code == HC_ACTION && removal == PM_REMOVE && msg.message == WM_DROPFILES) {
        g_ctrlAtDrop = ::GetKeyState(VK_CONTROL) < 0;
    }
    return ::CallNextHookEx(nullptr, code, removal, message);
}

// The text and selection before; whether Ctrl is held, and Ctrl+Z pressed after.
struct DropCase { const char* name; const wchar_t* before; DWORD start, end; bool ctrl, undo; std::wstring after; };
class DropTest : public MainDialogTest, public ::testing::WithParamInterface<DropCase> {};
TEST_P(DropTest, PutsThePathsIntoTheInputAndRecomputes) {
    const DropCase& c = GetParam();
    HHOOK hook = ::SetWindowsHookExW(WH_GETMESSAGE, DropOnCtrl, nullptr, m_thread.threadId);
    for (int attempt = 0; attempt < 5 && (attempt == 0 || g_ctrlAtDrop != int(c.ctrl)); ++attempt) {
        Prepare(c.before, c.start, c.end);
        g_ctrlAtDrop = -1;
        c.ctrl ? Send({Key(VK_CONTROL, true)}) : void(::PostMessageW(m_dialog, WM_DROPFILES, MakeDrop(), 0));
        WaitFor([&] { return g_ctrlAtDrop != -1 && Text(IDC_INPUT) != c.before; });
        Send(std::vector<INPUT>(c.ctrl, Key(VK_CONTROL, false)));
    }
    ::UnhookWindowsHookEx(hook);
    ASSERT_EQ(g_ctrlAtDrop, int(c.ctrl)) << "Ctrl was let go before the drop was taken, five times";
    Send(c.undo ? std::vector<INPUT>{Key(VK_CONTROL, true), Key('Z', true), Key('Z', false), Key(VK_CONTROL, false)}
                : std::vector<INPUT>{});
    ExpectShown(c.after);
}

INSTANTIATE_TEST_SUITE_P(Drops, DropTest, ::testing::Values(
    DropCase{"ReplacesTheText", L"old\r\ntext", 2, 2, false, false, kList},
    DropCase{"WithCtrlGoesInAtTheCaret", L"abcdef", 3, 3, true, false, L"abc" + kList + L"def"},
    DropCase{"WithCtrlGoesInFrontOfTheSelection", L"abcdef", 1, 4, true, false, L"a" + kList + L"bcdef"},
    DropCase{"WithCtrlUndoneByCtrlZ", L"abcdef", 3, 3, true, true, L"abcdef"}), CaseName<DropCase>);

// A clipboard held open by the test's thread gives an error box, else a box confirms; both close with Return.
TEST_F(MainDialogTest, CopyLinkPutsTheOutputsOnTheClipboardAsC) {
    Type(L"abc");
    ExpectShown(L"abc");
    for (bool held : {true, false}) {
        ASSERT_TRUE(::OpenClipboard(nullptr) && ::EmptyClipboard() && (held || ::CloseClipboard()));
        Click(Item(IDC_COPY_AS_C));
        HWND box = WaitForDialog(m_thread.threadId, m_dialog);
        const std::wstring text = ReadText(::GetDlgItem(box, 0xFFFF)), failed = L"打开剪贴板失败:";
        EXPECT_TRUE(held ? text.rfind(failed, 0) == 0 && text.size() > failed.size()
                         : ReadText(box) + L"|" + text == L"完成|复制到剪切板成功。") << text;
        Type(L"\r");
        EXPECT_TRUE(WaitFor([&] { return box && !::IsWindow(box) && ::IsWindowEnabled(m_dialog); }));
        ASSERT_TRUE(held || ::OpenClipboard(nullptr));
        HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
        EXPECT_EQ(std::wstring(data ? static_cast<const wchar_t*>(::GlobalLock(data)) : L""), held ? L"" : kAbcExport);
        ::GlobalUnlock(data);
        ::CloseClipboard();
    }
}

// Centred over the main window at the template's full height, then cut to its upper half.
TEST_F(MainDialogTest, AboutLinkOpensTheAboutBox) {
    Click(Item(IDC_ABOUT));
    HWND about = WaitForDialog(m_thread.threadId, m_dialog);
    RECT full = {0, 0, 259, 131}, main = {}, shown = {};
    ::MapDialogRect(about, &full);
    ::AdjustWindowRectEx(&full, ::GetWindowLongW(about, GWL_STYLE), FALSE, ::GetWindowLongW(about, GWL_EXSTYLE));
    ::GetWindowRect(m_dialog, &main);
    ::GetWindowRect(about, &shown);
    const LONG width = full.right - full.left, height = full.bottom - full.top;
    EXPECT_EQ(std::make_tuple(shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top),
              std::make_tuple((main.left + main.right) / 2 - width / 2, (main.top + main.bottom) / 2 - height / 2,
                              width, height - height / 2));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(about, IDC_ABOUT_HOME_PAGE)) ||
                 ::IsWindowVisible(::GetDlgItem(about, IDC_ABOUT_DONATE)));
    Type(L"\x1b");
    EXPECT_TRUE(WaitFor([&] { return about && !::IsWindow(about) && ::IsWindowEnabled(m_dialog); }));
}

TEST(AboutDialogTest, EscapeEndsItWithTwoAndReturnWithOne) {
    for (const auto& [keys, result] : {std::make_pair(L"\x1b", IDCANCEL), std::make_pair(L"\r", IDOK)}) {
        DialogThread about([] { return CAboutDlg().DoModal(nullptr, 0); });
        ASSERT_NE(WaitForDialog(about.threadId), nullptr);
        Type(keys);
        EXPECT_EQ(about.Result(), result);
    }
}

TEST(ProgramTest, EscapeEndsTheProgramWithExitCodeTwo) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION program = {};
    ASSERT_TRUE(::CreateProcessW(TEXTHASH_EXE, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                 &program));
    Type(WaitForDialog(program.dwThreadId) ? L"\x1b" : L"");
    DWORD exitCode = 0;
    EXPECT_TRUE(::WaitForSingleObject(program.hProcess, 5000) == WAIT_OBJECT_0 &&
                ::GetExitCodeProcess(program.hProcess, &exitCode) && exitCode == 2) << exitCode;
    ::TerminateProcess(program.hProcess, 1);
    ::CloseHandle(program.hThread);
    ::CloseHandle(program.hProcess);
}

// The dialogs load their templates from this executable's resources.
struct Module : CAppModule { Module() { Init(::GetModuleHandleW(nullptr)); } ~Module() { Term(); } } g_module;

}  // namespace
