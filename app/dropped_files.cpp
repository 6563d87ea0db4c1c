#include "app/dropped_files.h"

namespace {

constexpr UINT kCountQuery = 0xFFFFFFFF;

// Appends the path of item `index` to `paths` at its full length; appends
// nothing and returns false when the shell gives no path.
bool AppendDroppedPath(HDROP drop, UINT index, std::wstring& paths)
{
    const UINT length = DragQueryFileW(drop, index, nullptr, 0);
    if (length == 0) {
        return false;
    }
    const size_t start = paths.size();
    paths.resize(start + length + 1);
    const UINT read = DragQueryFileW(drop, index, &paths[start], length + 1);
    paths.resize(start + read);
    return read != 0;
}

}  // namespace

BOOL CollectDroppedFiles(HDROP drop, std::wstring& paths, BOOL releaseDrop)
{
    const UINT count = DragQueryFileW(drop, kCountQuery, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        if (AppendDroppedPath(drop, index, paths)) {
            paths += L"\r\n";
        }
    }
    const size_t keep = paths.find_last_not_of(L"\r\n");
    paths.erase(keep == std::wstring::npos ? 0 : keep + 1);
    if (releaseDrop) {
        DragFinish(drop);
    }
    return TRUE;
}
