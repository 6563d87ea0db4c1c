// Which block function CVnCrc32 runs: on first use the first path in
// preference order that this processor offers, "portable" last. Tests and
// the benchmark narrow the choice through crc32_path_override.h, which the
// programs do not link.
#pragma once

#include <windows.h>

#include <cstddef>

#include "hash/block_path.h"

using Crc32BlockFunction = DWORD (*)(DWORD crc, const BYTE* data, size_t length);
using Crc32Path = BlockPath<Crc32BlockFunction>;

// The paths built into this program, in order of preference; "portable" is last.
const std::vector<Crc32Path>& Crc32Paths();
const Crc32Path& PreferredCrc32Path(const CpuFeatures& cpu);
// The path CVnCrc32 runs now.
const Crc32Path& ActiveCrc32Path();
// The one dispatch slot behind ActiveCrc32Path; only the override writes it.
std::atomic<const Crc32Path*>& Crc32PathSlot();
