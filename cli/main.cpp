// The console companion of the window: the same seven digests of a text or of
// files, for scripts, build steps and pipes.
#include <windows.h>

#include <new>
#include <string>
#include <vector>

#include "cli/check_run.h"
#include "cli/command_line.h"
#include "cli/console_io.h"
#include "cli/digest_run.h"
#include "cli/match_run.h"
#include "digest/file_pool.h"
#include "hash/provider_digest.h"
#include "version.h"

namespace {

const wchar_t kHelp[] =
    L"用法: texthash-cli [选项] [文本...]\r\n"
    L"      texthash-cli [选项] --file 路径 [--file 路径...]\r\n"
    L"      texthash-cli --check [选项] [清单...]\r\n"
    L"\r\n"
    L"计算文本或文件的 MD4、MD5、SHA1、SHA224、SHA256、SHA384 和 SHA512 摘要,\r\n"
    L"用 --only 还可计算 SM3、SHA3-224、SHA3-256、SHA3-384、SHA3-512、BLAKE2b(512 位)、\r\n"
    L"BLAKE2s(256 位)、BLAKE3 和 CRC32,\r\n"
    L"与窗口程序所示逐字节相同。文本是选项之外的参数,以单个空格相连;\r\n"
    L"没有文本参数时读取标准输入直到结束,换行原样计入。\r\n"
    L"文本为空时输出空消息的摘要,与空文件相同。\r\n"
    L"\r\n"
    L"  --encoding ansi|utf16le|utf8|utf16be 文本转为字节的方式(默认 ansi:系统的 ANSI 代码页;\r\n"
    L"                                      也可写 utf-16le、utf-8、utf-16be)\r\n"
    L"  --bom                               字节前加该编码的字节顺序标记(不用于 ansi)\r\n"
    L"  --terminator                        包含终结符\r\n"
    L"  --normalize nfc|nfd|nfkc            先把文本规范化为 NFC、NFD 或 NFKC 形式\r\n"
    L"  --upper-text, --lower-text          先把文本转为大写或小写\r\n"
    L"  --trim-lines                        先去掉每行末尾的空白\r\n"
    L"  --trim                              先去掉文本首尾的空白\r\n"
    L"  --input-encoding ansi|utf16le|utf8  标准输入的编码(未给出时按开头的字节顺序标记,没有标记则为 utf8;\r\n"
    L"                                      给出时只跳过该编码自己的标记)\r\n"
    L"  --file 路径                         计算文件原样字节的摘要(可重复;不与文本参数同用;\r\n"
    L"                                      --file - 或 --file /dev/stdin 读取标准输入的原样字节)\r\n"
    L"  --only 名称[,名称...]               只输出所列摘要,如 --only md5,sha256,sm3,blake3(不分大小写;\r\n"
    L"                                      也认 SHA-256、SHA3_256、BLAKE2b-512、CRC-32 等写法)\r\n"
    L"  --lower                             十六进制用小写\r\n"
    L"  --base64                            摘要用 Base64 写出(与 cksum --base64 相同)\r\n"
    L"  --c                                 输出“复制为C代码”放到剪贴板上的文本\r\n"
    L"  --match 摘要                        列出文本在哪些设置下给出这个摘要(编码和 BOM、终结符、换行为\r\n"
    L"                                      LF 或 CR LF、末尾加或去掉换行、文本的规范化形式、大小写、\r\n"
    L"                                      空白),每行是重现它的选项;摘要可以是十六进制(可含空格、冒号\r\n"
    L"                                      或连字符分隔,可带 sha256: 之类的算法名)、Base64、SRI 值\r\n"
    L"                                      或校验清单的一行;--only、--encoding、--bom、--terminator\r\n"
    L"                                      缩小查找范围;编码换掉了字符的设置排在后面并注明\r\n"
    L"  --tag                               每个文件的每个摘要一行“SHA256 (路径) = 十六进制”,--check 可读回\r\n"
    L"  -c, --check                         校验清单里所列文件的摘要;参数是清单(- 或没有参数:标准输入)\r\n"
    L"  -q, --quiet                         校验时不输出相符的文件\r\n"
    L"  --status                            校验时只给退出码(打不开的文件和清单仍在标准错误上说明)\r\n"
    L"  --strict                            校验时有格式不正确的行也算失败\r\n"
    L"  --ignore-missing                    校验时不报告也不计较不存在的文件\r\n"
    L"  -w, --warn                          校验时对每个格式不正确的行给出警告\r\n"
    L"  --help                              显示本说明\r\n"
    L"  --version                           显示版本\r\n"
    L"  --                                  其后的参数都是文本\r\n"
    L"\r\n"
    L"--encoding、--bom、--terminator 和改变文本形式的选项只用于文本,\r\n"
    L"--input-encoding 只用于从标准输入读取的文本;\r\n"
    L"除 --file 外,带取值的选项只能给出一次。单字母选项可以连写,如 -cw。\r\n"
    L"\r\n"
    L"每个摘要一行:名称、空格、十六进制。多个文件时每个文件前有一行“FILE 路径”,\r\n"
    L"文件之间空一行。失败的摘要或文件在标准错误上说明原因,其余摘要照常输出。\r\n"
    L"\r\n"
    L"清单的行可以是“十六进制  文件名”“十六进制 *文件名”(32 位十六进制是 MD5,--only md4 时是 MD4;\r\n"
    L"64 位是 SHA256,--only 选了其他同长的摘要时是它,如 --only blake3)、\r\n"
    L"“SHA256 (文件名) = 十六进制”或“SHA2-256(文件名)= 十六进制”;空行和以 # 开头的行略过;有 --only 时\r\n"
    L"只有所选摘要的行算格式正确。清单是 UTF-8(不是 UTF-8 时按 ANSI 代码页读取),带字节顺序标记时也可以是\r\n"
    L"UTF-16LE 或 UTF-16BE;文件名相对于当前文件夹。每个文件一行“文件名: OK”“文件名: FAILED”或“文件名: FAILED open or "
    L"read”,\r\n"
    L"与常用校验工具的输出一致;警告在标准错误上。\r\n"
    L"\r\n"
    L"退出码: 0 成功;1 有摘要或文件失败;2 命令行无法使用,或标准输入不是有效文本。\r\n"
    L"校验时: 0 每个列出的文件都读到且相符,且每个清单至少有一行格式正确;否则 1。\r\n"
    L"--match 的退出码: 0 找到设置;1 没有哪种设置给出它;2 取值不是已知长度的摘要。\r\n";

int WriteOrReport(const std::wstring& text)
{
    if (WriteStandardText(STD_OUTPUT_HANDLE, text))
        return kExitSuccess;
    ReportRecordedFailure(L"");
    return kExitFailure;
}

// Every run digests with the window's own provider: the same type and key
// container.
int RunWithProvider(const CliOptions& options)
{
    HCRYPTPROV provider = 0;
    if (!AcquireHashProvider(&provider, PROV_RSA_AES, nullptr)) {
        ReportRecordedFailure(L"");
        return kExitFailure;
    }
    const int exitCode = options.check ? RunChecks(provider, options, FileWorkerCount())
        : options.match.hex.empty()    ? RunDigests(provider, options, FileWorkerCount())
                                       : RunMatch(provider, options);
    CryptReleaseContext(provider, 0);
    return exitCode;
}

int Run(const std::vector<std::wstring>& arguments)
{
    CliOptions options;
    std::wstring problem;
    if (!ParseCommandLine(arguments, options, problem)) {
        ReportUsageProblem(problem);
        return kExitRefused;
    }
    if (options.help)
        return WriteOrReport(kHelp);
    if (options.version)
        return WriteOrReport(std::wstring(kProgramName) + L" " APP_VERSION_TEXT L"\r\n");
    return RunWithProvider(options);
}

}  // namespace

int wmain(int argc, wchar_t* argv[])
{
    // The standard containers report exhausted memory by throwing; nothing
    // else here throws.
    try {
        return Run(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (const std::bad_alloc&) {
        ReportProblem(L"内存不足");
        return kExitFailure;
    }
}
