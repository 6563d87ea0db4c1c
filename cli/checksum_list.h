// Checksum lists as the usual tools write them: GNU lines "hex  name" and
// "hex *name", tagged lines "SHA256 (name) = hex", and OpenSSL's
// "SHA2-256(name)= hex"; and as this program writes digests of files: a line
// "FILE name", then a "NAME HEX" or "NAME BASE64" line for each digest of
// that file, up to an empty line. A leading backslash marks a line whose name
// is escaped ("\\", "\n" and "\r" inside it), as the usual tools write names
// with line breaks or backslashes.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "digest/digest_set.h"

// The longest list line held whole, far more than the longest name Windows
// opens. Of a longer one only its first and last kLineEndBytes are kept, so
// that any list, even a binary file, takes bounded memory: a GNU line starts
// with its digest and a tagged one ends with it, so they still tell a
// checksum line, whose name no path can hold.
constexpr size_t kMaxListLineBytes = 16 << 20;
constexpr size_t kLineEndBytes = 4096;

enum class ListLine {
    Skipped,   // empty, or a comment starting with '#'
    Improper,  // not a checksum line of any known format
    Checksum,
    FileLine,  // "FILE name": the file of the digest lines after it
};

// The file that this program's digest lines check: the one the FILE line
// before them names, until an empty line ends its block.
using BlockFile = std::optional<std::wstring>;

struct ListedChecksum {
    int digest = 0;       // row of kDigestTable
    bool tagged = false;  // the tag names the digest; else the number of digits says it
    bool keyed = false;   // the tag names its keyed digest ("HMAC-SHA256")
    DigestValue value;    // whether listed as hex or in Base64
    std::wstring name;    // unescaped; relative names are taken from the current folder
};

// Reads one line of a list without its LF; a CR before the LF is dropped too.
// Only lines of the `selected` digests (--only) are checksum lines; a GNU
// line's 32 digits are MD5, or MD4 when `selected` has MD4 and not MD5. The
// name is text in `codePage` (CP_UTF8, or the ANSI code page for a list that
// is not UTF-8). `block` follows the list's lines, read in order: a FILE line
// sets it (an improper one, or an empty line, ends it), and a digest line
// checks its file; without one, a digest line names no file and is improper.
ListLine ParseListLine(std::string line, const DigestSelection& selected, UINT codePage, BlockFile& block,
                       ListedChecksum& checksum);

// A listed name as checking reports it: one with a line break in it escaped
// and marked by a leading backslash, so that every report stays one line.
std::wstring ReportedName(const std::wstring& name);

// The line, without its line break, before the digest lines of the file
// `name` as given: "FILE name", escaped only where the name holds a line
// break (a Windows path's backslashes stay as they are).
std::wstring FileHeaderLine(const std::wstring& name);

// The tagged line, without its line break, that ParseListLine reads back:
// "NAME (name) = hex", escaped where the name holds a backslash or a line break.
std::wstring TaggedLine(const wchar_t* digestName, const std::wstring& name, const std::wstring& hex);

// Cuts a list's bytes, arriving in pieces of any size, into lines without
// their LF, and drops a UTF-8 byte-order mark at its start. A list with a
// UTF-16 byte-order mark (as some shells write a redirected output) is
// handed over as UTF-8 lines.
class CListLines {
public:
    // `cut`: the line was longer than kMaxListLineBytes and `line` holds its
    // start and its end, each cut between characters and outside an escape.
    using LineSink = std::function<void(const std::string& line, bool cut)>;

    explicit CListLines(LineSink sink) : m_sink(std::move(sink)) { }

    void Add(const BYTE* data, DWORD length);
    // Hands over the last line when no LF ends it.
    void Finish();

private:
    enum class Form { Unknown, Bytes, Utf16Le, Utf16Be };

    void AddInForm(const BYTE* data, size_t length);
    void AddUtf16(const BYTE* data, size_t length, bool last);
    void AddBytes(const char* bytes, size_t length);
    void DropLineMiddle();
    void EndLine();

    LineSink m_sink;
    Form m_form = Form::Unknown;
    std::string m_start;  // the first bytes, until they tell the form
    std::string m_units;  // UTF-16 bytes not yet converted
    std::string m_line;
    bool m_pending = false;   // bytes since the last LF
    bool m_cut = false;       // the line's middle is gone
    size_t m_startBytes = 0;  // of the line's start kept, once it is cut
    bool m_first = true;
};
