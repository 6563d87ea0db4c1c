// Which settings give a digest the user was given: the usual reasons why a
// text's digest differs elsewhere are another encoding, a counted terminator
// and line breaks (LF where the window has CR LF, a line break added at the
// end as echo and most editors do, or the final one left out).
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

#include "digest/digest_pipeline.h"

// What happens to the text's end before it is digested.
enum class TextEnding { AsIs, LfAdded, FinalBreakRemoved };

// The line breaks and the end of the text, as a variant of the text typed.
struct LineBreakVariant {
    bool breaksAsLf;  // every CR LF becomes LF
    TextEnding ending;
};

struct TextSetting {
    ByteEncoding encoding;
    bool withTerminator;
    LineBreakVariant lineBreaks;
};

// A setting that gives the digest, and the row of the table that gave it.
struct SettingMatch {
    TextSetting setting;
    int row;
};

// What the variant does to the text, in words for both programs ("换行为 LF"
// and the like, joined by "，"); empty for the text as it is.
std::wstring LineBreakWords(const LineBreakVariant& variant);

// The settings under which a digest of `text` (`count` units) is `expected`
// (hex digits, as ParseExpectedDigest gives them), computing only the digests
// of its length. Settings come in a fixed order, the text's own line breaks
// first, then the encodings in their order, each without and with the
// terminator; a variant that leaves the text as another one gives it is left
// out. With `firstOnly` the search ends at the first match.
std::vector<SettingMatch> FindSettingsGiving(HCRYPTPROV provider, const wchar_t* text, size_t count,
                                             const std::wstring& expected, bool firstOnly);
