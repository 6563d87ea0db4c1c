// The interface of the program's own digest classes.
//
// Calling order: Reset, any number of Update, one Finish; Reset again before
// the next digest. Finish spends the object: it does not reset it. The file,
// text and hex operations reach Reset/Update/Finish/DigestToHex through the
// virtual slots, so each concrete class's own operations are used.
#pragma once

#include <windows.h>

#include <string>

#include "text/encode_text.h"

// Writes two uppercase hex digits per byte ("%02X", no separators) and a
// terminating zero: `text` must hold 2 * count + 1 characters.
void FormatHex(const BYTE* bytes, DWORD count, wchar_t* text);
// The same digits as a string.
std::wstring HexText(const BYTE* bytes, size_t count);

class CVnObject { };

class CVnHashObject : public CVnObject {
public:
    // Starts a new digest. Always returns TRUE.
    virtual BOOL Reset() = 0;
    // Appends `length` bytes; pieces of any sizes give the digest of the whole.
    virtual void Update(const BYTE* data, DWORD length) = 0;
    // Pads, writes m_digestLength bytes to `digest` and returns m_digestLength.
    virtual DWORD Finish(BYTE* digest) = 0;

    // The four operations below belong to every class's published interface
    // and keep their slots, although neither program calls them: the programs
    // digest through CDigestSet (digest/), which formats its own texts.

    // Digests the first `limit` bytes of a file (all ones: the whole file).
    virtual BOOL HashFile(const wchar_t* path, ULONGLONG limit, BYTE* digest);
    // Digests the bytes EncodeText makes of the text, without terminator.
    virtual BOOL HashText(const wchar_t* text, int length, TextEncoding encoding, BYTE* digest);
    // Replaces `hexText` with the uppercase hex of the digest.
    virtual void DigestToString(const BYTE* digest, std::wstring& hexText);
    // Writes 2 * m_digestLength hex digits and a zero into `hexText`.
    virtual void DigestToHex(const BYTE* digest, wchar_t* hexText);

    DWORD DigestLength() const { return m_digestLength; }

protected:
    CVnHashObject() : m_algorithmId(0), m_name(L""), m_digestLength(0) { }
    // Objects own no resources and are never deleted through this interface.
    ~CVnHashObject() = default;

    // Part of the classes' published layout; nothing in the programs reads them
    // (the digest table in digest/ names and orders the digests).
    int m_algorithmId;
    const wchar_t* m_name;
    DWORD m_digestLength;
};

// m_algorithmId of the digests after SHA-2, whose classes set 6 to 9 (SHA-224
// to SHA-512): distinct small numbers from 10 on.
enum OwnAlgorithmId : int {
    kSm3AlgorithmId = 10,
    kSha3_224AlgorithmId,
    kSha3_256AlgorithmId,
    kSha3_384AlgorithmId,
    kSha3_512AlgorithmId,
    kBlake2b512AlgorithmId,
    kBlake2s256AlgorithmId,
    kBlake3AlgorithmId,
    kCrc32AlgorithmId,
};
