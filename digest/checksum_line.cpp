#include "digest/checksum_line.h"

#include <vector>

#include "digest/digest_names.h"
#include "digest/expected_digest.h"
#include "text/base64.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::wstring Widened(std::string_view ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// A digest of `bytes` at the end of `rest`, as hex or as Base64 (padded or
// not), taken off `rest`; false when the end holds neither.
bool TakeListedDigest(std::string_view& rest, DWORD bytes, DigestValue& value)
{
    const size_t lengths[] = {2 * size_t(bytes), 4 * ((size_t(bytes) + 2) / 3), (4 * size_t(bytes) + 2) / 3};
    for (size_t length : lengths) {
        if (rest.size() < length || !ReadDigestValue(Widened(rest.substr(rest.size() - length)), bytes, value))
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
    NamedDigest named;
    if (!FindDigestNamed(Widened(tag), false, named))
        return false;
    parsed.digest = named.row;
    parsed.keyed = named.keyed;
    std::string_view rest = line.substr(open + 1);
    parsed.tagged = true;
    if (!TakeListedDigest(rest, named.length, parsed.value))
        return false;
    parsed.name = rest;
    return true;
}

// Of the `selected` digests with `digits` digits (MD4, MD5 share 32; SHA-256
// and several others 64), the window's last, else the first: MD5 rather than
// MD4 and SHA-256 rather than BLAKE3, as the usual tools mean them. Where
// only BLAKE2b is selected (--only blake2b), any even number from 32 on is
// BLAKE2b at that length, as b2sum -l writes it; otherwise a cut digest of
// another length stays an improper line, as the usual tools have it.
int DigestOfHexLength(size_t digits, const DigestSelection& selected)
{
    int found = -1;
    for (int i = 0; i < kDigestCount; ++i) {
        if (2 * kDigestTable[i].length == digits && selected[i] && (found < 0 || i < kShownDigestCount))
            found = i;
    }
    const int blake2b = DigestRowNamed(L"BLAKE2b", false);
    const bool blake2bLength = digits % 2 == 0 && digits >= 2 * kMinUnnamedDigestBytes && digits <= 2 * kMaxDigestBytes;
    return found >= 0 || !blake2bLength || selected != DigestSelection().set(size_t(blake2b)) ? found : blake2b;
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
    return ReadDigestValue(Widened(line.substr(0, digits)), DWORD(digits / 2), parsed.value);
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
    NamedDigest named;
    if (!FindDigestNamed(Widened(line.substr(0, space)), false, named))
        return false;
    parsed.digest = named.row;
    parsed.keyed = named.keyed;
    parsed.tagged = true;
    parsed.name = {};
    parsed.escaped = false;
    return ReadDigestValue(Widened(line.substr(space + 1)), named.length, parsed.value);
}
