// Why a text's digest differs elsewhere: the causes the settings search tries,
// one row each, with what it does to the text or its bytes, the words both
// programs tell it in, the console option that reproduces it, and its place
// in the order of explanations (the simplest first). The search, the window's
// tips, the console's --match lines, its option parser and --help all read
// this table: a new cause is a new row.
#pragma once

#include <bitset>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "digest/digest_pipeline.h"
#include "digest/digest_set.h"
#include "digest/key_reading.h"
#include "text/text_forms.h"

// How the text's line breaks are written before it is digested.
enum class LineBreaks { AsTyped, Lf, CrLf };

// What happens to the text's end before it is digested.
enum class TextEnding { AsIs, LfAdded, CrLfAdded, FinalBreakRemoved };

// The line breaks and the end of the text, as a variant of the text typed.
struct LineBreakVariant {
    LineBreaks breaks = LineBreaks::AsTyped;
    TextEnding ending = TextEnding::AsIs;
};

// The text read as the bytes it writes out, instead of as characters.
enum class DataReading { None, Hex, Base64 };

// A digest of the text's digest, as programs chain them: of its raw bytes, of
// its lowercase hex (PHP's md5(md5($s))) or of its uppercase hex.
enum class TwiceDigest { None, Raw, LowerHex, UpperHex };

// How a text the sender signs before the body is joined to it: as given
// ("v0:1531420618:"), or followed by "." or ":" (a timestamp, "v0:TIMESTAMP").
enum class PrefixJoin { AsGiven, Dot, Colon };

// How a text became the bytes of a digest.
struct TextSetting {
    Encoding encoding;
    bool byteOrderMark = false;
    bool withTerminator = false;
    LineBreakVariant lineBreaks;
    TextForm form = TextForm::AsTyped;
    // With a reading, the bytes are the text's data: no encoding, mark, terminator or line breaks apply.
    DataReading data = DataReading::None;
    TwiceDigest twice = TwiceDigest::None;
    // With a key: how the signer read it and what it did with it.
    std::optional<KeySetting> key;
    // What the sender signs before the body (empty: nothing), and how it was joined.
    std::wstring prefix;
    PrefixJoin prefixJoin = PrefixJoin::AsGiven;
};

enum class CauseKind {
    Encoding,
    Mark,
    Terminator,
    LineBreaks,
    Ending,
    Form,
    Data,
    Twice,
    Prefix,
    KeyReading,
    KeyEnding,
    KeyUse,
};

struct Cause {
    CauseKind kind;
    // The kind's own value: a ByteEncoding, LineBreaks, TextEnding, TextForm,
    // DataReading, TwiceDigest, PrefixJoin, KeyReading, KeyEnding or KeyUse;
    // 0 for the mark and the terminator.
    int value;
    // A code page's number (ByteEncoding::CodePage), CP_OEMCP for the console window's.
    UINT codePage;
    // The console option that reproduces the cause, and its value (null for a flag).
    const wchar_t* option;
    const wchar_t* optionValue;
    // What the cause does, in words; for a code page its usual name ("GBK").
    const wchar_t* words;
    // The same in a few words, for the list of what a search tried ("NFC",
    // "加 LF"); null for the encodings, named by their names or numbers, and
    // for rows that the row above them names together with theirs.
    const wchar_t* brief;
    // Explanations of lower order come first; a setting's order is that of its
    // highest cause.
    int order;
};

extern const Cause kCauses[];
extern const int kCauseCount;
inline constexpr int kMaxCauses = 96;
// Rows of kCauses, as a set: which causes a search tried.
using CauseSet = std::bitset<kMaxCauses>;

// The row of the cause of `kind` and `value` (and code page), or null.
const Cause* FindCause(CauseKind kind, int value, UINT codePage = 0);
inline int CauseRow(const Cause& cause) { return static_cast<int>(&cause - kCauses); }

// The encoding an encoding row stands for, and the row of an encoding (a code
// page by its number too), or null.
Encoding EncodingOf(const Cause& cause);
const Cause* EncodingCause(Encoding encoding);

// The causes of `setting`, in the order both programs name them: encoding,
// mark, terminator, form, line breaks, end (the order in which they apply to
// the text), reading, digest of a digest, prefix, the key's reading, ending
// and use. A setting of the window's defaults has its encoding alone; a key
// read as UTF-8 text and used as the digest's key adds nothing.
std::vector<const Cause*> CausesOf(const TextSetting& setting);

// The words of a cause: an encoding's name ("UTF-8", "代码页 936（GBK）",
// "OEM 代码页 437（控制台）"), the others' own words.
std::wstring CauseWords(const Cause& cause);

// The option's value that selects `encoding`: "ansi", "utf8", "cp936"...
std::wstring EncodingOptionValue(Encoding encoding);

// The console options that reproduce `cause`, such as "--normalize nfd".
std::wstring CauseOptions(const Cause& cause);

// The option that gives a signed prefix: "--prefix v0:1531420618:", quoted
// as a POSIX shell takes it back where it holds what a shell would read.
std::wstring PrefixOption(const std::wstring& prefix);

// The console options that give the digest of table row `row` of a text
// with `setting`, such as "--only md5 --encoding utf8 --normalize nfd"; a
// prefix with its value, quoted where a shell would part it; never the key.
std::wstring MatchOptions(int row, const TextSetting& setting);

// The highest order among the setting's causes.
int SettingOrder(const TextSetting& setting);

// What the line-break causes do: the text with every line break written as
// `breaks` (a lone CR is no line break and stays), the units of the line
// break that ends a text, what an ending appends, and all of it at once.
std::wstring WithLineBreaks(const std::wstring& text, LineBreaks breaks);
size_t FinalBreakLength(const std::wstring& text);
const wchar_t* EndingSuffix(TextEnding ending);
std::wstring InLineBreakVariant(const std::wstring& text, LineBreakVariant variant);

// What a reading does: the bytes the text, outer white space aside, writes
// out as hex pairs (separators as a digest's) or as Base64; false when it is
// not wholly that.
bool ReadTextAsData(std::wstring_view text, DataReading reading, std::vector<BYTE>& bytes);

// What a digest of a digest digests: `first` as raw bytes or as hex text.
std::string TwiceDigestInput(const DigestValue& first, TwiceDigest twice);
