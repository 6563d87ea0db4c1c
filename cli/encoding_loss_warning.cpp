#include "cli/encoding_loss_warning.h"

std::wstring EncodingLossWarning(const EncodingLoss& loss)
{
    if (loss.count == 0)
        return std::wstring();
    return L"警告: " + EncodingLossName(loss) + L" 不能原样表示文本中的 " + std::to_wstring(loss.count)
        + L" 个字符,转换时换成了别的字符,摘要对应换过之后的字节;第一个是第 " + std::to_wstring(loss.firstPosition)
        + L" 个字符" + ReplacedCharacterName(loss) + L"(--encoding utf16le 可按原文计算)";
}
