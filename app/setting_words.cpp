#include "app/setting_words.h"

namespace {

constexpr wchar_t kListSeparator[] = L"、";
constexpr wchar_t kClauseSeparator[] = L"，";

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
    case DigestForm::Hex:
        break;
    }
    return L"摘要";
}

std::wstring SettingSentence(const SettingMatch& match, const std::wstring& encodingName, DigestForm form,
                             bool emptyText)
{
    const TextSetting& setting = match.setting;
    const std::wstring name = kDigestTable[match.row].name;
    // A digest the window does not show: the algorithm is the news.
    std::wstring sentence = match.row < kShownDigestCount
        ? name + L" 与剪贴板上的" + ClipboardDigestWords(form) + L"相同的设置："
        : L"剪贴板上的" + ClipboardDigestWords(form) + L"是 " + name + L"：";
    sentence += encodingName + L" 编码" + (setting.byteOrderMark ? L"（带 BOM）" : L"") + kClauseSeparator
        + (setting.withTerminator ? L"包含终结符" : L"不含终结符");
    const std::wstring lineBreaks = LineBreakWords(setting.lineBreaks);
    if (!lineBreaks.empty())
        sentence += kClauseSeparator + (L"文本" + lineBreaks);
    const std::wstring formWords = TextFormWords(setting.form);
    if (!formWords.empty())
        sentence += kClauseSeparator + formWords;
    if (emptyText)
        sentence += L"（文本为空，窗口不显示它的摘要）";
    sentence += L"。";
    if (match.loss.count != 0)
        sentence += EncodingLossSentence(match.loss, {L"文本中", L"剪贴板上的摘要", L"，", L"。", L"。"});
    return sentence;
}

std::wstring NoSettingSentence(DigestSelection digests, DigestForm form)
{
    std::wstring names;
    for (int row = 0; row < kDigestCount; ++row) {
        if (digests[row])
            names += (names.empty() ? L"" : kListSeparator) + std::wstring(kDigestTable[row].name);
    }
    return L"无论哪种编码（带不带 BOM，UTF-16 的两种字节序）、是否包含终结符、换行为 CR LF 还是 LF、末尾有无换行，"
           L"也无论 Unicode 组合或分解形式、全角半角、大小写和空白，文本的 "
        + names + L" 都与剪贴板上的" + ClipboardDigestWords(form) + L"不同。";
}
