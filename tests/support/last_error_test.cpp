#include "support/last_error.h"

#include <gtest/gtest.h>

#include <thread>

// What `module` (null: the system) says about `code` without the line break; `otherwise` when nothing.
static std::wstring MessageFor(DWORD code, HMODULE module = nullptr, const wchar_t* otherwise = L"")
{
    wchar_t text[4096] = {};
    FormatMessageW((module ? FORMAT_MESSAGE_FROM_HMODULE : FORMAT_MESSAGE_FROM_SYSTEM) | FORMAT_MESSAGE_IGNORE_INSERTS,
                   module, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, 4096, nullptr);
    std::wstring message = text;
    message.erase(message.find_last_not_of(L"\r\n") + 1);
    return message.empty() ? otherwise : message;
}

TEST(LastErrorSetSystem, RecordsCodeAndContextColonMessage)
{
    const std::wstring denied = MessageFor(ERROR_ACCESS_DENIED);
    const std::wstring timeout = MessageFor(12002, LoadLibraryW(L"wininet.dll"));
    const struct { DWORD code; const wchar_t* context; std::wstring text; } cases[] = {
        {ERROR_ACCESS_DENIED, L"打开剪贴板失败", L"打开剪贴板失败:" + denied},
        {ERROR_ACCESS_DENIED, L"打开文件失败::", L"打开文件失败:" + denied},
        {ERROR_ACCESS_DENIED, nullptr, denied}, {ERROR_ACCESS_DENIED, L"::", denied},
        {0, L"关闭失败", L"关闭失败:" + MessageFor(ERROR_INVALID_HANDLE)},  // the thread's last error
        {0xE0001234, L"读取失败", L"读取失败:未知系统错误0xE0001234。"}, {0xE0001234, nullptr, L"未知系统错误0xE0001234。"},
        {12002, L"下载失败", L"下载失败:" + timeout},
        {11999, nullptr, MessageFor(11999, nullptr, L"未知系统错误0x00002EDF。")},
        {13000, nullptr, MessageFor(13000, nullptr, L"未知系统错误0x000032C8。")},
    };
    for (const auto& c : cases) {
        SetLastError(ERROR_INVALID_HANDLE);
        EXPECT_EQ(c.text, LastErrorSetSystem(c.code, c.context)) << c.code;
        EXPECT_EQ(c.text, LastErrorText());
        EXPECT_EQ(c.code ? c.code : DWORD{ERROR_INVALID_HANDLE}, LastErrorCode());
    }
}

TEST(LastErrorSetTextAndReplaceContext, KeepTheCodeAndTheDetailFromTheFirstSeparatingColon)
{
    const struct { const wchar_t* before; const wchar_t* after; } cases[] = {
        {L"获取加密句柄失败:拒绝访问", L"新的步骤:拒绝访问"}, {L"打开C:\\temp\\a.txt失败:拒绝访问", L"新的步骤:拒绝访问"},
        {L"下载http://example.com/a失败:超时", L"新的步骤:超时"}, {L"12:30 同步失败:磁盘已满", L"新的步骤:磁盘已满"},
        {L"没有分隔符", L"新的步骤"}, {L"只在末尾有冒号:", L"新的步骤"}, {L"C:\\", L"新的步骤"}, {L"", L"新的步骤"},
        {L"分配内存失败(4096字节).:\r\n", L"新的步骤:\r\n"},
    };
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
