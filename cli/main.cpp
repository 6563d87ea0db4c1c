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

const wchar_t kHelpUsage[] =
    L"用法: texthash-cli [选项] [文本...]\r\n"
    L"      texthash-cli [选项] --file 路径 [--file 路径...]\r\n"
    L"      texthash-cli --check [选项] [清单...]\r\n"
    L"      texthash-cli --match 摘要 [选项] [文本...]\r\n"
    L"\r\n"
    L"计算文本或文件的 MD4、MD5、SHA1、SHA224、SHA256、SHA384 和 SHA512 摘要,\r\n"
    L"用 --only 还可计算 SM3、SHA3-224、SHA3-256、SHA3-384、SHA3-512、BLAKE2b(512 位)、\r\n"
    L"BLAKE2s(256 位)、BLAKE3 和 CRC32,\r\n"
    L"与窗口程序所示逐字节相同。文本是选项之外的参数,以单个空格相连;\r\n"
    L"没有文本参数时读取标准输入直到结束,换行原样计入。\r\n"
    L"文本为空时输出空消息的摘要,与空文件相同。\r\n"
    L"\r\n"
    L"文本变成字节的设置(默认: --encoding ansi,即系统的 ANSI 代码页;只用于文本;\r\n"
    L"先改文本形式,再改换行,再编码;--match 会自己试这些设置,其中 --encoding、--bom\r\n"
    L"和 --terminator 可缩小它的查找范围):\r\n";

const wchar_t kHelpLists[] =
    L"\r\n"
    L"每个摘要一行:名称、空格、十六进制。文件的摘要前有一行“FILE 路径”(一个文件也有),\r\n"
    L"文件之间空一行,--check 可读回。失败的摘要或文件在标准错误上说明原因,其余摘要照常输出。\r\n"
    L"\r\n"
    L"清单的行可以是“十六进制  文件名”“十六进制 *文件名”“SHA256 (文件名) = 十六进制”(摘要也可以是\r\n"
    L"Base64;算法名后可有多个空格)或“SHA2-256(文件名)= 十六进制”,也可以是本程序对文件的输出:\r\n"
    L"“FILE 路径”之后到空行为止的每个“名称 摘要”行按该算法校验这个文件(前面没有 FILE 行的\r\n"
    L"算格式不正确);空行和以 # 开头的行略过;有 --only 时只有所选摘要的行\r\n"
    L"算格式正确。不带算法名的行按位数定算法(32 位 MD5,40 位 SHA1,56 位 SHA224,64 位 SHA256,\r\n"
    L"96 位 SHA384,128 位 SHA512);同长的还有别的算法时,由第一个能读的文件定:清单里的摘要与它的\r\n"
    L"哪种摘要相符,整个清单就按哪种校验,并在标准错误上说明;--only 给出时由它定。\r\n"
    L"清单是 UTF-8(不是 UTF-8 时按 ANSI 代码页读取),带字节顺序标记时也可以是 UTF-16LE 或 UTF-16BE;\r\n"
    L"文件名相对于当前文件夹。每个文件一行“文件名: OK”“文件名: FAILED”或“文件名: FAILED open or read”,\r\n"
    L"与常用校验工具的输出一致;警告在标准错误上。\r\n"
    L"\r\n"
    L"退出码: 0 成功;1 有摘要或文件失败;2 命令行无法使用,或标准输入不是有效文本。\r\n"
    L"校验时: 0 每个列出的文件都读到且相符,且每个清单至少有一行格式正确;否则 1。\r\n"
    L"--match 的退出码: 0 找到设置;1 没有哪种设置给出它(或它是口令散列);2 取值不是摘要。\r\n";

// The help: the usage, one line per cause of the table, the other options,
// and the values each option takes.
std::wstring HelpText()
{
    return kHelpUsage + CauseOptionsHelp() + L"  (--encoding 的取值: " + EncodingValues() + L")\r\n\r\n其他选项:\r\n"
        + OtherOptionsHelp() + kHelpLists + L"\r\n--only 的名称: " + DigestNameValues() + L"\r\n--input-encoding 的编码: "
        + InputEncodingValues() + L"\r\n--match 的摘要: " + DigestValues() + L"\r\n";
}

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
        : options.match                ? RunMatch(provider, options)
                                       : RunDigests(provider, options, FileWorkerCount());
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
        return WriteOrReport(HelpText());
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
