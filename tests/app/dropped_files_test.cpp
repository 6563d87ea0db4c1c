#include "app/dropped_files.h"

#include <gtest/gtest.h>

#include "tests/support/shell_transfer.h"

TEST(CollectDroppedFiles, GivesEveryPathWholeOneALine)
{
    const std::wstring spaces = L"C:\\Program Files\\文本 摘要\\说明 文件.txt";
    const std::wstring longPath = L"C:\\" + std::wstring(1500, L'长') + L"\\" + std::wstring(600, L'a') + L".txt";
    // clang-format off
    const struct { std::vector<std::wstring> paths; std::wstring lines; BOOL release; } cases[] = {
        {{L"C:\\data\\abc.txt"},                  L"C:\\data\\abc.txt",                     TRUE},
        {{L"C:\\a.txt", L"D:\\folder", spaces},   L"C:\\a.txt\r\nD:\\folder\r\n" + spaces, TRUE},
        {{L"C:\\a.txt", longPath},                L"C:\\a.txt\r\n" + longPath,             FALSE},
    };
    // clang-format on
    for (const auto& c : cases) {
        const HDROP drop = MakeDrop(c.paths);
        std::wstring paths;
        EXPECT_TRUE(CollectDroppedFiles(drop, paths, c.release));
        EXPECT_EQ(c.lines, paths);
        // A released drop answers no more; otherwise it is still the caller's.
        EXPECT_EQ(c.release ? 0 : c.paths.size(), DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0));
        if (!c.release) {
            EXPECT_EQ(nullptr, GlobalFree(drop));
        }
    }
}
