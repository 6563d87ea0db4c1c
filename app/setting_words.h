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
    // How the window reads the key: a setting that reads it as UTF-8 text says
    // so where the window reads it otherwise.
    KeyReading keyReading = KeyReading::Utf8Text;
};

// The clipboard's digest as the tips call it: "摘要", "Base64 摘要" and the
// like, so that the user sees which form was read.
std::wstring ClipboardDigestWords(DigestForm form);

// One sentence naming the digest (keyed by its keyed name) and the setting
// that gives it; the console command that gives it too where the window's
// options cannot (another code page, the text read as data, a digest of a
// digest, a key read or used otherwise than the key dialog offers), with
// "--hmac 密钥" standing for the key, never the key itself; a word on lost leading
// zeros, and on why an empty text shows no digest; a second sentence when
// the encoding replaced characters on the way.
std::wstring SettingSentence(const SettingMatch& match, const SettingWords& words, bool emptyText);

// Says that no setting the search tried gives the digests the clipboard's
// digest may be, naming what it tried, and what no search can find.
std::wstring NoSettingSentence(const SearchResult& found, const SettingWords& words);
