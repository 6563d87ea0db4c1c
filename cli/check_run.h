// --check: the files that checksum lists name, each digested and compared
// with its listed digest, reported as the usual tools report it, so that
// scripts that read their output keep working.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include "cli/command_line.h"

// Checks the lists that `options` names, with up to `workers` files digested
// at once and everything reported in list order; the exit code as the usual
// tools give it: success only when every list had a properly formatted line
// and every listed file was read and matched.
int RunChecks(HCRYPTPROV provider, const CliOptions& options, int workers);
