#include "hash/sha2_path_override.h"

#include <cstring>

#include "hash/cpu_features.h"
#include "hash/sha2_path_slots.h"

namespace {

template <typename Path> bool UsePath(const std::vector<Path>& paths, std::atomic<const Path*>& slot, const char* name)
{
    for (const Path& path : paths) {
        if (std::strcmp(path.name, name) == 0 && path.offered(GetCpuFeatures())) {
            slot.store(&path);
            return true;
        }
    }
    return false;
}

}  // namespace

bool UseSha256Path(const char* name) { return UsePath(Sha256Paths(), Sha256PathSlot(), name); }
bool UseSha512Path(const char* name) { return UsePath(Sha512Paths(), Sha512PathSlot(), name); }

void UsePreferredSha2Paths()
{
    Sha256PathSlot().store(&PreferredSha256Path(GetCpuFeatures()));
    Sha512PathSlot().store(&PreferredSha512Path(GetCpuFeatures()));
}
