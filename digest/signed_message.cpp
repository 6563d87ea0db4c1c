#include "digest/signed_message.h"

#include "digest/digest_pipeline.h"

namespace {

// `text` in the encoding, appended to `bytes`.
bool AppendEncoded(const std::wstring& text, Encoding encoding, std::string& bytes, EncodingLoss& loss)
{
    return EncodeTextInPieces(
        text.c_str(), text.size(), encoding,
        [&bytes](const BYTE* piece, DWORD length) { bytes.append(reinterpret_cast<const char*>(piece), length); },
        loss);
}

}  // namespace

bool SignsAroundTheBody(const TextSetting& setting)
{
    return !setting.prefix.empty()
        || (setting.key && setting.key->use != KeyUse::Keyed && setting.key->use != KeyUse::None);
}

bool KeysTheDigest(const TextSetting& setting)
{
    return setting.key && (setting.key->use == KeyUse::Keyed || setting.key->use == KeyUse::AppendedKeyed);
}

bool SignedMessageAround(const TextSetting& setting, const CDigestKey& key, SignedMessage& message, EncodingLoss& loss)
{
    message = {};
    if (!AppendEncoded(setting.prefix, setting.encoding, message.before, loss))
        return false;
    const KeyUse use = setting.key ? setting.key->use : KeyUse::None;
    const std::string keyBytes(reinterpret_cast<const char*>(key.Bytes()), key.Length());
    if (use == KeyUse::Before)
        message.before += keyBytes;
    EncodingLoss none;
    if ((use == KeyUse::Appended || use == KeyUse::AppendedKeyed)
        && !AppendEncoded(L"&key=", setting.encoding, message.after, none))
        return false;
    if (use == KeyUse::Appended || use == KeyUse::AppendedKeyed || use == KeyUse::After)
        message.after += keyBytes;
    return true;
}
