// The calling thread's record of its most recent failure.
//
// Every operation that can fail returns 0 (or false) and leaves the reason
// here: a code and a text shaped "context:detail". Lower layers record,
// window code reads LastErrorText() and shows it.
//
// Formats are the platform's wide printf formats, the same in every build:
// %s and %ls take wide text, %hs narrow text.
//
// A colon followed by '/', '\' or a digit (drive letters, URLs, times) never
// separates context from detail; the first colon followed by anything else does.
#pragma once

#include <windows.h>

#include <string>

struct CLastError {
    DWORD m_code;
    std::wstring m_text;
};

// Records `code` (0: the thread's GetLastError()) and the text
// "<context>:<system message>". Trailing colons of the context and trailing
// CR/LF of the message are dropped; without a context the text is the message
// alone. Codes 12000..12999 are looked up in wininet.dll's table first.
// Returns the new text ("" when no record could be made).
const wchar_t* LastErrorSetSystem(DWORD code, const wchar_t* contextFormat, ...);

// Records `code` as given and the formatted text as it stands.
const wchar_t* LastErrorSetText(DWORD code, const wchar_t* format, ...);

// Puts a new context in front of the detail of the current text; the code stays.
const wchar_t* LastErrorReplaceContext(const wchar_t* contextFormat, ...);

// The current text, valid until the next setter on this thread; null when no
// record could be made.
const wchar_t* LastErrorText();

// The current text as a string of its own; empty when no record could be made.
std::wstring LastErrorString();

// The current code (0 when nothing was recorded yet).
DWORD LastErrorCode();
