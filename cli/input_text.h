// The text the console program digests or searches: its text arguments, or
// else standard input's bytes as text.
#pragma once

#include <string>

#include "cli/command_line.h"
#include "digest/digest_pipeline.h"

// The text of the command line: its words joined by single spaces, or else
// standard input decoded. Anything but kExitSuccess (cli/console_io.h) means
// there is none, and why has been reported.
int ReadCommandText(const CliOptions& options, std::wstring& text);

struct InputText {
    std::wstring text;
    // Set when the bytes are not text in their encoding: the offset of the
    // first byte that is not (counted from the very first byte of the input)
    // and the encoding's name.
    bool invalid = false;
    size_t invalidOffset = 0;
    std::wstring encodingName;
};

// Decodes `bytes` as `encoding`. With `markDecides` a UTF-8, UTF-16LE or
// UTF-16BE byte-order mark at their start names the encoding instead; without, only
// `encoding`'s own mark counts as one. The mark itself is not text. Bytes
// that are not text in that encoding are refused, never replaced. False with
// the failure recorded when the text cannot be held.
bool DecodeInputText(const std::string& bytes, ByteEncoding encoding, bool markDecides, InputText& input);
