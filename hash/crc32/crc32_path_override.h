// For tests and the benchmark only, like sha2_path_override.h: narrows
// CVnCrc32 to one path. The same threading rules hold.
#pragma once

// Returns false and changes nothing when no path has that name or this
// processor lacks it.
bool UseCrc32Path(const char* name);
void UsePreferredCrc32Path();
