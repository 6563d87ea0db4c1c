// Standard input, output and error as the console program uses them.
#pragma once

#include <windows.h>

#include <string>

enum ExitCode : int {
    kExitSuccess = 0,
    kExitFailure = 1,  // a digest or a file failed, or output could not be written
    kExitRefused = 2,  // the command line cannot be used, or standard input is not text
};

// True when `handle` is a console, not a pipe or a file.
bool IsConsole(HANDLE handle);

// Writes `text` to the standard handle `which` (STD_OUTPUT_HANDLE or
// STD_ERROR_HANDLE): as wide text to a console, as UTF-8 to a pipe or file.
// False with the failure recorded when not all of it could be written.
bool WriteStandardText(DWORD which, const std::wstring& text);

// The program's name as its messages begin with it.
extern const wchar_t kProgramName[];

// Writes "<program name>: <line>" and a line break to standard error, the
// line's control characters (line breaks, escapes, direction marks) as
// escapes ("\n", "\x1B", "\u202E"): what the user gave is quoted visibly.
void ReportProblem(const std::wstring& line);

// The same for the thread's recorded failure text, after "<label>: " unless
// `label` is empty.
void ReportRecordedFailure(const std::wstring& label);

// The same for a command line that cannot be used, with a pointer to --help.
void ReportUsageProblem(const std::wstring& problem);
