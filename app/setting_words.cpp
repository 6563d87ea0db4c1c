#include "app/setting_words.h"

#include "app/key_dlg.h"
#include "digest/digest_names.h"
#include "digest/signed_message.h"

namespace {

constexpr wchar_t kClauseSeparator[] = L"，";

// What the setting does to the text and its bytes, clause by clause.
std::wstring SettingClauses(const TextSetting& setting, const SettingWords& words)
{
    std::wstring clauses;
    if (setting.data == DataReading::None) {
        clauses = words.encodingName(setting.encoding) + L" 编码" + (setting.byteOrderMark ? L"（带 BOM）" : L"")
            + kClauseSeparator + (setting.withTerminator ? L"包含终结符" : L"不含终结符");
    }
    for (const Cause* cause : CausesOf(setting)) {
        const bool saidAbove = cause->kind == CauseKind::Encoding || cause->kind == CauseKind::Mark
            || cause->kind == CauseKind::Terminator;
        if (!saidAbove)
            clauses += (clauses.empty() ? L"" : kClauseSeparator) + CauseWords(*cause);
    }
    // A setting names the key's reading only where it is not UTF-8 text; the window's may be another.
    const KeyReading asText = KeyReading::Utf8Text;
    const bool keyRead = setting.key && setting.key->use != KeyUse::None;
    if (keyRead && setting.key->reading == asText && words.keyReading != asText)
        clauses += kClauseSeparator + CauseWords(*FindCause(CauseKind::KeyReading, static_cast<int>(asText)));
    return clauses;
}

// The key dialog reads a key as UTF-8 text, hex or Base64 and keys the digests with it, or takes it away.
bool WindowGivesKey(const KeySetting& key)
{
    const bool offeredReading =
        key.reading == KeyReading::Utf8Text || key.reading == KeyReading::Hex || key.reading == KeyReading::Base64;
    return key.use == KeyUse::None || (key.use == KeyUse::Keyed && key.ending == KeyEnding::AsIs && offeredReading);
}

// The window's options reach the window's encodings, the terminator and the
// key dialog's keys; the forms and line breaks can be typed; the rest takes
// the console program.
bool NeedsConsole(const TextSetting& setting)
{
    return setting.encoding.kind == ByteEncoding::CodePage || setting.data != DataReading::None
        || setting.twice != TwiceDigest::None || (setting.key && !WindowGivesKey(*setting.key));
}

}  // namespace

std::wstring ClipboardDigestWords(DigestForm form)
{
    switch (form) {
    case DigestForm::Base64:
        return L"Base64 摘要";
    case DigestForm::Sri:
        return L"SRI 摘要（Base64）";
    case DigestForm::Prefixed:
        return L"带算法名的摘要";
    case DigestForm::ChecksumLine:
        return L"校验行里的摘要";
    case DigestForm::SignatureHeader:
        return L"签名头里的签名";
    case DigestForm::Hex:
        break;
    }
    return L"摘要";
}

std::wstring SettingSentence(const SettingMatch& match, const SettingWords& words, bool emptyText)
{
    const std::wstring name = DigestNameOf(match.row, KeysTheDigest(match.setting));
    const std::wstring digest = ClipboardDigestWords(words.clipboardDigest.form);
    // A digest the window does not show: the algorithm is the news.
    std::wstring sentence = match.row < kShownDigestCount ? name + L" 与剪贴板上的" + digest + L"相同的设置："
                                                          : L"剪贴板上的" + digest + L"是 " + name + L"：";
    sentence += SettingClauses(match.setting, words);
    if (emptyText)
        sentence += L"（文本为空，窗口不显示它的摘要）";
    sentence += L"。";
    if (NeedsConsole(match.setting))
        sentence += L"窗口的选项给不出它，可用命令 texthash-cli "
            + std::wstring(match.setting.key ? L"--hmac 密钥 " : L"") + MatchOptions(match.row, match.setting)
            + L" 重现。";
    if (words.clipboardDigest.zerosLost != 0)
        sentence += ZerosLostWords(words.clipboardDigest) + L"。";
    if (match.loss.count != 0)
        sentence += EncodingLossSentence(match.loss, {L"文本中", L"剪贴板上的摘要", L"，", L"。", L"。"});
    return sentence;
}

std::wstring NoSettingSentence(const SearchResult& found, const SettingWords& words)
{
    return L"文本的 " + DigestNames(found.digests) + L" 在以下设置及其各种组合下都与剪贴板上的"
        + ClipboardDigestWords(words.clipboardDigest.form) + L"不同："
        + TriedCausesWords(found, {}, L"；", words.encodingName) + L"。"
        + BeyondTheSearchWords(words.keyGiven,
                               (L"可在窗口的系统菜单里选“" + std::wstring(kKeyMenuItemText) + L"”").c_str());
}
