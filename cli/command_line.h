// What the command line asks for, read once into typed values: every option's
// name, value, repeatability, help line and what it cannot be given with come
// from one table (command_line.cpp), the options that shape the text from the
// table of causes.
#pragma once

#include <optional>
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
    // Standard input's encoding as given; without it a byte-order mark
    // decides, else UTF-8.
    std::optional<ByteEncoding> inputEncoding;
    // --encoding as given, which narrows --match's search; `setting` has it too.
    std::optional<Encoding> encoding;
    // How the text becomes bytes, as the settings search names it: the
    // encoding, its mark, the terminator, the line breaks, the text read as
    // data and the digest of the digest (its single form unused: see forms).
    TextSetting setting;
    // The forms the text is put in before its line breaks are rewritten, in
    // the order of the table of causes: normalization, letter case, the trims,
    // the pasted characters, the escapes.
    std::vector<TextForm> forms;
    std::vector<std::wstring> files;
    // --only: the table's names and their other spellings in any case.
    std::optional<DigestSelection> only;
    // BLAKE2b's length in bytes, as --only blake2b-256 names another.
    DWORD blake2bLength = kMaxDigestBytes;
    bool lowerCase = false;
    bool cArrays = false;
    bool help = false;
    bool version = false;
    // The text, one entry per argument; joined by single spaces. With
    // --check, the checksum lists ("-" and none: standard input).
    std::vector<std::wstring> words;
    // --match: a digest the text should give, or a password hash.
    std::optional<ExpectedDigest> match;
    bool check = false;
    CheckOutput checkOutput = CheckOutput::Normal;
    bool strict = false;
    bool ignoreMissing = false;
    // One tagged line "NAME (file) = hex" per digest and file, as --check reads.
    bool tag = false;
    // Digests in Base64 instead of hex.
    bool base64 = false;
    // --hmac or --hmac-file: the key the user holds, and for a run that
    // digests (not --match, which tries every reading) the key as
    // setting.key reads it.
    std::optional<CGivenKey> key;
    CDigestKey readKey;

    // The digests a run computes: those of --only, else the window's seven.
    DigestSelection Selected() const { return only.value_or(ShownDigests()); }
    // The same with the key where it keys the digests.
    DigestRequest Request() const;
};

// Reads the arguments after the program's name. Options may stand anywhere
// before "--"; every other argument, and everything after "--", is text. An
// option that takes a value takes the next argument, whatever it begins with.
// False with a one-line reason in `problem` when the command line cannot be
// used as it stands.
bool ParseCommandLine(const std::vector<std::wstring>& arguments, CliOptions& options, std::wstring& problem);

// The lines of --help about the options that shape the text, one per cause
// of the table, a code page once whatever its role.
std::wstring CauseOptionsHelp();

// The lines of --help about the other options, and which of all may be given
// more than once.
std::wstring OtherOptionsHelp();

// The values --only, --encoding and --input-encoding take, for --help and refusals.
std::wstring DigestNameValues();
std::wstring DigestValues();
std::wstring EncodingValues();
std::wstring InputEncodingValues();

// At most the first 60 characters of `text`, and "…" when it is longer: a
// message quotes what it refuses, not a whole paste.
std::wstring Shortened(const std::wstring& text);
