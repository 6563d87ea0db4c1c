#include "support/last_error.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

namespace {

// What the system (or a module) says about `code`, without trailing line breaks.
std::wstring MessageFor(DWORD code, HMODULE module = nullptr)
{
    wchar_t buffer[4096] = {};
    DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    if (module != nullptr) {
        flags |= FORMAT_MESSAGE_FROM_HMODULE;
    }
    FormatMessageW(flags, module, code, 0x0400, buffer, 4096, nullptr);
    std::wstring text = buffer;
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n')) {
        text.pop_back();
    }
    return text;
}

constexpr DWORD kCodeWithoutMessage = 0xE0001234;

TEST(LastErrorSetSystem, JoinsContextAndMessageWithOneColonAndNoTrailingLineBreak)
{
    const std::wstring message = MessageFor(ERROR_ACCESS_DENIED);
    ASSERT_FALSE(message.empty());

    const std::wstring text = LastErrorSetSystem(ERROR_ACCESS_DENIED, L"打开剪贴板失败");

    EXPECT_EQ(L"打开剪贴板失败:" + message, text);
    EXPECT_EQ(text, LastErrorText());
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), LastErrorCode());
    EXPECT_NE(L'\n', text.back());
    EXPECT_NE(L'\r', text.back());
}

TEST(LastErrorSetSystem, ContextLosesAllTrailingColonsButKeepsOtherCharacters)
{
    const std::wstring message = MessageFor(ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(L"打开文件失败:" + message, LastErrorSetSystem(ERROR_FILE_NOT_FOUND, L"打开文件失败::"));
    EXPECT_EQ(L"打开文件失败 :" + message, LastErrorSetSystem(ERROR_FILE_NOT_FOUND, L"打开文件失败 "));
    EXPECT_EQ(L"第42步失败:" + message, LastErrorSetSystem(ERROR_FILE_NOT_FOUND, L"第%u步失败:", 42u));
}

TEST(LastErrorSetSystem, WithoutContextTheTextIsTheMessageAlone)
{
    const std::wstring message = MessageFor(ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(message, LastErrorSetSystem(ERROR_FILE_NOT_FOUND, nullptr));
    EXPECT_EQ(message, LastErrorSetSystem(ERROR_FILE_NOT_FOUND, L"::"));
}

TEST(LastErrorSetSystem, CodeZeroTakesTheThreadsLastError)
{
    SetLastError(ERROR_INVALID_HANDLE);

    const std::wstring text = LastErrorSetSystem(0, L"关闭失败");

    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), LastErrorCode());
    EXPECT_EQ(L"关闭失败:" + MessageFor(ERROR_INVALID_HANDLE), text);
}

TEST(LastErrorSetSystem, CodeWithoutMessageGetsTheUnknownErrorText)
{
    EXPECT_EQ(std::wstring(L"读取失败:未知系统错误0xE0001234。"), LastErrorSetSystem(kCodeWithoutMessage, L"读取失败"));
    EXPECT_EQ(std::wstring(L"未知系统错误0xE0001234。"), LastErrorSetSystem(kCodeWithoutMessage, nullptr));
}

TEST(LastErrorSetSystem, InternetClientCodesComeFromWininetsTable)
{
    HMODULE wininet = LoadLibraryW(L"wininet.dll");
    ASSERT_NE(nullptr, wininet);
    const std::wstring timeout = MessageFor(12002, wininet);  // ERROR_INTERNET_TIMEOUT
    ASSERT_FALSE(timeout.empty());

    EXPECT_EQ(L"下载失败:" + timeout, LastErrorSetSystem(12002, L"下载失败"));
    EXPECT_EQ(12002u, LastErrorCode());
}

TEST(LastErrorSetSystem, CodesJustOutsideTheInternetRangeUseOnlyTheSystemTable)
{
    struct Case {
        DWORD code;
        const wchar_t* unknownText;
    };
    for (const Case& c : {Case{11999, L"未知系统错误0x00002EDF。"}, Case{13000, L"未知系统错误0x000032C8。"}}) {
        const std::wstring system = MessageFor(c.code);
        EXPECT_EQ(system.empty() ? c.unknownText : system, LastErrorSetSystem(c.code, nullptr)) << c.code;
    }
}

TEST(LastErrorSetText, KeepsCodeAndTextExactlyAsGiven)
{
    SetLastError(ERROR_ACCESS_DENIED);

    EXPECT_EQ(std::wstring(L"分配内存失败(4096字节).:\r\n"), LastErrorSetText(0, L"分配内存失败(%u字节).:\r\n", 4096u));
    EXPECT_EQ(0u, LastErrorCode());
}

TEST(LastErrorReplaceContext, KeepsDetailAndCodeOfTheEarlierFailure)
{
    const std::wstring message = MessageFor(ERROR_ACCESS_DENIED);
    LastErrorSetSystem(ERROR_ACCESS_DENIED, L"获取加密句柄失败");

    EXPECT_EQ(L"Hash数据时获取加密句柄失败:" + message, LastErrorReplaceContext(L"Hash数据时获取加密句柄失败"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), LastErrorCode());
}

struct SeparatorCase {
    const wchar_t* before;
    const wchar_t* after;
};

class LastErrorSeparator : public testing::TestWithParam<SeparatorCase> {};

TEST_P(LastErrorSeparator, PassesOverColonsOfPathsUrlsAndTimes)
{
    LastErrorSetText(7, GetParam().before);

    EXPECT_EQ(std::wstring(GetParam().after), LastErrorReplaceContext(L"新的步骤::"));
    EXPECT_EQ(7u, LastErrorCode());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LastErrorSeparator,
    testing::Values(SeparatorCase{L"打开C:\\temp\\a.txt失败:拒绝访问", L"新的步骤:拒绝访问"},
                    SeparatorCase{L"下载http://example.com/a失败:超时", L"新的步骤:超时"},
                    SeparatorCase{L"12:30 同步失败:磁盘已满", L"新的步骤:磁盘已满"},
                    SeparatorCase{L"没有分隔符", L"新的步骤"},
                    SeparatorCase{L"只在末尾有冒号:", L"新的步骤"},
                    SeparatorCase{L"C:\\", L"新的步骤"},
                    SeparatorCase{L"", L"新的步骤"}));

TEST(LastErrorReplaceContext, WithoutContextKeepsOnlyTheDetailFromTheSeparatorOn)
{
    LastErrorSetText(0, L"旧的步骤:细节");

    EXPECT_EQ(std::wstring(L":细节"), LastErrorReplaceContext(nullptr));
}

TEST(LastErrorRecord, EachThreadKeepsItsOwnFailure)
{
    LastErrorSetText(1, L"主线程的失败");
    std::wstring otherText;
    DWORD otherCode = 0;

    std::thread([&] {
        otherText = LastErrorSetText(2, L"另一个线程的失败");
        otherCode = LastErrorCode();
    }).join();

    EXPECT_EQ(L"另一个线程的失败", otherText);
    EXPECT_EQ(2u, otherCode);
    EXPECT_EQ(std::wstring(L"主线程的失败"), LastErrorText());
    EXPECT_EQ(1u, LastErrorCode());
}

}  // namespace
