// How a signer read the key the user holds, and what it did with it. The
// user has the key as text (or a key file's bytes); the signer may have read
// it as UTF-8 or ANSI text, as hex, as Base64 (a "whsec_" prefix left out),
// with a final line break (a key file that echo wrote) or trimmed; and used
// it as the digest's key (HMAC, or the digest's own keyed mode), put it before
// or after the body, appended it to sorted parameters as "&key=KEY" (as
// payment interfaces sign), or not at all.
#pragma once

#include <windows.h>

#include <string>

#include "digest/digest_key.h"

enum class KeyReading { Utf8Text, AnsiText, Hex, Base64, PrefixedBase64 };
enum class KeyEnding { AsIs, LfAdded, CrLfAdded, Trimmed };
enum class KeyUse { Keyed, Before, After, Appended, AppendedKeyed, None };

struct KeySetting {
    KeyReading reading = KeyReading::Utf8Text;
    KeyEnding ending = KeyEnding::AsIs;
    KeyUse use = KeyUse::Keyed;

    bool operator==(const KeySetting& other) const
    {
        return reading == other.reading && ending == other.ending && use == other.use;
    }
};

// The key as the user gave it: text, or a key file's bytes, which are its
// text too where they are UTF-8. Wiped when dropped.
class CGivenKey {
public:
    static CGivenKey FromText(std::wstring text);
    static CGivenKey FromBytes(std::string bytes);
    CGivenKey(const CGivenKey& other) = default;
    CGivenKey& operator=(const CGivenKey& other) = default;
    ~CGivenKey();

    // The key's bytes as `setting` reads it; false when it cannot (no hex, no
    // Base64, no "whsec_" prefix, or a text reading of bytes that are no text).
    bool Read(const KeySetting& setting, CDigestKey& key) const;
    // The key as text, for the box it was typed into when that opens again;
    // empty for a key file that is no text.
    const std::wstring& Text() const { return m_text; }

private:
    CGivenKey() = default;

    std::wstring m_text;
    bool m_isText = true;
    std::string m_bytes;  // a key file's, as they are
};

// Whether `setting` reads a key as text, which the endings apply to.
bool ReadsText(KeyReading reading);
