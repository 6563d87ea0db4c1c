#include "hash/crc32/crc32_path_override.h"

#include "hash/crc32/crc32_paths.h"

bool UseCrc32Path(const char* name) { return UseNamedPath(Crc32Paths(), Crc32PathSlot(), name); }

void UsePreferredCrc32Path() { Crc32PathSlot().store(&PreferredCrc32Path(GetCpuFeatures())); }
