// --match: the settings under which the text gives a digest the user was
// given, each as the options that reproduce it.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "cli/command_line.h"
#include "digest/setting_search.h"

// One line of options, such as "--only sha256 --encoding utf8 --terminator";
// what the line breaks need follows in words after "  # ", since no option
// changes them.
std::wstring SettingAsOptions(const SettingMatch& match);

// Prints every setting that gives options.match: exit 0 when there is one,
// 1 when there is none (said on standard error).
int RunMatch(HCRYPTPROV provider, const CliOptions& options);
