// What a signer digests around a body: the text it signs before the body (a
// timestamp, "v0:TIMESTAMP:"), the key where it puts the key into the message
// instead of keying the digest (before or after the body, or "&key=KEY" after
// sorted parameters). The console digests it so, and the search tries it so.
#pragma once

#include <string>

#include "digest/digest_key.h"
#include "digest/setting_causes.h"

struct SignedMessage {
    std::string before;  // the prefix in the setting's encoding, then the key where it comes first
    std::string after;   // "&key=" in the encoding and the key, or the key where it comes last
};

// The bytes around the body for `setting`, whose key reads as `key`; the key
// stands as it was read, the rest in the setting's encoding. False, with the
// failure recorded, when the prefix cannot be converted; `loss` then says
// what the encoding replaced in the prefix.
bool SignedMessageAround(const TextSetting& setting, const CDigestKey& key, SignedMessage& message, EncodingLoss& loss);

// Whether `setting` puts anything around the body: a prefix, or the key.
bool SignsAroundTheBody(const TextSetting& setting);

// Whether the key of `setting` keys the digest itself (HMAC, or the digest's
// keyed mode), rather than standing in the message or being unused.
bool KeysTheDigest(const TextSetting& setting);
