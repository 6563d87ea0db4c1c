// Which settings give a digest the user was given, tried cause by cause from
// the table of causes (digest/setting_causes.h): another encoding or code
// page, a byte-order mark, a counted terminator, line breaks, another form of
// the text, the text read as data, a digest of a digest, and each form with
// each line-break variant, encoding, mark and terminator.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "digest/expected_digest.h"
#include "digest/setting_causes.h"

// A setting that gives the digest, the row of the table that gave it, and
// what the encoding replaced on the way: a match through replaced characters
// is a digest of other text.
struct SettingMatch {
    TextSetting setting;
    int row;
    EncodingLoss loss;
};

// The settings a search tries: by default every one; the console program
// narrows it to what its options fix.
struct SearchScope {
    DigestSelection digests = AllDigests();
    // Only this encoding (a code page only where the table has it).
    std::optional<Encoding> encoding;
    bool byteOrderMarkOnly = false;
    bool terminatorOnly = false;
    // The key the signer may have used: the search then tries it read and
    // used as signers do, and no key at all.
    std::optional<CGivenKey> key;
    // What the sender signs before the body (Slack's "v0:TIMESTAMP"), tried
    // as given and followed by "." or ":"; a timestamped header's own comes
    // with the digest.
    std::wstring prefix;
};

struct SearchResult {
    // The simplest explanations first: settings without loss before those
    // with; then by the order of their causes; among equals, the window's
    // encodings in its order, the line-break variants, without the
    // terminator before with it.
    std::vector<SettingMatch> matches;
    // Set when a digest failed on the way: the search is incomplete, and no
    // match found is no proof that none exists.
    std::wstring failure;
    // Set when the caller stopped the search: it says nothing.
    bool cancelled = false;
    // The causes the search tried, each with every other it tried where it
    // applies: a code page where it holds the text and gives bytes that no
    // encoding before it gave (so each number once, the ANSI code page's
    // never), removing the final line break where there is one. What a
    // "none" may claim.
    CauseSet tried;
    // The digests it computed.
    DigestSelection digests;
};

inline const std::atomic<bool> kNeverStopped {false};

// What the search cannot find, said after one that found nothing: without a
// key, how to give one (`howToGiveKey`, as each program offers it:
// "用 --hmac 密钥"); with one, that a salted digest cannot be found.
std::wstring BeyondTheSearchWords(bool keyGiven, const wchar_t* howToGiveKey);

// The settings in `scope` under which a digest of `text` (`count` units) is
// `expected`, computing only the digests it may be: the window's digests
// first, the others only when none of those gives it. An empty text is
// searched like any other. A variant that leaves the text as an earlier one
// did is left out, as is a form the platform cannot make of the text. Looks
// at `stop` between its passes over the text.
SearchResult FindSettingsGiving(HCRYPTPROV provider, const wchar_t* text, size_t count, const ExpectedDigest& expected,
                                const SearchScope& scope = {}, const std::atomic<bool>& stop = kNeverStopped);

// What a search tried, for a sentence saying that none of it gives the
// digest: its causes by kind, in the words of both programs, the encodings
// named by `encodingName`, kinds parted by `separator`, causes by "、".
std::wstring TriedCausesWords(const SearchResult& result, const SearchScope& scope, const wchar_t* separator,
                              const std::function<std::wstring(Encoding)>& encodingName);
