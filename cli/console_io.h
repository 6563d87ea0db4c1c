// Standard input, output and error as the console program uses them.
#pragma once

#include <windows.h>

#include <string>

// True when `handle` is a console, not a pipe or a file.
bool IsConsole(HANDLE handle);

// Writes `text` to the standard handle `which` (STD_OUTPUT_HANDLE or
// STD_ERROR_HANDLE): as wide text to a console, as UTF-8 to a pipe or file.
// False with the failure recorded when not all of it could be written.
bool WriteStandardText(DWORD which, const std::wstring& text);

// Reads standard input to its end. False with the failure recorded.
bool ReadStandardInput(std::string& bytes);

// True for "-", the name by which --file, --check and checksum lists mean
// standard input, as the usual tools do.
bool IsStandardInputName(const std::wstring& name);

// The program's name as its messages begin with it.
extern const wchar_t kProgramName[];

// Writes "<program name>: <line>" and a line break to standard error.
void ReportProblem(const std::wstring& line);

// The same for the thread's recorded failure text, after "<label>: " unless
// `label` is empty.
void ReportRecordedFailure(const std::wstring& label);

// The same for a command line that cannot be used, with a pointer to --help.
void ReportUsageProblem(const std::wstring& problem);
