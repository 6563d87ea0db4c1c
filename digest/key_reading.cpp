#include "digest/key_reading.h"

#include <vector>

#include "text/base64.h"
#include "text/encode_text.h"
#include "text/text_forms.h"

namespace {

constexpr wchar_t kWebhookSecretPrefix[] = L"whsec_";

std::wstring WithEnding(const std::wstring& text, KeyEnding ending)
{
    switch (ending) {
    case KeyEnding::LfAdded:
        return text + L"\n";
    case KeyEnding::CrLfAdded:
        return text + L"\r\n";
    case KeyEnding::Trimmed:
        return WithoutOuterWhiteSpace(text);
    case KeyEnding::AsIs:
        break;
    }
    return text;
}

// The text in the thread's ANSI code page; false where it lacks a character.
bool AnsiBytes(const std::wstring& text, std::string& bytes)
{
    if (text.empty())
        return true;
    BOOL replaced = FALSE;
    const int count = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.data(), count, nullptr, 0, nullptr, &replaced);
    bytes.assign(static_cast<size_t>(size), '\0');
    return size > 0 && !replaced
        && WideCharToMultiByte(CP_THREAD_ACP, WC_NO_BEST_FIT_CHARS, text.data(), count, &bytes[0], size, nullptr,
                               &replaced)
        == size
        && !replaced;
}

void Wipe(std::wstring& text) { SecureZeroMemory(&text[0], text.size() * sizeof(wchar_t)); }
void Wipe(std::string& bytes) { SecureZeroMemory(&bytes[0], bytes.size()); }

}  // namespace

CGivenKey CGivenKey::FromText(std::wstring text)
{
    CGivenKey key;
    key.m_text = std::move(text);
    return key;
}

CGivenKey CGivenKey::FromBytes(std::string bytes)
{
    CGivenKey key;
    key.m_bytes = std::move(bytes);
    const int count = static_cast<int>(key.m_bytes.size());
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, key.m_bytes.data(), count, nullptr, 0);
    key.m_isText = count == 0 || units > 0;
    if (units > 0) {
        key.m_text.assign(static_cast<size_t>(units), L'\0');
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, key.m_bytes.data(), count, &key.m_text[0], units);
    }
    return key;
}

CGivenKey::~CGivenKey()
{
    Wipe(m_text);
    Wipe(m_bytes);
}

bool ReadsText(KeyReading reading) { return reading == KeyReading::Utf8Text || reading == KeyReading::AnsiText; }

bool CGivenKey::Read(const KeySetting& setting, CDigestKey& key) const
{
    const bool asItIs = setting.reading == KeyReading::Utf8Text && setting.ending == KeyEnding::AsIs;
    if (!m_isText) {
        if (asItIs)
            key = CDigestKey(reinterpret_cast<const BYTE*>(m_bytes.data()), m_bytes.size());
        return asItIs;
    }
    // The endings are those of a text; decoded data takes only the trim.
    if (!ReadsText(setting.reading) && setting.ending != KeyEnding::AsIs && setting.ending != KeyEnding::Trimmed)
        return false;
    std::wstring text = WithEnding(m_text, setting.ending);
    std::string bytes;
    std::vector<BYTE> data;
    bool read = true;
    switch (setting.reading) {
    case KeyReading::Utf8Text:
        bytes = WideToUtf8(text.data(), static_cast<int>(text.size()));
        read = bytes.empty() == text.empty();
        break;
    case KeyReading::AnsiText:
        read = AnsiBytes(text, bytes);
        break;
    case KeyReading::Hex:
        read = DecodeHexPairs(text, data);
        break;
    case KeyReading::PrefixedBase64:
        read = text.rfind(kWebhookSecretPrefix, 0) == 0;
        text.erase(0, read ? std::size(kWebhookSecretPrefix) - 1 : 0);
        read = read && DecodeBase64(text, data);
        break;
    case KeyReading::Base64:
        read = DecodeBase64(text, data);
        break;
    }
    if (read)
        key = ReadsText(setting.reading) ? CDigestKey(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size())
                                         : CDigestKey(data.data(), data.size());
    Wipe(text);
    Wipe(bytes);
    SecureZeroMemory(data.data(), data.size());
    return read;
}
