#include "cli/check_run.h"

#include <array>
#include <atomic>
#include <deque>

#include "cli/checksum_list.h"
#include "cli/console_io.h"
#include "cli/file_source.h"
#include "digest/digest_names.h"
#include "digest/encoding_loss.h"
#include "digest/expected_digest.h"
#include "support/last_error.h"

namespace {

// The words of the per-file lines stay those of the usual tools, which
// scripts look for.
const wchar_t kMatched[] = L": OK\r\n";
const wchar_t kMismatched[] = L": FAILED\r\n";
const wchar_t kUnreadable[] = L": FAILED open or read\r\n";

const wchar_t kStandardInputLabel[] = L"标准输入";
const wchar_t kListOpenFailed[] = L"打开校验清单失败";
const wchar_t kListReadFailed[] = L"读取校验清单失败";
const wchar_t kNameTooLong[] = L"文件名过长(校验行超过 16 MiB),没有路径能容纳";

// What one list's lines came to.
struct ListTally {
    int lines = 0;
    int formatted = 0;  // properly formatted, files skipped by --ignore-missing included
    int improper = 0;
    int unreadable = 0;
    int mismatched = 0;
    int matched = 0;
};

// The longest path Windows opens, in UTF-16 units.
constexpr size_t kMaxPathUnits = 32767;

// A file the list names that is not there; --ignore-missing passes over it.
// A name no path can hold is no missing file, although Wine reports it as one.
bool IsMissing(const std::wstring& name, DWORD code)
{
    return (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) && name.size() <= kMaxPathUnits;
}

// How the untagged lines of one digest length find their digest when several
// digests have that length: the first of them whose file is read decides.
struct LengthChoice {
    std::atomic<bool> trying {false};  // the file that may decide is being digested
    std::atomic<int> digest {-1};      // row of kDigestTable, once decided
};

// The first row of `digests`, or `otherwise` when it has none.
int FirstRow(const DigestSelection& digests, int otherwise)
{
    for (int row = 0; row < kDigestCount; ++row) {
        if (digests[row])
            return row;
    }
    return otherwise;
}

// One list, read on the calling thread, which hands its files to the pool;
// everything it says, the pool's writing thread says in list order.
class CListCheck {
public:
    CListCheck(CFilePool& pool, const CliOptions& options, const std::wstring& list, std::atomic<bool>& outputFailed)
        : m_pool(pool),
          m_options(options),
          m_list(list),
          m_label(NamesStandardInput(list) ? kStandardInputLabel : list),
          // Lists may hold any digest; --only keeps those of its digests.
          m_listed(options.only.value_or(AllDigests())),
          m_outputFailed(outputFailed)
    {
    }

    void Run();
    // True when the list passed; known once the pool has finished.
    bool Passed() const { return m_passed; }

private:
    bool ReadList(const FilePieceSink& consume);
    void CheckLine(const std::string& line, bool cut);
    ListLine ParseLine(const std::string& line, ListedChecksum& listed);
    void DigestListedFile(ListedChecksum listed);
    void DigestAs(const ListedChecksum& listed);
    void RefuseKeyedLine(const ListedChecksum& listed);
    DigestRequest RequestFor(const ListedChecksum& listed, DigestSelection digests) const;
    DigestSelection SameLength(const ListedChecksum& listed) const;
    LengthChoice& ChoiceFor(const ListedChecksum& listed) { return m_choices[listed.value.length]; }
    int Decide(const ListedChecksum& listed, const FileOutcome& outcome);
    void ReportNameTooLong(ListedChecksum listed);
    void ReportInTurn(const std::wstring& problem);
    void ReportFile(const ListedChecksum& listed, const FileOutcome& outcome);
    void Report(const std::wstring& name, const wchar_t* outcome);
    bool Summarize();

    CFilePool& m_pool;
    const CliOptions& m_options;
    const std::wstring m_list;
    const std::wstring m_label;
    const DigestSelection m_listed;
    // Standard output refused a line (and that was reported): nothing more is checked.
    std::atomic<bool>& m_outputFailed;
    // Lines, formatted and improper ones are counted as the list is read,
    // the files' outcomes as they are reported.
    ListTally m_tally;
    bool m_passed = false;
    // Set once a keyed line without a key was said.
    bool m_keyedLineSaid = false;
    // The names' code page: UTF-8 until a name is not.
    UINT m_codePage = CP_UTF8;
    // The file of this program's digest lines, while its block lasts.
    BlockFile m_block;
    // By digest bytes.
    std::array<LengthChoice, kMaxDigestBytes + 1> m_choices;
};

void CListCheck::Run()
{
    CListLines lines([this](const std::string& line, bool cut) { CheckLine(line, cut); });
    if (!ReadList([&lines](const BYTE* data, DWORD length) { lines.Add(data, length); }))
        return;
    lines.Finish();
    m_pool.Then([this] { m_passed = !m_outputFailed && Summarize(); });
}

bool CListCheck::ReadList(const FilePieceSink& consume)
{
    bool opened = false;
    const bool read = ReadNamedFile(
        m_list, [&opened] { opened = true; }, consume);
    if (!read)
        ReportInTurn(m_label + L": " + LastErrorReplaceContext(opened ? kListReadFailed : kListOpenFailed));
    return read;
}

void CListCheck::ReportInTurn(const std::wstring& problem)
{
    m_pool.Then([problem] { ReportProblem(problem); });
}

void CListCheck::CheckLine(const std::string& line, bool cut)
{
    if (m_outputFailed)
        return;
    ++m_tally.lines;
    ListedChecksum listed;
    ListLine kind = ParseLine(line, listed);
    // A FILE line too long to hold names a file that no path can hold: the digest lines after it name none.
    if (kind == ListLine::FileLine && cut) {
        m_block.reset();
        kind = ListLine::Improper;
    }
    if (kind == ListLine::Skipped || kind == ListLine::FileLine)
        return;
    if (kind == ListLine::Improper) {
        ++m_tally.improper;
        if (m_options.checkOutput == CheckOutput::Warnings)
            ReportInTurn(m_label + L": " + std::to_wstring(m_tally.lines) + L": 校验行格式不正确");
        return;
    }
    if (listed.keyed && !m_options.key)
        return RefuseKeyedLine(listed);
    ++m_tally.formatted;
    if (cut)
        return ReportNameTooLong(listed);
    DigestListedFile(listed);
}

// A keyed digest needs its key: without one its line checks nothing, which is said once per list.
void CListCheck::RefuseKeyedLine(const ListedChecksum& listed)
{
    ++m_tally.improper;
    if (m_keyedLineSaid || m_options.checkOutput == CheckOutput::Status)
        return;
    m_keyedLineSaid = true;
    ReportInTurn(m_label + L": 清单里有带密钥的摘要(" + kDigestTable[listed.digest].keyedName
                 + L"),要用 --hmac 或 --hmac-file 给出密钥才能校验");
}

// A tagged line's tag says whether its digest is keyed; an untagged line is keyed where a key is given.
DigestRequest CListCheck::RequestFor(const ListedChecksum& listed, DigestSelection digests) const
{
    DigestParameters parameters;
    if (m_options.key && (listed.keyed || !listed.tagged))
        parameters.key = m_options.readKey;
    parameters.blake2bLength = std::min<DWORD>(listed.value.length, kMaxDigestBytes);
    return {digests, parameters};
}

// A list whose names are not UTF-8 was written in the ANSI code page, as
// older tools and editors write text; it is read so from that line on.
ListLine CListCheck::ParseLine(const std::string& line, ListedChecksum& listed)
{
    const ListLine kind = ParseListLine(line, m_listed, m_codePage, m_block, listed);
    if (kind != ListLine::Improper || m_codePage != CP_UTF8)
        return kind;
    const ListLine inAnsi = ParseListLine(line, m_listed, CP_ACP, m_block, listed);
    if (inAnsi == ListLine::Improper)
        return kind;
    m_codePage = CP_ACP;
    ReportInTurn(m_label + L": 清单不是 UTF-8 文本,按 " + CodePageName(GetACP()) + L" 读取");
    return inAnsi;
}

// An untagged line whose length several digests have is checked with the
// digest that length was decided for. Until then the line's file may decide,
// with every digest of that length computed in its one pass; the lines after
// it wait, but for those of other lengths.
void CListCheck::DigestListedFile(ListedChecksum listed)
{
    const DigestSelection candidates = SameLength(listed);
    if (listed.tagged || candidates.count() == 1)
        return DigestAs(listed);
    LengthChoice& choice = ChoiceFor(listed);
    if (choice.trying)
        m_pool.WaitUntilReported([&choice] { return !choice.trying; });
    if (choice.digest >= 0) {
        listed.digest = choice.digest;
        return DigestAs(listed);
    }
    choice.trying = true;
    DigestNamedFile(m_pool, listed.name, RequestFor(listed, candidates), [this, listed](const FileOutcome& outcome) {
        ListedChecksum decided = listed;
        decided.digest = Decide(listed, outcome);
        ReportFile(decided, outcome);
    });
}

void CListCheck::DigestAs(const ListedChecksum& listed)
{
    DigestNamedFile(m_pool, listed.name, RequestFor(listed, DigestSelection().set(listed.digest)),
                    [this, listed](const FileOutcome& outcome) { ReportFile(listed, outcome); });
}

// The listed digests of the line's length.
DigestSelection CListCheck::SameLength(const ListedChecksum& listed) const
{
    // b2sum -l writes BLAKE2b at any length.
    const int blake2b = DigestRowNamed(L"BLAKE2b", false);
    DigestSelection same = DigestsOfHexLength(2 * listed.value.length) & m_listed;
    if (listed.value.length != kDigestTable[blake2b].length && m_listed[blake2b])
        same.set(static_cast<size_t>(blake2b));
    return same;
}

// The digest of the untagged lines of the length of `listed`, whose file was
// digested with every digest of that length: the one that gives the listed
// digest, else the length's usual one. A file that could not be read leaves
// the choice to the next.
int CListCheck::Decide(const ListedChecksum& listed, const FileOutcome& outcome)
{
    LengthChoice& choice = ChoiceFor(listed);
    ExpectedDigest expected;
    expected.value = listed.value;
    expected.digests = SameLength(listed);
    const DigestSelection matching = MatchingDigests(outcome.digests, expected);
    const int decided = matching[listed.digest] ? listed.digest : FirstRow(matching, listed.digest);
    if (outcome.read)
        choice.digest = decided;
    choice.trying = false;
    const std::wstring name = DigestLineName(decided, outcome.digests.keyed, listed.value.length);
    if (decided != listed.digest && m_options.checkOutput != CheckOutput::Status)
        ReportProblem(m_label + L": 按 " + name + L" 校验:清单里 " + std::to_wstring(2 * listed.value.length)
                      + L" 位十六进制的摘要与第一个能读取的文件的 " + name + L" 相符");
    return decided;
}

// A line too long to hold names no file any path can hold; its name is shown cut.
void CListCheck::ReportNameTooLong(ListedChecksum listed)
{
    listed.name = Shortened(listed.name);
    FileOutcome outcome;
    outcome.failure = kNameTooLong;
    outcome.failureCode = ERROR_FILENAME_EXCED_RANGE;
    m_pool.Then([this, listed, outcome] { ReportFile(listed, outcome); });
}

void CListCheck::ReportFile(const ListedChecksum& listed, const FileOutcome& outcome)
{
    if (m_outputFailed)
        return;
    const std::wstring name = ReportedName(listed.name);
    if (!outcome.read) {
        if (m_options.ignoreMissing && IsMissing(listed.name, outcome.failureCode))
            return;
        ReportProblem(name + L": " + outcome.failure);
        ++m_tally.unreadable;
        return Report(name, kUnreadable);
    }
    if (outcome.digests.failed[listed.digest]) {
        ReportProblem(name + L": " + DigestLineName(listed.digest, outcome.digests.keyed, listed.value.length) + L": "
                      + outcome.digests.texts[listed.digest]);
        ++m_tally.unreadable;
        return Report(name, kUnreadable);
    }
    if (outcome.digests.values[listed.digest] == listed.value) {
        ++m_tally.matched;
        if (m_options.checkOutput != CheckOutput::Quiet)
            Report(name, kMatched);
    } else {
        ++m_tally.mismatched;
        Report(name, kMismatched);
    }
}

void CListCheck::Report(const std::wstring& name, const wchar_t* outcome)
{
    if (m_options.checkOutput == CheckOutput::Status || WriteStandardText(STD_OUTPUT_HANDLE, name + outcome))
        return;
    ReportRecordedFailure(L"");
    m_outputFailed = true;
}

// The warnings after a list, as the usual tools give them; true when the list passes.
bool CListCheck::Summarize()
{
    if (m_tally.formatted == 0) {
        ReportProblem(m_label + L": 没有找到格式正确的校验行");
        return false;
    }
    const bool nothingVerified = m_options.ignoreMissing && m_tally.matched == 0;
    if (m_options.checkOutput != CheckOutput::Status) {
        if (m_tally.improper != 0)
            ReportProblem(L"警告:有 " + std::to_wstring(m_tally.improper) + L" 行格式不正确");
        if (m_tally.unreadable != 0)
            ReportProblem(L"警告:有 " + std::to_wstring(m_tally.unreadable) + L" 个列出的文件无法读取");
        if (m_tally.mismatched != 0)
            ReportProblem(L"警告:有 " + std::to_wstring(m_tally.mismatched) + L" 个计算出的校验和不匹配");
        if (nothingVerified)
            ReportProblem(m_label + L": 没有校验任何文件");
    }
    return m_tally.unreadable == 0 && m_tally.mismatched == 0 && !(m_options.strict && m_tally.improper != 0)
        && !nothingVerified;
}

}  // namespace

int RunChecks(HCRYPTPROV provider, const CliOptions& options, int workers)
{
    // Without names the list comes from standard input, as with the usual tools.
    const std::vector<std::wstring> lists = options.words.empty() ? std::vector<std::wstring> {L"-"} : options.words;
    std::atomic<bool> outputFailed {false};
    // Declared before the pool, which reports to them until it is gone.
    std::deque<CListCheck> checks;
    CFilePool pool(provider, workers);
    for (const std::wstring& list : lists) {
        if (outputFailed)
            break;
        checks.emplace_back(pool, options, list, outputFailed);
        checks.back().Run();
    }
    pool.Finish();
    bool allPassed = true;
    for (const CListCheck& check : checks)
        allPassed = allPassed && check.Passed();
    return allPassed && !outputFailed ? kExitSuccess : kExitFailure;
}
