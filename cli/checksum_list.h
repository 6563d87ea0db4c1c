// Checksum lists as the usual tools write them: GNU lines "hex  name" and
// "hex *name", tagged lines "SHA256 (name) = hex", and OpenSSL's
// "SHA2-256(name)= hex". A leading backslash marks a line whose name is
// escaped ("\\", "\n" and "\r" inside it), as the usual tools write names
// with line breaks or backslashes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "digest/digest_table.h"

// The longest list line read; a longer one counts as improperly formatted,
// so that any list, even a binary file, takes bounded memory. Room for the
// longest name Windows opens, in UTF-8, and the longest digest.
constexpr size_t kMaxListLineBytes = 128 * 1024;

enum class ListLine {
    Skipped,   // empty, or a comment starting with '#'
    Improper,  // not a checksum line of any known format
    Checksum,
};

struct ListedChecksum {
    int digest = 0;     // row of kDigestTable
    std::string hex;    // as listed, in either case
    std::wstring name;  // unescaped; relative names are taken from the current folder
};

// Reads one line of a list without its LF; a CR before the LF is dropped too.
// A GNU line's 32 digits are MD5, or MD4 when `selected` (--only) has MD4
// and not MD5.
ListLine ParseListLine(std::string line, const DigestSelection& selected, ListedChecksum& checksum);

// A listed name as checking reports it: one with a line break in it escaped
// and marked by a leading backslash, so that every report stays one line.
std::wstring ReportedName(const std::wstring& name);

// The tagged line, without its line break, that ParseListLine reads back:
// "NAME (name) = hex", escaped where the name holds a backslash or a line break.
std::wstring TaggedLine(int digest, const std::wstring& name, const std::wstring& hex);

// Cuts a list's bytes, arriving in pieces of any size, into lines without
// their LF, and drops a UTF-8 byte-order mark at its start.
class CListLines {
public:
    // `tooLong`: the line was longer than kMaxListLineBytes and `line` is empty.
    using LineSink = std::function<void(const std::string& line, bool tooLong)>;

    explicit CListLines(LineSink sink) : m_sink(std::move(sink)) { }

    void Add(const BYTE* data, DWORD length);
    // Hands over the last line when no LF ends it.
    void Finish();

private:
    void EndLine();

    LineSink m_sink;
    std::string m_line;
    bool m_pending = false;  // bytes since the last LF
    bool m_tooLong = false;
    bool m_first = true;
};
