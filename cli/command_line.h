// What the command line asks for, and how it is read.
#pragma once

#include <bitset>
#include <string>
#include <vector>

#include "app/digest_pipeline.h"

// The digest names of the output, in digest order; --only takes them in any case.
extern const wchar_t* const kDigestNames[kDigestCount];

struct CliOptions {
    ByteEncoding inputEncoding = ByteEncoding::Utf8;
    ByteEncoding encoding = ByteEncoding::Ansi;
    bool withTerminator = false;
    std::vector<std::wstring> files;
    std::bitset<kDigestCount> selected = std::bitset<kDigestCount>().set();
    bool lowerCase = false;
    bool cArrays = false;
    bool help = false;
    bool version = false;
    // The text, one entry per argument; joined by single spaces.
    std::vector<std::wstring> words;
};

// Reads the arguments after the program's name. Options may stand anywhere
// before "--"; every other argument, and everything after "--", is text.
// False with a one-line reason in `problem` when the command line cannot be
// used as it stands.
bool ParseCommandLine(const std::vector<std::wstring>& arguments, CliOptions& options, std::wstring& problem);
