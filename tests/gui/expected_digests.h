// The seven texts the main window must show for a text, computed with the
// engine directly, apart from the window's own pipeline.
#pragma once

#include <array>
#include <string>

#include "app/digest_pipeline.h"

using DigestTextArray = std::array<std::wstring, kDigestCount>;

// The bytes a text becomes in `encoding` (ANSI: the process's code page),
// followed by the encoding's zero terminator when asked for.
std::string EncodedBytes(const std::wstring& text, ByteEncoding encoding, bool withTerminator);

// MD4, MD5, SHA-1, SHA-224, SHA-256, SHA-384 and SHA-512 of `bytes` as
// uppercase hex; all empty for no bytes.
DigestTextArray ExpectedDigests(const std::string& bytes);
