// Which settings give a digest the user was given: the usual reasons why a
// text's digest differs elsewhere are another encoding, a counted terminator
// and line breaks (LF where the window has CR LF or the other way round, a
// line break added at the end as echo and most editors do, or the final one
// left out).
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <optional>
#include <string>
#include <vector>

#include "digest/digest_pipeline.h"

// How the text's line breaks are written before it is digested.
enum class LineBreaks { AsTyped, Lf, CrLf };

// What happens to the text's end before it is digested.
enum class TextEnding { AsIs, LfAdded, CrLfAdded, FinalBreakRemoved };

// The line breaks and the end of the text, as a variant of the text typed.
struct LineBreakVariant {
    LineBreaks breaks;
    TextEnding ending;
};

struct TextSetting {
    ByteEncoding encoding;
    bool withTerminator;
    LineBreakVariant lineBreaks;
};

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
    std::optional<ByteEncoding> encoding;
    bool terminatorOnly = false;
};

struct SearchResult {
    // Settings without loss first, each group in the search's order: the
    // text's own line breaks first, then the encodings in their order, each
    // without and then with the terminator.
    std::vector<SettingMatch> matches;
    // Set when a digest failed on the way: the search is incomplete, and no
    // match found is no proof that none exists.
    std::wstring failure;
};

// What the variant does to the text, in words for both programs ("换行为 LF"
// and the like, joined by "，"); empty for the text as it is.
std::wstring LineBreakWords(const LineBreakVariant& variant);

// The settings in `scope` under which a digest of `text` (`count` units) is
// `expected` (hex digits, as ParseExpectedDigest gives them), computing only
// the digests of its length. An empty text is searched like any other. A
// variant that leaves the text as an earlier one gives it is left out.
SearchResult FindSettingsGiving(HCRYPTPROV provider, const wchar_t* text, size_t count, const std::wstring& expected,
                                const SearchScope& scope = {});
