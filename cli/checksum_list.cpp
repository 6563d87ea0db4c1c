#include "cli/checksum_list.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "digest/checksum_line.h"
#include "digest/digest_pipeline.h"
#include "text/encode_text.h"

namespace {

// The escapes of escaped names, and the characters they stand for.
struct Escape {
    char letter;
    wchar_t character;
};

const Escape kEscapes[] = {{'\\', L'\\'}, {'n', L'\n'}, {'r', L'\r'}};

// What the line before a file's digest lines starts with; the name follows as given.
constexpr std::string_view kFileHeader = "FILE ";

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }

bool IsUtf8Continuation(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// Where the kept start of a cut line ends, at most at `end`: before a
// character, and before a backslash that would escape what follows the cut.
size_t StartCut(const std::string& line, size_t end)
{
    while (end > 0 && IsUtf8Continuation(line[end]))
        --end;
    size_t backslashes = 0;
    while (backslashes < end && line[end - 1 - backslashes] == '\\')
        ++backslashes;
    return end - backslashes % 2;
}

// Where the kept end of a cut line starts, at least at `start`: at a
// character, and past backslashes whose escapes began before the cut.
size_t EndCut(const std::string& line, size_t start)
{
    while (start < line.size() && (IsUtf8Continuation(line[start]) || line[start] == '\\'))
        ++start;
    return start;
}

bool Unescape(std::string_view escaped, std::string& name)
{
    for (size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\') {
            name += escaped[i];
            continue;
        }
        if (++i == escaped.size())
            return false;
        const Escape* escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                            [&](const Escape& e) { return e.letter == escaped[i]; });
        if (escape == std::end(kEscapes))
            return false;
        name += static_cast<char>(escape->character);
    }
    return true;
}

// The listed bytes as a name Windows opens: text in `codePage`, no NUL
// (which would end the name early and open another file).
bool DecodeName(std::string_view listed, bool escaped, UINT codePage, std::wstring& name)
{
    std::string bytes;
    if (!escaped)
        bytes.assign(listed);
    else if (!Unescape(listed, bytes))
        return false;
    name.clear();
    if (bytes.find('\0') != std::string::npos)
        return false;
    // The usual tools take an empty name as well; it opens nothing.
    if (bytes.empty())
        return true;
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (length == 0)
        return false;
    name.resize(length);
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), size, &name[0], length);
    return true;
}

bool IsFileHeader(std::string_view line) { return StartsWith(line.substr(line[0] == '\\' ? 1 : 0), kFileHeader); }

// A FILE line names the file of the digest lines after it; one that names no
// file ends the block, so that none of them checks the file before it.
ListLine ReadFileHeader(std::string_view line, UINT codePage, BlockFile& block)
{
    const bool escaped = line[0] == '\\';
    std::wstring name;
    block.reset();
    if (!DecodeName(line.substr((escaped ? 1 : 0) + kFileHeader.size()), escaped, codePage, name))
        return ListLine::Improper;
    block = std::move(name);
    return ListLine::FileLine;
}

std::wstring Escaped(const std::wstring& name)
{
    std::wstring escaped;
    for (wchar_t c : name) {
        const Escape* escape =
            std::find_if(std::begin(kEscapes), std::end(kEscapes), [c](const Escape& e) { return e.character == c; });
        if (escape == std::end(kEscapes))
            escaped += c;
        else
            escaped += {L'\\', static_cast<wchar_t>(escape->letter)};
    }
    return escaped;
}

}  // namespace

ListLine ParseListLine(std::string line, const DigestSelection& selected, UINT codePage, BlockFile& block,
                       ListedChecksum& checksum)
{
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.empty())
        block.reset();
    if (line.empty() || line[0] == '#')
        return ListLine::Skipped;
    if (IsFileHeader(line))
        return ReadFileHeader(line, codePage, block);
    ChecksumLine parsed;
    if (ParseChecksumLine(line, selected, parsed)) {
        if (!DecodeName(parsed.name, parsed.escaped, codePage, checksum.name))
            return ListLine::Improper;
    } else if (block && ParseDigestLine(line, parsed)) {
        checksum.name = *block;
    } else {
        return ListLine::Improper;
    }
    // As with the tools of one digest, lines of the digests not selected are
    // no lines of this check.
    if (!selected[parsed.digest])
        return ListLine::Improper;
    checksum.digest = parsed.digest;
    checksum.tagged = parsed.tagged;
    checksum.keyed = parsed.keyed;
    checksum.value = parsed.value;
    return ListLine::Checksum;
}

std::wstring ReportedName(const std::wstring& name)
{
    return name.find(L'\n') == std::wstring::npos ? name : L'\\' + Escaped(name);
}

std::wstring FileHeaderLine(const std::wstring& name)
{
    const std::wstring header(kFileHeader.begin(), kFileHeader.end());
    return name.find_first_of(L"\n\r") == std::wstring::npos ? header + name : L'\\' + header + Escaped(name);
}

std::wstring TaggedLine(const wchar_t* digestName, const std::wstring& name, const std::wstring& hex)
{
    const bool escape = name.find_first_of(L"\\\n\r") != std::wstring::npos;
    return (escape ? L"\\" : L"") + std::wstring(digestName) + L" (" + (escape ? Escaped(name) : name)
        + L") = " + hex;
}

void CListLines::Add(const BYTE* data, DWORD length)
{
    if (m_form != Form::Unknown)
        return AddInForm(data, length);
    m_start.append(data, data + length);
    const size_t markBytes = ByteOrderMark(ByteEncoding::Utf16Le).size();
    if (m_start.size() < markBytes)
        return;
    m_form = StartsWith(m_start, ByteOrderMark(ByteEncoding::Utf16Le)) ? Form::Utf16Le
        : StartsWith(m_start, ByteOrderMark(ByteEncoding::Utf16Be))    ? Form::Utf16Be
                                                                       : Form::Bytes;
    const size_t mark = m_form == Form::Bytes ? 0 : markBytes;
    AddInForm(reinterpret_cast<const BYTE*>(m_start.data()) + mark, m_start.size() - mark);
    m_start.clear();
}

void CListLines::AddInForm(const BYTE* data, size_t length)
{
    if (m_form == Form::Bytes)
        AddBytes(reinterpret_cast<const char*>(data), length);
    else
        AddUtf16(data, length, false);
}

// Converts the whole units that have arrived, but for a first half of a pair
// that may find its second half in the next piece; `last` converts the rest.
void CListLines::AddUtf16(const BYTE* data, size_t length, bool last)
{
    m_units.append(data, data + length);
    std::wstring units(m_units.size() / 2, L'\0');
    for (size_t i = 0; i < units.size(); ++i) {
        const BYTE first = static_cast<BYTE>(m_units[2 * i]), second = static_cast<BYTE>(m_units[2 * i + 1]);
        units[i] = static_cast<wchar_t>(m_form == Form::Utf16Le ? first | second << 8 : first << 8 | second);
    }
    if (!last && !units.empty() && IS_HIGH_SURROGATE(units.back()))
        units.pop_back();
    m_units.erase(0, 2 * units.size());
    // Half a unit at the very end stands for a character the list lost.
    if (last && !m_units.empty()) {
        units += L'\uFFFD';
        m_units.clear();
    }
    const std::string bytes = WideToUtf8(units.data(), static_cast<int>(units.size()));
    AddBytes(bytes.data(), bytes.size());
}

void CListLines::AddBytes(const char* bytes, size_t length)
{
    while (length != 0) {
        const char* lineFeed = static_cast<const char*>(memchr(bytes, '\n', length));
        const size_t taken = lineFeed == nullptr ? length : static_cast<size_t>(lineFeed - bytes);
        m_pending = true;
        m_line.append(bytes, taken);
        // Once cut, the end is trimmed only when as much again has arrived:
        // a line in small pieces costs no more than one in large ones.
        if (m_line.size() > (m_cut ? m_startBytes + 2 * kLineEndBytes : kMaxListLineBytes))
            DropLineMiddle();
        if (lineFeed == nullptr)
            return;
        EndLine();
        bytes += taken + 1;
        length -= taken + 1;
    }
}

void CListLines::Finish()
{
    if (m_form == Form::Unknown) {
        m_form = Form::Bytes;
        AddBytes(m_start.data(), m_start.size());
    } else if (m_form != Form::Bytes) {
        AddUtf16(nullptr, 0, true);
    }
    if (m_pending)
        EndLine();
}

// What is kept of a line too long to hold reads as a line of its own.
void CListLines::DropLineMiddle()
{
    if (!m_cut)
        m_startBytes = StartCut(m_line, kLineEndBytes);
    m_cut = true;
    const size_t end = EndCut(m_line, m_line.size() - kLineEndBytes);
    m_line.erase(m_startBytes, end - m_startBytes);
}

void CListLines::EndLine()
{
    if (m_first && StartsWith(m_line, ByteOrderMark(ByteEncoding::Utf8)))
        m_line.erase(0, ByteOrderMark(ByteEncoding::Utf8).size());
    m_sink(m_line, m_cut);
    m_line.clear();
    m_pending = m_cut = m_first = false;
}
