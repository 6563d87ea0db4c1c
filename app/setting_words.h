// What the tip at an output says about the clipboard's digest.
#pragma once

#include <string>

#include "digest/setting_search.h"

// The clipboard's digest as the tips call it: "摘要", "Base64 摘要" and the
// like, so that the user sees which form was read.
std::wstring ClipboardDigestWords(DigestForm form);

// One sentence naming the digest and the setting that gives it, the encoding
// by `encodingName` (the caption of its option in the window); a second one
// when the encoding replaced characters on the way. An empty text gets a word
// on why no output shows the digest.
std::wstring SettingSentence(const SettingMatch& match, const std::wstring& encodingName, DigestForm form,
                             bool emptyText);

// One sentence saying that no setting gives the `digests` the clipboard's
// digest may be, and what was tried.
std::wstring NoSettingSentence(DigestSelection digests, DigestForm form);
