// What the tips at the outputs say about the clipboard's digest.
#pragma once

#include <string>

#include "digest/setting_search.h"

// How the tips name what they speak of: the clipboard's digest as it was
// read, and the encodings, by the captions of their options in the window.
struct SettingWords {
    const ExpectedDigest& clipboardDigest;
    std::wstring (*encodingName)(Encoding encoding);
    // Whether the digests are keyed: the search then tried the key's readings and uses.
    bool keyGiven = false;
};

// The clipboard's digest as the tips call it: "摘要", "Base64 摘要" and the
// like, so that the user sees which form was read.
std::wstring ClipboardDigestWords(DigestForm form);

// One sentence naming the digest and the setting that gives it; the console
// command that gives it too where the window's options cannot (another code
// page, the text read as data, a digest of a digest); a word on lost leading
// zeros, and on why an empty text shows no digest; a second sentence when
// the encoding replaced characters on the way.
std::wstring SettingSentence(const SettingMatch& match, const SettingWords& words, bool emptyText);

// Says that no setting the search tried gives the digests the clipboard's
// digest may be, naming what it tried, and what no search can find.
std::wstring NoSettingSentence(const SearchResult& found, const SettingWords& words);
