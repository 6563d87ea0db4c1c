#include "support/last_error.h"

#include <gtest/gtest.h>

#include <thread>

#include "tests/support/platform_watch.h"

namespace {

// The internet-client library has texts for only some of its codes; this one answers for the bounds of its
// range and their neighbours, so that whether the record asks it shows in the text.
const ImportHook* g_formatMessage = nullptr;
DWORD WINAPI FormatWithInternetBounds(DWORD flags, LPCVOID source, DWORD code, DWORD language, LPWSTR buffer,
                                      DWORD size, va_list* arguments)
{
    const bool bound = code == 11999 || code == 12000 || code == 12999 || code == 13000;
    if (bound && (flags & FORMAT_MESSAGE_FROM_HMODULE) && source == GetModuleHandleW(L"wininet.dll"))
        return lstrlenW(lstrcpynW(buffer, L"互联网库的消息\r\n", static_cast<int>(size)));
    return reinterpret_cast<decltype(&::FormatMessageW)>(g_formatMessage->original)(flags, source, code, language,
                                                                                    buffer, size, arguments);
}

TEST(LastErrorSetSystem, RecordsCodeAndContextColonMessage)
{
    const ImportHook hook(Address(&::FormatMessageW), Address(&FormatWithInternetBounds));
    g_formatMessage = &hook;
    ASSERT_TRUE(hook.Installed());
    const std::wstring denied = SystemMessage(ERROR_ACCESS_DENIED), internet = L"互联网库的消息";
    // clang-format off
    const struct { DWORD code; const wchar_t* context; std::wstring text; } cases[] = {
        {ERROR_ACCESS_DENIED, L"打开剪贴板失败", L"打开剪贴板失败:" + denied},
        {ERROR_ACCESS_DENIED, L"打开文件失败::", L"打开文件失败:" + denied},
        {ERROR_ACCESS_DENIED, nullptr,          denied},
        {ERROR_ACCESS_DENIED, L"::",            denied},
        {0,                   L"关闭失败",       L"关闭失败:" + SystemMessage(ERROR_INVALID_HANDLE)},  // the thread's last error
        {0xE0001234,          L"读取失败",       L"读取失败:未知系统错误0xE0001234。"},
        {12000,               nullptr,          internet},
        {12999,               L"连接失败",       L"连接失败:" + internet},
        {11999,               nullptr,          SystemMessage(11999, L"未知系统错误0x00002EDF。")},
        {13000,               nullptr,          SystemMessage(13000, L"未知系统错误0x000032C8。")},
    };
    // clang-format on
    for (const auto& c : cases) {
        SetLastError(ERROR_INVALID_HANDLE);
        EXPECT_EQ(c.text, LastErrorSetSystem(c.code, c.context)) << c.code;
        EXPECT_EQ(c.text, LastErrorText());
        EXPECT_EQ(c.code ? c.code : DWORD {ERROR_INVALID_HANDLE}, LastErrorCode());
    }
    g_formatMessage = nullptr;
}

// The platform's wide printf in every build: %s takes wide text. Each text and code is taken right after its
// call: braced lists run left to right.
TEST(LastErrorFormats, TakeWideTextForPercentSAndKeepTheCodeGiven)
{
    const std::wstring denied = SystemMessage(ERROR_ACCESS_DENIED);
    LastErrorSetText(1, L"");  // the thread's record is made first, which may clear the platform's last error
    // clang-format off
    const struct { std::wstring text; DWORD code; std::wstring expected; DWORD expectedCode; } cases[] = {
        {(SetLastError(ERROR_ACCESS_DENIED), LastErrorSetText(0, L"[%s]", L"岚鹊")), LastErrorCode(), L"[岚鹊]", 0},
        {LastErrorSetText(4, L"%d|%u|%08X|%ls|%s", -5, 4096u, 0xBEEFu, L"宽", L""), LastErrorCode(), L"-5|4096|0000BEEF|宽|", 4},
        {LastErrorSetSystem(ERROR_ACCESS_DENIED, L"打开%s失败", L"文件"),   LastErrorCode(), L"打开文件失败:" + denied,   ERROR_ACCESS_DENIED},
        {LastErrorReplaceContext(L"%s(%u):", L"新的步骤", 2u),              LastErrorCode(), L"新的步骤(2):" + denied,    ERROR_ACCESS_DENIED},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, c.text);
        EXPECT_EQ(c.expectedCode, c.code) << c.expected;
    }
}

// A colon before a slash, a backslash or a digit belongs to a path, an address or a time.
TEST(LastErrorSetTextAndReplaceContext, KeepTheCodeAndTheDetailFromTheFirstSeparatingColon)
{
    // clang-format off
    const struct { const wchar_t *before, *after; } cases[] = {
        {L"获取加密句柄失败:拒绝访问",       L"新的步骤:拒绝访问"},
        {L"打开C:\\temp\\a.txt失败:拒绝访问", L"新的步骤:拒绝访问"},
        {L"下载http://example.com/a失败:超时", L"新的步骤:超时"},
        {L"12:30 同步失败:磁盘已满",         L"新的步骤:磁盘已满"},
        {L"没有分隔符",                      L"新的步骤"},
        {L"只在末尾有冒号:",                 L"新的步骤"},
        {L"",                               L"新的步骤"},
        {L"分配内存失败(4096字节).:\r\n",    L"新的步骤:\r\n"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SetLastError(ERROR_ACCESS_DENIED);
        EXPECT_EQ(std::wstring(c.before), LastErrorSetText(7, L"%ls", c.before));  // as given
        EXPECT_EQ(std::wstring(c.after), LastErrorReplaceContext(L"新的步骤::")) << c.before;
        EXPECT_EQ(7u, LastErrorCode());
    }
}

TEST(LastErrorRecord, EachThreadKeepsItsOwn)
{
    LastErrorSetText(1, L"主线程的失败");
    std::thread([] { LastErrorSetText(2, L"另一个线程的失败"); }).join();
    EXPECT_EQ(std::wstring(L"主线程的失败"), LastErrorText());
    EXPECT_EQ(1u, LastErrorCode());
}

}  // namespace
