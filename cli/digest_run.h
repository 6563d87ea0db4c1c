// The console program's run: the text or the files, digested and printed.
#pragma once

#include "cli/command_line.h"
#include "digest/digest_set.h"

enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,  // a digest or a file failed, or output could not be written
    kExitRefused = 2,  // the command line cannot be used, or standard input is not text
};

// Verifies checksum lists with --check; otherwise digests the text or the files.
int RunDigests(const CliOptions& options);

// The text of the command line: its words, or else standard input decoded.
// Anything but kExitSuccess means there is none, and why has been reported.
int ReadCommandText(const CliOptions& options, std::wstring& text);

// Digests the file `name` as DigestFile does; "-" is standard input.
bool DigestNamedFile(CDigestSet& set, const std::wstring& name, DigestTexts& digests);
