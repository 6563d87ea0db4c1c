// The two dispatch slots behind ActiveSha256Path and ActiveSha512Path. The
// SHA-2 classes read them for every run of blocks; nothing in the programs
// writes them: the preferred path is stored on first use, and only the
// override for tests and the benchmark (sha2_path_override.cpp) stores another.
#pragma once

#include <atomic>

#include "hash/sha2_paths.h"

std::atomic<const Sha256Path*>& Sha256PathSlot();
std::atomic<const Sha512Path*>& Sha512PathSlot();
