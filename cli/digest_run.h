// The console program's digests of its text or of the files it names.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include "cli/command_line.h"

// Digests the text or the files, up to `workers` files at once, and prints
// them in the order given; the exit code as cli/console_io.h has them.
int RunDigests(HCRYPTPROV provider, const CliOptions& options, int workers);
