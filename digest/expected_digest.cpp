#include "digest/expected_digest.h"

#include <algorithm>
#include <vector>

#include "digest/checksum_line.h"
#include "digest/digest_names.h"
#include "text/base64.h"
#include "text/encode_text.h"

namespace {

// SRI names only these three.
const wchar_t* const kSriAlgorithms[] = {L"sha256", L"sha384", L"sha512"};

// The password-hash schemes of crypt(3), web frameworks and directories, by
// the prefix each writes before its salt and hash.
struct PasswordScheme {
    const wchar_t* prefix;
    const wchar_t* name;
};

// clang-format off
const PasswordScheme kPasswordSchemes[] = {
    {L"$2a$",           L"bcrypt"},
    {L"$2b$",           L"bcrypt"},
    {L"$2x$",           L"bcrypt"},
    {L"$2y$",           L"bcrypt"},
    {L"$1$",            L"MD5-crypt"},
    {L"$apr1$",         L"Apache MD5-crypt"},
    {L"$5$",            L"SHA-256-crypt"},
    {L"$6$",            L"SHA-512-crypt"},
    {L"$y$",            L"yescrypt"},
    {L"$7$",            L"scrypt"},
    {L"$argon2id$",     L"Argon2id"},
    {L"$argon2i$",      L"Argon2i"},
    {L"$argon2d$",      L"Argon2d"},
    {L"$P$",            L"phpass"},
    {L"$H$",            L"phpass"},
    {L"$pbkdf2",        L"PBKDF2"},
    {L"pbkdf2_sha256$", L"PBKDF2"},
    {L"pbkdf2_sha1$",   L"PBKDF2"},
    {L"bcrypt_sha256$", L"bcrypt"},
    {L"argon2$",        L"Argon2"},
    {L"scrypt$",        L"scrypt"},
    {L"{SSHA}",         L"LDAP SSHA"},
    {L"{SSHA256}",      L"LDAP SSHA-256"},
    {L"{SSHA512}",      L"LDAP SSHA-512"},
};
// clang-format on

bool IsAroundSpace(wchar_t unit)
{
    // The ideographic and the no-break space come along when a digest is
    // copied out of Chinese documents and web pages.
    return unit == L' ' || unit == L'\t' || unit == L'\r' || unit == L'\n' || unit == L'\v' || unit == L'\f'
        || unit == L'\u00A0' || unit == L'\u3000';
}

std::wstring_view Trimmed(std::wstring_view text)
{
    while (!text.empty() && IsAroundSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsAroundSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

// A digest printed as a number lost at most this many leading zeros; a
// shorter text is rather a piece of a digest.
constexpr size_t kMaxZerosLost = 3;

DigestSelection OnlyRow(int row) { return DigestSelection().set(static_cast<size_t>(row)); }

DigestSelection UnnamedDigestsOfLength(size_t bytes)
{
    return bytes >= kMinUnnamedDigestBytes ? DigestsOfHexLength(2 * bytes) : DigestSelection();
}

bool SetValue(const std::vector<BYTE>& bytes, DigestValue& value)
{
    if (bytes.empty() || bytes.size() > value.bytes.size())
        return false;
    std::copy(bytes.begin(), bytes.end(), value.bytes.begin());
    value.length = static_cast<DWORD>(bytes.size());
    return true;
}

// `digits` hex digits without separators as a digest of `length` bytes whose
// leading zeros were lost on the way: how many were, or 0 when the digits
// are no such digest.
int ReadShortHex(std::wstring_view digits, DWORD length, DigestValue& value)
{
    const size_t lost = 2 * size_t(length) - digits.size();
    if (digits.size() >= 2 * size_t(length) || lost > kMaxZerosLost
        || !std::all_of(digits.begin(), digits.end(), IsHexDigit))
        return 0;
    std::vector<BYTE> bytes;
    if (!DecodeHexPairs(std::wstring(lost, L'0') + std::wstring(digits), bytes) || !SetValue(bytes, value))
        return 0;
    return static_cast<int>(lost);
}

bool IsPasswordHash(std::wstring_view text, ExpectedDigest& expected)
{
    for (const PasswordScheme& scheme : kPasswordSchemes) {
        const std::wstring_view prefix = scheme.prefix;
        if (text.size() > prefix.size() && text.substr(0, prefix.size()) == prefix
            && std::none_of(text.begin(), text.end(), IsAroundSpace)) {
            expected.passwordScheme = scheme.name;
            return true;
        }
    }
    return false;
}

bool ParseHex(std::wstring_view text, ExpectedDigest& expected)
{
    std::vector<BYTE> bytes;
    if (!DecodeHexPairs(text, bytes, kMaxDigestBytes) || UnnamedDigestsOfLength(bytes.size()).none())
        return false;
    expected.digests = UnnamedDigestsOfLength(bytes.size());
    return SetValue(bytes, expected.value);
}

// Hex that a program printed as a number: the digest length it falls short of decides.
bool ParseShortHex(std::wstring_view text, ExpectedDigest& expected)
{
    for (size_t lost = 1; lost <= kMaxZerosLost; ++lost) {
        const DigestSelection digests = UnnamedDigestsOfLength((text.size() + lost) / 2);
        if ((text.size() + lost) % 2 != 0 || digests.none())
            continue;
        expected.zerosLost = ReadShortHex(text, static_cast<DWORD>((text.size() + lost) / 2), expected.value);
        expected.digests = digests;
        return expected.zerosLost != 0;
    }
    return false;
}

// "sha256:…", "MD5 = …", "SHA256 BA78…": the name narrows the search to one digest.
bool ParsePrefixed(std::wstring_view text, ExpectedDigest& expected)
{
    const size_t separator = text.find_first_of(L":= \t");
    if (separator == std::wstring_view::npos)
        return false;
    NamedDigest named;
    // BLAKE2b at another length is no digest the search computes.
    if (!FindDigestNamed(Trimmed(text.substr(0, separator)), true, named) || named.length != kDigestTable[named.row].length)
        return false;
    const int row = named.row;
    std::wstring_view value = Trimmed(text.substr(separator));
    if (!value.empty() && (value.front() == L':' || value.front() == L'='))
        value = Trimmed(value.substr(1));
    const DWORD length = kDigestTable[row].length;
    expected.digests = OnlyRow(row);
    expected.form = DigestForm::Prefixed;
    if (ReadDigestValue(value, length, expected.value))
        return true;
    expected.zerosLost = ReadShortHex(value, length, expected.value);
    return expected.zerosLost != 0;
}

bool ParseSri(std::wstring_view text, ExpectedDigest& expected)
{
    const size_t hyphen = text.find(L'-');
    if (hyphen == std::wstring_view::npos)
        return false;
    const std::wstring_view name = text.substr(0, hyphen);
    for (const wchar_t* algorithm : kSriAlgorithms) {
        std::vector<BYTE> bytes;
        const int row = DigestRowNamed(algorithm, true);
        if (CompareStringOrdinal(name.data(), static_cast<int>(name.size()), algorithm, -1, TRUE) != CSTR_EQUAL
            || !DecodeBase64(text.substr(hyphen + 1), bytes) || bytes.size() != kDigestTable[row].length)
            continue;
        expected.digests = OnlyRow(row);
        expected.form = DigestForm::Sri;
        return SetValue(bytes, expected.value);
    }
    return false;
}

bool ParseBase64(std::wstring_view text, ExpectedDigest& expected)
{
    std::vector<BYTE> bytes;
    if (!DecodeBase64(text, bytes) || UnnamedDigestsOfLength(bytes.size()).none())
        return false;
    expected.digests = UnnamedDigestsOfLength(bytes.size());
    expected.form = DigestForm::Base64;
    return SetValue(bytes, expected.value);
}

// A line copied whole from a checksum list or a download page: its tag
// narrows the search; a GNU line's digits may be any digest of their length.
bool ParseChecksumLineText(std::wstring_view text, ExpectedDigest& expected)
{
    const std::string line = WideToUtf8(text.data(), static_cast<int>(text.size()));
    ChecksumLine parsed;
    if (line.empty() || !ParseChecksumLine(line, AllDigests(), parsed)
        || parsed.value.length != kDigestTable[parsed.digest].length)
        return false;
    expected.value = parsed.value;
    expected.digests = parsed.tagged ? OnlyRow(parsed.digest) : DigestsOfHexLength(2 * parsed.value.length);
    expected.form = DigestForm::ChecksumLine;
    return true;
}

// The digest of `text` after a header's tag: hex or Base64 of a length of 16
// bytes or more (the one length a header's digests share).
bool ReadHeaderDigest(std::wstring_view text, ExpectedDigest& expected)
{
    std::vector<BYTE> bytes;
    const bool read = DecodeHexPairs(text, bytes, kMaxDigestBytes) || DecodeBase64(text, bytes);
    if (!read || UnnamedDigestsOfLength(bytes.size()).none())
        return false;
    DigestValue value;
    SetValue(bytes, value);
    if (!expected.IsDigest()) {
        expected.value = value;
        expected.digests = UnnamedDigestsOfLength(bytes.size());
    } else if (value.length == expected.value.length) {
        expected.otherValues.push_back(value);
    } else {
        return false;
    }
    return true;
}

// The parts of `text` between `separator`s.
std::vector<std::wstring_view> Parts(std::wstring_view text, wchar_t separator)
{
    std::vector<std::wstring_view> parts;
    for (size_t start = 0;;) {
        const size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::wstring_view::npos)
            return parts;
        start = end + 1;
    }
}

bool StartsWith(std::wstring_view text, std::wstring_view start) { return text.substr(0, start.size()) == start; }

// Slack's "v0=HEX" and the "t=TIMESTAMP,v1=HEX,..." of other webhooks.
bool ParseSignatureHeader(std::wstring_view text, ExpectedDigest& expected)
{
    if (StartsWith(text, L"v0=")) {
        expected.header = SignatureHeader::SlackV0;
        return ReadHeaderDigest(text.substr(3), expected);
    }
    if (!StartsWith(text, L"t="))
        return false;
    std::wstring_view timestamp;
    for (std::wstring_view part : Parts(text, L',')) {
        part = Trimmed(part);
        if (StartsWith(part, L"t="))
            timestamp = part.substr(2);
        else if (StartsWith(part, L"v1=") && !ReadHeaderDigest(part.substr(3), expected))
            return false;
    }
    const bool digits = !timestamp.empty() && std::all_of(timestamp.begin(), timestamp.end(),
                                                                 [](wchar_t unit) { return unit >= L'0' && unit <= L'9'; });
    if (!expected.IsDigest() || !digits)
        return false;
    expected.header = SignatureHeader::TimestampV1;
    expected.signedPrefix = std::wstring(timestamp) + L".";
    return true;
}

// Standard Webhooks: "v1,BASE64", several parted by spaces.
bool ParseVersionedSignatures(std::wstring_view text, ExpectedDigest& expected)
{
    for (std::wstring_view part : Parts(text, L' ')) {
        if (!part.empty() && (!StartsWith(part, L"v1,") || !ReadHeaderDigest(part.substr(3), expected)))
            return false;
    }
    expected.header = SignatureHeader::StandardWebhooks;
    return expected.IsDigest();
}

}  // namespace

bool ExpectedDigest::Is(const DigestValue& digest) const
{
    return digest == value || std::find(otherValues.begin(), otherValues.end(), digest) != otherValues.end();
}

ExpectedDigest ParseExpectedDigest(const wchar_t* text, size_t length)
{
    if (length > kMaxExpectedDigestUnits)
        return ExpectedDigest();
    const std::wstring_view digest = Trimmed(std::wstring_view(text, length));
    using Parser = bool (*)(std::wstring_view, ExpectedDigest&);
    for (Parser parse : {IsPasswordHash, ParseHex, ParseShortHex, ParsePrefixed, ParseSri, ParseBase64,
                         ParseChecksumLineText, ParseSignatureHeader, ParseVersionedSignatures}) {
        ExpectedDigest expected;
        if (parse(digest, expected)) {
            if (expected.header != SignatureHeader::None)
                expected.form = DigestForm::SignatureHeader;
            return expected;
        }
    }
    return ExpectedDigest();
}

DigestSelection DigestsOfHexLength(size_t digits)
{
    DigestSelection selection;
    for (int i = 0; i < kDigestCount; ++i)
        selection[i] = 2 * kDigestTable[i].length == digits;
    return selection;
}

bool ReadDigestValue(std::wstring_view text, DWORD length, DigestValue& value)
{
    // Hex first: Base64 of the same length could be hex digits too.
    std::vector<BYTE> bytes;
    const auto readAs = [&](bool read) { return read && bytes.size() == length && SetValue(bytes, value); };
    return readAs(DecodeHexPairs(text, bytes, kMaxDigestBytes)) || readAs(DecodeBase64(text, bytes));
}

DigestSelection MatchingDigests(const DigestTexts& digests, const ExpectedDigest& expected)
{
    DigestSelection matching;
    for (int i = 0; i < kDigestCount; ++i)
        matching[i] = expected.digests[i] && !digests.failed[i] && expected.Is(digests.values[i]);
    return matching;
}

std::wstring PasswordHashWords(const ExpectedDigest& expected)
{
    return std::wstring(L"这是 ") + expected.passwordScheme
        + L" 口令散列（含盐），不能由文本的任何编码直接得到：要核对口令，请用生成它的程序";
}

std::wstring ZerosLostWords(const ExpectedDigest& expected)
{
    return L"摘要开头少了 " + std::to_wstring(expected.zerosLost) + L" 个 0（把摘要当作数字写出的程序会省掉它们），按 "
        + std::to_wstring(2 * expected.value.length) + L" 位的摘要查找";
}
