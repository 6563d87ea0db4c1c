// The paths of files and folders dropped onto a window.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>

// Appends the full path of every item of `drop`, in the shell's order, each
// followed by CR LF, then removes every CR and LF from the end of `paths`, so
// that the paths stand one a line without a line break after the last. Paths
// are read whole, whatever their length; an item whose path the shell does not
// give is left out. Releases the drop when `releaseDrop` is set. Always TRUE.
BOOL CollectDroppedFiles(HDROP drop, std::wstring& paths, BOOL releaseDrop);
