// Which settings give a digest the user was given: the usual reasons why a
// text's digest differs elsewhere are another encoding (with or without a
// byte-order mark, UTF-16 in either byte order), a counted terminator, line
// breaks (LF where the window has CR LF or the other way round, a line break
// added at the end as echo and most editors do, or the final one left out),
// and another form of the same text (composed or decomposed characters,
// full-width letters, white space trimmed, letter case).
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <optional>
#include <string>
#include <vector>

#include "digest/digest_pipeline.h"
#include "digest/expected_digest.h"
#include "text/text_forms.h"

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
    bool byteOrderMark;
    bool withTerminator;
    LineBreakVariant lineBreaks;
    TextForm form;
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
    bool byteOrderMarkOnly = false;
    bool terminatorOnly = false;
};

struct SearchResult {
    // The simplest explanations first: settings without loss before those
    // with; then the window's three encodings on the text's line-break
    // variants (its own line breaks first, each encoding without and then
    // with the terminator), the same with byte-order marks, UTF-16BE, and
    // last the other forms of the text.
    std::vector<SettingMatch> matches;
    // Set when a digest failed on the way: the search is incomplete, and no
    // match found is no proof that none exists.
    std::wstring failure;
};

// What the variant does to the text, in words for both programs ("换行为 LF"
// and the like, joined by "，"); empty for the text as it is.
std::wstring LineBreakWords(const LineBreakVariant& variant);

// What the form does to the text, in words for both programs ("文本为 NFD
// 分解形式"); empty for the text as typed.
std::wstring TextFormWords(TextForm form);

// The settings in `scope` under which a digest of `text` (`count` units) is
// `expected`, computing only the digests it may be. An empty text is searched
// like any other. A variant that leaves the text as an earlier one did is
// left out, as is a form the platform refuses to make of the text.
SearchResult FindSettingsGiving(HCRYPTPROV provider, const wchar_t* text, size_t count, const ExpectedDigest& expected,
                                const SearchScope& scope = {});
