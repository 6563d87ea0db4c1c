#include "app/dropped_files.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// A drop as the shell hands it over: a DROPFILES header followed by the
// wide paths, each zero-terminated, and a closing zero (two zeros when empty).
HDROP MakeDrop(const std::vector<std::wstring>& paths)
{
    size_t units = paths.empty() ? 2 : 1;
    for (const std::wstring& path : paths) {
        units += path.size() + 1;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + units * sizeof(wchar_t));
    if (block == nullptr) {
        return nullptr;
    }
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* list = reinterpret_cast<wchar_t*>(header + 1);
    for (const std::wstring& path : paths) {
        memcpy(list, path.c_str(), path.size() * sizeof(wchar_t));
        list += path.size() + 1;
    }
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

std::wstring JoinedByLineBreaks(const std::vector<std::wstring>& paths)
{
    std::wstring joined;
    for (const std::wstring& path : paths) {
        joined += (joined.empty() ? L"" : L"\r\n") + path;
    }
    return joined;
}

const std::wstring kLongPath = L"C:\\" + std::wstring(1500, L'长') + L"\\" + std::wstring(600, L'a') + L".txt";

class CollectDroppedFilesTest : public ::testing::TestWithParam<std::vector<std::wstring>> {};

TEST_P(CollectDroppedFilesTest, GivesThePathsWholeOneALine)
{
    HDROP drop = MakeDrop(GetParam());
    ASSERT_NE(nullptr, drop);
    std::wstring paths;

    EXPECT_TRUE(CollectDroppedFiles(drop, paths, TRUE));

    EXPECT_EQ(JoinedByLineBreaks(GetParam()), paths);
}

INSTANTIATE_TEST_SUITE_P(
    Drops, CollectDroppedFilesTest,
    ::testing::Values(std::vector<std::wstring>{L"C:\\data\\abc.txt"},
                      std::vector<std::wstring>{L"C:\\a.txt", L"D:\\folder", L"\\\\server\\share\\b.bin"},
                      std::vector<std::wstring>{L"C:\\Program Files\\文本 摘要\\说明 文件.txt", L"E:\\新建文件夹"},
                      std::vector<std::wstring>{L"C:\\short.txt", kLongPath, L"C:\\after.txt"},
                      std::vector<std::wstring>{}));

TEST(CollectDroppedFiles, KeepsTheDropWhenNotAskedToReleaseIt)
{
    HDROP drop = MakeDrop({L"C:\\a.txt", L"C:\\b.txt"});
    ASSERT_NE(nullptr, drop);
    std::wstring paths;

    EXPECT_TRUE(CollectDroppedFiles(drop, paths, FALSE));

    EXPECT_EQ(L"C:\\a.txt\r\nC:\\b.txt", paths);
    EXPECT_EQ(2u, DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0));
    EXPECT_EQ(nullptr, GlobalFree(drop));
}

}  // namespace
