#include "app/setting_words.h"

namespace {

constexpr wchar_t kListSeparator[] = L"、";

}  // namespace

std::wstring SettingSentence(const SettingMatch& match, const std::wstring& encodingName, bool emptyText)
{
    std::wstring sentence = std::wstring(kDigestTable[match.row].name) + L" 与剪贴板上的摘要相同的设置：" + encodingName
        + L" 编码，" + (match.setting.withTerminator ? L"包含终结符" : L"不含终结符");
    const std::wstring lineBreaks = LineBreakWords(match.setting.lineBreaks);
    if (!lineBreaks.empty())
        sentence += L"，文本" + lineBreaks;
    if (emptyText)
        sentence += L"（文本为空，窗口不显示它的摘要）";
    sentence += L"。";
    if (match.loss.count != 0)
        sentence += EncodingLossSentence(match.loss, {L"文本中", L"剪贴板上的摘要", L"，", L"。", L"。"});
    return sentence;
}

std::wstring NoSettingSentence(DigestSelection digests)
{
    std::wstring names;
    for (int row = 0; row < kDigestCount; ++row) {
        if (digests[row])
            names += (names.empty() ? L"" : kListSeparator) + std::wstring(kDigestTable[row].name);
    }
    return L"无论哪种编码、是否包含终结符、换行为 CR LF 还是 LF、末尾有无换行，文本的 " + names
        + L" 都与剪贴板上的摘要不同。";
}
