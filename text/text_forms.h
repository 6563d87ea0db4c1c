// The forms a text takes on its way elsewhere, which change its bytes but
// hardly how it looks: Unicode normalization (composed or decomposed
// characters, full-width letters as ASCII), white space that editors trim,
// letter case, invisible and typographic characters, and the backslash
// escapes of source code and JSON.
#pragma once

#include <string>
#include <string_view>

enum class TextForm {
    AsTyped,
    Nfc,        // composed
    Nfd,        // decomposed
    Nfkc,       // composed, compatibility characters (full-width, ligatures) as their plain ones
    UpperCase,  // as the case links map it
    LowerCase,
    LineEndsTrimmed,    // blanks before every line break and at the end removed
    Trimmed,            // white space and line breaks around the whole text removed
    InvisiblesDropped,  // zero-width characters, U+FEFF and soft hyphens removed
    PlainPunctuation,   // as InvisiblesDropped, and typographic quotes, dashes, the ellipsis and spaces as ASCII
    EscapesRead,        // \n, \t, \xHH, \uXXXX ... read as the characters they stand for
    JsonEscaped,        // as a JSON string's contents, without the quotes
    // A JSON body written again as a sender's program writes it after parsing
    // it (text/json_text.h): the layout, then keys sorted, then non-ASCII as
    // \uXXXX escapes.
    JsonCompact,
    JsonCompactAscii,
    JsonSpaced,
    JsonSpacedAscii,
    JsonIndented2,
    JsonIndented2Ascii,
    JsonIndented4,
    JsonIndented4Ascii,
    JsonCompactSorted,
    JsonCompactSortedAscii,
    JsonSpacedSorted,
    JsonSpacedSortedAscii,
    JsonIndented2Sorted,
    JsonIndented2SortedAscii,
    JsonIndented4Sorted,
    JsonIndented4SortedAscii,
    // name=value parameters as payment and cloud interfaces sign them
    // (text/parameters.h): sorted by name, joined by "&".
    ParametersSorted,
};

// `text` in `form`; false, with the failure recorded, when the platform
// refuses to normalize it (half of a surrogate pair, for one) or when a
// backslash in it starts no escape that EscapesRead reads; the JSON forms
// refuse a text that is no JSON, the parameters one that holds no parameters.
bool TextInForm(const std::wstring& text, TextForm form, std::wstring& result);

// `text` without the white space and line breaks around it (the no-break and
// the ideographic space among them), as TextForm::Trimmed gives it.
std::wstring WithoutOuterWhiteSpace(std::wstring_view text);

// Case mapping of the whole text, however long, in place; characters
// without a case stay as they are and the length never changes.
void MapToUpperCase(std::wstring& text);
void MapToLowerCase(std::wstring& text);
