// What the command line asks for, and how it is read.
#pragma once

#include <string>
#include <vector>

#include "digest/digest_pipeline.h"
#include "digest/expected_digest.h"
#include "digest/setting_causes.h"
#include "text/text_forms.h"

// How much --check says. As with the usual tools, the last of --quiet,
// --status and --warn counts.
enum class CheckOutput {
    Normal,    // every file's outcome and the summary warnings
    Quiet,     // no line for a file that matched
    Status,    // only the exit code (and failures to open or read)
    Warnings,  // Normal, and each improperly formatted line
};

struct CliOptions {
    ByteEncoding inputEncoding = ByteEncoding::Utf8;
    // How the text becomes bytes, as the settings search names it: the
    // encoding, its mark, the terminator, the line breaks, the text read as
    // data and the digest of the digest (its single form unused: see forms).
    TextSetting setting;
    // The forms the text is put in before its line breaks are rewritten, in
    // the order of the table of causes: normalization, letter case, the trims,
    // the pasted characters, the escapes.
    std::vector<TextForm> forms;
    std::vector<std::wstring> files;
    // --only takes the table's names and their other spellings in any case;
    // without it, the window's seven.
    DigestSelection selected = ShownDigests();
    bool lowerCase = false;
    bool cArrays = false;
    bool help = false;
    bool version = false;
    // The text, one entry per argument; joined by single spaces. With
    // --check, the checksum lists ("-" and none: standard input).
    std::vector<std::wstring> words;
    // The names of the options given, in order.
    std::vector<std::wstring> given;
    // --match: a digest the text should give (its hex empty without the
    // option), and the value as given.
    ExpectedDigest match;
    std::wstring matchValue;
    bool check = false;
    CheckOutput checkOutput = CheckOutput::Normal;
    bool strict = false;
    bool ignoreMissing = false;
    // The first option given that means something only with --check.
    std::wstring checkOnlyOption;
    // One tagged line "NAME (file) = hex" per digest and file, as --check reads.
    bool tag = false;
    // Digests in Base64 instead of hex.
    bool base64 = false;
};

// True when the option `name` ("--encoding") was given, rather than left at its default.
bool OptionGiven(const CliOptions& options, const wchar_t* name);

// Reads the arguments after the program's name. Options may stand anywhere
// before "--"; every other argument, and everything after "--", is text.
// False with a one-line reason in `problem` when the command line cannot be
// used as it stands.
bool ParseCommandLine(const std::vector<std::wstring>& arguments, CliOptions& options, std::wstring& problem);

// The lines of --help about the options that shape the text, one per cause
// of the table.
std::wstring CauseOptionsHelp();

// The values --only, --encoding and --input-encoding take, for --help and refusals.
std::wstring DigestNameValues();
std::wstring DigestValues();
std::wstring EncodingValues();
std::wstring InputEncodingValues();

// At most the first 60 characters of `text`, and "…" when it is longer: a
// message quotes what it refuses, not a whole paste.
std::wstring Shortened(const std::wstring& text);
