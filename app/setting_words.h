// What the tip at an output says about the clipboard's digest.
#pragma once

#include <string>

#include "digest/setting_search.h"

// One sentence naming the digest and the setting that gives it, the encoding
// by `encodingName` (the caption of its option in the window).
std::wstring SettingSentence(const SettingMatch& match, const std::wstring& encodingName);

// One sentence saying that no setting gives the `digests` the clipboard's
// digest may be (those of its length).
std::wstring NoSettingSentence(DigestSelection digests);
