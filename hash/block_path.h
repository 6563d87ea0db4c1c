// A "path": one block function built for one processor feature, and the
// choice among a digest's paths (internal to hash/). The paths of a digest
// are listed fastest first, and the portable one, offered everywhere, last.
#pragma once

#include <atomic>
#include <cstring>
#include <vector>

#include "hash/cpu_features.h"

template <typename BlockFunction> struct BlockPath {
    const char* name;  // "shani", "avx512vl", "avx2", "bmi2", "ssse3", "pclmul", "portable"
    BlockFunction compress;
    bool (*offered)(const CpuFeatures& cpu);
};

inline bool OfferedEverywhere(const CpuFeatures&) { return true; }

// The first path in `paths` that `cpu` offers.
template <typename Path> const Path& FirstOfferedPath(const std::vector<Path>& paths, const CpuFeatures& cpu)
{
    for (const Path& path : paths) {
        if (path.offered(cpu))
            return path;
    }
    return paths.back();
}

// For tests and the benchmark: stores the path called `name` in `slot`.
// Returns false and changes nothing when no path has that name or this
// processor lacks it.
template <typename Path>
bool UseNamedPath(const std::vector<Path>& paths, std::atomic<const Path*>& slot, const char* name)
{
    for (const Path& path : paths) {
        if (std::strcmp(path.name, name) == 0 && path.offered(GetCpuFeatures())) {
            slot.store(&path);
            return true;
        }
    }
    return false;
}
