// One text's or one file's digests as the console program prints them.
#pragma once

#include <string>

#include "digest/digest_set.h"
#include "cli/command_line.h"

struct DigestReport {
    // For standard output: "NAME HEX" lines of the selected digests that
    // succeeded, or with --c the copy-as-C text of all seven.
    std::wstring output;
    // For standard error: one "[label: ]NAME: failure text" per selected
    // digest that failed.
    std::vector<std::wstring> failures;
};

// `text` with its ASCII capitals in lower case: hex as --lower prints it,
// digest names as the options take them.
std::wstring LowerCaseAscii(std::wstring text);

// `label` names the file the digests belong to; empty for the text.
DigestReport ReportDigests(const std::wstring& label, const DigestTexts& digests, const CliOptions& options);

// The warning line, without the program's name, for a text whose encoding
// replaced characters of it: the digests are those of other text. Empty when
// nothing was replaced.
std::wstring EncodingLossWarning(const EncodingLoss& loss);
