#include "digest/checksum_line.h"

#include <vector>

#include "digest/digest_names.h"
#include "digest/expected_digest.h"
#include "text/base64.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::wstring Widened(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// The digest of row `digest` at the end of `rest`, as hex or as Base64
// (padded or not), taken off `rest`; false when the end holds neither.
bool TakeListedDigest(std::string_view& rest, int digest, DigestValue& value)
{
    const size_t bytes = kDigestTable[digest].length;
    const size_t lengths[] = {2 * bytes, 4 * ((bytes + 2) / 3), (4 * bytes + 2) / 3};
    for (size_t length : lengths) {
        if (rest.size() < length
            || !ReadDigestValue(Widened(rest.substr(rest.size() - length)), kDigestTable[digest].length, value))
            continue;
        // What stands before the digest must end in ")", blanks, "=", blanks.
        std::string_view before = rest.substr(0, rest.size() - length);
        while (!before.empty() && IsBlank(before.back()))
            before.remove_suffix(1);
        if (before.empty() || before.back() != '=')
            continue;
        before.remove_suffix(1);
        while (!before.empty() && IsBlank(before.back()))
            before.remove_suffix(1);
        if (before.empty() || before.back() != ')')
            continue;
        rest = before.substr(0, before.size() - 1);
        return true;
    }
    return false;
}

// "NAME (name) = digest", OpenSSL's "NAME(name)= digest" and rhash's BSD
// lines, whose short tags are padded ("MD5   (name) = digest"); as with the
// usual tools, any blanks around the "=". The digest ends the line, so a name
// may hold ") = " itself.
bool ParseTaggedLine(std::string_view line, ChecksumLine& parsed)
{
    const size_t open = line.find('(');
    if (open == std::string_view::npos)
        return false;
    std::string_view tag = line.substr(0, open);
    while (!tag.empty() && IsBlank(tag.back()))
        tag.remove_suffix(1);
    parsed.digest = AnyDigestRowNamed(Widened(tag), false, parsed.keyed);
    if (parsed.digest < 0)
        return false;
    std::string_view rest = line.substr(open + 1);
    parsed.tagged = true;
    if (!TakeListedDigest(rest, parsed.digest, parsed.value))
        return false;
    parsed.name = rest;
    return true;
}

// Of the `selected` digests with `digits` digits (MD4, MD5 share 32; SHA-256
// and several others 64), the window's last, else the first: MD5 rather than
// MD4 and SHA-256 rather than BLAKE3, as the usual tools mean them.
int DigestOfHexLength(size_t digits, const DigestSelection& selected)
{
    int found = -1;
    for (int i = 0; i < kDigestCount; ++i) {
        if (2 * kDigestTable[i].length == digits && selected[i] && (found < 0 || i < kShownDigestCount))
            found = i;
    }
    return found;
}

// "hex  name" or "hex *name" (the mark of text or binary reading, which are
// the same here); the number of digits says the digest.
bool ParseGnuLine(std::string_view line, const DigestSelection& selected, ChecksumLine& parsed)
{
    size_t digits = 0;
    while (digits < line.size() && IsHexDigit(static_cast<unsigned char>(line[digits])))
        ++digits;
    parsed.digest = DigestOfHexLength(digits, selected);
    if (parsed.digest < 0 || digits == line.size() || !IsBlank(line[digits]))
        return false;
    std::string_view name = line.substr(digits + 1);
    if (name.size() > 1 && (name[0] == ' ' || name[0] == '*'))
        name.remove_prefix(1);
    parsed.name = name;
    parsed.tagged = false;
    parsed.keyed = false;
    return ReadDigestValue(Widened(line.substr(0, digits)), kDigestTable[parsed.digest].length, parsed.value);
}

}  // namespace

bool ParseChecksumLine(std::string_view line, const DigestSelection& selected, ChecksumLine& parsed)
{
    while (!line.empty() && IsBlank(line.front()))
        line.remove_prefix(1);
    parsed.escaped = !line.empty() && line.front() == '\\';
    if (parsed.escaped)
        line.remove_prefix(1);
    return ParseTaggedLine(line, parsed) || ParseGnuLine(line, selected, parsed);
}

bool ParseDigestLine(std::string_view line, ChecksumLine& parsed)
{
    const size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return false;
    parsed.digest = AnyDigestRowNamed(Widened(line.substr(0, space)), false, parsed.keyed);
    parsed.tagged = true;
    parsed.name = {};
    parsed.escaped = false;
    return parsed.digest >= 0
        && ReadDigestValue(Widened(line.substr(space + 1)), kDigestTable[parsed.digest].length, parsed.value);
}
