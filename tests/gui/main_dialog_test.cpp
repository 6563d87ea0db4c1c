// The main window driven with real input: typing, option clicks, keys that must not close it, case links, dropped
// files, copy as C, the About box; what it shows of its template, where windows open, the program's exit code.
#include "gui_harness.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "app/about_dlg.h"
#include "tests/support/platform_watch.h"

namespace {

// Every provider context the dialogs open, counted from outside for the whole run.
ProviderWatch g_providers;

// The text before, typed into the focus (the input box as the dialog starts) or else set as a whole with the
// terminator box ticked as the case says; controls clicked, keys pressed (\r is Return, \t Tab); the input then,
// its MD5 when known, and the settings of the digests shown.
struct TypingCase {
    const char* name;
    bool typed;
    std::wstring before;
    std::vector<int> clicks;
    const wchar_t* keys;
    std::wstring input, md5;
    ByteEncoding encoding;
    bool terminator;
};
class TypingTest : public MainDialogTest, public ::testing::WithParamInterface<TypingCase> { };
// Steps are not awaited one by one: each case ends in a state no earlier step shows. Escape must then give 2:
// no Return before it ended the dialog, and the dialog's provider context is released as it closes.
TEST_P(TypingTest, ShowsTheDigestsOfTheInputInTheChosenEncoding)
{
    const TypingCase& c = GetParam();
    c.typed ? Type(c.before) : Prepare(c.before, 0, 0, c.terminator);
    for (int id : c.clicks) {
        Click(Item(id));
    }
    Type(c.keys);
    ExpectShown(c.input, c.encoding, c.terminator);
    EXPECT_TRUE(c.md5.empty() || Text(IDC_MD5) == c.md5) << Text(IDC_MD5);
    EXPECT_EQ(::IsWindowEnabled(Item(IDC_COPY_AS_C)) != FALSE, !c.input.empty() || c.terminator);
    Type(L"\x1b");
    EXPECT_EQ(m_thread.Result(), IDCANCEL);
    EXPECT_EQ(g_providers.OpenContexts(), 0);
}

constexpr ByteEncoding kAnsi = ByteEncoding::Ansi, kUnicode = ByteEncoding::Utf16Le, kUtf8 = ByteEncoding::Utf8;
// Longer than any typed text and than the 131,071 units a fixed buffer would keep: mapped and digested whole.
const std::wstring kMixedCase = Lines(L"Mixed Case 行\r\n", 200000), kUpperCase = Lines(L"MIXED CASE 行\r\n", 200000);
// Tab leads from 大写 to 小写.
// clang-format off
const TypingCase kTypingCases[] = {
    {"NothingAtStart",                     true,  L"",         {},                                        L"",     L"",            L"",           kAnsi,    false},
    {"Abc",                                true,  L"abc",      {},                                        L"",     L"abc",         kAbcMd5,       kAnsi,    false},
    {"Terminated",                         true,  L"abc",      {IDC_TERMINATOR},                          L"",     L"abc",         kAbcZeroMd5,   kAnsi,    true},
    {"UnicodeReturn",                      true,  L"abc",      {IDC_UNICODE},                             L"\r",   L"abc",         kAbcUtf16Md5,  kUnicode, false},
    {"ChineseLinesUtf8TerminatorTwice",    true,  L"岚鹊\r文本", {IDC_TERMINATOR, IDC_UTF8, IDC_TERMINATOR}, L"",     L"岚鹊\r\n文本", L"",           kUtf8,    false},
    {"LineBreakReturnOnOutput",            true,  L"a\rb",     {IDC_TERMINATOR, IDC_MD5},                 L"\r",   L"a\r\nb",      L"",           kAnsi,    true},
    {"ReturnOnLowerCaseLink",              true,  L"aBc",      {IDC_UPPER_CASE},                          L"\t\r", L"abc",         kAbcMd5,       kAnsi,    false},
    {"CaseLinkOnEmptyInputWithTerminator", false, L"",         {IDC_LOWER_CASE},                          L"",     L"",            kZeroByteMd5,  kAnsi,    true},
    {"UpperCaseLinkMapsALongTextWhole",    false, kMixedCase,  {IDC_UPPER_CASE},                          L"",     kUpperCase,     L"",           kAnsi,    false},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Typing, TypingTest, ::testing::ValuesIn(kTypingCases), CaseName<TypingCase>);

RECT WorkArea()
{
    RECT work = {};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// What a user reads off the window: its frame, size and font; each output under the label that names its digest,
// in the table's order, painted like the input box while the rest has the dialog's face; the small icon; drops
// taken; the window centred on the work area.
TEST_F(MainDialogTest, ShowsItsFrameTheLabelledOutputsTheirColoursAndTheSmallIcon)
{
    // The template's own frame: caption, system menu and minimise box only, 361 x 441 units of 9-point SimSun.
    RECT client = {}, units = {0, 0, 361, 441};
    ::GetClientRect(m_dialog, &client);
    ::MapDialogRect(m_dialog, &units);
    LOGFONTW font = {};
    ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(m_dialog, WM_GETFONT, 0, 0)), sizeof font, &font);
    HDC screen = ::GetDC(nullptr);
    const LONG height = -::MulDiv(9, ::GetDeviceCaps(screen, LOGPIXELSY), 72);
    ::ReleaseDC(nullptr, screen);
    const LONG frame = ::GetWindowLongW(m_dialog, GWL_STYLE)
        & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME);
    EXPECT_EQ(std::make_tuple(ReadText(m_dialog), frame, client.right, client.bottom, std::wstring(font.lfFaceName),
                              font.lfHeight, font.lfWeight),
              std::make_tuple(std::wstring(L"岚鹊文本哈希工具 - Korvantis"),
                              LONG {WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX}, units.right, units.bottom,
                              std::wstring(L"宋体"), height, LONG {FW_NORMAL}));
    EXPECT_TRUE(::GetWindowLongW(m_dialog, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) << "the window takes no dropped files";
    EXPECT_EQ(Text(IDC_ANSI), kChinese ? L"GB3212" : L"Ansi");
    EXPECT_FALSE(::IsWindowVisible(Item(IDC_UNUSED_OUTPUT)));

    std::map<std::wstring, RECT> labels;  // the visible ones
    for (HWND child = ::GetWindow(m_dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        const bool output = std::count(std::begin(kOutputIds), std::end(kOutputIds), ::GetDlgCtrlID(child));
        EXPECT_EQ(PaintingOf(m_dialog, child), SystemPainting(output ? COLOR_WINDOW : COLOR_BTNFACE))
            << ::GetDlgCtrlID(child);
        if (::IsWindowVisible(child) && (::SendMessageW(child, WM_GETDLGCODE, 0, 0) & DLGC_STATIC)) {
            labels[ReadText(child)] = WindowRect(child);
        }
    }
    EXPECT_EQ(labels.size(), size_t(kShownDigestCount) + 1) << "a label for each digest and one for the encodings";
    LONG above = WindowRect(Item(IDC_INPUT)).bottom;
    for (int row = 0; row < kShownDigestCount; ++row) {
        const RECT output = WindowRect(Item(kOutputIds[row]));
        const auto label =
            labels.find(kDigestTable[row].name + (L" (" + std::to_wstring(kDigestTable[row].length) + L"字节):"));
        EXPECT_TRUE(::IsWindowVisible(Item(kOutputIds[row])) && label != labels.end() && label->second.top >= above
                    && label->second.bottom <= output.top)
            << row;
        above = output.bottom;
    }

    ICONINFO icon = {};
    BITMAP bitmap = {};
    ::GetIconInfo(reinterpret_cast<HICON>(::SendMessageW(m_dialog, WM_GETICON, ICON_SMALL, 0)), &icon);
    ::GetObjectW(icon.hbmColor, sizeof bitmap, &bitmap);
    ::DeleteObject(icon.hbmColor);
    ::DeleteObject(icon.hbmMask);
    EXPECT_EQ(std::make_tuple(bitmap.bmWidth, bitmap.bmHeight, ::SendMessageW(m_dialog, WM_GETICON, ICON_BIG, 0)),
              std::make_tuple(::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), LRESULT {0}));

    const RECT shown = WindowRect(m_dialog), work = WorkArea();  // no owner: centred on the work area
    EXPECT_LE(std::abs(shown.left + shown.right - work.left - work.right)
                  + std::abs(shown.top + shown.bottom - work.top - work.bottom),
              4);
}

const std::vector<std::wstring> kPaths = {L"C:\\Program Files\\岚鹊 文本\\说明 第1版.txt", L"D:\\新建 文件夹",
                                          L"C:\\" + std::wstring(1100, L'd') + L"\\file.txt"};
const std::wstring kList = kPaths[0] + L"\r\n" + kPaths[1] + L"\r\n" + kPaths[2];
const std::wstring kFull = Lines(L"xxxxxxxx\r\n", 65530), kOld = L"old\r\ntext";  // kFull: near the typing limit

// The text and selection before; whether the drop has paths, whether Ctrl is held, and Ctrl+Z pressed after.
// Paths replace the text or go in front of the selection, are digested and keep the input box's typing limit;
// a drop without paths changes nothing and says so.
struct DropCase {
    const char* name;
    std::wstring before;
    DWORD start, end;
    bool paths, ctrl, undo;
    std::wstring after;
};
class DropTest : public MainDialogTest, public ::testing::WithParamInterface<DropCase> { };
// GetKeyState answers from the input a thread has taken, and posted messages are taken before input: the drop
// is posted once the thread has taken Ctrl. Wine may still let go of Ctrl when a window appears under the
// pointer; the drop is then made again.
TEST_P(DropTest, PutsThePathsIntoTheInputAndRecomputes)
{
    const DropCase& c = GetParam();
    HDROP drop = nullptr;
    for (int attempt = 0; attempt < 5 && (attempt == 0 || g_ctrlAtDrop != int(c.ctrl)); ++attempt) {
        Prepare(c.before, c.start, c.end);
        g_ctrlAtDrop = -1;
        g_ctrlTaken = false;
        Send(std::vector<INPUT>(c.ctrl, Key(VK_CONTROL, true)));
        EXPECT_TRUE(WaitFor([&] { return g_ctrlTaken == c.ctrl; }));
        drop = MakeDrop(c.paths ? kPaths : std::vector<std::wstring>());
        ::PostMessageW(m_dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
        Settle();
        Send(std::vector<INPUT>(c.ctrl, Key(VK_CONTROL, false)));
    }
    ASSERT_EQ(g_ctrlAtDrop, int(c.ctrl)) << "Ctrl was let go before the drop was taken, five times";
    if (c.undo) {
        PressWithCtrl('Z');
    }
    if (c.paths) {
        ExpectShown(c.after);
        EXPECT_EQ(::DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 0u) << "the drop was not released";
    } else {
        DWORD start = 0, end = 0;
        ::SendMessageW(Item(IDC_INPUT), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(std::make_tuple(Text(IDC_INPUT), Shown()[6], start, end),
                  std::make_tuple(c.after, L"stale", c.start, c.end));
        EXPECT_NE(Tips().find(L"拖放"), std::wstring::npos) << Tips();
    }
    EXPECT_EQ(::SendMessageW(Item(IDC_INPUT), EM_GETLIMITTEXT, 0, 0), 0xFFFF);
}

// clang-format off
const DropCase kDropCases[] = {
    {"ReplacesTheText",                                     kOld,      2,  2,  true,  false, false, kList},
    {"WithCtrlGoesInFrontOfTheSelectionPastTheTypingLimit", kFull,     10, 14, true,  true,  false, kFull.substr(0, 10) + kList + kFull.substr(10)},
    {"WithCtrlUndoneByCtrlZ",                               L"abcdef", 3,  3,  true,  true,  true,  L"abcdef"},
    {"WithoutPaths",                                        kOld,      2,  6,  false, false, false, kOld},
    {"WithoutPathsWithCtrl",                                kOld,      2,  6,  false, true,  false, kOld},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Drops, DropTest, ::testing::ValuesIn(kDropCases), CaseName<DropCase>);

// A clipboard held open by the test's thread gives an error box, else a box confirms; both close with Return.
TEST_F(MainDialogTest, CopyLinkPutsTheOutputsOnTheClipboardAsC)
{
    TypeAndSettle(L"abc", L"abc");
    for (bool held : {true, false}) {
        ASSERT_TRUE(PutOnClipboard(L"") && (!held || ::OpenClipboard(nullptr)));
        Click(Item(IDC_COPY_AS_C));
        HWND box = WaitForDialog(m_thread.threadId, m_dialog);
        const std::wstring text = ReadText(::GetDlgItem(box, 0xFFFF)), failed = L"打开剪贴板失败:";
        EXPECT_TRUE(held ? text.rfind(failed, 0) == 0 && text.size() > failed.size()
                         : ReadText(box) + L"|" + text == L"完成|复制到剪切板成功。")
            << text;
        Type(L"\r");
        EXPECT_TRUE(WaitFor([&] { return box && !::IsWindow(box) && ::IsWindowEnabled(m_dialog); }));
        ASSERT_TRUE(!held || ::CloseClipboard());
        EXPECT_EQ(ClipboardText(), held ? L"" : kAbcExport);
    }
}

// Centred over the main window at the template's full height, then cut to its upper half; Return closes it.
TEST_F(MainDialogTest, AboutLinkOpensTheAboutBox)
{
    Click(Item(IDC_ABOUT));
    HWND about = WaitForDialog(m_thread.threadId, m_dialog);
    RECT full = {0, 0, 259, 131};
    ::MapDialogRect(about, &full);
    ::AdjustWindowRectEx(&full, ::GetWindowLongW(about, GWL_STYLE), FALSE, ::GetWindowLongW(about, GWL_EXSTYLE));
    const RECT main = WindowRect(m_dialog), shown = WindowRect(about);
    const LONG width = full.right - full.left, height = full.bottom - full.top;
    EXPECT_EQ(std::make_tuple(shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top),
              std::make_tuple((main.left + main.right) / 2 - width / 2, (main.top + main.bottom) / 2 - height / 2,
                              width, height - height / 2));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(about, IDC_ABOUT_HOME_PAGE))
                 || ::IsWindowVisible(::GetDlgItem(about, IDC_ABOUT_DONATE)));
    Type(L"\r");
    EXPECT_TRUE(WaitFor([&] { return about && !::IsWindow(about) && ::IsWindowEnabled(m_dialog); }));
}

// The provider refuses the main window's context: the reason in an error box, then the dialog ends with 0.
TEST(ProviderFailureTest, IsShownAndEndsTheMainDialogWithZero)
{
    const auto refusal = static_cast<DWORD>(NTE_PROVIDER_DLL_FAIL);
    g_providers.Refuse({refusal});
    MainDialogThread main;
    HWND box = WaitForDialog(main.threadId);
    EXPECT_EQ(ReadText(::GetDlgItem(box, 0xFFFF)), L"获取加密句柄失败:" + RecordedDetail(refusal));
    Type(L"\r");
    EXPECT_EQ(main.Result(), 0);
    EXPECT_EQ(g_providers.OpenContexts(), 0);
    g_providers.Refuse({});  // a refusal left over would fail the next dialog
}

// The dialogs show centring without an owner and on a visible one; here the other owners, and clamping.
TEST(CenterWindowTest, CentresOnAVisibleOwnerOrTheWorkAreaAndKeepsTheTopLeftInView)
{
    const RECT work = WorkArea();
    const LONG width = work.right - work.left, height = work.bottom - work.top;
    constexpr DWORD kShown = WS_POPUP | WS_VISIBLE;
    // The owner's styles and centre, right of and below the work area's; the window's size; where its top-left
    // corner goes: all in hundredths of the work area.
    const struct {
        DWORD owner;
        int ownerAt, size, corner;
    } cases[] = {
        {kShown, 48, 40, 60}, {WS_POPUP, 48, 40, 30}, {kShown | WS_MINIMIZE, 48, 40, 30}, {kShown, 10, 120, 0}};
    for (const auto& c : cases) {
        const LONG ownerLeft = work.left + width * (50 + c.ownerAt) / 100,
                   ownerTop = work.top + height * (50 + c.ownerAt) / 100;
        HWND owner = ::CreateWindowExW(0, L"Static", L"", c.owner, ownerLeft - 50, ownerTop - 50, 100, 100, nullptr,
                                       nullptr, nullptr, nullptr);
        CWindow window;
        window.m_hWnd = ::CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, width * c.size / 100,
                                          height * c.size / 100, owner, nullptr, nullptr, nullptr);
        EXPECT_TRUE(window.CenterWindow());
        const RECT shown = WindowRect(window.m_hWnd);
        EXPECT_LE(std::abs(shown.left - work.left - width * c.corner / 100)
                      + std::abs(shown.top - work.top - height * c.corner / 100),
                  4)
            << c.owner << " " << c.size;
        ::DestroyWindow(window.m_hWnd);
        ::DestroyWindow(owner);
    }
}

// The dialogs' templates come from the resources, one missing gives -1; the QR code items, which nothing reads,
// are the program's as published; the manifest brings version 6 of the common controls (side by side), which the
// SysLink items need on Windows.
struct CMissingTemplateDlg : CDialogImpl<CMissingTemplateDlg> {
    enum { IDD = 999 };
    BEGIN_MSG_MAP(CMissingTemplateDlg)
    END_MSG_MAP()
};
TEST(ResourcesTest, TemplatesQrCodeItemsAndTheManifest)
{
    EXPECT_EQ(CMissingTemplateDlg().DoModal(nullptr, 0), -1);
    for (const auto& [id, size] : {std::pair(IDR_QRCODE_FIRST, 10136u), std::pair(IDR_QRCODE_SECOND, 9952u)}) {
        HRSRC item = ::FindResourceExW(nullptr, L"QRCODE", MAKEINTRESOURCEW(id),
                                       MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED));
        EXPECT_EQ(item ? ::SizeofResource(nullptr, item) : 0, size) << id;
    }
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(::LoadLibraryW(L"comctl32.dll"), path, MAX_PATH);
    EXPECT_NE(std::wstring(::CharLowerW(path)).find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
              std::wstring::npos)
        << path;
}

TEST(ProgramTest, EscapeEndsTheProgramWithExitCodeTwo)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION program = {};
    ASSERT_TRUE(
        ::CreateProcessW(TEXTHASH_EXE, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &program));
    Type(WaitForDialog(program.dwThreadId) ? L"\x1b" : L"");
    DWORD exitCode = 0;
    EXPECT_TRUE(::WaitForSingleObject(program.hProcess, 5000) == WAIT_OBJECT_0
                && ::GetExitCodeProcess(program.hProcess, &exitCode) && exitCode == 2)
        << exitCode;
    ::TerminateProcess(program.hProcess, 1);
    ::CloseHandle(program.hThread);
    ::CloseHandle(program.hProcess);
}

// The dialogs load their templates from this executable's resources.
struct Module : CAppModule {
    Module() { Init(::GetModuleHandleW(nullptr)); }
    ~Module() { Term(); }
} g_module;

}  // namespace
