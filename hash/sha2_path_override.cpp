#include "hash/sha2_path_override.h"

#include "hash/cpu_features.h"
#include "hash/sha2_path_slots.h"

bool UseSha256Path(const char* name) { return UseNamedPath(Sha256Paths(), Sha256PathSlot(), name); }
bool UseSha512Path(const char* name) { return UseNamedPath(Sha512Paths(), Sha512PathSlot(), name); }

void UsePreferredSha2Paths()
{
    Sha256PathSlot().store(&PreferredSha256Path(GetCpuFeatures()));
    Sha512PathSlot().store(&PreferredSha512Path(GetCpuFeatures()));
}
