// Whether the bytes of a text stand for exactly that text. A code page lacks
// most characters, and neither it nor UTF-8 holds half a surrogate pair: the
// conversion puts another character in their place (a default character, a
// best-fit look-alike such as A for a full-width Ａ, or U+FFFD), and the
// digests, right for the bytes, then stand for another text.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

struct EncodingLoss {
    // CP_UTF8, or the ANSI code page's number; 0 when the encoding holds the
    // whole text (UTF-16LE always does: a lone surrogate is digested as it is).
    UINT codePage = 0;
    // Characters replaced; a surrogate pair is one character.
    size_t count = 0;
    // The first of them, counted from 1 in characters of the text (a pair is
    // one, a line break two: CR and LF), and its code point (for a lone
    // surrogate, that unit).
    size_t firstPosition = 0;
    char32_t firstCharacter = 0;
};

// Counts the characters among units [start, start + length) of `text` that
// `codePage` (CP_UTF8 or a code page by number) does not hold and notes the
// first one. A walk costs less than a conversion refusing replacements would.
void NoteReplacedCharacters(UINT codePage, const wchar_t* text, size_t start, size_t length, EncodingLoss& loss);

// Whether the code page `codePage` (not UTF-8) holds each of the `count`
// units of `text` as it is, with neither its default character nor a
// look-alike in its place.
bool HoldsEveryCharacter(UINT codePage, const wchar_t* text, size_t count);

// How the messages of both programs name a code page: "UTF-8",
// "ANSI 代码页 <number>" for the system's, or "代码页 <number>".
std::wstring CodePageName(UINT codePage);

// The same for the encoding that lost characters.
std::wstring EncodingLossName(const EncodingLoss& loss);

// What differs between the programs' sentences about a loss: where the text
// stands, what the digests are called, the punctuation, and the way out.
struct LossWording {
    const wchar_t* where;    // "框中"
    const wchar_t* digests;  // "下方的摘要"
    const wchar_t* comma;    // "，"
    const wchar_t* stop;     // "。", ends the clause before the first character
    const wchar_t* wayOut;   // ends the sentence
};

// The sentence both programs tell `loss` in: the encoding, how many
// characters it replaced, and the first of them.
std::wstring EncodingLossSentence(const EncodingLoss& loss, const LossWording& wording);

// How they name the first replaced character: the character in quotes and its
// code point, for a lone surrogate (which has no glyph) the code point alone.
std::wstring ReplacedCharacterName(const EncodingLoss& loss);
