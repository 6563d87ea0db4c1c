// What the command line asks for, and how it is read.
#pragma once

#include <string>
#include <vector>

#include "digest/digest_pipeline.h"

struct CliOptions {
    ByteEncoding inputEncoding = ByteEncoding::Utf8;
    ByteEncoding encoding = ByteEncoding::Ansi;
    bool withTerminator = false;
    std::vector<std::wstring> files;
    // --only takes the table's names in any case.
    DigestSelection selected = AllDigests();
    bool lowerCase = false;
    bool cArrays = false;
    bool help = false;
    bool version = false;
    // The text, one entry per argument; joined by single spaces.
    std::vector<std::wstring> words;
    // --match: the hex digits of a digest the text should give; empty without it.
    std::wstring match;
};

// Reads the arguments after the program's name. Options may stand anywhere
// before "--"; every other argument, and everything after "--", is text.
// False with a one-line reason in `problem` when the command line cannot be
// used as it stands.
bool ParseCommandLine(const std::vector<std::wstring>& arguments, CliOptions& options, std::wstring& problem);

// The value of --encoding that selects `encoding`.
const wchar_t* EncodingOptionName(ByteEncoding encoding);
