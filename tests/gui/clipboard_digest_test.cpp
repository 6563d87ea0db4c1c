// A digest on the real clipboard checked against the main window's outputs: the output that shows it is marked,
// and when none does a tip at an output names the setting that gives it, or says that none does. Which settings
// give a digest is the core's search; here, what the window shows of it. Expected digests were computed on the
// host with Python's hashlib.
#include "gui_harness.h"
#include "tests/support/platform_watch.h"

#include <algorithm>
#include <climits>

namespace {

// One character per output in table order: '.' painted as an editable box, 'M' marked as matching (dark text on a
// light green background, the brush of its colour), '?' anything else.
std::string Marks(HWND dialog)
{
    std::string marks;
    for (int id : kOutputIds) {
        const auto [brush, text, back] = PaintingOf(dialog, ::GetDlgItem(dialog, id));
        LOGBRUSH fill = {};
        ::GetObjectW(brush, sizeof fill, &fill);
        const bool lightGreen = GetGValue(back) > 0xC0 && GetGValue(back) > std::max(GetRValue(back), GetBValue(back));
        const bool marked =
            lightGreen && fill.lbColor == back && std::max({GetRValue(text), GetGValue(text), GetBValue(text)}) < 0x80;
        marks += std::tie(brush, text, back) == SystemPainting(COLOR_WINDOW) ? '.' : marked ? 'M' : '?';
    }
    return marks;
}

// The colour on screen near the right end of a one-line output, beyond its digest's text.
COLORREF PixelBeyondText(HWND output)
{
    RECT client = {};
    ::GetClientRect(output, &client);
    HDC dc = ::GetDC(output);
    const COLORREF pixel = ::GetPixel(dc, client.right - 4, (client.top + client.bottom) / 2);
    ::ReleaseDC(output, dc);
    return pixel;
}

void ExpectMarks(HWND dialog, const std::string& marks)
{
    EXPECT_TRUE(WaitFor([&] { return Marks(dialog) == marks; })) << Marks(dialog) << " instead of " << marks;
}

// The marks follow the clipboard and every recomputation, so that typing until an output turns green works.
TEST_F(MainDialogTest, MarksTheOutputThatShowsTheClipboardsDigestWhileBothStayAsTheyAre)
{
    ASSERT_TRUE(PutOnClipboard(L"A9993E36 4706816A BA3E2571 7850C26C 9CD0D89D"));  // SHA-1 of abc
    TypeAndSettle(L"ab", L"ab");
    ExpectMarks(m_dialog, ".......");
    TypeAndSettle(L"c", L"abc");
    ExpectMarks(m_dialog, "..M....");

    // Lowercase, in pairs parted by colons, with white space around, as fingerprints are often written.
    ASSERT_TRUE(PutOnClipboard(L" 90:01:50:98:3c:d2:4f:b0:d6:96:3f:7d:28:e1:7f:72\r\n"));
    ExpectMarks(m_dialog, ".M.....");
    const auto [brush, text, back] = PaintingOf(m_dialog, Item(IDC_MD5));
    EXPECT_TRUE(WaitFor([&, back = back] { return PixelBeyondText(Item(IDC_MD5)) == back; }))
        << std::hex << PixelBeyondText(Item(IDC_MD5)) << " instead of " << back;
    EXPECT_EQ(Tips(), L"");

    ASSERT_TRUE(PutOnClipboard(L"abc"));
    ExpectMarks(m_dialog, ".......");
    EXPECT_TRUE(WaitFor([&] { return PixelBeyondText(Item(IDC_MD5)) == ::GetSysColor(COLOR_WINDOW); }));

    ASSERT_TRUE(PutOnClipboard(L"kAFQmDzST7DWlj99KOF/cg=="));  // in Base64
    ExpectMarks(m_dialog, ".M.....");
    ASSERT_TRUE(PutOnClipboard(L"sha256-ungWv48Bz+pBQUDeXa4iI7ADYaOWF3qctBD/YfIAFa0="));  // an SRI value
    ExpectMarks(m_dialog, "....M..");
    // The console's own lines: --tag --base64, and a plain line, whose name is the only one the value is read as.
    ASSERT_TRUE(PutOnClipboard(L"SHA384 (abc) = ywB1P0WjXou1oD1pmsZQBycsMqsO3tFjGotgWkP/W+2AhgcroefMI1i67KE0yCWn"));
    ExpectMarks(m_dialog, ".....M.");
    ASSERT_TRUE(PutOnClipboard(L"SHA1 A9993E364706816ABA3E25717850C26C9CD0D89D"));
    ExpectMarks(m_dialog, "..M....");
    ASSERT_TRUE(PutOnClipboard(kAbcMd5));
    ExpectMarks(m_dialog, ".M.....");
    TypeAndSettle(L"d", L"abcd");
    ExpectMarks(m_dialog, ".......");
}

// The text typed (\r a line break) and as the box holds it, and the digest on the clipboard; what the tip then
// mentions (the window's words and option captions) and the output it stands at; the clicks that follow, the marks
// after them and what the tip then mentions: a click searches again at once, and a match needs no tip.
struct TipCase {
    const char* name;
    std::wstring typed, input;
    const wchar_t* clipboard;
    std::vector<std::wstring> mentions;
    int output;
    std::vector<int> clicks;
    std::string marks;
    std::wstring mentionAfter;  // empty: no tip
};

// The output whose bottom edge the tip's stem touches: the balloon opens below or above it.
int OutputOfTip(HWND dialog, HWND tip)
{
    const RECT balloon = WindowRect(tip);
    int nearest = 0;
    LONG nearestGap = LONG_MAX;
    for (int id : kOutputIds) {
        const LONG bottom = WindowRect(::GetDlgItem(dialog, id)).bottom;
        const LONG gap = std::min(std::abs(balloon.top - bottom), std::abs(balloon.bottom - bottom));
        if (gap < nearestGap) {
            nearest = id;
            nearestGap = gap;
        }
    }
    return nearest;
}
class ClipboardTipTest : public MainDialogTest, public ::testing::WithParamInterface<TipCase> { };
TEST_P(ClipboardTipTest, TheTipAtAnOutputNamesTheSettingThatGivesTheClipboardsDigest)
{
    const TipCase& c = GetParam();
    TypeAndSettle(c.typed, c.input);
    ASSERT_TRUE(PutOnClipboard(c.clipboard));
    // A tip at the input box may come first: a code page that lacks characters of the text says so.
    const auto saysAll = [&] {
        const std::wstring tips = Tips();
        return std::all_of(c.mentions.begin(), c.mentions.end(),
                           [&](const std::wstring& mention) { return tips.find(mention) != std::wstring::npos; });
    };
    EXPECT_TRUE(WaitFor(saysAll)) << Tips();
    for (HWND tip : TipWindows()) {
        if (ReadText(tip).find(c.mentions.front()) != std::wstring::npos) {
            EXPECT_EQ(OutputOfTip(m_dialog, tip), c.output) << ReadText(tip);
        }
    }
    ExpectMarks(m_dialog, ".......");
    for (int id : c.clicks) {
        Click(Item(id));
    }
    ExpectMarks(m_dialog, c.marks);
    EXPECT_TRUE(WaitFor([&] {
        return c.mentionAfter.empty() ? Tips() == L"" : Tips().find(c.mentionAfter) != std::wstring::npos;
    })) << Tips();
}

const wchar_t kChineseUtf8Sha256[] = L"091D25B84CE010B1F7196D9FA7FFA488EC168D451AE4D0EF4521AD20FC380554";
const wchar_t kAbcUtf16ZeroSha512[] =
    L"ED8FFCFFF4B31CC2ACDC092FEE0349CA74CDB45495887262C0C360F6139E7DDE"
    L"299B6A32554F59FD2A460E6E8CA3DE02FE5B14BD19C13333822E4E2359647F72";
const wchar_t kTwoLinesLfMd5[] = L"DD8C6A395B5DD36C56D23275028F526C";  // "a\nb\n"
const std::wstring kAnsiCaption = kChinese ? L"GB3212 " : L"Ansi ";
// Digests made on another machine: café crème in code page 1252, 中文密码 in GBK (936).
const std::wstring kOtherMachineText = kChinese ? L"café crème" : L"中文密码";
const wchar_t* const kOtherMachineMd5 =
    kChinese ? L"9F4CC7A3336AABA931B9F9FD142E4460" : L"CAB54837B8CB3345B7D7BD03E904D1C8";
const std::wstring kOtherCodePage = kChinese ? L"代码页 1252（西欧）" : L"代码页 936（GBK）";
const std::wstring kOtherCommand =
    std::wstring(L"texthash-cli --only md5 --encoding cp") + (kChinese ? L"1252" : L"936");
// clang-format off
const TipCase kTipCases[] = {
    {"Utf8BytesOfChineseText", L"岚鹊文本", L"岚鹊文本", kChineseUtf8Sha256,  {L"SHA256 ", L"UTF-8", L"不含终结符"},                       IDC_SHA256, {IDC_UTF8},                    "....M..", L""},
    {"Utf16LeWithTerminator",  L"abc",      L"abc",      kAbcUtf16ZeroSha512, {L"SHA512 ", L"Unicode", L"包含终结符"},                     IDC_SHA512, {IDC_UNICODE, IDC_TERMINATOR}, "......M", L""},
    {"LineBreaksAsLf",         L"a\rb",     L"a\r\nb",   kTwoLinesLfMd5,      {L"MD5 ", kAnsiCaption, L"换行为 LF", L"末尾加一个换行"}, IDC_MD5,    {IDC_TERMINATOR},              ".......", L"不含终结符"},
    {"Utf8MarkOfAnSriValue",   L"abc",      L"abc",      L"sha256-HCjcPx+AShrZybS0z14mWNFq1O0I4wINBKjShlAYlHw=", {L"SHA256 与剪贴板上的SRI 摘要（Base64）相同", L"UTF-8 编码（带 BOM）"}, IDC_SHA256, {IDC_UTF8}, ".......", L"（带 BOM）"},
    {"Sm3BeyondTheSeven",      L"abc",      L"abc",      L"66C7F0F462EEEDD9D1F2D46BDC10E4E24167C4875CF2F7A2297DA02B8F4BA8E0", {L"剪贴板上的摘要是 SM3：", kAnsiCaption}, IDC_SHA256, {IDC_UTF8}, ".......", L"剪贴板上的摘要是 SM3"},
    {"EmptyText",              L"",         L"",         L"D41D8CD98F00B204E9800998ECF8427E", {L"MD5 ", L"（文本为空，窗口不显示它的摘要）"}, IDC_MD5, {IDC_TERMINATOR}, ".......", L"不含终结符"},
    {"AnotherMachinesCodePage", kOtherMachineText, kOtherMachineText, kOtherMachineMd5, {L"MD5 ", kOtherCodePage, kOtherCommand},     IDC_MD5,    {IDC_UTF8},                    ".......", kOtherCommand},
    {"TheHexOfADigest",        L"abc",      L"abc",      L"EC0405C5AEF93E771CD80E0DB180B88B", {L"MD5 ", L"小写十六进制再取一次", L"--twice hex"}, IDC_MD5, {IDC_UNICODE},              ".......", L"--twice hex"},
    {"WordsPunctuation",       L"\u201Chi\u201D\u2026", L"\u201Chi\u201D\u2026", L"924EAC0344AF33095530E760631F6DEF", {L"MD5 ", L"省略号换成 ..."}, IDC_MD5, {IDC_TERMINATOR}, ".......", L"省略号换成 ..."},
    {"PasswordHash",           L"abc",      L"abc",      L"$2b$12$R9h/cIPz0gi.URNNX3kh2OPST9/PgBkqquzi.Ss7KIUgO2t0jWMUW", {L"这是 bcrypt 口令散列（含盐）"}, IDC_MD4, {}, ".......", L"口令散列"},
};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Settings, ClipboardTipTest, ::testing::ValuesIn(kTipCases), CaseName<TipCase>);

// The usual order: the digest copied first, then the text typed. Once typing pauses, the tip names the setting.
TEST_F(MainDialogTest, ADigestCopiedBeforeTheTextIsExplainedWhenTypingPauses)
{
    ASSERT_TRUE(PutOnClipboard(kAbcMd5));
    Click(Item(IDC_UNICODE));
    Click(Item(IDC_INPUT));
    TypeAndSettle(L"abc", L"abc");
    EXPECT_TRUE(WaitFor([&] { return Tips().find(kAnsiCaption) != std::wstring::npos; })) << Tips();
    ExpectMarks(m_dialog, ".......");
}

// A digest already on the clipboard when the window opens is checked as it is first activated. When no setting
// gives the digest the window says so, not on every keystroke (an edit takes the tip away), but again when it is
// activated.
class ClipboardAtStartTest : public MainDialogTest {
protected:
    ClipboardAtStartTest() : MainDialogTest(kZeroByteMd5) { }
};
TEST_F(ClipboardAtStartTest, IsCheckedOnEachActivationAndNotOnEachKeystroke)
{
    EXPECT_TRUE(WaitFor([&] { return Tips().find(L"包含终结符") != std::wstring::npos; })) << Tips();
    TypeAndSettle(L"abc", L"abc");
    EXPECT_EQ(Tips(), L"");
    ASSERT_TRUE(PutOnClipboard(L"900150983CD24FB0D6963F7D28E17F73"));
    ASSERT_TRUE(WaitFor([&] { return Tips() != L""; }));
    EXPECT_NE(Tips().find(L"MD4、MD5 在以下设置及其各种组合下都与剪贴板上的摘要不同"), std::wstring::npos) << Tips();
    EXPECT_NE(Tips().find(L"可在窗口的系统菜单里选“密钥(HMAC)...”给出密钥再查"), std::wstring::npos) << Tips();
    TypeAndSettle(L"d", L"abcd");
    EXPECT_EQ(Tips(), L"");
    TypeAndSettle(L"e", L"abcde");
    EXPECT_EQ(Tips(), L"");
    Click(Item(IDC_ABOUT));
    ASSERT_NE(WaitForDialog(m_thread.threadId, m_dialog), nullptr);
    Type(L"\x1b");
    EXPECT_TRUE(WaitFor([&] { return Tips().find(L"MD4、MD5") != std::wstring::npos; })) << Tips();
    EXPECT_EQ(Marks(m_dialog), ".......");
}

// With a key the clipboard's digest is compared with the keyed outputs, and the search tries the key as signers read
// and use keys: the tip names a key file's final line break and gives the console command without the key, and
// names a reading of the key other than the window's. Copy as C names the arrays as keyed.
TEST_F(MainDialogTest, WithAKeyTheClipboardsDigestIsThatOfTheKeyedDigests)
{
    TypeAndSettle(L"abc", L"abc");
    VisitKeyDialog({L"key", IDC_KEY_AS_TEXT, IDOK});
    ASSERT_TRUE(PutOnClipboard(kAbcKeyHmacDigests[4]));
    ExpectMarks(m_dialog, "....M..");
    ASSERT_TRUE(PutOnClipboard(kAbcKeyLfHmacMd5));
    const std::wstring said = L"HMAC-MD5 与剪贴板上的摘要相同的设置：" + kAnsiCaption
        + L"编码，不含终结符，密钥末尾多一个换行 (LF)，如 echo 写的密钥文件。窗口的选项给不出它，可用命令 texthash-cli "
          L"--hmac 密钥 --only md5 --encoding ansi --key-final-break lf 重现。";
    EXPECT_TRUE(WaitFor([&] { return Tips() == said; })) << Tips();
    ExpectMarks(m_dialog, ".......");
    ASSERT_TRUE(PutOnClipboard(L"00000000000000000000000000000000"));
    EXPECT_TRUE(WaitFor([&] { return Tips().find(L"加了盐的摘要不能由文本和密钥求出") != std::wstring::npos; }))
        << Tips();
    EXPECT_NE(Tips().find(L"密钥按 UTF-8 文本"), std::wstring::npos) << Tips();
    // A key given as hex that the signer took as text: the tip names the reading the window does not use.
    VisitKeyDialog({L"6b6579", IDC_KEY_AS_HEX, IDOK});
    ASSERT_TRUE(PutOnClipboard(kAbcTextKey6b6579HmacMd5));
    EXPECT_TRUE(WaitFor([&] {
        return Tips().find(L"编码，不含终结符，密钥按 UTF-8 文本读取。") != std::wstring::npos;
    })) << Tips();

    Click(Item(IDC_COPY_AS_C));
    HWND box = WaitForDialog(m_thread.threadId, m_dialog);
    Type(L"\r");
    EXPECT_TRUE(WaitFor([&] { return box && !::IsWindow(box); }));
    EXPECT_NE(ClipboardText().find(L"const unsigned char HMAC_MD5[16] = {0xD2,0xFE,0x98,0x06,0x3F,0x87,0x6B,0x03,0x19,"
                                   L"0x3A,0xFB,0x49,0xB4,0x97,0x95,0x91};\r\n"),
              std::wstring::npos)
        << ClipboardText();
}

// The platform's normalization, held until the test lets the search go on (for at most 2 s a call).
decltype(&::NormalizeString) g_realNormalizeString = nullptr;
HANDLE g_searchReleased = nullptr;
int WINAPI HeldNormalizeString(NORM_FORM form, LPCWSTR source, int length, LPWSTR destination, int capacity)
{
    ::WaitForSingleObject(g_searchReleased, 2000);
    return g_realNormalizeString(form, source, length, destination, capacity);
}

// A keystroke while a search runs is taken at once: the search runs beside the window. The keystroke stops it, so
// that what it finds about the text before (a line break added to abc) is never said, even when it could end before
// the search after the pause in typing starts; that one speaks of the text as it is.
TEST_F(MainDialogTest, AKeystrokeDuringALongSearchIsNotDelayed)
{
    g_realNormalizeString = RealFunction(&::NormalizeString);
    const ImportHook held(Address(&::NormalizeString), Address(&HeldNormalizeString));
    ASSERT_TRUE(held.Installed());
    TypeAndSettle(L"abc", L"abc");
    g_searchReleased = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(PutOnClipboard(kAbcLfMd5));
    const ULONGLONG keyStart = ::GetTickCount64();
    TypeAndSettle(L"d", L"abcd");
    const ULONGLONG keystroke = ::GetTickCount64() - keyStart;
    ::SetEvent(g_searchReleased);
    EXPECT_LT(keystroke, 1500u) << "the keystroke waited for the search";
    ASSERT_TRUE(WaitFor([&] { return Tips() != L""; }));
    EXPECT_NE(std::wstring::npos, Tips().find(L"都与剪贴板上的摘要不同")) << Tips();
    ::CloseHandle(g_searchReleased);
}

}  // namespace
